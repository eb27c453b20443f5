"""The web folder opened from disk (file://), as a viewer who double-clicks it meets it:
lockstep.html plays as the served page does (the question, the sound's clock, Escape, a still
that matches lockstep-capture's); index.html says in a sentence what to do instead of failing.

Usage: web_file_test.py ROOT BUILD_DIR (ROOT/dist/lockstep-web from tools/web/build.sh).
"""
import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

ROOT, BUILD = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(ROOT, "tools", "web"))
import devtools  # noqa: E402

SITE = os.path.join(ROOT, "dist", "lockstep-web")
OUTPUT = os.path.join(BUILD, "tests", "output")
# Generous: the machines that run this are small and busy, and SwiftShader draws on the CPU.
LOAD_S = 120
STILL_S = 400
MIN_PSNR = 38.0
STILL_MS = 3000
ASKING = "document.getElementById('question').style.display === 'flex'"

browser = None


def from_disk(name, query=""):
    return pathlib.Path(SITE, name).as_uri() + query


def setUpModule():
    global browser
    if not os.path.exists(os.path.join(SITE, "lockstep.html")):
        raise RuntimeError("no %s/lockstep.html: tools/web/build.sh writes it" % SITE)
    browser = devtools.Browser([devtools.AUTOPLAY_FLAG])
    os.makedirs(OUTPUT, exist_ok=True)


def tearDownModule():
    if browser:
        browser.close()


class FromDisk(unittest.TestCase):
    def test_the_single_file_asks_plays_by_its_sound_and_escape_ends_it(self):
        page = browser.open(from_disk("lockstep.html"))
        self.assertTrue(page.wait_until(ASKING, LOAD_S), "no question: %s" % page.errors)
        self.assertEqual(page.errors, [])
        # Each carried file was decoded and its text let go.
        self.assertEqual(page.evaluate("document.querySelectorAll('[data-file]').length"), 0)
        page.evaluate("document.getElementById('fullscreen-no').click()", gesture=True)
        self.assertTrue(page.wait_until("lockstepStatus().frames >= 5", LOAD_S))
        self.assertTrue(page.wait_until("lockstepStatus().time >= 300", LOAD_S))
        self.assertEqual(page.evaluate("lockstepStatus()")["audio"], "running")
        page.key("Escape", "Escape", 27)
        ended = page.wait_until(
            "document.getElementById('question-text').textContent.includes('ended')", 30)
        self.assertTrue(ended, "Escape did not end the show")
        page.wait_for_console("frames in", 10)
        page.pump()
        self.assertEqual(page.errors, [])
        page.close()

    def test_a_still_from_disk_matches_the_capture_tools(self):
        expected = os.path.join(tempfile.mkdtemp(prefix="lockstep-file-still-"), "capture.png")
        subprocess.run([os.path.join(BUILD, "bin", "lockstep-capture"), "--root", ROOT,
                        "--to", str(STILL_MS), "--still", "%d=%s" % (STILL_MS, expected)],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       env=dict(os.environ, SDL_VIDEODRIVER="offscreen"))
        page = browser.open(from_disk("lockstep.html", "?still=%d" % STILL_MS))
        page.wait_for_console("lockstep: still %d ready" % STILL_MS, STILL_S, errors_end=True)
        got = os.path.join(OUTPUT, "file_still_%d.png" % STILL_MS)
        page.save_canvas(got)
        diff = subprocess.run(
            [os.path.join(BUILD, "bin", "still_diff"), expected, got,
             os.path.join(OUTPUT, "file_still_%d_diff.png" % STILL_MS)],
            check=True, capture_output=True, text=True).stdout.split()
        self.assertGreaterEqual(float(diff[0]), MIN_PSNR, "psnr p99 max within2 = %s" % diff)
        page.pump()
        self.assertEqual(page.errors, [])
        page.close()

    def test_the_served_page_from_disk_says_what_to_do(self):
        page = browser.open(from_disk("index.html"))
        said = page.wait_until("document.getElementById('message').textContent", LOAD_S)
        self.assertIn("open lockstep.html", said)
        self.assertIn("serve this folder", said)
        self.assertNotIn("failed", said)
        self.assertFalse(page.evaluate(ASKING))
        page.close()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)

"""The web page in headless Chromium, as a viewer meets it and through its test hooks: it loads
without an error and asks; the answer starts the show in step with its sound; Escape ends it; a
file that fails to load is said; stills match lockstep-capture's at the same times.

Usage: web_page_test.py ROOT BUILD_DIR (ROOT/dist/lockstep-web from tools/web/build.sh).
"""
import os
import subprocess
import sys
import tempfile
import time
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
# The stills: early in the city, and the road soon after it starts (stepped at 5 fps to be
# quick; the capture tool steps at the same rate).
STILLS = [(3000, 60), (34000, 5)]

browser = server = None


def setUpModule():
    global browser, server
    if not os.path.exists(os.path.join(SITE, "index.html")):
        raise RuntimeError("no %s: tools/web/build.sh writes it (./test.sh runs it)" % SITE)
    server = devtools.StaticServer(SITE)
    browser = devtools.Browser([devtools.AUTOPLAY_FLAG])
    os.makedirs(OUTPUT, exist_ok=True)


def tearDownModule():
    if browser:
        browser.close()
    if server:
        server.close()


def asking(page):
    return page.wait_until(
        "document.getElementById('question').style.display === 'flex'", LOAD_S)


def status(page):
    return page.evaluate("lockstepStatus()")


def compare_with_capture(browser, url, ms, fps, name):
    """The page at url with ?still=ms&fps=fps against lockstep-capture's still: saves the page's
    as OUTPUT/name.png and returns still_diff's figures (PSNR, p99, max, share within 2/255) and
    the page's errors."""
    expected = os.path.join(tempfile.mkdtemp(prefix="lockstep-web-stills-"), "capture.png")
    subprocess.run([os.path.join(BUILD, "bin", "lockstep-capture"), "--root", ROOT, "--fps",
                    str(fps), "--to", str(ms), "--still", "%d=%s" % (ms, expected)],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   env=dict(os.environ, SDL_VIDEODRIVER="offscreen"))
    page = browser.open(url + "?still=%d&fps=%d" % (ms, fps))
    page.wait_for_console("lockstep: still %d ready" % ms, STILL_S, errors_end=True)
    got = os.path.join(OUTPUT, name + ".png")
    page.save_canvas(got)
    diff = subprocess.run(
        [os.path.join(BUILD, "bin", "still_diff"), expected, got,
         os.path.join(OUTPUT, name + "_diff.png")],
        check=True, capture_output=True, text=True).stdout.split()
    page.pump()
    page.close()
    return diff, page.errors


class WebPage(unittest.TestCase):
    def test_the_answer_starts_the_show_in_step_with_its_sound_and_escape_ends_it(self):
        page = browser.open(server.url + "index.html")
        self.assertTrue(asking(page), "no question: %s" % page.errors)
        self.assertEqual(page.errors, [])
        page.evaluate("document.getElementById('fullscreen-no').click()", gesture=True)
        self.assertTrue(page.wait_until("lockstepStatus().frames >= 5", LOAD_S))
        self.assertTrue(page.wait_until("lockstepStatus().time >= 300", LOAD_S))
        self.assertEqual(status(page)["audio"], "running")

        # The demo time is the audio clock's: it stands while the sound is suspended, though
        # frames go on, and moves on with the sound.
        page.evaluate("Module.lockstepAudio.context.suspend()")
        time.sleep(0.3)
        held = status(page)
        time.sleep(2.0)
        later = status(page)
        self.assertEqual(later["audio"], "suspended")
        self.assertEqual(later["time"], held["time"])
        self.assertGreater(later["frames"], held["frames"])
        page.evaluate("Module.lockstepAudio.context.resume()")
        self.assertTrue(page.wait_until("lockstepStatus().time >= %d" % (held["time"] + 500),
                                        LOAD_S))

        page.key("Escape", "Escape", 27)
        ended = page.wait_until(
            "document.getElementById('question-text').textContent.includes('ended')", 30)
        self.assertTrue(ended, "Escape did not end the show")
        line = page.wait_for_console("frames in", 10)
        frames = status(page)["frames"]
        time.sleep(0.5)
        self.assertEqual(status(page)["frames"], frames, "frames after the end: " + line)
        page.pump()
        self.assertEqual(page.errors, [])
        page.close()

    def test_a_file_that_fails_to_load_is_said(self):
        refusing = devtools.StaticServer(SITE, refused=["lockstep-data.tar.gz"])
        try:
            page = browser.open(refusing.url + "index.html")
            said = page.wait_until("document.getElementById('message').textContent", LOAD_S)
            self.assertIn("lockstep-data.tar.gz failed to load", said)
            self.assertIn("404", said)
            page.wait_for_console("failed to load", 10)
            self.assertFalse(page.evaluate(
                "document.getElementById('question').style.display === 'flex'"))
            page.close()
        finally:
            refusing.close()

    def test_stills_match_the_capture_tools(self):
        for ms, fps in STILLS:
            with self.subTest(still=ms):
                diff, errors = compare_with_capture(browser, server.url + "index.html", ms, fps,
                                                    "web_still_%d" % ms)
                self.assertGreaterEqual(float(diff[0]), MIN_PSNR,
                                        "still %d: psnr p99 max within2 = %s" % (ms, diff))
                self.assertEqual(errors, [])

if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)

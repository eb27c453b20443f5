"""The web folder opened from disk (file://), as a viewer who double-clicks it meets it:
lockstep.html plays as the served page does (the question, the sound's clock, Escape, a still
that matches lockstep-capture's); index.html says in a sentence what to do instead of failing.

Usage: web_file_test.py ROOT BUILD_DIR (ROOT/dist/lockstep-web from tools/web/build.sh).
"""
import os
import pathlib
import sys
import unittest

import web_page_test as served  # reads the same arguments; its constants and its stills

devtools = served.devtools
SITE = served.SITE
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
    os.makedirs(served.OUTPUT, exist_ok=True)


def tearDownModule():
    if browser:
        browser.close()


class FromDisk(unittest.TestCase):
    def test_the_single_file_asks_plays_by_its_sound_and_escape_ends_it(self):
        page = browser.open(from_disk("lockstep.html"))
        self.assertTrue(served.asking(page), "no question: %s" % page.errors)
        self.assertEqual(page.errors, [])
        # Each carried file was decoded and its text let go.
        self.assertEqual(page.evaluate("document.querySelectorAll('[data-file]').length"), 0)
        page.evaluate("document.getElementById('fullscreen-no').click()", gesture=True)
        self.assertTrue(page.wait_until("lockstepStatus().frames >= 5", served.LOAD_S))
        self.assertTrue(page.wait_until("lockstepStatus().time >= 300", served.LOAD_S))
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
        diff, errors, _, _ = served.compare_with_capture(
            browser, from_disk("lockstep.html"), STILL_MS, 60, "file_still_%d" % STILL_MS)
        self.assertGreaterEqual(float(diff[0]), served.MIN_PSNR,
                                "psnr p99 max within2 = %s" % diff)
        self.assertEqual(errors, [])

    def test_the_served_page_from_disk_says_what_to_do(self):
        page = browser.open(from_disk("index.html"))
        said = page.wait_until("document.getElementById('message').textContent", served.LOAD_S)
        self.assertIn("open lockstep.html", said)
        self.assertIn("serve this folder", said)
        self.assertNotIn("failed", said)
        self.assertFalse(page.evaluate(ASKING))
        page.close()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)

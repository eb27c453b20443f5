"""The web page in headless Chromium, as a viewer meets it and through its test hooks: it loads
without an error and asks; the answer starts the show in step with its sound; Escape ends it; the
show goes on through a hidden tab and a lost WebGL context; a file that fails to load, a damaged
data package and a bad address are said; stills match lockstep-capture's at the same times, one
of them after a lost context.

Usage: web_page_test.py ROOT BUILD_DIR (ROOT/dist/lockstep-web from tools/web/build.sh).
"""
import collections
import gzip
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

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
# quick; the capture tool steps at the same rate), the second after a lost and restored context.
STILLS = [(3000, 60, False), (34000, 5, True)]
ROAD_MS = 34000  # the road runs from 33320 ms
RESTORE_S = 4  # from a restored context to the show on the canvas
GIVE_UP_S = 10  # a context not restored by then is given up
PACKAGE = "lockstep-data.tar.gz"
LOSE = ("window.lostContext = document.getElementById('canvas').getContext('webgl')"
        ".getExtension('WEBGL_lose_context'); lostContext.loseContext()")

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


def message(page):
    return page.evaluate("document.getElementById('message').textContent")


def in_next_frame(page):
    """The status, and the audio clock in ms, in the browser's next frame after the show's."""
    return page.evaluate(
        "new Promise(done => requestAnimationFrame(() => done([lockstepStatus(), Math.round("
        "(Module.lockstepAudio.audibleTime() - Module.lockstepAudio.startedAt) * 1000)])))")


def png_rows(data):
    """Width, bytes per pixel and unfiltered rows of an 8-bit RGB(A) PNG without interlace."""
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        if kind == b"IHDR":
            width, height, _, colour = struct.unpack(">IIBB", data[at + 8:at + 18])
        elif kind == b"IDAT":
            idat += data[at + 8:at + 8 + length]
        at += 12 + length
    step = 4 if colour == 6 else 3
    raw, stride = zlib.decompress(idat), width * step
    rows, above = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, row = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride):
            a = row[x - step] if x >= step else 0
            b, c = above[x], (above[x - step] if x >= step else 0)
            p = a + b - c
            paeth = (a if abs(p - a) <= min(abs(p - b), abs(p - c))
                     else b if abs(p - b) <= abs(p - c) else c)
            row[x] = (row[x] + (0, a, b, (a + b) // 2, paeth)[kind]) & 255
        rows.append(bytes(row))
        above = row
    return width, step, rows


def flat_share(png):
    """The share of the picture (every 4th pixel each way) in its most common colour."""
    width, step, rows = png_rows(png)
    colours = collections.Counter(row[x:x + 3] for row in rows[::4]
                                  for x in range(0, width * step, step * 4))
    return colours.most_common(1)[0][1] / sum(colours.values())


def tampered_packages():
    """The data package cut short (the gzip stream, and the archive inside a whole one), with its
    second member made huge, and with it renamed out of the data folder (checksums made good)."""
    with open(os.path.join(SITE, PACKAGE), "rb") as f:
        packed = f.read()
    tar = bytearray(gzip.decompress(packed))
    second = 512 + (int(tar[124:136].strip(b"\0 "), 8) + 511) // 512 * 512

    def with_field(offset, length, value):
        copy = bytearray(tar)
        copy[second + offset:second + offset + length] = value.ljust(length, b"\0")
        header = copy[second:second + 512]
        header[148:156] = b" " * 8
        copy[second + 148:second + 156] = b"%06o\0 " % sum(header)
        return gzip.compress(bytes(copy))

    return [
        ("gzip cut", packed[:len(packed) // 2], "failed to load ("),
        ("archive cut", gzip.compress(bytes(tar[:len(tar) // 2])), "is damaged: it is cut short."),
        ("huge member", with_field(124, 12, b"77777777777"),
         'is damaged: the member "arbre.baf" claims 8589934591 bytes'),
        ("renamed member", with_field(0, 100, b"../../escape.raw"),
         'is damaged: a member is named "../../escape.raw"'),
    ]
def compare_with_capture(browser, url, ms, fps, name, lose=False):
    """The page at url with ?still=ms&fps=fps against lockstep-capture's still: saves the page's
    as OUTPUT/name.png and returns still_diff's figures (PSNR, p99, max, share within 2/255), the
    page's errors and its console lines. With lose, the context is lost as soon as frames are
    drawn and given back half a second later; the page's window.lostAt says when."""
    expected = os.path.join(tempfile.mkdtemp(prefix="lockstep-web-stills-"), "capture.png")
    subprocess.run([os.path.join(BUILD, "bin", "lockstep-capture"), "--root", ROOT, "--fps",
                    str(fps), "--to", str(ms), "--still", "%d=%s" % (ms, expected)],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   env=dict(os.environ, SDL_VIDEODRIVER="offscreen"))
    page = browser.open(url + "?still=%d&fps=%d" % (ms, fps))
    lost_at = None
    if lose:
        page.wait_until("window.lockstepStatus !== undefined", LOAD_S)
        page.evaluate(
            "(function lose() {"
            "  if (!lockstepStatus().frames) return requestAnimationFrame(lose);"
            "  window.lostAt = lockstepStatus().time; " + LOSE + ";"
            "  setTimeout(() => lostContext.restoreContext(), 500);"
            "})()")
    page.wait_for_console("lockstep: still %d ready" % ms, STILL_S, errors_end=True)
    if lose:
        lost_at = page.evaluate("lostAt")
    got = os.path.join(OUTPUT, name + ".png")
    page.save_canvas(got)
    diff = subprocess.run(
        [os.path.join(BUILD, "bin", "still_diff"), expected, got,
         os.path.join(OUTPUT, name + "_diff.png")],
        check=True, capture_output=True, text=True).stdout.split()
    page.pump()
    page.close()
    return diff, page.errors, [line for _, line in page.console], lost_at


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

    def test_the_show_goes_on_through_a_hidden_tab_and_a_lost_context(self):
        page = browser.open(server.url + "index.html")
        self.assertTrue(asking(page), "no question: %s" % page.errors)
        page.evaluate("document.getElementById('fullscreen-no').click()", gesture=True)
        self.assertTrue(page.wait_until("lockstepStatus().time >= 1000", LOAD_S))
        fetched = "performance.getEntriesByType('resource').map(r => r.name)"
        files = page.evaluate(fetched)

        # Hidden, the page draws nothing while the music plays on; back, the frame and its
        # spectrum are at the audio clock's time.
        page.show_window(False)
        hidden = status(page)
        time.sleep(2.0)
        self.assertEqual(status(page)["frames"], hidden["frames"], "frames drawn while hidden")
        page.show_window(True)
        shown, clock = in_next_frame(page)
        self.assertGreater(shown["frames"], hidden["frames"])
        self.assertGreaterEqual(shown["time"], hidden["time"] + 1500)
        self.assertLess(abs(shown["time"] - clock), 250, shown)
        self.assertLess(abs(shown["spectrum"] - shown["time"]), 250, shown)

        # The browser suspends the sound of a frozen page: back on the page it plays on, and
        # the show's clock with it.
        page.evaluate("Module.lockstepAudio.context.suspend()")
        page.show_window(False)
        page.set_lifecycle("frozen")
        time.sleep(1.0)
        page.set_lifecycle("active")
        page.show_window(True)
        self.assertTrue(page.wait_until("lockstepStatus().audio === 'running'", 10))
        moved = status(page)["time"] + 500
        self.assertTrue(page.wait_until("lockstepStatus().time >= %d" % moved, LOAD_S))

        # The context lost in the road and given back 2 s later: meanwhile nothing is drawn, the
        # picture is blank and the clock goes on; then the show is on the canvas again.
        self.assertTrue(page.wait_until("lockstepStatus().time >= %d" % ROAD_MS, LOAD_S))
        self.assertLess(flat_share(page.screenshot()), 0.5)
        page.evaluate(LOSE)
        said = page.wait_until("document.getElementById('message').textContent", 10)
        self.assertEqual(said, "The picture was lost and is being restored.")
        lost = status(page)
        time.sleep(2.0)
        later = status(page)
        self.assertEqual(later["frames"], lost["frames"], "frames counted without a picture")
        self.assertGreaterEqual(later["time"], lost["time"] + 1500)
        self.assertGreater(flat_share(page.screenshot()), 0.98, "the lost picture is not blank")
        page.evaluate("lostContext.restoreContext()")
        self.assertTrue(page.wait_until("lockstepStatus().frames > %d" % lost["frames"],
                                        RESTORE_S), "no frame %d s after the restore" % RESTORE_S)
        self.assertLess(flat_share(page.screenshot()), 0.5, "the restored picture is blank")
        self.assertEqual(message(page), "")
        self.assertGreater(status(page)["time"], later["time"])
        page.wait_for_console("the picture is back", 10)
        page.pump()
        self.assertEqual(page.errors, [])

        # Lost for good: the page says so, the show ends, and playing again takes a new canvas.
        page.evaluate(LOSE)
        self.assertTrue(page.wait_until(
            "document.getElementById('question-text').textContent.includes('picture was lost')",
            GIVE_UP_S + 20))
        self.assertEqual(message(page), "The picture was lost and not restored within 10 seconds.")
        page.evaluate("document.getElementById('fullscreen-no').click()", gesture=True)
        self.assertTrue(page.wait_until("lockstepStatus().frames >= 3", LOAD_S))
        self.assertLess(flat_share(page.screenshot()), 0.5, "the new canvas is blank")
        self.assertEqual(page.evaluate(fetched), files, "files fetched again")
        page.key("Escape", "Escape", 27)
        page.wait_for_console("frames in", 30)
        page.pump()
        self.assertEqual(page.errors, ["lockstep: The picture was lost and not restored within "
                                       "10 seconds."])
        page.close()

    def test_bad_addresses_and_a_damaged_data_package_are_said_and_nothing_plays(self):
        long_value = "9" * 4000
        addresses = [
            ("?still=-5", "?still wants whole milliseconds from 0 to 3600000, not '-5'"),
            ("?still=" + long_value, "not '999999999999999999999999...'"),
            ("?size=20000x15000", "?size=20000x15000 is larger than the largest frame"),
            ("?size=800x600&still=10&size=640x480", "size is given twice"),
            ("?still=3000&fps=1e9", "&fps wants a whole number from 1 to 1000, not '1e9'"),
        ]
        for query, said in addresses:
            self.check_refused(server.url + "index.html" + query, said, query[:40])
        # The page's own files beside a tampered package, each served from its own address so
        # that the browser's cache does not hand over the one before.
        site = tempfile.mkdtemp(prefix="lockstep-web-tampered-")
        for name in os.listdir(SITE):
            if name != PACKAGE:
                os.symlink(os.path.join(SITE, name), os.path.join(site, name))
        try:
            for case, data, said in tampered_packages():
                with open(os.path.join(site, PACKAGE), "wb") as f:
                    f.write(data)
                tampered = devtools.StaticServer(site)
                try:
                    self.check_refused(tampered.url + "index.html",
                                       "The file %s %s" % (PACKAGE, said), case)
                finally:
                    tampered.close()
        finally:
            shutil.rmtree(site)

    def check_refused(self, url, said, case):
        """The page says `said` in a line, on the page and its console, and plays nothing."""
        with self.subTest(case=case):
            page = browser.open(url)
            line = page.wait_until("document.getElementById('message').textContent", LOAD_S)
            self.assertIn(said, line or "")
            self.assertLess(len(line), 300)
            page.wait_for_console(said[-20:], 10)
            time.sleep(0.5)
            self.assertFalse(page.evaluate(
                "document.getElementById('question').style.display === 'flex'"))
            self.assertEqual(status(page)["frames"], 0)
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
        for ms, fps, lose in STILLS:
            with self.subTest(still=ms):
                diff, errors, lines, lost_at = compare_with_capture(
                    browser, server.url + "index.html", ms, fps, "web_still_%d" % ms, lose)
                if lose:
                    self.assertLess(lost_at, ms)
                    back = [i for i, line in enumerate(lines) if "picture is back" in line]
                    ready = [i for i, line in enumerate(lines) if "still %d ready" % ms in line]
                    self.assertTrue(back and back[0] < ready[0], lines[-5:])
                self.assertGreaterEqual(float(diff[0]), MIN_PSNR,
                                        "still %d: psnr p99 max within2 = %s" % (ms, diff))
                self.assertEqual(errors, [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)

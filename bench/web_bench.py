"""Measures the web page (dist/lockstep-web, from tools/web/build.sh) in headless Chromium on this
machine: what a viewer downloads, the time from the click to the first frame, from a restored
WebGL context to the next frame, the time from opening lockstep.html from disk to the question,
frame rates per scene over the whole show, and with --stills the contact sheet's moments against
lockstep-capture.

Usage: python3 bench/web_bench.py [--stills OUT_DIR] [--build BUILD_DIR] [--runs N]
Chromium draws WebGL with SwiftShader here, on the CPU: its frame rates are a figure for this
machine, not a property of the page.
"""
import argparse
import gzip
import json
import os
import pathlib
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools", "web"))
import devtools  # noqa: E402

SITE = os.path.join(ROOT, "dist", "lockstep-web")
BAR_MS = 1666
# Scene groups by demo time, as bench/show_bench.cpp reports them.
GROUPS = [("city", 20 * BAR_MS), ("road", 32 * BAR_MS), ("credits", 52 * BAR_MS),
          ("finale", 93296), ("end fade", 104001)]
STILL_TIMES = [3000, 7000, 11000, 13600, 18000, 23800, 30000, 34200, 35800, 40000, 50000, 56300,
               60300, 68300, 82900, 85500, 90000, 96000, 101000, 103000]
STILL_FPS = 10

# Watches the module's frame counter every browser frame and keeps (wall ms, demo ms) of each.
WATCH = """(() => {
  window.benchFrames = []; let seen = 0;
  const watch = () => { const s = lockstepStatus();
    if (s.frames > seen) { seen = s.frames; benchFrames.push([performance.now(), s.time]); }
    requestAnimationFrame(watch); };
  requestAnimationFrame(watch); })()"""
# Clicks No and resolves with the milliseconds until the first frame has been drawn.
FIRST_FRAME = """new Promise(resolve => { const t0 = performance.now();
  document.getElementById('fullscreen-no').click();
  const poll = () => lockstepStatus().frames > 0 ? resolve(performance.now() - t0)
                                                 : requestAnimationFrame(poll);
  requestAnimationFrame(poll); })"""

# Loses the context, gives it back once the page has seen the loss, and resolves with the
# milliseconds from restoreContext() to the next frame drawn.
RESTORE = """new Promise(resolve => {
  const lose = document.getElementById('canvas').getContext('webgl')
                   .getExtension('WEBGL_lose_context');
  lose.loseContext();
  const restore = () => {
    if (!document.getElementById('message').textContent) return requestAnimationFrame(restore);
    const frames = lockstepStatus().frames, t0 = performance.now();
    lose.restoreContext();
    const poll = () => lockstepStatus().frames > frames ? resolve(performance.now() - t0)
                                                        : requestAnimationFrame(poll);
    requestAnimationFrame(poll); };
  requestAnimationFrame(restore); })"""
# Resolves with the page's own clock, from the start of its navigation, when the question shows.
ASKED_AT = """new Promise(resolve => { const poll = () =>
  document.getElementById('question').style.display === 'flex' ? resolve(performance.now())
                                                               : requestAnimationFrame(poll);
  poll(); })"""
# What the served page does not fetch: the single file for disk, and the folder's README.
NOT_SERVED = ("lockstep.html", "README.txt")


def group_of(ms):
    for name, end in GROUPS:
        if ms < end:
            return name
    return GROUPS[-1][0]


def transfer():
    """Each file as served with compression where it pays (gzip -9 of text and wasm; the data
    package is gzip already and the mp3 does not compress)."""
    rows = []
    for dirpath, _, names in os.walk(SITE):
        for name in sorted(names):
            if name in NOT_SERVED:
                continue
            path = os.path.join(dirpath, name)
            raw = open(path, "rb").read()
            sent = len(raw)
            if name.endswith((".html", ".js", ".wasm")):
                sent = len(gzip.compress(raw, 9))
            rows.append((os.path.relpath(path, SITE), len(raw), sent))
    return rows


def open_asking(browser, server, query=""):
    page = browser.open(server.url + "index.html" + query)
    if not page.wait_until("document.getElementById('question').style.display === 'flex'", 180):
        raise devtools.DevToolsError("the page did not ask: %s" % page.errors)
    return page


def first_frame_ms(browser, server, runs):
    times = []
    for _ in range(runs):
        page = open_asking(browser, server)
        times.append(page.evaluate(FIRST_FRAME, gesture=True, timeout=120))
        page.close()
    return times


def restore_ms(browser, server, runs):
    """(from restoreContext() to the next frame, from the restored event to that frame drawn, as
    the page says) for each lost context, in the city a few seconds into the show."""
    page = open_asking(browser, server)
    page.evaluate("document.getElementById('fullscreen-no').click()", gesture=True)
    page.wait_until("lockstepStatus().time >= 3000", 120)
    times = []
    for run in range(runs):
        outside = page.evaluate(RESTORE, timeout=120)
        said = page.wait_for_console("the picture is back", 30)
        page.console = [line for line in page.console if "the picture is back" not in line[1]]
        times.append((outside, float(said.split("drawn ")[1].split(" ms")[0])))
    page.close()
def from_disk_to_question_ms(browser, runs):
    times = []
    for _ in range(runs):
        page = browser.open(pathlib.Path(SITE, "lockstep.html").as_uri())
        page.wait_until("document.getElementById('question') !== null", 180)
        times.append(page.evaluate(ASKED_AT, timeout=180))
        page.close()
    return times


def scene_rates(browser, server):
    page = open_asking(browser, server)
    page.evaluate(WATCH)
    page.evaluate("document.getElementById('fullscreen-no').click()", gesture=True)
    page.wait_for_console("frames in", 200)
    frames = page.evaluate("benchFrames")
    page.close()
    intervals = {name: [] for name, _ in GROUPS}
    for (wall0, _), (wall1, demo1) in zip(frames, frames[1:]):
        intervals[group_of(demo1)].append(wall1 - wall0)
    rates = {}
    for name, gaps in intervals.items():
        if gaps:
            gaps.sort()
            rates[name] = {"frames": len(gaps), "median_fps": 1000 / statistics.median(gaps),
                           "p5_fps": 1000 / gaps[min(len(gaps) - 1, int(0.95 * len(gaps)))]}
    return rates


def stills(browser, server, build, out):
    os.makedirs(out, exist_ok=True)
    args = []
    for ms in STILL_TIMES:
        args += ["--still", "%d=%s" % (ms, os.path.join(out, "capture-%d.png" % ms))]
    subprocess.run([os.path.join(build, "bin", "lockstep-capture"), "--root", ROOT, "--fps",
                    str(STILL_FPS), "--to", str(max(STILL_TIMES))] + args, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   env=dict(os.environ, SDL_VIDEODRIVER="offscreen"))
    rows = []
    for ms in STILL_TIMES:
        started = time.monotonic()
        page = browser.open(server.url + "index.html?still=%d&fps=%d" % (ms, STILL_FPS))
        page.wait_for_console("lockstep: still %d ready" % ms, 1800, errors_end=True)
        got = os.path.join(out, "web-%d.png" % ms)
        page.save_canvas(got)
        page.close()
        diff = subprocess.run([os.path.join(build, "bin", "still_diff"),
                               os.path.join(out, "capture-%d.png" % ms), got,
                               os.path.join(out, "diff-%d.png" % ms)],
                              check=True, capture_output=True, text=True).stdout.split()
        rows.append((ms, diff, time.monotonic() - started))
        print("  %6d ms: PSNR %s dB, p99 %s, max %s, within 2/255 %s (%.0f s)"
              % (ms, diff[0], diff[1], diff[2], diff[3], rows[-1][2]), flush=True)
    return rows


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--stills", metavar="OUT_DIR")
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--json")
    args = parser.parse_args()
    if not os.path.exists(os.path.join(SITE, "index.html")):
        sys.exit("web_bench: no %s; tools/web/build.sh writes it" % SITE)
    result = {"load_before": os.getloadavg()[0]}
    rows = transfer()
    print("transfer (bytes as served, compressed where it pays):")
    for name, raw, sent in rows:
        print("  %-24s %9d -> %9d" % (name, raw, sent))
    result["transfer_bytes"] = sum(sent for _, _, sent in rows)
    print("  %-24s %9d -> %9d" % ("total", sum(r for _, r, _ in rows), result["transfer_bytes"]))

    server = devtools.StaticServer(SITE)
    browser = devtools.Browser([devtools.AUTOPLAY_FLAG])
    try:
        times = first_frame_ms(browser, server, args.runs)
        result["click_to_first_frame_ms"] = times
        print("click to first frame: median %.0f ms of %s"
              % (statistics.median(times), ", ".join("%.0f" % t for t in times)))
        restores = restore_ms(browser, server, args.runs)
        result["restore_to_frame_ms"] = restores
        print("restored context to the next frame: median %.0f ms of %s; in the page, from the "
              "restored event to that frame drawn: median %.0f ms"
              % (statistics.median(r[0] for r in restores),
                 ", ".join("%.0f" % r[0] for r in restores),
                 statistics.median(r[1] for r in restores)))
        times = from_disk_to_question_ms(browser, args.runs)
        result["disk_to_question_ms"] = times
        print("lockstep.html opened from disk to the question (%d KiB): median %.0f ms of %s"
              % (os.path.getsize(os.path.join(SITE, "lockstep.html")) // 1024,
                 statistics.median(times), ", ".join("%.0f" % t for t in times)))
        print("the whole show, frame rates per scene:")
        result["scenes"] = scene_rates(browser, server)
        for name, rate in result["scenes"].items():
            print("  %-9s %5d frames, median %5.1f fps, 5th percentile %5.1f fps"
                  % (name, rate["frames"], rate["median_fps"], rate["p5_fps"]))
        if args.stills:
            print("stills at %d fps against lockstep-capture:" % STILL_FPS)
            result["stills"] = stills(browser, server, args.build, args.stills)
    finally:
        browser.close()
        server.close()
    result["load_after"] = os.getloadavg()[0]
    print("load average %.1f before, %.1f after" % (result["load_before"], result["load_after"]))
    if args.json:
        try:
            devtools.write_whole(args.json, json.dumps(result, indent=1).encode())
        except OSError as e:
            sys.exit("web_bench: cannot write %s: %s" % (args.json, e.strerror))


if __name__ == "__main__":
    main()

"""A small DevTools client for headless Chromium, in Python's standard library alone.

It starts the system's Chromium with its DevTools protocol on a pipe (no port to find or share),
serves a folder from localhost, opens pages, and reads what they say: console lines, uncaught
exceptions, values of expressions, and the canvas as a PNG. The browser tests and the web
benchmark drive the page through it.
"""
import base64
import functools
import http.server
import json
import os
import queue
import shutil
import subprocess
import tempfile
import threading
import time

# Headless WebGL through SwiftShader, and a browser that stays off the network: the machines that
# run the tests reach nothing outside.
CHROMIUM_FLAGS = [
    "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--no-first-run", "--no-default-browser-check", "--disable-extensions",
    "--mute-audio", "--window-size=1024,768",
]
# For a page that starts its sound without a click of a person.
AUTOPLAY_FLAG = "--autoplay-policy=no-user-gesture-required"


def write_whole(path, data):
    """Writes bytes to path whole or not at all: beside it first, renamed into place once written
    and closed. A failure removes the temporary file and raises OSError with the system's
    reason."""
    part = "%s.%d.part" % (path, os.getpid())
    try:
        with open(part, "wb") as f:
            f.write(data)
        os.replace(part, path)
    except OSError:
        if os.path.exists(part):
            os.remove(part)
        raise


def find_chromium():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    return None


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".wasm": "application/wasm", ".js": "text/javascript"})
    refused = ()  # paths answered with 404 whether or not they exist

    def do_GET(self):
        if self.path.split("?")[0].lstrip("/") in self.refused:
            self.send_error(404)
            return
        super().do_GET()

    def log_message(self, *args):
        pass


class StaticServer:
    """Serves `folder` on 127.0.0.1 at a free port until closed. `refused` names files to fail."""

    def __init__(self, folder, refused=()):
        handler = type("Handler", (_QuietHandler,), {"refused": tuple(refused)})
        self.httpd = http.server.ThreadingHTTPServer(
            ("127.0.0.1", 0), functools.partial(handler, directory=folder))
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class DevToolsError(Exception):
    pass


class Browser:
    """One headless Chromium with a fresh profile; close() ends it and removes the profile."""

    def __init__(self, extra_flags=()):
        chromium = find_chromium()
        if not chromium:
            raise DevToolsError("no chromium on PATH")
        self.profile = tempfile.mkdtemp(prefix="lockstep-chromium-")
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()
        # Chromium reads commands on fd 3 and writes replies on fd 4.
        wrapper = 'exec "$0" "$@" 3<&%d 4>&%d' % (to_browser_r, from_browser_w)
        self.proc = subprocess.Popen(
            ["sh", "-c", wrapper, chromium, *CHROMIUM_FLAGS, *extra_flags,
             "--remote-debugging-pipe", "--user-data-dir=" + self.profile, "about:blank"],
            pass_fds=(to_browser_r, from_browser_w), stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._next_id = 0
        self._lock = threading.Lock()
        self._replies = {}
        self._reply_ready = threading.Condition(self._lock)
        self.events = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        pending = b""
        while True:
            chunk = os.read(self._from_browser, 65536)
            if not chunk:
                break
            pending += chunk
            while b"\0" in pending:
                raw, pending = pending.split(b"\0", 1)
                message = json.loads(raw)
                if "id" in message:
                    with self._lock:
                        self._replies[message["id"]] = message
                        self._reply_ready.notify_all()
                else:
                    self.events.put(message)
        with self._lock:
            self._replies[None] = {"error": {"message": "the browser closed its pipe"}}
            self._reply_ready.notify_all()

    def send(self, method, params=None, session=None, timeout=60):
        with self._lock:
            self._next_id += 1
            ident = self._next_id
        message = {"id": ident, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        with self._lock:
            while ident not in self._replies and None not in self._replies:
                left = deadline - time.monotonic()
                if left <= 0:
                    raise DevToolsError("%s: no reply in %d s" % (method, timeout))
                self._reply_ready.wait(left)
            reply = self._replies.pop(ident, None) or self._replies[None]
        if "error" in reply:
            raise DevToolsError("%s: %s" % (method, reply["error"].get("message")))
        return reply.get("result", {})

    def open(self, url):
        """A new tab at `url`, with its console and exceptions recorded."""
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.send("Target.attachToTarget", {"targetId": target, "flatten": True})
        page = Page(self, target, session["sessionId"])
        for domain in ("Runtime.enable", "Log.enable", "Page.enable"):
            self.send(domain, session=page.session)
        self.send("Page.navigate", {"url": url}, session=page.session)
        return page

    def dispatch(self, pages):
        """Hands the events read so far to the pages they belong to."""
        by_session = {p.session: p for p in pages}
        while True:
            try:
                event = self.events.get_nowait()
            except queue.Empty:
                return
            page = by_session.get(event.get("sessionId"))
            if page:
                page.take(event)

    def close(self):
        try:
            self.send("Browser.close", timeout=5)
        except (DevToolsError, OSError):
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        for fd in (self._to_browser, self._from_browser):
            try:
                os.close(fd)
            except OSError:
                pass
        shutil.rmtree(self.profile, ignore_errors=True)


class Page:
    """One tab: its console lines as (level, text), its uncaught exceptions, and helpers."""

    def __init__(self, browser, target, session):
        self.browser, self.target, self.session = browser, target, session
        self.console = []
        self.errors = []  # console errors, uncaught exceptions, failed loads

    def take(self, event):
        method, params = event["method"], event.get("params", {})
        if method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params["args"])
            self.console.append((params["type"], text))
            if params["type"] == "error":
                self.errors.append(text)
        elif method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            self.errors.append(details.get("exception", {}).get("description", details["text"]))
        elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
            self.errors.append(params["entry"]["text"])

    def pump(self):
        self.browser.dispatch([self])

    def close(self):
        self.browser.send("Target.closeTarget", {"targetId": self.target})

    def evaluate(self, expression, gesture=False, timeout=60):
        result = self.browser.send("Runtime.evaluate", {
            "expression": expression, "returnByValue": True, "awaitPromise": True,
            "userGesture": gesture}, session=self.session, timeout=timeout)
        if "exceptionDetails" in result:
            raise DevToolsError("%s: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def wait_for_console(self, text, timeout, errors_end=False):
        """The first console line that contains `text`; DevToolsError after `timeout` seconds,
        or with `errors_end` at the first error line before it (a page that has failed never
        writes the line, and a still can take minutes)."""
        deadline = time.monotonic() + timeout
        seen = 0
        while time.monotonic() < deadline:
            self.pump()
            for level, line in self.console[seen:]:
                if text in line:
                    return line
                if errors_end and level == "error":
                    raise DevToolsError("waiting for %r: %s" % (text, line))
            seen = len(self.console)
            time.sleep(0.05)
        raise DevToolsError("no console line with %r in %d s; the last: %s"
                            % (text, timeout, self.console[-5:]))

    def wait_until(self, expression, timeout):
        """Polls a JavaScript expression until it is true; returns its last value. Until the
        deadline an expression that throws (the page not there yet) counts as false."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                value = self.evaluate(expression)
            except DevToolsError:
                if time.monotonic() > deadline:
                    raise
                value = None
            if value or time.monotonic() > deadline:
                self.pump()
                return value
            time.sleep(0.1)

    def key(self, name, code, key_code):
        for kind in ("rawKeyDown", "keyUp"):
            self.browser.send("Input.dispatchKeyEvent", {
                "type": kind, "key": name, "code": code, "windowsVirtualKeyCode": key_code,
                "nativeVirtualKeyCode": key_code}, session=self.session)

    def screenshot(self, selector="canvas"):
        """A PNG of what the page shows where `selector` is, composited as a viewer sees it."""
        rect = self.evaluate("(r => [r.x, r.y, r.width, r.height])(document.querySelector(%s)"
                             ".getBoundingClientRect())" % json.dumps(selector))
        clip = dict(zip(("x", "y", "width", "height"), rect), scale=1)
        reply = self.browser.send("Page.captureScreenshot", {"format": "png", "clip": clip},
                                  session=self.session)
        return base64.b64decode(reply["data"])

    def show_window(self, shown):
        """Minimises the page's window, which hides the page, or brings it back."""
        window = self.browser.send("Browser.getWindowForTarget",
                                   {"targetId": self.target})["windowId"]
        self.browser.send("Browser.setWindowBounds", {"windowId": window, "bounds": {
            "windowState": "normal" if shown else "minimized"}})

    def set_lifecycle(self, state):
        """The page lifecycle's "frozen" (timers, frames and tasks stop) or "active"."""
        self.browser.send("Page.setWebLifecycleState", {"state": state}, session=self.session)

    def save_canvas(self, path, selector="canvas", timeout=300):
        # The browser finishes whatever is still drawing first.
        data = self.evaluate("document.querySelector(%s).toDataURL('image/png')"
                             % json.dumps(selector), timeout=timeout)
        if not data or not data.startswith("data:image/png;base64,"):
            raise DevToolsError("the canvas gave no PNG")
        write_whole(path, base64.b64decode(data.split(",", 1)[1]))

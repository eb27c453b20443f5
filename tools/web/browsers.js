// The three browser engines that Debian ships, driven the same way for the web page's tests and
// its benchmark: Chromium through puppeteer-core (DevTools protocol), Firefox ESR through
// puppeteer-core (WebDriver BiDi), WebKitGTK through selenium-webdriver (WebDriver, with
// WebKitWebDriver and its MiniBrowser). Chromium runs headless; Firefox and WebKit draw WebGL
// only in a window, so they need an X display (xvfb-run); WebKit plays its sound into a
// PulseAudio null sink of its own (SoundServer), Firefox none (see launch). Also here: a static
// server for a folder on 127.0.0.1. The clients come from npm: tools/setup.sh installs them
// from package-lock.json.
'use strict';

const childProcess = require('child_process');
const fs = require('fs');
const http = require('http');
const net = require('net');
const os = require('os');
const path = require('path');

const ENGINES = ['chromium', 'firefox', 'webkit'];
const WEBKIT_DIR = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1';
// Headless WebGL through SwiftShader, and a browser that stays off the network: the machines
// that run the tests reach nothing outside.
const CHROMIUM_FLAGS = [
  '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--disable-quic', '--no-first-run', '--no-default-browser-check', '--disable-extensions',
  '--mute-audio', '--window-size=1024,768', '--autoplay-policy=no-user-gesture-required',
];
// Firefox stays off the network too, and lets a page from disk be a page like any other.
const FIREFOX_PREFS = {
  'network.dns.disableIPv6': true, 'app.update.enabled': false,
  'browser.safebrowsing.malware.enabled': false, 'browser.safebrowsing.phishing.enabled': false,
  'datareporting.policy.dataSubmissionEnabled': false, 'toolkit.telemetry.enabled': false,
};
const WINDOW = {width: 1024, height: 768};
const START_LIMIT_MS = 60000;

// Writes bytes to file whole or not at all: beside it first, renamed into place once written and
// closed. A failure removes the temporary file and throws with the system's reason.
function writeWhole(file, bytes) {
  const part = `${file}.${process.pid}.part`;
  try {
    fs.writeFileSync(part, bytes);
    fs.renameSync(part, file);
  } catch (e) {
    fs.rmSync(part, {force: true});
    throw new Error(`cannot write ${file}: ${e.message}`);
  }
}

function which(name) {
  for (const dir of (process.env.PATH || '').split(':')) {
    const file = path.join(dir, name);
    try {
      fs.accessSync(file, fs.constants.X_OK);
      return file;
    } catch (e) {
      // not in this folder
    }
  }
  return null;
}

// Null, or one line saying why ENGINE cannot run on this machine.
function missing(engine) {
  const needs = {
    chromium: [['chromium'], []],
    firefox: [['firefox-esr', 'xvfb-run'], []],
    webkit: [['WebKitWebDriver', 'xvfb-run', 'pulseaudio'], [path.join(WEBKIT_DIR, 'MiniBrowser')]],
  }[engine];
  if (!needs) return 'no engine called ' + engine;
  for (const tool of needs[0]) if (!which(tool)) return 'no ' + tool;
  for (const file of needs[1]) if (!fs.existsSync(file)) return 'no ' + file;
  for (const client of ['puppeteer-core', 'selenium-webdriver']) {
    try {
      require.resolve(client);
    } catch (e) {
      return 'no ' + client + ' (npm ci in tools/web; tools/setup.sh does it)';
    }
  }
  return null;
}

// Children that must not outlive a test that is stopped (ctest's timeout, ^C): the sound server
// and WebKit's driver. Puppeteer closes its own browsers on these signals.
const children = new Set();
function own(child) {
  children.add(child);
  child.on('exit', () => children.delete(child));
  return child;
}
process.on('exit', () => children.forEach((child) => child.kill()));
for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP']) {
  process.on(signal, () => process.exit(128 + os.constants.signals[signal]));
}

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const port = server.address().port;
      server.close(() => resolve(port));
    });
  });
}

// A PulseAudio server with one null sink, in a runtime folder of its own, so that runs beside
// each other share nothing. env() is what a browser needs to reach it.
class SoundServer {
  static async start() {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'lockstep-pulse-'));
    fs.chmodSync(dir, 0o700);
    const server = new SoundServer(dir);
    // As root it warns that it is meant for a user, and runs all the same.
    server.proc = own(childProcess.spawn('pulseaudio', [
      '-n', '--daemonize=no', '--exit-idle-time=-1', '--use-pid-file=no', '--disable-shm=yes',
      '--load=module-null-sink sink_name=lockstep', '--load=module-native-protocol-unix ' +
      'auth-anonymous=1 socket=' + server.socket], {
      env: Object.assign({}, process.env, server.env()), stdio: 'ignore'}));
    const deadline = Date.now() + 20000;
    while (!fs.existsSync(server.socket)) {
      if (server.proc.exitCode !== null || Date.now() > deadline) {
        server.stop();
        throw new Error('pulseaudio did not start');
      }
      await sleep(50);
    }
    return server;
  }

  constructor(dir) {
    this.dir = dir;
    this.socket = path.join(dir, 'native');
  }

  env() {
    return {XDG_RUNTIME_DIR: this.dir, PULSE_SERVER: 'unix:' + this.socket,
            PULSE_RUNTIME_PATH: this.dir, PULSE_STATE_PATH: this.dir, PULSE_COOKIE: ''};
  }

  stop() {
    if (this.proc && this.proc.exitCode === null) this.proc.kill();
    fs.rmSync(this.dir, {recursive: true, force: true});
  }
}

// Serves `folder` on 127.0.0.1 at a free port; `refused` names files answered with 404.
class StaticServer {
  static start(folder, refused = []) {
    const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                   '.gz': 'application/gzip', '.mp3': 'audio/mpeg', '.txt': 'text/plain'};
    const server = http.createServer((request, response) => {
      const name = decodeURIComponent(request.url.split('?')[0]).replace(/^\/+/, '');
      const file = path.join(folder, name);
      if (refused.includes(name) || !file.startsWith(folder) || !fs.existsSync(file) ||
          !fs.statSync(file).isFile()) {
        response.writeHead(404, 'Not Found');
        response.end();
        return;
      }
      const bytes = fs.readFileSync(file);
      response.writeHead(200, {'Content-Type': types[path.extname(file)] ||
                                               'application/octet-stream',
                               'Content-Length': bytes.length});
      response.end(bytes);
    });
    return new Promise((resolve) => {
      server.listen(0, '127.0.0.1', () => {
        resolve({url: 'http://127.0.0.1:' + server.address().port + '/',
                 close: () => new Promise((done) => server.close(done))});
      });
    });
  }
}

// What a page writes to its console, for an engine whose driver does not report it: lines and
// uncaught errors are kept in the page until the test reads them.
const CONSOLE_KEEPER = `if (!window.lockstepKept) { window.lockstepKept = [];
  ['log', 'info', 'warn', 'error'].forEach(function(level) { var plain = console[level];
    console[level] = function() { window.lockstepKept.push([level,
      Array.prototype.map.call(arguments, String).join(' ')]);
      return plain.apply(console, arguments); }; });
  window.addEventListener('error', function(e) {
    window.lockstepKept.push(['pageerror', e.message]); }); }`;

// One tab: its console lines as [level, text], its errors (console errors, uncaught
// exceptions), and what a test does with it.
class Page {
  constructor(browser) {
    this.browser = browser;
    this.console = [];
    this.errors = [];
  }

  keep(level, text) {
    this.console.push([level, text]);
    if (level === 'error' || level === 'pageerror') this.errors.push(text);
  }

  // Polls an expression until it is true; its last value. Until the deadline an expression
  // that throws (the page not there yet) counts as false.
  async waitUntil(expression, seconds) {
    const deadline = Date.now() + seconds * 1000;
    for (;;) {
      let value = null;
      try {
        value = await this.evaluate(expression);
      } catch (e) {
        if (Date.now() > deadline) throw e;
      }
      if (value || Date.now() > deadline) {
        await this.pump();
        return value;
      }
      await sleep(100);
    }
  }

  // The first console line with `text`; throws after `seconds`, or with errorsEnd at the first
  // error before it (a page that has failed never writes the line).
  async waitForConsole(text, seconds, errorsEnd = false) {
    const deadline = Date.now() + seconds * 1000;
    let seen = 0;
    while (Date.now() < deadline) {
      await this.pump();
      for (const [level, line] of this.console.slice(seen)) {
        if (line.includes(text)) return line;
        if (errorsEnd && (level === 'error' || level === 'pageerror')) {
          throw new Error('waiting for ' + JSON.stringify(text) + ': ' + line);
        }
      }
      seen = this.console.length;
      await sleep(50);
    }
    throw new Error('no console line with ' + JSON.stringify(text) + ' in ' + seconds +
                    ' s; the last: ' + JSON.stringify(this.console.slice(-5)));
  }

  async pump() {}

  // The canvas as the page has drawn it, a PNG (the browser finishes drawing first).
  async canvasPng(selector = 'canvas') {
    const data = await this.evaluate(
      `document.querySelector(${JSON.stringify(selector)}).toDataURL('image/png')`);
    if (!data || !data.startsWith('data:image/png;base64,')) {
      throw new Error('the canvas gave no PNG');
    }
    return Buffer.from(data.split(',', 2)[1], 'base64');
  }
}

// Chromium and Firefox: puppeteer-core's page.
class PuppeteerPage extends Page {
  constructor(browser, page) {
    super(browser);
    this.page = page;
    page.on('console', (message) => this.keep(message.type(), message.text()));
    page.on('pageerror', (error) => this.keep('pageerror', String(error.message || error)));
  }

  evaluate(expression) {
    return this.page.evaluate(expression);
  }

  click(selector) {
    return this.page.click(selector);
  }

  key(name) {
    return this.page.keyboard.press(name);
  }

  // A PNG of what the page shows where `selector` is, composited as a viewer sees it.
  async screenshot(selector = 'canvas') {
    const element = await this.page.$(selector);
    return Buffer.from(await element.screenshot({type: 'png'}));
  }

  async tap(selector) {
    const element = await this.page.$(selector);
    const box = await element.boundingBox();
    await this.page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
  }

  // Chromium alone: the DevTools protocol for what no other driver does.
  async devtools(method, params) {
    if (!this.session) this.session = await this.page.createCDPSession();
    return this.session.send(method, params);
  }

  // Minimises the page's window, which hides the page, or brings it back.
  async showWindow(shown) {
    const {windowId} = await this.devtools('Browser.getWindowForTarget');
    await this.devtools('Browser.setWindowBounds', {windowId, bounds: {
      windowState: shown ? 'normal' : 'minimized'}});
  }

  close() {
    return this.page.close();
  }
}

// WebKit: selenium-webdriver's one window, a page at a time.
class WebDriverPage extends Page {
  constructor(browser, driver) {
    super(browser);
    this.driver = driver;
  }

  async goto(url) {
    await this.driver.get(url);
    await this.driver.executeScript(CONSOLE_KEEPER);
  }

  async evaluate(expression) {
    const result = await this.driver.executeAsyncScript(
      'var done = arguments[arguments.length - 1];' +
      'try { Promise.resolve(eval(arguments[0])).then(function(v) { done({value: v}); },' +
      '  function(e) { done({error: String(e)}); }); } catch (e) { done({error: String(e)}); }',
      expression);
    if (result && result.error !== undefined) throw new Error(expression + ': ' + result.error);
    return result ? result.value : undefined;
  }

  async pump() {
    let lines = [];
    try {
      lines = await this.driver.executeScript(
        'return window.lockstepKept ? window.lockstepKept.splice(0) : []');
    } catch (e) {
      // the page is between documents
    }
    for (const [level, text] of lines) this.keep(level, text);
  }

  async click(selector) {
    const {By} = require('selenium-webdriver');
    await this.driver.findElement(By.css(selector)).click();
  }

  async key(name) {
    const {Key} = require('selenium-webdriver');
    await this.driver.actions().sendKeys(Key[name.toUpperCase()]).perform();
  }

  async screenshot(selector = 'canvas') {
    const {By} = require('selenium-webdriver');
    const element = await this.driver.findElement(By.css(selector));
    return Buffer.from(await element.takeScreenshot(), 'base64');
  }

  async close() {
    await this.pump();
    await this.driver.get('about:blank');
  }
}

class Browser {
  constructor(engine) {
    this.engine = engine;
  }

  // A new tab at `url`; `device` emulates a phone or tablet where the engine can
  // ({width, height, deviceScaleFactor, isMobile, hasTouch}).
  async open(url, device) {
    if (this.driver) {
      const page = new WebDriverPage(this, this.driver);
      if (device) await this.driver.manage().window().setRect(device);
      await page.goto(url);
      return page;
    }
    const page = new PuppeteerPage(this, await this.puppeteer.newPage());
    if (device) await page.page.setViewport(device);
    await page.page.goto(url, {waitUntil: 'domcontentloaded', timeout: START_LIMIT_MS});
    return page;
  }

  async close() {
    if (this.puppeteer) await this.puppeteer.close().catch(() => {});
    if (this.driver) await this.driver.quit().catch(() => {});
    if (this.webDriverProc) this.webDriverProc.kill();
    if (this.sound) this.sound.stop();
  }
}

// Starts ENGINE, with a sound server of its own where it plays sound through one.
async function launch(engine, prefs) {
  const browser = new Browser(engine);
  try {
    // Firefox ESR's audio deadlocks with a PulseAudio server in about half the drives on a busy
    // machine (its AudioIPC server thread waits for PulseAudio's main loop lock, which the main
    // loop holds in a stream callback that waits for the tab): the tab stops answering. It runs
    // with no sound server, where the page plays silent and says so.
    if (engine === 'webkit') browser.sound = await SoundServer.start();
    const silent = engine === 'firefox' ? {PULSE_SERVER: 'unix:/nonexistent'} : {};
    const env = Object.assign({}, process.env, silent, browser.sound ? browser.sound.env() : {});
    if (engine === 'webkit') {
      const {Builder, Capabilities} = require('selenium-webdriver');
      const port = await freePort();
      browser.webDriverProc = own(childProcess.spawn('WebKitWebDriver', ['--port=' + port],
                                                     {env, stdio: 'ignore'}));
      const caps = new Capabilities({browserName: 'MiniBrowser', 'webkitgtk:browserOptions': {
        binary: path.join(WEBKIT_DIR, 'MiniBrowser'), args: ['--automation']}});
      const deadline = Date.now() + START_LIMIT_MS;
      for (;;) {
        try {
          browser.driver = await new Builder().usingServer('http://127.0.0.1:' + port)
            .withCapabilities(caps).build();
          break;
        } catch (e) {
          if (Date.now() > deadline) throw e;
          await sleep(200);
        }
      }
      await browser.driver.manage().setTimeouts({script: 120000});
      await browser.driver.manage().window().setRect(WINDOW);
    } else {
      const puppeteer = require('puppeteer-core');
      browser.puppeteer = await puppeteer.launch(engine === 'chromium' ? {
        executablePath: which('chromium'), headless: true, args: CHROMIUM_FLAGS,
        defaultViewport: null, protocolTimeout: 300000, env,
      } : {
        browser: 'firefox', executablePath: which('firefox-esr'), headless: false,
        protocol: 'webDriverBiDi', extraPrefsFirefox: Object.assign({}, FIREFOX_PREFS, prefs), env,
        dumpio: !!process.env.LOCKSTEP_BROWSER_LOG,
        args: ['--width=' + WINDOW.width, '--height=' + WINDOW.height],
        defaultViewport: WINDOW, protocolTimeout: 300000,
      });
    }
  } catch (e) {
    await browser.close();
    throw e;
  }
  return browser;
}

module.exports = {ENGINES, missing, launch, sleep, writeWhole, StaticServer, SoundServer};

// node browsers.js ENGINE: says why ENGINE cannot run here and fails, or says nothing.
if (require.main === module) {
  const why = missing(process.argv[2]);
  if (why) {
    console.log(why);
    process.exit(1);
  }
}

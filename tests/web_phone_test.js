// The web page on a phone or tablet: Chromium's mobile emulation (touch, device pixel ratio 3,
// 390x844 upright and 844x390 on its side), and WebKit (the engine of every browser on an
// iPhone) in a window of a phone's shape. The frame is centred in a tall screen; a tap shows
// "End" for a while, which ends the show; the screen is kept on while it plays and let go at the
// end; without full screen, "Yes" fills the window with the frame between black bars.
// Usage: node tests/web_phone_test.js ENGINE BUILD_DIR
'use strict';

const assert = require('node:assert');
const {after, before, test} = require('node:test');
const web = require('./support/web_checks.js');

const {browsers, status, LOAD_S, ASKING, ENDED, MESSAGE} = web;
const CHROMIUM = web.ENGINE === 'chromium';
const UPRIGHT = {width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true};
const SIDEWAYS = Object.assign({}, UPRIGHT, {width: 844, height: 390});
const END_SHOWN_MS = 3000;
const END_VISIBLE = "getComputedStyle(document.getElementById('end')).display !== 'none'";
const RECT = (id) => `(r => [r.x, r.y, r.width, r.height].map(Math.round))(` +
                     `document.getElementById('${id}').getBoundingClientRect())`;
// A screen lock that keeps what the page asks of it; the browser lets it go while the page is
// hidden, as a real one does.
const FAKE_WAKE_LOCK = `window.wakeLog = [];
  Object.defineProperty(navigator, 'wakeLock', {configurable: true, value: {request: kind => {
    wakeLog.push('request ' + kind);
    const lock = new EventTarget();
    lock.release = () => { wakeLog.push('release'); return Promise.resolve(); };
    document.addEventListener('visibilitychange', () => {
      if (document.hidden) { wakeLog.push('hidden'); lock.dispatchEvent(new Event('release')); }
    }, {once: true});
    return Promise.resolve(lock); }}}); true`;

let browser = null, server = null;

before(async () => {
  server = await browsers.StaticServer.start(web.SITE);
  browser = await browsers.launch(web.ENGINE);
});

after(async () => {
  if (browser) await browser.close();
  if (server) await server.close();
});

// A tap on `id`: a touch where the engine's driver has one, else the pointer events of one.
async function tap(page, id) {
  if (CHROMIUM) return page.tap('#' + id);
  return page.evaluate(`(e => ['pointerdown', 'pointerup'].forEach(kind => e.dispatchEvent(
    new PointerEvent(kind, {pointerType: 'touch', bubbles: true}))))(
    document.getElementById('${id}'))`);
}

async function answered(page, answer) {
  assert.ok(await page.waitUntil(ASKING, LOAD_S), 'no question: ' + page.errors);
  await page.click('#fullscreen-' + answer);
  assert.ok(await page.waitUntil('lockstepStatus().frames >= 3', LOAD_S));
}

test('upright, the frame is centred; a tap shows End, which ends the show', async () => {
  const page = await browser.open(server.url + 'index.html', UPRIGHT);
  const [width, height] = await page.evaluate('[innerWidth, innerHeight]');
  await page.evaluate(FAKE_WAKE_LOCK);
  await answered(page, 'no');
  const [x, y, w, h] = await page.evaluate(RECT('canvas'));
  assert.deepStrictEqual([x, w, h], [0, width, Math.floor(width * 3 / 4)]);
  assert.ok(Math.abs(y - (height - h) / 2) <= 2, `the frame at ${y} of ${height}`);
  assert.deepStrictEqual(await page.evaluate('wakeLog'), ['request screen']);

  assert.strictEqual(await page.evaluate(END_VISIBLE), false);
  await tap(page, 'canvas');
  assert.ok(await page.waitUntil(END_VISIBLE, 2), 'a tap showed no End');
  assert.strictEqual(await page.evaluate("document.getElementById('end').textContent"), 'End');
  await browsers.sleep(END_SHOWN_MS + 500);
  assert.strictEqual(await page.evaluate(END_VISIBLE), false, 'End stayed');
  await tap(page, 'canvas');
  assert.ok(await page.waitUntil(END_VISIBLE, 2));
  await page.click('#end');
  assert.ok(await page.waitUntil(ENDED, 30), 'End did not end the show');
  assert.deepStrictEqual(await page.evaluate('wakeLog'), ['request screen', 'release']);
  assert.strictEqual(await page.evaluate(MESSAGE), '');
  assert.deepStrictEqual(page.errors, []);
  await page.close();
});

test('without full screen, Yes fills the window with the frame', async () => {
  const page = await browser.open(server.url + 'index.html', CHROMIUM ? SIDEWAYS : UPRIGHT);
  const [width, height] = await page.evaluate('[innerWidth, innerHeight]');
  await page.evaluate('Element.prototype.requestFullscreen = undefined; true');
  await answered(page, 'yes');
  assert.deepStrictEqual(await page.evaluate(RECT('stage')), [0, 0, width, height]);
  const [x, y, w, h] = await page.evaluate(RECT('canvas'));
  const fit = Math.min(width, Math.floor(height * 4 / 3));
  assert.ok(Math.abs(w - fit) <= 1 && Math.abs(h - fit * 3 / 4) <= 1,
            `${w}x${h} in ${width}x${height}`);
  assert.ok(Math.abs(x - (width - w) / 2) <= 1 && Math.abs(y - (height - h) / 2) <= 1);
  assert.strictEqual(await page.evaluate(MESSAGE), '', 'said something');
  await tap(page, 'canvas');
  assert.ok(await page.waitUntil(END_VISIBLE, 2));
  await page.click('#end');
  assert.ok(await page.waitUntil(ENDED, 30));
  assert.notDeepStrictEqual(await page.evaluate(RECT('stage')), [0, 0, width, height]);
  await page.close();
});

test('the screen is kept on again after the page was hidden', {skip: !CHROMIUM}, async () => {
  const page = await browser.open(server.url + 'index.html', UPRIGHT);
  await page.evaluate(FAKE_WAKE_LOCK);
  await answered(page, 'no');
  await page.showWindow(false);
  assert.ok(await page.waitUntil('document.hidden', 10));
  await page.showWindow(true);
  assert.ok(await page.waitUntil('wakeLog.length === 3', 10));
  assert.deepStrictEqual(await page.evaluate('wakeLog'),
                         ['request screen', 'hidden', 'request screen']);
  assert.ok((await status(page)).frames > 0);
  await page.key('Escape');
  assert.ok(await page.waitUntil(ENDED, 30));
  assert.deepStrictEqual((await page.evaluate('wakeLog')).slice(3), ['release']);
  await page.close();
});

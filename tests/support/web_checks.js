// What the web page's tests share: the engine to run in and its browser, the page's own hooks,
// PNG pixels, and a still against lockstep-capture's.
'use strict';

const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');

const ROOT = path.join(__dirname, '..', '..');
const browsers = require(path.join(ROOT, 'tools', 'web', 'browsers.js'));

// Usage of every web test: node TEST ENGINE BUILD_DIR.
const [ENGINE, BUILD] = process.argv.slice(2);
const SITE = path.join(ROOT, 'dist', 'lockstep-web');
// Firefox runs without a sound server (tools/web/browsers.js says why): the page plays silent,
// in time by its own clock, and says so.
const SOUND = ENGINE !== 'firefox';
const SILENT = 'The browser did not let the sound start (the audio context is suspended); ' +
               'the show plays silent.';
const OUTPUT = path.join(BUILD || '.', 'tests', 'output');
// Generous: the machines that run this are small and busy, and every engine draws on the CPU.
const LOAD_S = 180;
const STILL_S = 400;
const MIN_PSNR = 38.0;
const ASKING = "document.getElementById('question').style.display === 'flex'";
const ENDED = "document.getElementById('question-text').textContent.includes('ended')";
// What the page says, but for the sentence of a silent engine (SILENT), which stands.
const MESSAGE = "Array.from(document.getElementById('message').children)" +
                '.map(line => line.textContent).filter(line => !line.includes(' +
                "'the show plays silent')).join('')";
const LOSE = "window.lostContext = document.getElementById('canvas').getContext('webgl')" +
             ".getExtension('WEBGL_lose_context'); lostContext.loseContext()";

function status(page) {
  return page.evaluate('lockstepStatus()');
}

// The show plays with its sound, or where the engine has none, silent with a sentence that says
// so. The errors the page logged besides.
async function checkSound(page) {
  const assert = require('assert');
  if (SOUND) {
    assert.strictEqual((await status(page)).audio, 'running');
    assert.strictEqual(await page.evaluate(MESSAGE), '');
    return page.errors;
  }
  const said = "document.getElementById('message').textContent";
  assert.ok(await page.waitUntil(`${said}.includes(${JSON.stringify(SILENT)})`, 10),
            'said: ' + await page.evaluate(said));
  await page.pump();
  return page.errors.filter((e) => !e.includes(SILENT));
}

// Width, bytes per pixel and unfiltered rows of an 8-bit RGB(A) PNG without interlace.
function pngRows(data) {
  let at = 8, width = 0, height = 0, colour = 0;
  const idat = [];
  while (at < data.length) {
    const length = data.readUInt32BE(at), kind = data.toString('latin1', at + 4, at + 8);
    if (kind === 'IHDR') {
      width = data.readUInt32BE(at + 8);
      height = data.readUInt32BE(at + 12);
      colour = data[at + 17];
    } else if (kind === 'IDAT') {
      idat.push(data.subarray(at + 8, at + 8 + length));
    }
    at += 12 + length;
  }
  const step = colour === 6 ? 4 : 3, stride = width * step;
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const rows = [];
  let above = Buffer.alloc(stride);
  for (let y = 0; y < height; y++) {
    const start = y * (stride + 1), kind = raw[start];
    const row = Buffer.from(raw.subarray(start + 1, start + 1 + stride));
    for (let x = 0; x < stride; x++) {
      const a = x >= step ? row[x - step] : 0, b = above[x], c = x >= step ? above[x - step] : 0;
      const p = a + b - c;
      const paeth = Math.abs(p - a) <= Math.min(Math.abs(p - b), Math.abs(p - c)) ? a :
        Math.abs(p - b) <= Math.abs(p - c) ? b : c;
      row[x] = (row[x] + [0, a, b, (a + b) >> 1, paeth][kind]) & 255;
    }
    rows.push(row);
    above = row;
  }
  return {width, step, rows};
}

// The share of the picture (every 4th pixel each way) in its most common colour.
function flatShare(png) {
  const {width, step, rows} = pngRows(png);
  const counts = new Map();
  let all = 0;
  for (let y = 0; y < rows.length; y += 4) {
    for (let x = 0; x < width * step; x += step * 4) {
      const key = rows[y].readUIntBE(x, 3);
      counts.set(key, (counts.get(key) || 0) + 1);
      all++;
    }
  }
  return Math.max(...counts.values()) / all;
}

// still_diff's PSNR in dB: "inf" for the same picture.
function psnr(diff) {
  return diff[0] === 'inf' ? Infinity : Number(diff[0]);
}

// lockstep-capture's still at ms (fps frames a second), once per run of the tests.
const captured = new Map();
function captureStill(ms, fps) {
  const key = ms + '@' + fps;
  if (!captured.has(key)) {
    const file = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'lockstep-web-stills-')),
                           'capture.png');
    childProcess.execFileSync(path.join(BUILD, 'bin', 'lockstep-capture'), [
      '--root', ROOT, '--fps', String(fps), '--to', String(ms), '--still', ms + '=' + file],
    {stdio: 'ignore', env: Object.assign({}, process.env, {SDL_VIDEODRIVER: 'offscreen'})});
    captured.set(key, file);
  }
  return captured.get(key);
}

// The page at url with ?still=ms&fps=fps against lockstep-capture's still: saves the page's as
// OUTPUT/name.png; returns still_diff's figures (PSNR, p99, max, share within 2/255), the page's
// errors and console lines, and with `lose` the show's time when the context was lost (as soon
// as frames are drawn; it is given back half a second later).
async function compareWithCapture(browser, url, ms, fps, name, lose = false) {
  const expected = captureStill(ms, fps);
  const page = await browser.open(url + `?still=${ms}&fps=${fps}`);
  if (lose) {
    await page.waitUntil('window.lockstepStatus !== undefined', LOAD_S);
    await page.evaluate(
      '(function lose() {' +
      '  if (!lockstepStatus().frames) return requestAnimationFrame(lose);' +
      '  window.lostAt = lockstepStatus().time; ' + LOSE + ';' +
      '  setTimeout(() => lostContext.restoreContext(), 500);' +
      '})()');
  }
  await page.waitForConsole(`lockstep: still ${ms} ready`, STILL_S, true);
  const lostAt = lose ? await page.evaluate('lostAt') : null;
  fs.mkdirSync(OUTPUT, {recursive: true});
  const got = path.join(OUTPUT, name + '.png');
  fs.writeFileSync(got, await page.canvasPng());
  const diff = childProcess.execFileSync(path.join(BUILD, 'bin', 'still_diff'), [
    expected, got, path.join(OUTPUT, name + '_diff.png')], {encoding: 'utf8'}).split(/\s+/);
  await page.pump();
  await page.close();
  return {diff, errors: page.errors, lines: page.console.map((l) => l[1]), lostAt};
}

module.exports = {
  ENGINE, BUILD, SITE, SOUND, SILENT, OUTPUT, LOAD_S, MIN_PSNR, ASKING, ENDED, MESSAGE, LOSE,
  browsers,
  status, checkSound, flatShare, compareWithCapture, psnr,
};

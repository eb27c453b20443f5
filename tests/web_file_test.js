// The web folder opened from disk (file://) in one browser engine, as a viewer who double-clicks
// it meets it: lockstep.html plays as the served page does (the question, the sound's clock,
// Escape, a still that matches lockstep-capture's); index.html says in a sentence what to do
// instead of failing.
// Usage: node tests/web_file_test.js ENGINE BUILD_DIR
'use strict';

const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const url = require('node:url');
const {after, before, test} = require('node:test');
const web = require('./support/web_checks.js');

const {browsers, status, LOAD_S, ASKING, ENDED, MESSAGE} = web;
const STILL_MS = 3000;

let browser = null;

function fromDisk(name) {
  return url.pathToFileURL(path.join(web.SITE, name)).href;
}

before(async () => {
  if (!fs.existsSync(path.join(web.SITE, 'lockstep.html'))) {
    throw new Error('no ' + web.SITE + '/lockstep.html: tools/web/build.sh writes it');
  }
  browser = await browsers.launch(web.ENGINE);
});

after(async () => {
  if (browser) await browser.close();
});

test('the single file asks, plays by its sound, and Escape ends it', async () => {
  const page = await browser.open(fromDisk('lockstep.html'));
  assert.ok(await page.waitUntil(ASKING, LOAD_S), 'no question: ' + page.errors);
  assert.deepStrictEqual(page.errors, []);
  // Each carried file was decoded and its text let go.
  assert.strictEqual(await page.evaluate("document.querySelectorAll('[data-file]').length"), 0);
  await page.click('#fullscreen-no');
  assert.ok(await page.waitUntil('lockstepStatus().frames >= 5', LOAD_S));
  assert.ok(await page.waitUntil('lockstepStatus().time >= 1000', LOAD_S));
  assert.deepStrictEqual(await web.checkSound(page), []);
  await page.key('Escape');
  assert.ok(await page.waitUntil(ENDED, 30), 'Escape did not end the show');
  await page.waitForConsole('frames in', 10);
  assert.deepStrictEqual(await web.checkSound(page), []);
  await page.close();
});

test('a still from disk matches the capture tool\'s', async () => {
  const {diff, errors} = await web.compareWithCapture(
    browser, fromDisk('lockstep.html'), STILL_MS, 60, `file_still_${web.ENGINE}_${STILL_MS}`);
  assert.ok(web.psnr(diff) >= web.MIN_PSNR, 'psnr p99 max within2 = ' + diff);
  assert.deepStrictEqual(errors, []);
});

test('the served page from disk says what to do', async () => {
  const page = await browser.open(fromDisk('index.html'));
  const said = await page.waitUntil(MESSAGE, LOAD_S);
  assert.ok(said.includes('open lockstep.html') && said.includes('serve this folder'), said);
  assert.ok(!said.includes('failed'), said);
  assert.strictEqual(await page.evaluate(ASKING), false);
  await page.close();
});

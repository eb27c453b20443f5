// The web page (dist/lockstep-web, from tools/web/build.sh) served, in one browser engine, as a
// viewer meets it: it asks; the answer starts the show in step with its sound for 5 s and more;
// Escape ends it; a lost WebGL context comes back; a still matches lockstep-capture's. In
// Chromium besides, through its DevTools protocol: a hidden and a frozen tab, a file that fails
// to load, a damaged data package and bad addresses, and a still after a lost context.
// Usage: node tests/web_page_test.js ENGINE BUILD_DIR
'use strict';

const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const zlib = require('node:zlib');
const {after, before, test} = require('node:test');
const web = require('./support/web_checks.js');

const {browsers, status, flatShare, LOAD_S, ASKING, ENDED, MESSAGE, LOSE} = web;
const CHROMIUM = web.ENGINE === 'chromium';
const PLAYS_S = 5; // the show plays with its music at least this long
// The stills: early in the city, and the road soon after it starts (stepped at 5 fps to be
// quick; the capture tool steps at the same rate), the second after a lost context.
const STILLS = CHROMIUM ? [[3000, 60, false], [34000, 5, true]] : [[34000, 5, false]];
const ROAD_MS = 34000; // the road runs from 33320 ms
const RESTORE_S = 10; // from a restored context to the show on the canvas
const GIVE_UP_S = 10; // a context not restored by then is given up
const PACKAGE = 'lockstep-data.tar.gz';

let browser = null, server = null;

before(async () => {
  if (!fs.existsSync(path.join(web.SITE, 'index.html'))) {
    throw new Error('no ' + web.SITE + ': tools/web/build.sh writes it (./test.sh runs it)');
  }
  server = await browsers.StaticServer.start(web.SITE);
  browser = await browsers.launch(web.ENGINE);
});

after(async () => {
  if (browser) await browser.close();
  if (server) await server.close();
});

async function playing(page) {
  assert.ok(await page.waitUntil(ASKING, LOAD_S), 'no question: ' + page.errors);
  await page.click('#fullscreen-no');
  assert.ok(await page.waitUntil('lockstepStatus().frames >= 5', LOAD_S));
}

async function escapeEnds(page) {
  await page.key('Escape');
  assert.ok(await page.waitUntil(ENDED, 30), 'Escape did not end the show');
  await page.waitForConsole('frames in', 10);
}

test('the answer starts the show in step with its sound, and Escape ends it', async () => {
  const page = await browser.open(server.url + 'index.html');
  await playing(page);
  assert.deepStrictEqual(page.errors, []);
  assert.ok(await page.waitUntil(`lockstepStatus().time >= ${PLAYS_S * 1000}`, LOAD_S + 60));
  assert.deepStrictEqual(await web.checkSound(page), []);
  if (web.SOUND) await followsTheSound(page);
  await escapeEnds(page);
  const frames = (await status(page)).frames;
  await browsers.sleep(500);
  assert.strictEqual((await status(page)).frames, frames, 'frames after the end');
  assert.deepStrictEqual(await web.checkSound(page), []);
  await page.close();
});

// The demo time is the audio clock's, its spectrum the sound's at that time: it stands while
// the sound is suspended, though frames go on, and moves on with the sound.
async function followsTheSound(page) {
  const shown = await status(page);
  assert.ok(Math.abs(shown.spectrum - shown.time) < 250, JSON.stringify(shown));
  await page.evaluate('Module.lockstepAudio.context.suspend()');
  // A frame drawn before the suspension may show a little less than the sound had reached.
  const suspendedAt = (await status(page)).frames;
  assert.ok(await page.waitUntil(`lockstepStatus().frames >= ${suspendedAt + 2}`, 30));
  const held = await status(page);
  await browsers.sleep(2000);
  const later = await status(page);
  assert.strictEqual(later.audio, 'suspended');
  assert.strictEqual(later.time, held.time);
  assert.ok(later.frames > held.frames);
  await page.evaluate('Module.lockstepAudio.context.resume()');
  assert.ok(await page.waitUntil(`lockstepStatus().time >= ${held.time + 500}`, LOAD_S));
}

test('a lost WebGL context comes back, and one lost for good is said', async () => {
  const page = await browser.open(server.url + 'index.html');
  await playing(page);
  assert.ok(await page.waitUntil('lockstepStatus().time >= 2000', LOAD_S));
  assert.ok(flatShare(await page.screenshot()) < 0.5);
  await page.evaluate(LOSE);
  assert.strictEqual(await page.waitUntil(MESSAGE, 10),
                     'The picture was lost and is being restored.');
  const lost = await status(page);
  await browsers.sleep(2000);
  const later = await status(page);
  assert.strictEqual(later.frames, lost.frames, 'frames counted without a picture');
  assert.ok(later.time >= lost.time + 1500, 'the clock stood without a picture');
  await page.evaluate('lostContext.restoreContext()');
  assert.ok(await page.waitUntil(`lockstepStatus().frames > ${lost.frames}`, RESTORE_S),
            `no frame ${RESTORE_S} s after the restore`);
  assert.ok(flatShare(await page.screenshot()) < 0.5, 'the restored picture is blank');
  await page.waitForConsole('the picture is back', 10);
  await web.checkSound(page);

  // Lost for good: the page says so, the show ends, and playing again takes a new canvas.
  await page.evaluate(LOSE);
  assert.ok(await page.waitUntil(
    "document.getElementById('question-text').textContent.includes('picture was lost')",
    GIVE_UP_S + 20));
  assert.strictEqual(await page.evaluate(MESSAGE),
                     'The picture was lost and not restored within 10 seconds.');
  await page.click('#fullscreen-no');
  assert.ok(await page.waitUntil('lockstepStatus().frames >= 3', LOAD_S));
  assert.ok(flatShare(await page.screenshot()) < 0.5, 'the new canvas is blank');
  await escapeEnds(page);
  await page.pump();
  assert.deepStrictEqual(page.errors.filter((e) => !e.includes('not restored within') &&
                                                   !e.includes(web.SILENT)), []);
  await page.close();
});

test('stills match the capture tool\'s', async () => {
  for (const [ms, fps, lose] of STILLS) {
    const {diff, errors, lines, lostAt} = await web.compareWithCapture(
      browser, server.url + 'index.html', ms, fps, `web_still_${web.ENGINE}_${ms}`, lose);
    if (lose) {
      assert.ok(lostAt < ms);
      const back = lines.findIndex((l) => l.includes('picture is back'));
      const ready = lines.findIndex((l) => l.includes(`still ${ms} ready`));
      assert.ok(back >= 0 && back < ready, lines.slice(-5).join('\n'));
    }
    assert.ok(web.psnr(diff) >= web.MIN_PSNR, `still ${ms}: psnr p99 max within2 = ${diff}`);
    assert.deepStrictEqual(errors, []);
  }
});

test('a hidden tab draws nothing, and back it is at the music\'s time', {skip: !CHROMIUM},
     async () => {
  const page = await browser.open(server.url + 'index.html');
  await playing(page);
  assert.ok(await page.waitUntil('lockstepStatus().time >= 1000', LOAD_S));
  const fetched = "performance.getEntriesByType('resource').map(r => r.name)";
  const files = await page.evaluate(fetched);
  await page.showWindow(false);
  const hidden = await status(page);
  await browsers.sleep(2000);
  assert.strictEqual((await status(page)).frames, hidden.frames, 'frames drawn while hidden');
  await page.showWindow(true);
  const [shown, clock] = await page.evaluate(
    'new Promise(done => requestAnimationFrame(() => done([lockstepStatus(), Math.round(' +
    '(Module.lockstepAudio.audibleTime() - Module.lockstepAudio.startedAt) * 1000)])))');
  assert.ok(shown.frames > hidden.frames);
  assert.ok(shown.time >= hidden.time + 1500);
  assert.ok(Math.abs(shown.time - clock) < 250, JSON.stringify(shown));

  // The browser suspends the sound of a frozen page: back on the page it plays on, and the
  // show's clock with it.
  await page.evaluate('Module.lockstepAudio.context.suspend()');
  await page.showWindow(false);
  await page.devtools('Page.setWebLifecycleState', {state: 'frozen'});
  await browsers.sleep(1000);
  await page.devtools('Page.setWebLifecycleState', {state: 'active'});
  await page.showWindow(true);
  assert.ok(await page.waitUntil("lockstepStatus().audio === 'running'", 10));
  const moved = (await status(page)).time + 500;
  assert.ok(await page.waitUntil(`lockstepStatus().time >= ${moved}`, LOAD_S));
  assert.deepStrictEqual(await page.evaluate(fetched), files, 'files fetched again');
  await escapeEnds(page);
  await page.close();
});

// The data package cut short (the gzip stream, and the archive inside a whole one), with its
// second member made huge, and with it renamed out of the data folder (checksums made good).
function tamperedPackages() {
  const packed = fs.readFileSync(path.join(web.SITE, PACKAGE));
  const tar = zlib.gunzipSync(packed);
  const second = 512 + Math.ceil(parseInt(tar.toString('latin1', 124, 136), 8) / 512) * 512;
  const withField = (offset, length, value) => {
    const copy = Buffer.from(tar);
    copy.fill(0, second + offset, second + offset + length);
    copy.write(value, second + offset, 'latin1');
    copy.fill(32, second + 148, second + 156);
    let sum = 0;
    for (let i = second; i < second + 512; i++) sum += copy[i];
    copy.write(sum.toString(8).padStart(6, '0') + '\0 ', second + 148, 'latin1');
    return zlib.gzipSync(copy);
  };
  return [
    ['gzip cut', packed.subarray(0, packed.length >> 1), 'failed to load ('],
    ['archive cut', zlib.gzipSync(tar.subarray(0, tar.length >> 1)),
     'is damaged: it is cut short.'],
    ['huge member', withField(124, 12, '77777777777'),
     'is damaged: the member "arbre.baf" claims 8589934591 bytes'],
    ['renamed member', withField(0, 100, '../../escape.raw'),
     'is damaged: a member is named "../../escape.raw"'],
  ];
}

// The page says `said` in a line, on the page and its console, and plays nothing.
async function checkRefused(url, said, what) {
  const page = await browser.open(url);
  const line = await page.waitUntil(MESSAGE, LOAD_S);
  assert.ok((line || '').includes(said), `${what}: ${line}`);
  assert.ok(line.length < 300);
  await page.waitForConsole(said.slice(-20), 10);
  await browsers.sleep(500);
  assert.strictEqual(await page.evaluate(ASKING), false, what);
  assert.strictEqual((await status(page)).frames, 0, what);
  await page.close();
}

test('bad addresses, a damaged data package and a file that fails to load are said',
     {skip: !CHROMIUM}, async () => {
  const addresses = [
    ['?still=-5', "?still wants whole milliseconds from 0 to 3600000, not '-5'"],
    ['?still=' + '9'.repeat(4000), "not '999999999999999999999999...'"],
    ['?size=20000x15000', '?size=20000x15000 is larger than the largest frame'],
    ['?size=800x600&still=10&size=640x480', 'size is given twice'],
    ['?still=3000&fps=1e9', "&fps wants a whole number from 1 to 1000, not '1e9'"],
  ];
  for (const [query, said] of addresses) {
    await checkRefused(server.url + 'index.html' + query, said, query.slice(0, 40));
  }
  // The page's own files beside a tampered package, each served from its own address so that
  // the browser's cache does not hand over the one before.
  const site = fs.mkdtempSync(path.join(os.tmpdir(), 'lockstep-web-tampered-'));
  try {
    for (const name of fs.readdirSync(web.SITE)) {
      if (name !== PACKAGE) fs.symlinkSync(path.join(web.SITE, name), path.join(site, name));
    }
    for (const [what, data, said] of tamperedPackages()) {
      fs.writeFileSync(path.join(site, PACKAGE), data);
      const tampered = await browsers.StaticServer.start(site);
      try {
        await checkRefused(tampered.url + 'index.html', `The file ${PACKAGE} ${said}`, what);
      } finally {
        await tampered.close();
      }
    }
  } finally {
    fs.rmSync(site, {recursive: true, force: true});
  }
  const refusing = await browsers.StaticServer.start(web.SITE, [PACKAGE]);
  try {
    await checkRefused(refusing.url + 'index.html', `${PACKAGE} failed to load: the server ` +
                       'answered 404', 'refused');
  } finally {
    await refusing.close();
  }
});

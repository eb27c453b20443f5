// Measures the web page (dist/lockstep-web, from tools/web/build.sh) in each browser engine on
// this machine: what a viewer downloads, the time from the click to the first frame, from a
// restored WebGL context to the next frame, from opening lockstep.html from disk to the
// question, frame rates per scene over the whole show, and with --stills the contact sheet's
// moments against lockstep-capture.
//
// Usage: xvfb-run -a node bench/web_bench.js [--engine chromium|firefox|webkit|all]
//          [--stills OUT_DIR] [--build BUILD_DIR] [--runs N] [--json FILE]
// Every engine draws WebGL on the CPU here (SwiftShader, llvmpipe): its frame rates are a
// figure for this machine, not a property of the page. Firefox and WebKit need the X display.
'use strict';

const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const url = require('url');
const zlib = require('zlib');

const ROOT = path.join(__dirname, '..');
const browsers = require(path.join(ROOT, 'tools', 'web', 'browsers.js'));

const SITE = path.join(ROOT, 'dist', 'lockstep-web');
const BAR_MS = 1666;
// Scene groups by demo time, as bench/show_bench.cpp reports them.
const GROUPS = [['city', 20 * BAR_MS], ['road', 32 * BAR_MS], ['credits', 52 * BAR_MS],
                ['finale', 93296], ['end fade', 104001]];
const STILL_TIMES = [3000, 7000, 11000, 13600, 18000, 23800, 30000, 34200, 35800, 40000, 50000,
                     56300, 60300, 68300, 82900, 85500, 90000, 96000, 101000, 103000];
const STILL_FPS = 10;
const ASKING = "document.getElementById('question').style.display === 'flex'";
// What the served page does not fetch: the single file for disk, and the folder's README.
const NOT_SERVED = ['lockstep.html', 'README.txt'];

// Keeps (wall ms, demo ms) of every frame the module draws, and the moment of the click.
const WATCH = `(() => {
  window.benchFrames = []; let seen = 0;
  document.getElementById('fullscreen-no').addEventListener('pointerdown',
    () => { window.clickedAt = performance.now(); }, {capture: true});
  const watch = () => { const s = lockstepStatus();
    if (s.frames > seen) { seen = s.frames; benchFrames.push([performance.now(), s.time]); }
    requestAnimationFrame(watch); };
  requestAnimationFrame(watch); return true; })()`;
// Loses the context, gives it back once the page has seen the loss, and resolves with the
// milliseconds from restoreContext() to the next frame drawn.
const RESTORE = `new Promise(resolve => {
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
  requestAnimationFrame(restore); })`;
// The page's own clock, from the start of its navigation, when the question shows.
const ASKED_AT = `new Promise(resolve => { const poll = () =>
  ${ASKING} ? resolve(performance.now()) : requestAnimationFrame(poll); poll(); })`;

function median(values) {
  const sorted = values.slice().sort((a, b) => a - b), mid = sorted.length >> 1;
  return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

function groupOf(ms) {
  for (const [name, end] of GROUPS) if (ms < end) return name;
  return GROUPS[GROUPS.length - 1][0];
}

// Each file as served with compression where it pays (gzip -9 of text and wasm; the data
// package is gzip already and the mp3 does not compress).
function transfer() {
  const rows = [];
  const walk = (dir) => {
    for (const name of fs.readdirSync(dir).sort()) {
      const file = path.join(dir, name);
      if (fs.statSync(file).isDirectory()) {
        walk(file);
      } else if (!NOT_SERVED.includes(name)) {
        const raw = fs.readFileSync(file);
        const sent = /\.(html|js|wasm)$/.test(name) ? zlib.gzipSync(raw, {level: 9}).length
                                                     : raw.length;
        rows.push([path.relative(SITE, file), raw.length, sent]);
      }
    }
  };
  walk(SITE);
  return rows;
}

async function openAsking(browser, server) {
  const page = await browser.open(server.url + 'index.html');
  if (!await page.waitUntil(ASKING, 180)) throw new Error('the page did not ask: ' + page.errors);
  return page;
}

async function firstFrameMs(browser, server, runs) {
  const times = [];
  for (let i = 0; i < runs; i++) {
    const page = await openAsking(browser, server);
    await page.evaluate(WATCH);
    await page.click('#fullscreen-no');
    await page.waitUntil('benchFrames.length > 0', 120);
    times.push(await page.evaluate('benchFrames[0][0] - clickedAt'));
    await page.close();
  }
  return times;
}

// For each lost context, in the city a few seconds into the show: [from restoreContext() to
// the next frame, from the restored event to that frame drawn as the page says].
async function restoreMs(browser, server, runs) {
  const page = await openAsking(browser, server);
  await page.click('#fullscreen-no');
  await page.waitUntil('lockstepStatus().time >= 3000', 120);
  const times = [];
  for (let i = 0; i < runs; i++) {
    const outside = await page.evaluate(RESTORE);
    const said = await page.waitForConsole('the picture is back', 30);
    page.console = page.console.filter((line) => !line[1].includes('the picture is back'));
    times.push([outside, Number(said.split('drawn ')[1].split(' ms')[0])]);
  }
  await page.close();
  return times;
}

async function fromDiskToQuestionMs(browser, runs) {
  const times = [];
  for (let i = 0; i < runs; i++) {
    const page = await browser.open(url.pathToFileURL(path.join(SITE, 'lockstep.html')).href);
    await page.waitUntil("document.getElementById('question') !== null", 180);
    times.push(await page.evaluate(ASKED_AT));
    await page.close();
  }
  return times;
}

async function sceneRates(browser, server) {
  const page = await openAsking(browser, server);
  await page.evaluate(WATCH);
  await page.click('#fullscreen-no');
  await page.waitForConsole('frames in', 400);
  const frames = await page.evaluate('benchFrames');
  await page.close();
  const gaps = Object.fromEntries(GROUPS.map(([name]) => [name, []]));
  for (let i = 1; i < frames.length; i++) {
    gaps[groupOf(frames[i][1])].push(frames[i][0] - frames[i - 1][0]);
  }
  const rates = {};
  for (const [name, list] of Object.entries(gaps)) {
    if (!list.length) continue;
    list.sort((a, b) => a - b);
    rates[name] = {frames: list.length, median_fps: 1000 / median(list),
                   p5_fps: 1000 / list[Math.min(list.length - 1, Math.floor(0.95 * list.length))]};
  }
  return rates;
}

async function stills(browser, server, engine, build, out) {
  fs.mkdirSync(out, {recursive: true});
  const args = ['--root', ROOT, '--fps', String(STILL_FPS),
                '--to', String(Math.max(...STILL_TIMES))];
  for (const ms of STILL_TIMES) {
    args.push('--still', `${ms}=${path.join(out, `capture-${ms}.png`)}`);
  }
  childProcess.execFileSync(path.join(build, 'bin', 'lockstep-capture'), args, {
    stdio: 'ignore', env: Object.assign({}, process.env, {SDL_VIDEODRIVER: 'offscreen'})});
  const rows = [];
  for (const ms of STILL_TIMES) {
    const started = Date.now();
    const page = await browser.open(server.url + `index.html?still=${ms}&fps=${STILL_FPS}`);
    await page.waitForConsole(`lockstep: still ${ms} ready`, 1800, true);
    const got = path.join(out, `${engine}-${ms}.png`);
    browsers.writeWhole(got, await page.canvasPng());
    await page.close();
    const diff = childProcess.execFileSync(path.join(build, 'bin', 'still_diff'), [
      path.join(out, `capture-${ms}.png`), got, path.join(out, `${engine}-diff-${ms}.png`)],
    {encoding: 'utf8'}).trim().split(/\s+/);
    rows.push([ms, diff, (Date.now() - started) / 1000]);
    console.log('  %s ms: PSNR %s dB, p99 %s, max %s, within 2/255 %s (%s s)',
                String(ms).padStart(6), diff[0], diff[1], diff[2], diff[3],
                rows[rows.length - 1][2].toFixed(0));
  }
  return rows;
}

async function measure(engine, server, args) {
  const result = {};
  const list = (values) => values.map((t) => t.toFixed(0)).join(', ');
  const browser = await browsers.launch(engine);
  try {
    const first = await firstFrameMs(browser, server, args.runs);
    result.click_to_first_frame_ms = first;
    console.log('click to first frame: median %s ms of %s', median(first).toFixed(0), list(first));
    const restores = await restoreMs(browser, server, args.runs);
    result.restore_to_frame_ms = restores;
    console.log('restored context to the next frame: median %s ms of %s; in the page, from the ' +
                'restored event to that frame drawn: median %s ms',
                median(restores.map((r) => r[0])).toFixed(0), list(restores.map((r) => r[0])),
                median(restores.map((r) => r[1])).toFixed(0));
    const disk = await fromDiskToQuestionMs(browser, args.runs);
    result.disk_to_question_ms = disk;
    console.log('lockstep.html opened from disk to the question (%d KiB): median %s ms of %s',
                fs.statSync(path.join(SITE, 'lockstep.html')).size >> 10, median(disk).toFixed(0),
                list(disk));
    console.log('the whole show, frame rates per scene:');
    result.scenes = await sceneRates(browser, server);
    for (const [name, rate] of Object.entries(result.scenes)) {
      console.log('  %s %s frames, median %s fps, 5th percentile %s fps', name.padEnd(9),
                  String(rate.frames).padStart(5), rate.median_fps.toFixed(1).padStart(5),
                  rate.p5_fps.toFixed(1).padStart(5));
    }
    if (args.stills) {
      console.log('stills at %d fps against lockstep-capture:', STILL_FPS);
      result.stills = await stills(browser, server, engine, args.build, args.stills);
    }
  } finally {
    await browser.close();
  }
  return result;
}

async function main() {
  const args = {engine: 'chromium', build: path.join(ROOT, 'build'), runs: 5};
  const argv = process.argv.slice(2);
  for (let i = 0; i < argv.length; i += 2) args[argv[i].replace(/^--/, '')] = argv[i + 1];
  args.runs = Number(args.runs);
  if (!fs.existsSync(path.join(SITE, 'index.html'))) {
    throw new Error('no ' + SITE + '; tools/web/build.sh writes it');
  }
  const engines = args.engine === 'all' ? browsers.ENGINES : [args.engine];
  const result = {load_before: os.loadavg()[0]};
  const rows = transfer();
  console.log('transfer (bytes as served, compressed where it pays):');
  for (const [name, raw, sent] of rows) {
    console.log('  %s %s -> %s', name.padEnd(24), String(raw).padStart(9),
                String(sent).padStart(9));
  }
  result.transfer_bytes = rows.reduce((sum, r) => sum + r[2], 0);
  const server = await browsers.StaticServer.start(SITE);
  try {
    for (const engine of engines) {
      const why = browsers.missing(engine);
      if (why) {
        console.log('%s: skipped (%s)', engine, why);
        continue;
      }
      console.log('== %s', engine);
      result[engine] = await measure(engine, server, args);
    }
  } finally {
    await server.close();
  }
  result.load_after = os.loadavg()[0];
  console.log('load average %s before, %s after', result.load_before.toFixed(1),
              result.load_after.toFixed(1));
  if (args.json) browsers.writeWhole(args.json, JSON.stringify(result, null, 1) + '\n');
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});

// Records what an engine's audio context says, frame by frame, while the web page plays: the
// sequences that tests/web_clock_test.js replays through the show's clock. Firefox and WebKit
// under xvfb-run.
//
// Usage: node tools/web/record_clock.js ENGINE OUT.json [SECONDS] [--suspend]
// (--suspend: the context is suspended for the middle third and resumed; --lose-sound: the
// sound server goes away after the first third.)
'use strict';

const path = require('path');
const browsers = require('./browsers.js');

const SITE = path.join(__dirname, '..', '..', 'dist', 'lockstep-web');

const RECORD = (seconds, suspend) => `new Promise(done => {
  const audio = Module.lockstepAudio, rows = [], t0 = performance.now();
  const round = x => x === undefined || x === null ? null : Math.round(x * 1e5) / 1e5;
  const step = () => {
    const r = audio.reading(), t = performance.now() - t0;
    rows.push([round(r.now), r.state, round(r.currentTime), round(r.outputLatency),
               r.stamp ? round(r.stamp.contextTime) : null,
               r.stamp ? round(r.stamp.performanceTime) : null]);
    if (${suspend} && t > ${seconds} * 333 && !window.suspended) {
      window.suspended = true;
      audio.context.suspend()
        .then(() => setTimeout(() => audio.context.resume(), ${seconds} * 333));
    }
    if (t < ${seconds} * 1000) requestAnimationFrame(step);
    else done({startedAt: audio.startedAt, rows});
  };
  requestAnimationFrame(step); })`;

async function main() {
  const [engine, out, seconds = '4'] = process.argv.slice(2);
  const suspend = process.argv.includes('--suspend');
  const loseSound = process.argv.includes('--lose-sound');
  const server = await browsers.StaticServer.start(SITE);
  const browser = await browsers.launch(engine);
  try {
    const page = await browser.open(server.url + 'index.html');
    await page.waitUntil("document.getElementById('question').style.display === 'flex'", 180);
    await page.click('#fullscreen-no');
    await page.waitUntil("lockstepStatus().audio === 'running'", 30);
    const recording = page.evaluate(RECORD(Number(seconds), suspend));
    if (loseSound) setTimeout(() => browser.sound.proc.kill('SIGKILL'), seconds * 333);
    const recorded = await recording;
    recorded.engine = engine + ' ' + (await page.evaluate('navigator.userAgent'));
    recorded.columns = ['now', 'state', 'currentTime', 'outputLatency', 'stampContextTime',
                        'stampPerformanceTime'];
    browsers.writeWhole(out, JSON.stringify(recorded) + '\n');
    console.log('recorded %d readings into %s', recorded.rows.length, out);
  } finally {
    await browser.close();
    await server.close();
  }
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});

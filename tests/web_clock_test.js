// The web page's show clock (music/sound_clock.js) replayed against what audio contexts said,
// frame by frame, while the page played (tests/web_clock/, recorded with
// tools/web/record_clock.js): a normal engine, WebKitGTK's output timestamps on a clock of
// their own, a context suspended and resumed, and a context whose time stands while it says
// "running" (a recorded sequence with its context's values held for a while).
// Usage: node tests/web_clock_test.js
'use strict';

const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const test = require('node:test');
const SoundClock = require('../music/sound_clock.js');

const FIXTURES = path.join(__dirname, 'web_clock');

function recorded(name) {
  const data = JSON.parse(fs.readFileSync(path.join(FIXTURES, name + '.json'), 'utf8'));
  const readings = data.rows.map(([now, state, currentTime, outputLatency, contextTime,
                                   performanceTime]) => ({
    now, state, currentTime, outputLatency,
    stamp: contextTime === null ? null : {contextTime, performanceTime}}));
  return {startedAt: data.startedAt, readings};
}

// Each reading through a fresh clock: [{now, shown, sound}], the sentences it said, the clock.
function replay(sequence) {
  const said = [];
  const clock = SoundClock.create(sequence.startedAt, (s) => said.push(s));
  const frames = sequence.readings.map((r) => ({
    now: r.now, state: r.state, shown: clock.read(r),
    sound: (SoundClock.audibleTime(r) - sequence.startedAt) * 1000}));
  return {frames, said, clock};
}

function assertNeverBackwards(frames) {
  frames.slice(1).forEach((f, i) => assert.ok(f.shown >= frames[i].shown,
                                              `back from ${frames[i].shown} to ${f.shown}`));
}

// How far the show moved against the page's clock from the first frame to the last.
function pace(frames) {
  const first = frames[0], last = frames[frames.length - 1];
  return (last.shown - first.shown) / (last.now - first.now);
}

// The sequence with the context's values held from `from` ms after its start for `ms`; from then
// on the sound goes on from where it stood (`resume: 'behind'`) or from where it would have been
// had it never stood (`resume: 'ahead'`, only its clock stood).
function heldFor(sequence, from, ms, resume) {
  const t0 = sequence.readings[0].now;
  let held = null;
  const readings = sequence.readings.map((r) => {
    const at = r.now - t0;
    if (at < from) return r;
    if (at < from + ms) {
      held = held || r;
      return Object.assign({}, held, {now: r.now, state: 'running'});
    }
    if (resume === 'ahead') return r;
    const shift = ms / 1000;
    return Object.assign({}, r, {currentTime: r.currentTime - shift, stamp: r.stamp && {
      contextTime: r.stamp.contextTime - shift, performanceTime: r.stamp.performanceTime}});
  });
  return {startedAt: sequence.startedAt, readings};
}

test('a normal engine: the show is the sound heard, never running backwards', () => {
  for (const name of ['chromium', 'firefox']) {
    const {frames, said} = replay(recorded(name));
    assertNeverBackwards(frames);
    assert.deepStrictEqual(said, [], name);
    // Past the first frames, where the output is still starting, the show is the sound.
    const late = frames.slice(10);
    const off = Math.max(...late.map((f) => Math.abs(f.shown - f.sound)));
    assert.ok(off < 30, `${name}: the show ${off} ms from the sound`);
    assert.ok(Math.abs(pace(late) - 1) < 0.1, `${name}: pace ${pace(late)}`);
  }
});

test('output timestamps on a clock of their own are not used', () => {
  const sequence = recorded('webkit');
  // The recording shows the engine's fault: its timestamps run ahead of the page's clock.
  assert.ok(sequence.readings.filter((r) => r.stamp && r.stamp.performanceTime > r.now).length >
            sequence.readings.length / 2);
  const {frames, said} = replay(sequence);
  assertNeverBackwards(frames);
  assert.deepStrictEqual(said, []);
  for (const f of frames) {
    const r = sequence.readings[frames.indexOf(f)];
    assert.ok(f.shown >= (r.currentTime - r.outputLatency - sequence.startedAt) * 1000 - 1);
  }
  assert.ok(Math.abs(pace(frames) - 1) < 0.15, `pace ${pace(frames)}`);
  // The timestamp taken at its word holds the show near its start, as the engine's page did.
  const trusting = sequence.readings.map((r) => r.stamp && r.stamp.contextTime > 0 ?
    Math.min(r.currentTime, r.stamp.contextTime + (r.now - r.stamp.performanceTime) / 1000) : 0);
  const reached = frames[frames.length - 1].shown / 1000;
  assert.ok(Math.max(...trusting) - sequence.startedAt < 0.5 * reached);
});

test('a suspended context holds the show, which goes on with the sound once it resumes', () => {
  const sequence = recorded('chromium_suspended');
  const {frames, said} = replay(sequence);
  assertNeverBackwards(frames);
  assert.deepStrictEqual(said, [], 'a suspended context is no broken clock');
  const suspended = frames.filter((f) => f.state !== 'running');
  assert.ok(suspended.length > 5);
  assert.strictEqual(new Set(suspended.map((f) => f.shown)).size, 1, 'moved while suspended');
  const after = frames.slice(frames.indexOf(suspended[suspended.length - 1]) + 10);
  assert.ok(after.length > 5);
  for (const f of after) assert.ok(Math.abs(f.shown - f.sound) < 30);
});

test('a clock that stands while it plays hands over to the page and back, within a frame', () => {
  const sequence = recorded('chromium_long');
  for (const resume of ['behind', 'ahead']) {
    const {frames, said, clock} = replay(heldFor(sequence, 1000, 2500, resume));
    assertNeverBackwards(frames);
    assert.deepStrictEqual(said.length, 2, resume + ': ' + said);
    assert.match(said[0], /page's time/);
    frames.slice(1).forEach((f, i) => {
      const step = f.shown - frames[i].shown, page = f.now - frames[i].now;
      assert.ok(step <= page + SoundClock.FRAME_MS + 1e-9,
                `${resume}: a step of ${step} in ${page}`);
    });
    // Stood no longer than the limit, and from the handover on never stands.
    const t0 = frames[0].now;
    const standing = frames.filter((f, i) => i && f.shown === frames[i - 1].shown &&
                                              f.now - t0 > 1000 + SoundClock.STALL_LIMIT_MS + 100);
    assert.deepStrictEqual(standing.map((f) => f.now - t0), [], resume);
    const last = frames[frames.length - 1];
    assert.ok(Math.abs(last.shown - last.sound) < 1, `${resume}: not back with the sound`);
    assert.ok(clock.worstStep <= SoundClock.FRAME_MS + 1e-6,
              `${resume}: worst step ${clock.worstStep}`);
    console.log('# %s: worst step beyond the page\'s clock while it changed hands: %s ms',
                resume, clock.worstStep.toFixed(1));
  }
});

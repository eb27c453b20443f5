// The web page's show clock: how far the soundtrack has been heard, read once or twice a frame
// from the audio context, with the page's own clock standing in while the sound's clock is
// broken. Engines differ: one's getOutputTimestamp() runs on a clock of its own, another's
// context says "running" while its time stands. Plain JavaScript with no page in it, so that
// node runs it against sequences recorded in each engine (tests/web_clock_test.js); the module
// carries it in front of music/web_audio.js (--pre-js).
var LockstepSoundClock = (function() {
  'use strict';
  // An output timestamp older than this, or from the future, is from a clock of its own.
  var STAMP_BEHIND_LIMIT_MS = 500;
  // A running context whose time stands this long has lost its clock.
  var STALL_LIMIT_MS = 1000;
  // Following the sound back, the show moves at most this much further than the page's clock
  // did, and at least half as far: it never jumps, stands or runs backwards.
  var FRAME_MS = 1000 / 60;

  // Context seconds now reaching the listener, from one reading of the context:
  // {now: performance.now(), state, currentTime, outputLatency, stamp: getOutputTimestamp()}.
  function audibleTime(r) {
    var stamp = r.stamp;
    if (stamp && stamp.contextTime > 0 && stamp.performanceTime <= r.now &&
        stamp.performanceTime >= r.now - STAMP_BEHIND_LIMIT_MS) {
      return Math.min(r.currentTime, stamp.contextTime + (r.now - stamp.performanceTime) / 1000);
    }
    return r.currentTime - (r.outputLatency || 0);
  }

  // One playing of the soundtrack, started at context time startedAt (seconds). read(reading)
  // gives the show's time in ms; say(sentence) gets one line when the clock changes hands.
  function create(startedAt, say) {
    var clock = {
      shown: 0,          // the latest time handed out
      onPage: false,     // the page's clock carries the show
      lastNow: null,     // the page's clock at the latest reading
      lastContext: null, // the context's time at the latest reading
      soundMovedAt: 0,   // the page's clock when the context's time last changed
      worstStep: 0,      // the largest step beyond the page's clock's while it changed hands
    };
    clock.read = function(r) {
      var sound = (audibleTime(r) - startedAt) * 1000;
      var step = clock.lastNow === null ? 0 : Math.max(0, r.now - clock.lastNow);
      // Whether the sound's clock moves is the context's own time's to say: what is heard of
      // it may switch between the timestamp and the latency as the timestamp comes and goes.
      var moved = clock.lastContext !== null && r.currentTime !== clock.lastContext;
      if (clock.lastNow === null || moved || r.state !== 'running') clock.soundMovedAt = r.now;
      clock.lastNow = r.now;
      clock.lastContext = r.currentTime;
      // A suspended context holds the sound, and the show waits for it.
      if (r.state !== 'running') return clock.shown;
      if (!clock.onPage) {
        if (r.now - clock.soundMovedAt <= STALL_LIMIT_MS) {
          clock.shown = Math.max(clock.shown, sound);
          return clock.shown;
        }
        clock.onPage = true;
        if (say) say('the sound\'s clock stands while it plays: the show keeps the page\'s time');
      }
      if (!moved) {
        clock.shown += step;
        return clock.shown;
      }
      // The sound moves again: the show closes in on it within a frame's step.
      var most = step + Math.min(step, FRAME_MS), least = step / 2;
      var next = Math.min(Math.max(sound, clock.shown + least), clock.shown + most);
      clock.worstStep = Math.max(clock.worstStep, next - clock.shown - step);
      clock.shown = next;
      if (next === sound) {
        clock.onPage = false;
        if (say) say('the sound\'s clock moves again: the show follows it');
      }
      return clock.shown;
    };
    return clock;
  }

  return {create: create, audibleTime: audibleTime, STALL_LIMIT_MS: STALL_LIMIT_MS,
          FRAME_MS: FRAME_MS};
})();

if (typeof module === 'object' && module.exports) module.exports = LockstepSoundClock;

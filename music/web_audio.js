// The Web Audio side of the web page's sound layer (music/web_audio.cpp), linked in with
// --js-library. The page hands it the fetched mp3 while loading (Module.lockstepAudio.decode);
// the C++ layer then opens, plays and stops it and asks how far playback has been heard.
var LibraryLockstepAudio = {
  $LockstepAudio__postset: 'Module["lockstepAudio"] = LockstepAudio;',
  $LockstepAudio: {
    // The analysis rate of the band analysis: decoding resamples to it, as the desktop does.
    rate: 44100,
    // How long the sound may take to start after the click before it counts as refused.
    startLimitMs: 3000,
    context: null,
    tracks: [null], // track number -> {path, buffer}; 0 is no track
    source: null,
    startedAt: 0, // context time at which the playing source started
    clock: null, // the show's clock for the playing source
    everRan: false,
    refused: false,
    onRefused: null, // set by the page: says so to the viewer

    // Decodes the mp3 at `path` from its bytes, and gives its mono samples to the C++ layer.
    decode: function(path, bytes) {
      var Offline = window.OfflineAudioContext || window.webkitOfflineAudioContext;
      if (!Offline) return Promise.reject(new Error('this browser has no Web Audio'));
      var offline = new Offline(2, 1, LockstepAudio.rate);
      return offline.decodeAudioData(bytes.buffer.slice(0)).then(function(buffer) {
        var frames = buffer.length;
        var left = buffer.getChannelData(0);
        var right = buffer.numberOfChannels > 1 ? buffer.getChannelData(1) : left;
        var at = Module['_lockstep_soundtrack_samples'](frames) >> 2;
        var heap = HEAPF32;
        for (var i = 0; i < frames; i++) heap[at + i] = 0.5 * (left[i] + right[i]);
        LockstepAudio.tracks.push({path: path, buffer: buffer});
      });
    },

    state: function() {
      return LockstepAudio.context ? LockstepAudio.context.state : 'none';
    },

    refuse: function(why) {
      if (LockstepAudio.refused) return;
      LockstepAudio.refused = true;
      if (LockstepAudio.onRefused) LockstepAudio.onRefused(why);
    },

    // A browser may suspend the sound of a hidden or frozen page, and the show's clock stands
    // with it; back on the page, the soundtrack that was playing goes on, and the clock with it.
    wake: function() {
      var context = LockstepAudio.context;
      if (document.hidden || !LockstepAudio.source || LockstepAudio.refused) return;
      if (context.state !== 'suspended' && context.state !== 'interrupted') return;
      context.resume().catch(function(e) { LockstepAudio.refuse(String(e)); });
    },

    // One reading of the context for the show's clock (music/sound_clock.js).
    reading: function() {
      var context = LockstepAudio.context;
      return {now: performance.now(), state: context.state, currentTime: context.currentTime,
              outputLatency: context.outputLatency,
              stamp: context.getOutputTimestamp ? context.getOutputTimestamp() : null};
    },

    // Context time now reaching the listener, in seconds.
    audibleTime: function() {
      return LockstepSoundClock.audibleTime(LockstepAudio.reading());
    },
  },

  lockstep_audio_init__deps: ['$LockstepAudio'],
  lockstep_audio_init: function() {
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    if (!LockstepAudio.context) {
      try {
        LockstepAudio.context = new Context();
      } catch (e) {
        LockstepAudio.refuse(String(e));
        return 0;
      }
      LockstepAudio.context.onstatechange = function() {
        if (LockstepAudio.context.state === 'running') LockstepAudio.everRan = true;
      };
      document.addEventListener('visibilitychange', LockstepAudio.wake);
      document.addEventListener('resume', LockstepAudio.wake); // a frozen page thawed
    }
    // Called from the click that starts the show, which lets the sound start.
    LockstepAudio.context.resume().catch(function(e) { LockstepAudio.refuse(String(e)); });
    return 1;
  },

  lockstep_audio_open__deps: ['$LockstepAudio'],
  lockstep_audio_open: function(path) {
    path = UTF8ToString(path);
    for (var i = 1; i < LockstepAudio.tracks.length; i++) {
      if (LockstepAudio.tracks[i].path === path) return i;
    }
    return 0;
  },

  lockstep_audio_play__deps: ['$LockstepAudio'],
  lockstep_audio_play: function(track) {
    var context = LockstepAudio.context;
    var source = context.createBufferSource();
    source.buffer = LockstepAudio.tracks[track].buffer;
    source.connect(context.destination);
    LockstepAudio.startedAt = context.currentTime;
    LockstepAudio.clock = LockstepSoundClock.create(LockstepAudio.startedAt, function(sentence) {
      console.warn('lockstep: ' + sentence);
    });
    source.start(LockstepAudio.startedAt);
    LockstepAudio.source = source;
    if (context.state === 'running') LockstepAudio.everRan = true;
    setTimeout(function() {
      if (!LockstepAudio.everRan && LockstepAudio.source === source) {
        LockstepAudio.refuse('the audio context is ' + context.state);
      }
    }, LockstepAudio.startLimitMs);
  },

  lockstep_audio_stop__deps: ['$LockstepAudio'],
  lockstep_audio_stop: function(track) {
    if (!LockstepAudio.source) return;
    LockstepAudio.source.stop();
    LockstepAudio.source.disconnect();
    LockstepAudio.source = null;
  },

  lockstep_audio_position__deps: ['$LockstepAudio'],
  lockstep_audio_position: function() {
    if (!LockstepAudio.source || LockstepAudio.refused) return -1;
    return LockstepAudio.clock.read(LockstepAudio.reading()) / 1000;
  },
};

mergeInto(LibraryManager.library, LibraryLockstepAudio);

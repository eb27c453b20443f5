// The page around the show: it fetches the data set and the soundtrack with a progress bar over
// the loading picture, asks "Fullscreen?", fits the canvas to the page or the screen, and says
// in a sentence whatever goes wrong. The show itself is the C++ module (lockstep.js and
// lockstep.wasm, host/web_main.cpp); this file only hosts it.
'use strict';

(function() {
  var PACKAGE = 'lockstep-data.tar.gz';
  var SOUNDTRACK = 'data/moravinte.mp3';
  var LOADING_PICTURE = 'loading_512x512.raw';
  var WINDOW_WIDTH = 800, WINDOW_HEIGHT = 600;

  var stage = document.getElementById('stage');
  var canvas = document.getElementById('canvas');
  var bar = document.getElementById('progress-bar');
  var question = document.getElementById('question');
  var message = document.getElementById('message');

  // lockstep.html carries its files in itself (host/web/embedded.js); index.html fetches them.
  var carried = window.lockstepFile || null;

  var moduleReady = null;
  var moduleReadyPromise = new Promise(function(resolve) { moduleReady = resolve; });
  var showing = false; // between the answer and the show's end
  var failed = false;

  function say(sentence) {
    var line = document.createElement('div');
    line.textContent = sentence;
    message.appendChild(line);
    console.error('lockstep: ' + sentence);
  }

  function fail(sentence) {
    if (failed) return;
    failed = true;
    document.getElementById('progress').style.display = 'none';
    question.style.display = 'none';
    say(sentence);
  }

  function isFullscreen() {
    return document.fullscreenElement === stage;
  }

  // The largest rectangle of the frame's shape within width x height.
  function fit(width, height) {
    var w = width, h = Math.floor(width * canvas.height / canvas.width);
    if (h > height) {
      h = height;
      w = Math.floor(height * canvas.width / canvas.height);
    }
    return [w, h];
  }

  // In the page: the 800x600 box, or less to fit a smaller window. Full screen: the screen.
  function box() {
    if (isFullscreen()) return fit(window.innerWidth, window.innerHeight);
    return fit(Math.min(WINDOW_WIDTH, window.innerWidth), Math.min(WINDOW_HEIGHT, window.innerHeight));
  }

  var page = {
    say: say,
    fail: fail,
    ready: function() { moduleReady(); },
    layout: function() {
      var size = box();
      canvas.style.width = size[0] + 'px';
      canvas.style.height = size[1] + 'px';
      stage.style.width = isFullscreen() ? '' : size[0] + 'px';
      stage.style.height = isFullscreen() ? '' : size[1] + 'px';
    },
    pixels: function(inPage) {
      var ratio = window.devicePixelRatio || 1;
      if (inPage) {
        var size = fit(Math.min(WINDOW_WIDTH, window.innerWidth),
                       Math.min(WINDOW_HEIGHT, window.innerHeight));
        return [Math.round(size[0] * ratio), Math.round(size[1] * ratio)];
      }
      return [Math.round(screen.width * ratio), Math.round(screen.height * ratio)];
    },
    ask: function(again) {
      showing = false;
      document.getElementById('progress').style.display = 'none';
      document.getElementById('question-text').textContent =
          again ? 'The show has ended. Play it again? Fullscreen?' : 'Fullscreen?';
      question.style.display = 'flex';
    },
    playing: function() {
      showing = true;
      question.style.display = 'none';
    },
    hideCursor: function(hide) { canvas.style.cursor = hide ? 'none' : ''; },
    leaveFullscreen: function() {
      if (isFullscreen() && document.exitFullscreen) document.exitFullscreen().catch(function() {});
    },
  };

  function answer(fullScreen) {
    if (document.activeElement) document.activeElement.blur();
    if (fullScreen) {
      if (stage.requestFullscreen) {
        stage.requestFullscreen().catch(function() {
          say('The browser did not allow full screen; the show plays in the page.');
        });
      } else {
        say('This browser has no full screen; the show plays in the page.');
      }
    }
    Module._lockstep_answer(fullScreen ? 1 : 0);
  }
  document.getElementById('fullscreen-yes').addEventListener('click', function() { answer(true); });
  document.getElementById('fullscreen-no').addEventListener('click', function() { answer(false); });
  document.addEventListener('fullscreenchange', function() {
    page.layout();
    // A browser's Escape leaves full screen before the page sees the key: it ends the show too.
    if (!isFullscreen() && showing) Module._lockstep_escape();
  });
  window.addEventListener('resize', page.layout);

  // Progress over both downloads, by bytes as they arrive.
  var progress = {expected: {}, received: {}};
  function count(name, bytes) {
    progress.received[name] = (progress.received[name] || 0) + bytes;
    var expected = 0, received = 0, known = true;
    [PACKAGE, SOUNDTRACK].forEach(function(n) {
      if (!progress.expected[n]) known = false;
      expected += progress.expected[n] || 0;
      received += progress.received[n] || 0;
    });
    if (known) bar.style.width = Math.min(100, 100 * received / expected) + '%';
  }

  function download(url) {
    var bytes = carried && carried(url);
    if (bytes) {
      progress.expected[url] = bytes.length;
      return Promise.resolve(new Response(bytes));
    }
    return fetch(url).catch(function(e) {
      throw new Error('The file ' + url + ' failed to load (' + e.message + ').');
    }).then(function(response) {
      if (!response.ok) {
        throw new Error('The file ' + url + ' failed to load: the server answered ' +
                        response.status + ' ' + response.statusText + '.');
      }
      progress.expected[url] = Number(response.headers.get('Content-Length')) || 0;
      return response;
    });
  }

  // The chunks of a response's body in order, each counted towards the progress bar.
  function counted(url, response) {
    return response.body.pipeThrough(new TransformStream({
      transform: function(chunk, controller) {
        count(url, chunk.length);
        controller.enqueue(chunk);
      },
    }));
  }

  // A tar archive read as it streams in; onFile(name, bytes) for each plain file.
  function untar(onFile) {
    var header = new Uint8Array(512), headerFill = 0;
    var file = null, fileFill = 0, name = '', skip = 0, ended = false;
    function field(start, length) {
      var bytes = header.subarray(start, start + length);
      var end = bytes.indexOf(0);
      return new TextDecoder().decode(end < 0 ? bytes : bytes.subarray(0, end));
    }
    return function(chunk) {
      var at = 0;
      while (at < chunk.length && !ended) {
        var n;
        if (skip > 0) {
          n = Math.min(skip, chunk.length - at);
          skip -= n;
          at += n;
        } else if (file) {
          n = Math.min(file.length - fileFill, chunk.length - at);
          file.set(chunk.subarray(at, at + n), fileFill);
          fileFill += n;
          at += n;
          if (fileFill === file.length) {
            onFile(name, file);
            skip = (512 - file.length % 512) % 512;
            file = null;
          }
        } else {
          n = Math.min(512 - headerFill, chunk.length - at);
          header.set(chunk.subarray(at, at + n), headerFill);
          headerFill += n;
          at += n;
          if (headerFill < 512) continue;
          headerFill = 0;
          if (header.every(function(b) { return b === 0; })) {
            ended = true; // the archive's end
            break;
          }
          var prefix = field(345, 155);
          name = (prefix ? prefix + '/' : '') + field(0, 100);
          var size = parseInt(field(124, 12).trim() || '0', 8);
          var type = header[156];
          if (type === 0 || type === 48) { // '0': a plain file
            file = new Uint8Array(size);
            fileFill = 0;
            if (size === 0) {
              onFile(name, file);
              file = null;
            }
          } else {
            skip = Math.ceil(size / 512) * 512;
          }
        }
      }
    };
  }

  function putFile(name, bytes) {
    var path = 'data/' + name;
    try {
      Module.FS.mkdir('data');
    } catch (e) {
      // there already
    }
    Module.FS.writeFile(path, bytes);
  }

  // The data package, unpacked into the module's files as it arrives; the loading picture is
  // shown as soon as it is there.
  function loadPackage() {
    return download(PACKAGE).then(function(response) {
      var body = counted(PACKAGE, response);
      // A server may have unpacked the gzip layer itself (Content-Encoding); else the page does.
      if (!/gzip/.test(response.headers.get('Content-Encoding') || '')) {
        if (typeof DecompressionStream === 'undefined') {
          throw new Error('This browser cannot unpack the show\'s data (it has no DecompressionStream).');
        }
        body = body.pipeThrough(new DecompressionStream('gzip'));
      }
      var files = [];
      var push = untar(function(name, bytes) {
        files.push([name, bytes]);
        if (name === LOADING_PICTURE) {
          moduleReadyPromise.then(function() {
            putFile(name, bytes);
            Module._lockstep_show_loading();
          });
        }
      });
      var reader = body.getReader();
      function next() {
        return reader.read().then(function(step) {
          if (step.done) return files;
          push(step.value);
          return next();
        });
      }
      return next();
    });
  }

  function loadSoundtrack() {
    return download(SOUNDTRACK).then(function(response) {
      return new Response(counted(SOUNDTRACK, response)).arrayBuffer();
    }).then(function(buffer) { return new Uint8Array(buffer); });
  }

  function load() {
    var soundtrack = loadSoundtrack().catch(function(e) {
      say(e.message + ' The show plays silent.');
      return null;
    });
    Promise.all([loadPackage(), soundtrack, moduleReadyPromise]).then(function(results) {
      results[0].forEach(function(entry) { putFile(entry[0], entry[1]); });
      if (!results[1]) return null;
      return Module.lockstepAudio.decode(SOUNDTRACK, results[1]).catch(function(e) {
        say('This browser cannot decode the soundtrack (' + e.message + '); the show plays silent.');
      });
    }).then(function() {
      bar.style.width = '100%';
      if (!failed) Module._lockstep_loaded();
    }).catch(function(e) {
      fail(e.message);
    });
  }

  window.lockstepStatus = function() {
    var running = Module.calledRun && !failed;
    return {
      time: running ? Module._lockstep_demo_time() : 0,
      frames: running ? Module._lockstep_frames() : 0,
      audio: Module.lockstepAudio ? Module.lockstepAudio.state() : 'none',
    };
  };

  window.Module = {
    page: page,
    canvas: canvas,
    arguments: [location.search],
    wasmBinary: carried ? carried('lockstep.wasm') : undefined,
    print: function(line) { console.log(line); },
    printErr: function(line) { console.warn(line); },
    onAbort: function(what) { fail('The show stopped on an error: ' + what + '.'); },
  };
  // The module reaches Module.lockstepAudio once it runs; a refusal is said as it happens.
  moduleReadyPromise.then(function() {
    Module.lockstepAudio.onRefused = function(why) {
      say('The browser did not let the sound start (' + why + '); the show plays silent.');
    };
  });
  window.addEventListener('error', function(event) {
    fail('The page failed: ' + event.message + '.');
  });

  page.layout();
  // A page opened from disk may fetch nothing.
  if (location.protocol === 'file:' && !carried) {
    fail('Opened from disk, this page cannot load the show: open lockstep.html beside it ' +
         'instead, or serve this folder (for example with python3 -m http.server) and open it ' +
         'from there.');
    return;
  }
  load();
  if (carried) return; // lockstep.js follows in the page itself
  var script = document.createElement('script');
  script.src = 'lockstep.js';
  script.onerror = function() { fail('The show\'s program (lockstep.js) failed to load.'); };
  document.body.appendChild(script);
})();

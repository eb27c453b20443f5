// The page around the show: it fetches the data set and the soundtrack with a progress bar over
// the loading picture, asks "Fullscreen?", fits the canvas to the page or the screen, and says
// in a sentence whatever goes wrong. The show itself is the C++ module (lockstep.js and
// lockstep.wasm, programs/web_main.cpp); this file only hosts it.
'use strict';

(function() {
  var PACKAGE = 'lockstep-data.tar.gz';
  var SOUNDTRACK = 'data/moravinte.mp3';
  var LOADING_PICTURE = 'loading_512x512.raw';
  var WINDOW_WIDTH = 800, WINDOW_HEIGHT = 600;
  var END_SHOWN_MS = 3000; // how long a tap shows the End control

  var stage = document.getElementById('stage');
  var canvas = document.getElementById('canvas');
  var bar = document.getElementById('progress-bar');
  var question = document.getElementById('question');
  var message = document.getElementById('message');
  var endControl = document.getElementById('end');

  // lockstep.html carries its files in itself (programs/web/embedded.js); index.html fetches them.
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

  // One sentence that stands until it is replaced or taken back (a null sentence).
  var noticeLine = null;
  function notice(sentence, error) {
    if (noticeLine) noticeLine.remove();
    noticeLine = null;
    if (!sentence) return;
    noticeLine = document.createElement('div');
    noticeLine.textContent = sentence;
    message.appendChild(noticeLine);
    (error ? console.error : console.warn)('lockstep: ' + sentence);
  }

  function fail(sentence) {
    if (failed) return;
    failed = true;
    keepScreenOn(false);
    document.getElementById('progress').style.display = 'none';
    question.style.display = 'none';
    say(sentence);
  }

  // A canvas whose context is lost shows the browser's broken-picture box: the black stage shows
  // instead until the context is back.
  function watchContext(c) {
    c.addEventListener('webglcontextlost', function() { c.style.visibility = 'hidden'; });
    c.addEventListener('webglcontextrestored', function() { c.style.visibility = ''; });
  }
  watchContext(canvas);

  // Without full screen (an iPhone's browser) "Yes" fills the window with the frame instead.
  var filling = false;
  function fill(on) {
    filling = on;
    stage.classList.toggle('filling', on);
  }

  function isFullscreen() {
    return document.fullscreenElement === stage || filling;
  }

  // The screen is kept on while the show plays. A browser lets the lock go while the page is
  // hidden; it is taken again when the page is back. A refusal is the browser's to make: the
  // screen may dim, and nothing is said on the picture.
  var wakeLock = null, keepAwake = false;
  function keepScreenOn(on) {
    keepAwake = on;
    if (!on) {
      if (wakeLock) wakeLock.release().catch(function() {});
      wakeLock = null;
      return;
    }
    if (wakeLock || document.hidden || !navigator.wakeLock) return;
    navigator.wakeLock.request('screen').then(function(lock) {
      if (!keepAwake) {
        lock.release().catch(function() {});
        return;
      }
      wakeLock = lock;
      lock.addEventListener('release', function() {
        if (wakeLock === lock) wakeLock = null;
      });
    }).catch(function(e) {
      console.info('lockstep: the screen may dim during the show (' + e.message + ')');
    });
  }
  document.addEventListener('visibilitychange', function() {
    if (keepAwake && !document.hidden) keepScreenOn(true);
  });

  // A tap on the picture shows the End control for a while; it ends the show as Escape does.
  var endTimer = 0;
  function showEnd(shown) {
    clearTimeout(endTimer);
    endControl.style.display = shown ? 'block' : 'none';
    if (shown) endTimer = setTimeout(function() { showEnd(false); }, END_SHOWN_MS);
  }
  stage.addEventListener('pointerdown', function(event) {
    if (showing && event.pointerType !== 'mouse' && event.target !== endControl) showEnd(true);
  });
  endControl.addEventListener('click', function() {
    showEnd(false);
    if (showing) Module._lockstep_escape();
  });

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
    notice: notice,
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
      if (filling) {
        return [Math.round(window.innerWidth * ratio), Math.round(window.innerHeight * ratio)];
      }
      return [Math.round(screen.width * ratio), Math.round(screen.height * ratio)];
    },
    ask: function(kind) {
      showing = false;
      keepScreenOn(false);
      showEnd(false);
      if (filling) {
        fill(false);
        page.layout();
      }
      document.getElementById('progress').style.display = 'none';
      document.getElementById('question-text').textContent = [
        'Fullscreen?', 'The show has ended. Play it again? Fullscreen?',
        'The picture was lost. Play it again? Fullscreen?'][kind];
      question.style.display = 'flex';
    },
    // A canvas whose context is given up cannot have another: a fresh one takes its place.
    newCanvas: function() {
      var fresh = document.createElement('canvas');
      fresh.id = canvas.id;
      fresh.width = canvas.width;
      fresh.height = canvas.height;
      fresh.style.cssText = canvas.style.cssText;
      fresh.style.visibility = '';
      watchContext(fresh);
      canvas.replaceWith(fresh);
      canvas = Module.canvas = fresh;
    },
    playing: function() {
      showing = true;
      question.style.display = 'none';
      keepScreenOn(true);
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
          say('The browser did not allow full screen; the show fills the window.');
          fill(true);
          page.layout();
        });
      } else {
        fill(true);
        page.layout();
      }
    }
    Module._lockstep_answer(fullScreen ? 1 : 0);
  }
  document.getElementById('fullscreen-yes').addEventListener('click', function() { answer(true); });
  document.getElementById('fullscreen-no').addEventListener('click', function() { answer(false); });
  document.addEventListener('fullscreenchange', function() {
    page.layout();
    // A browser's Escape leaves full screen before the page sees the key: it ends the show too.
    if (document.fullscreenElement !== stage && showing && !filling) Module._lockstep_escape();
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

  // The show's own archive holds plain files under plain names, the largest a 1024x1024 picture
  // (4 MiB); anything else is a damaged or tampered file.
  var MAX_MEMBER_BYTES = 16 << 20;
  var MAX_UNPACKED_BYTES = 64 << 20;
  var MEMBER_NAME = /^[A-Za-z0-9_][A-Za-z0-9_.-]{0,99}$/;

  // A tar archive read as it streams in: push(chunk) for each chunk, onFile(name, bytes) for
  // each plain file, end() when the stream ends. Both throw, naming the archive, where it is not
  // such an archive; a member is handed over only once all of its bytes are there, and nothing
  // is read past the archive's end (push returns true there).
  function untar(archive, onFile) {
    var header = new Uint8Array(512), headerFill = 0;
    var file = null, fileFill = 0, name = '', skip = 0, ended = false, unpacked = 0;
    var names = {};
    function damaged(why) {
      return new Error('The file ' + archive + ' is damaged: ' + why + '.');
    }
    function field(start, length) {
      var bytes = header.subarray(start, start + length);
      var end = bytes.indexOf(0);
      return new TextDecoder().decode(end < 0 ? bytes : bytes.subarray(0, end));
    }
    // An octal number field: digits, padded with spaces or NULs.
    function number(start, length) {
      var text = field(start, length).trim();
      return /^[0-7]{1,11}$/.test(text) ? parseInt(text, 8) : -1;
    }
    function readHeader() {
      var sum = 0;
      for (var i = 0; i < 512; i++) sum += i >= 148 && i < 156 ? 32 : header[i];
      if (number(148, 8) !== sum) throw damaged('a member\'s header does not match its checksum');
      var prefix = field(345, 155);
      name = (prefix ? prefix + '/' : '') + field(0, 100);
      var quoted = JSON.stringify(name.slice(0, 60));
      var size = number(124, 12);
      if (size < 0) throw damaged('the member ' + quoted + ' gives no size');
      if (size > MAX_MEMBER_BYTES) {
        throw damaged('the member ' + quoted + ' claims ' + size +
                      ' bytes, more than any file of the show');
      }
      if (!MEMBER_NAME.test(name)) throw damaged('a member is named ' + quoted);
      if (names[name]) throw damaged('the member ' + quoted + ' comes twice');
      names[name] = true;
      if (header[156] !== 0 && header[156] !== 48) { // '0': a plain file
        throw damaged('the member ' + quoted + ' is not a plain file');
      }
      file = new Uint8Array(size);
      fileFill = 0;
    }
    function push(chunk) {
      var at = 0;
      unpacked += chunk.length;
      if (unpacked > MAX_UNPACKED_BYTES) throw damaged('it unpacks to more than the show\'s files');
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
          readHeader();
        }
        if (file && fileFill === file.length) {
          onFile(name, file);
          skip = (512 - file.length % 512) % 512;
          file = null;
        }
      }
      return ended;
    }
    function end() {
      if (!ended) throw damaged('it is cut short');
    }
    return {push: push, end: end};
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
      var archive = untar(PACKAGE, function(name, bytes) {
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
        return reader.read().catch(function(e) {
          var why = String(e.message || e).replace(/\.$/, '');
          throw new Error('The file ' + PACKAGE + ' failed to load (' + why + ').');
        }).then(function(step) {
          if (step.done) {
            archive.end();
            return files;
          }
          if (archive.push(step.value)) {
            reader.cancel().catch(function() {});
            return files;
          }
          return next();
        });
      }
      return next().catch(function(e) {
        reader.cancel().catch(function() {});
        throw e;
      });
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
      spectrum: running ? Module._lockstep_spectrum_time() : -1,
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

// The single-file page, lockstep.html, plays from disk, where a page may fetch nothing: it carries
// the files that index.html fetches, each as base64 in a <script type="application/octet-stream"
// data-file="NAME"> block (tools/web/build.sh writes them). page.js asks lockstepFile(NAME) for
// one; it is decoded then and its block removed, so the page holds each file's text or its
// bytes, not both, and never one long string of it besides.
'use strict';

window.lockstepFile = function(name) {
  var block = document.querySelector('script[data-file="' + name + '"]');
  if (!block) return null;
  // The text of a script element is one node; slicing it copies nothing.
  var text = block.firstChild ? block.firstChild.data : '';
  block.remove();
  var padding = text.endsWith('==') ? 2 : text.endsWith('=') ? 1 : 0;
  var bytes = new Uint8Array(text.length / 4 * 3 - padding);
  var SLICE = 1 << 16; // a multiple of 4: each slice decodes on its own
  var at = 0;
  for (var i = 0; i < text.length; i += SLICE) {
    var part = atob(text.slice(i, i + SLICE));
    for (var j = 0; j < part.length; j++) bytes[at++] = part.charCodeAt(j);
  }
  return bytes;
};

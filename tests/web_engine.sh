#!/usr/bin/env bash
# One of the web page's browser tests (tests/web_KIND_test.js) in one engine: Chromium headless,
# Firefox and WebKit in a window of their own X server (xvfb-run). KIND clock needs no browser.
# A missing engine, Node.js, its clients or Emscripten is a skip, said in one line.
# Usage: web_engine.sh BUILD_DIR KIND [ENGINE]
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1 kind=$2 engine=${3:-}
command -v node >/dev/null || { echo "SKIP: no node (tools/setup.sh installs it)"; exit 77; }
[ "$kind" = clock ] && exec node "$root/tests/web_clock_test.js"
command -v emcc >/dev/null || { echo "SKIP: no emcc (tools/setup.sh installs it)"; exit 77; }
why=$(node "$root/tools/web/browsers.js" "$engine") || { echo "SKIP: $engine: $why"; exit 77; }
test=("$root/tests/web_${kind}_test.js" "$engine" "$build")
[ "$engine" = chromium ] && exec node "${test[@]}"
exec xvfb-run -a -s "-screen 0 1280x1024x24" node "${test[@]}"

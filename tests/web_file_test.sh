#!/usr/bin/env bash
# The web folder opened from disk in headless Chromium: see web_file_test.py. Skipped where
# Chromium or Emscripten is not installed.
# Usage: web_file_test.sh BUILD_DIR
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
for tool in chromium emcc; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool (tools/setup.sh installs it)"; exit 77; }
done
exec python3 "$root/tests/web_file_test.py" "$root" "$1"

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for SECONDS, one after another.
# Usage: tests/fuzz/run_fuzzers.sh SECONDS [BUILD_DIR]
# New inputs go to BUILD_DIR/fuzz-corpus (the committed seeds stay as they are), crashes to
# BUILD_DIR/fuzz-crashes, and each run's log to BUILD_DIR/fuzz-logs.
set -euo pipefail
SECONDS_EACH=${1:?usage: run_fuzzers.sh SECONDS [BUILD_DIR]}
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${2:-$ROOT/build-fuzz}

CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DLOCKSTEP_FUZZ=ON -DLOCKSTEP_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j2 --target raw_image_name_fuzz static_mesh_fuzz animated_mesh_fuzz

# The mesh targets write each input to a file: keep that file in memory where possible.
SCRATCH=$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo "$BUILD" )/lockstep-fuzz-XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT
mkdir -p "$BUILD/fuzz-logs" "$BUILD/fuzz-crashes"
status=0
for target in raw_image_name static_mesh animated_mesh; do
  corpus="$BUILD/fuzz-corpus/$target"
  mkdir -p "$corpus"
  log="$BUILD/fuzz-logs/$target.log"
  # -close_fd_mask=3 silences the loaders' messages; sanitizer reports still reach the log.
  if ! TMPDIR="$SCRATCH" "$BUILD/bin/${target}_fuzz" "$corpus" "$ROOT/tests/fuzz/corpus/$target" \
      -max_total_time="$SECONDS_EACH" -close_fd_mask=3 -max_len=4096 -rss_limit_mb=2048 \
      -artifact_prefix="$BUILD/fuzz-crashes/$target-" >"$log" 2>&1; then
    status=1
  fi
  runs=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | tail -1 || true)
  crashes=$(ls "$BUILD/fuzz-crashes" | grep -c "^$target-" || true)
  echo "$target: ${runs:-no summary (see $log)}; crash files: $crashes"
done
exit $status

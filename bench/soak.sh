#!/usr/bin/env bash
# An hour of looping in ten minutes: the player offscreen as `--loop 0-104000` plays it, for 10
# minutes of wall time, then the capture tool's frames over the whole show 5 times in one process,
# each pass after the first from the seek --from makes. bench/soak_bench.cpp says what is measured
# at every loop start and what the limits are. Builds in Release (build-release/), as bench/run.sh.
# Usage: bench/soak.sh [PLAYER_SECONDS [PASSES [FPS]]]      defaults: 600 5 60
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/tools/setup.sh"
say_failed_commands
BUILD=$ROOT/build-release
SECONDS_PLAYED=${1:-600}
PASSES=${2:-5}
FPS=${3:-60}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

echo "soak: building Release in $BUILD"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DLOCKSTEP_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target soak_bench >/dev/null
[ -f "$ROOT/data/.complete" ] || { echo "soak: no data set (lockstep-datagen $ROOT/data)"; exit 1; }

status=0
echo "soak: the player looping 0-104000 ms for $SECONDS_PLAYED s (load $(cut -d' ' -f1-3 /proc/loadavg))"
"$BUILD/bin/soak_bench" --root "$ROOT" --player "$SECONDS_PLAYED" \
  --recording "$WORK/recording.raw" 2>"$WORK/player.err" || status=1
grep -v "^CRITICAL" "$WORK/player.err" | tail -5 >&2 || true
echo "soak: the capture's frames over the show $PASSES times at $FPS fps (load $(cut -d' ' -f1-3 /proc/loadavg))"
"$BUILD/bin/soak_bench" --root "$ROOT" --capture "$PASSES" --fps "$FPS" 2>"$WORK/capture.err" ||
  status=1
tail -5 "$WORK/capture.err" >&2
echo "soak: done (load $(cut -d' ' -f1-3 /proc/loadavg))"
exit $status

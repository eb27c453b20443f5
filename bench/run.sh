#!/usr/bin/env bash
# Measures the show on this machine: frame rates per scene, set-up time, heap allocations per
# frame and the capture tool's throughput (at 800x600, and at 1440x1080), for the default
# ("fast") and the literal frame path and the floor (each frame's list rendered once and one
# full-screen textured pass) in the same run (the show's frames take turns; the capture runs
# alternate too), at 800x600 and at 1440x1080; the default path's read-back in the OpenGL ES 2.0
# context; the whole show to a video at 60 frames a second on the default path, against its
# 104 s of real time; and, when BENCH_REFERENCE names another build's lockstep-capture (the
# literal reference, say, built apart), the whole show at 30 frames a second, read-back only, by
# this build's default path and by that one, by turns. Builds in Release (build-release/),
# generates the data set when the generator exists, prints a table and writes the same figures
# as JSON.
# Usage: bench/run.sh [JSON_FILE]      default JSON_FILE: build-release/bench.json
# BENCH_CAPTURE_TO_MS sets how much of the show the capture runs cover (default 10000 ms);
# BENCH_WHOLE_SHOW=0 leaves out the whole show's video (about two minutes); BENCH_REFERENCE_ROUNDS
# sets how many turns each build takes at the whole show (default 2).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/tools/setup.sh"
say_failed_commands
BUILD=$ROOT/build-release
JSON=${1:-$BUILD/bench.json}
CAPTURE_TO_MS=${BENCH_CAPTURE_TO_MS:-10000}
WHOLE_SHOW=${BENCH_WHOLE_SHOW:-1}
REFERENCE=${BENCH_REFERENCE:-}
REFERENCE_ROUNDS=${BENCH_REFERENCE_ROUNDS:-2}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

echo "bench: building Release in $BUILD"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DLOCKSTEP_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" >/dev/null

GEN=$BUILD/bin/lockstep-datagen
if [ -x "$GEN" ] && { [ ! -f "$ROOT/data/.complete" ] || [ "$GEN" -nt "$ROOT/data/.complete" ]; }; then
  echo "bench: generating data/"
  rm -f "$ROOT/data/.complete"
  "$GEN" "$ROOT/data" >/dev/null && touch "$ROOT/data/.complete"
fi
[ -f "$ROOT/data/.complete" ] || echo "bench: no generated data set; measuring the show without content"

# Others may share this machine: the load around the runs says how far to trust wall times.
load_before=$(cut -d' ' -f1 /proc/loadavg)
# show_bench NAME [OPTIONS...]: the whole show, every path by turns, into $WORK/NAME.*
show_bench() {
  local name=$1
  shift
  "$BUILD/bin/show_bench" --root "$ROOT" --json "$WORK/$name.json" "$@" >"$WORK/$name.txt" \
    2>"$WORK/$name.err" || { cat "$WORK/$name.err"; exit 1; }
  [ -s "$WORK/$name.json" ] || { cat "$WORK/$name.err"; echo "bench: show_bench wrote no figures"; exit 1; }
}
echo "bench: the whole show, both frame paths and the floor by turns (about two minutes)"
show_bench show
echo "bench: the same at 1440x1080 (about two minutes)"
show_bench show_hd --size 1440x1080

# Throughput of the capture tool over the first CAPTURE_TO_MS of the show at 60 fps, from its
# closing line "N frames in S s (F fps)".
capture_fps() {
  "${BUILD_CAPTURE:-$BUILD/bin/lockstep-capture}" --root "$ROOT" --to "$CAPTURE_TO_MS" "$@" 2>"$WORK/capture.err" >/dev/null ||
    { tail -3 "$WORK/capture.err" >&2; echo null; return; }
  sed -n 's/^lockstep-capture: [0-9]* frames in .* s (\(.*\) fps)$/\1/p' "$WORK/capture.err" | tail -1
}
capture_seconds() {
  sed -n 's/^lockstep-capture: [0-9]* frames in \(.*\) s (.* fps)$/\1/p' "$WORK/capture.err" | tail -1
}
echo "bench: capture throughput over ${CAPTURE_TO_MS} ms of the show, both frame paths"
declare -A readback_fps frames_fps video_fps
for path in literal fast; do
  readback_fps[$path]=$(capture_fps --frame-path $path)
done
for path in literal fast; do
  frames_fps[$path]=$(capture_fps --frame-path $path --frames "$WORK/frames")
done
for path in literal fast; do
  video_fps[$path]=null
  if command -v ffmpeg >/dev/null; then
    video_fps[$path]=$(capture_fps --frame-path $path --video "$WORK/show.mp4")
  fi
done

# The capture at 1080 lines (1440x1080, readback only), beside the 800x600 figures above.
declare -A hd_readback_fps
for path in literal fast; do
  hd_readback_fps[$path]=$(capture_fps --frame-path $path --size 1440x1080)
done

# The default path in the OpenGL ES 2.0 context, read-back only.
es2_readback_fps=$(LOCKSTEP_GL=es2 capture_fps --frame-path fast)

# The whole show (to 104000 ms) to an H.264 video at 60 fps on the default path: faster than
# real time when it takes less than the show's 104 s.
whole_fps=null whole_s=null
if [ "$WHOLE_SHOW" != 0 ] && command -v ffmpeg >/dev/null; then
  echo "bench: the whole show to a video at 60 fps, default path (about two minutes)"
  whole_fps=$(CAPTURE_TO_MS=104000 capture_fps --frame-path fast --video "$WORK/show.mp4")
  whole_s=$(capture_seconds)
  whole_s=${whole_s:-null}
fi

# The whole show at 30 fps, read-back only: this build's default path and the reference build by
# turns, frames per second each time.
whole30_fps=() reference30_fps=() whole30_ratio=null
if [ -n "$REFERENCE" ]; then
  [ -x "$REFERENCE" ] || { echo "bench: BENCH_REFERENCE $REFERENCE is no program"; exit 1; }
  echo "bench: the whole show at 30 fps, this build and $REFERENCE by turns ($REFERENCE_ROUNDS each)"
  for ((round = 0; round < REFERENCE_ROUNDS; ++round)); do
    reference30_fps+=("$(BUILD_CAPTURE=$REFERENCE CAPTURE_TO_MS=104000 capture_fps --fps 30)")
    whole30_fps+=("$(CAPTURE_TO_MS=104000 capture_fps --fps 30 --frame-path fast)")
  done
  whole30_ratio=$(printf '%s\n' "${whole30_fps[@]}" "--" "${reference30_fps[@]}" | awk '
    $0 == "--" { ref = 1; next }
    $0 == "null" || $0 == "" { bad = 1 }
    { if (ref) { r += $0; nr++ } else { w += $0; nw++ } }
    END { if (bad || !nr || !nw || r == 0) print "null"; else printf "%.2f", (w / nw) / (r / nr) }')
fi

load_after=$(cut -d' ' -f1 /proc/loadavg)
cpu=$(sed -n '/^model name/ {s/^model name[[:space:]]*: //p; q}' /proc/cpuinfo)
echo
cat "$WORK/show.txt"
echo
cat "$WORK/show_hd.txt"
for path in fast literal; do
  echo "capture ($path), ${CAPTURE_TO_MS} ms at 60 fps: readback only ${readback_fps[$path]} fps, --frames ${frames_fps[$path]} fps, --video ${video_fps[$path]} fps"
  echo "capture ($path), ${CAPTURE_TO_MS} ms at 60 fps, 1440x1080: readback only ${hd_readback_fps[$path]} fps"
done
echo "capture (fast, OpenGL ES 2.0), ${CAPTURE_TO_MS} ms at 60 fps: readback only ${es2_readback_fps} fps"
echo "whole show (104000 ms) to a video at 60 fps, default path: ${whole_fps} fps, ${whole_s} s for 104 s of show"
if [ -n "$REFERENCE" ]; then
  echo "whole show (104000 ms) at 30 fps, read-back only: this build's default path ${whole30_fps[*]} fps, $REFERENCE ${reference30_fps[*]} fps: x${whole30_ratio}"
fi
echo "machine: $(nproc) cores, ${cpu}; load average ${load_before} before, ${load_after} after"

mkdir -p "$(dirname "$JSON")"
{
  echo "{"
  echo "  \"date\": \"$(date -u +%Y-%m-%dT%H:%M:%SZ)\","
  echo "  \"cpu\": \"${cpu}\","
  echo "  \"load_average\": {\"before\": ${load_before}, \"after\": ${load_after}},"
  echo "  \"show\": $(sed 's/^/  /' "$WORK/show.json" | sed '1s/^  //'),"
  echo "  \"show_1440x1080\": $(sed 's/^/  /' "$WORK/show_hd.json" | sed '1s/^  //'),"
  list() { local IFS=,; echo "[$*]"; }
  echo "  \"whole_show_30fps\": {\"reference\": \"${REFERENCE}\", \"default_fps\": $(list "${whole30_fps[@]}"), \"reference_fps\": $(list "${reference30_fps[@]}"), \"ratio\": ${whole30_ratio}},"
  echo "  \"capture_es2\": {\"to_ms\": ${CAPTURE_TO_MS}, \"fast\": {\"readback_fps\": ${es2_readback_fps:-null}}},"
  echo "  \"whole_show_video\": {\"fps\": ${whole_fps:-null}, \"seconds\": ${whole_s:-null}, \"show_seconds\": 104},"
  echo "  \"capture_1440x1080\": {\"to_ms\": ${CAPTURE_TO_MS}, \"fast\": {\"readback_fps\": ${hd_readback_fps[fast]:-null}}, \"literal\": {\"readback_fps\": ${hd_readback_fps[literal]:-null}}},"
  echo "  \"capture\": {\"to_ms\": ${CAPTURE_TO_MS},"
  for path in fast literal; do
    sep=,; [ $path = literal ] && sep=
    echo "    \"$path\": {\"readback_fps\": ${readback_fps[$path]:-null}, \"frames_fps\": ${frames_fps[$path]:-null}, \"video_fps\": ${video_fps[$path]:-null}}$sep"
  done
  echo "  }"
  echo "}"
} >"$JSON.part"
mv "$JSON.part" "$JSON"
echo "bench: figures written to $JSON"

#!/usr/bin/env bash
# Frame sizes other than 800x600: bad sizes are refused before anything opens, and a 1600x1200
# frame shows the 800x600 picture, only finer: box-filtered down it is close to the 800x600 one.
# Usage: frame_size_test.sh BUILD_DIR
set -uo pipefail
source "$(dirname "$0")/support/script_checks.sh" "$1"

# refused PROGRAM MENTION ARGS...: exit 2, MENTION in the one line before the usage. Without a
# display the X11 driver would complain at once if the program opened anything.
refused() {
  local program=$1 mention=$2 rc=0
  shift 2
  env -u DISPLAY SDL_VIDEODRIVER=x11 "$BUILD/bin/$program" "$@" >"$WORK/out" 2>"$WORK/err" || rc=$?
  [ "$rc" -eq 2 ] || fail "$program $* exited $rc, not 2"
  head -1 "$WORK/err" | grep -q -- "$mention" ||
    fail "$program $* did not say '$mention': $(head -1 "$WORK/err")"
  "$BUILD/bin/$program" --help >"$WORK/usage"
  tail -n +2 "$WORK/err" | cmp -s - "$WORK/usage" || fail "$program $*: more than the usage: $(cat "$WORK/err")"
}

refused lockstep "--size 1000x600 is not 4:3" --size 1000x600 --windowed
refused lockstep "smaller than the smallest frame, 320x240" --size 316x237
refused lockstep "larger than the largest frame, 16384x12288" --size 20000x15000
refused lockstep "--size wants WxH" --size 1440x
refused lockstep-capture "--size 1440x1000 is not 4:3" --size 1440x1000
refused lockstep-capture "--video needs even sides" --size 324x243 --video "$WORK/odd.mp4"

# --- One time in each scene at both sizes, from the real data set (generated here if need be).
ROOT=$SRC
if [ ! -f "$SRC/data/.complete" ]; then
  ROOT=$WORK/show
  "$BUILD/bin/lockstep-datagen" "$ROOT/data" >/dev/null || fail "cannot generate a data set"
fi
# City, road (first, middle, long camera), credits, finale.
TIMES="8000 34200 35800 40000 56300 88000"
capture_at() {
  local size=$1 args=() t
  for t in $TIMES; do args+=(--still "$t=$WORK/$size-$t.png"); done
  "$BUILD/bin/lockstep-capture" --root "$ROOT" --fps 1 --to 88000 --size "$size" "${args[@]}" \
    2>"$WORK/$size.err" >/dev/null || fail "capture at $size: $(tail -1 "$WORK/$size.err")"
}
capture_at 800x600 &
capture_at 1600x1200 &
wait

size=$(ffprobe -v error -show_entries stream=width,height -of csv=p=0 "$WORK/1600x1200-8000.png")
[ "$size" = "1600,1200" ] || fail "the 1600x1200 still is $size"
for t in $TIMES; do
  psnr=$(ffmpeg -nostats -i "$WORK/1600x1200-$t.png" -i "$WORK/800x600-$t.png" -lavfi \
    "[0]format=rgb24,scale=800:600:flags=area[a];[1]format=rgb24[b];[a][b]psnr" -f null - 2>&1 |
    sed -n 's/.*PSNR.* average:\([0-9.inf]*\).*/\1/p')
  echo "$t ms: PSNR ${psnr:-?} dB"
  awk -v p="${psnr:-0}" 'BEGIN { exit !(p == "inf" || p + 0 >= 30) }' ||
    fail "at $t ms the 1600x1200 still box-filtered to 800x600 is $psnr dB from the 800x600 one"
done

end_checks
echo "frame sizes: all checks passed"

#!/usr/bin/env bash
# How close the default frame path comes to the literal GL 1.1 passes, in both contexts it runs
# in: desktop OpenGL and OpenGL ES 2.0 (LOCKSTEP_GL=es2; the literal path needs the desktop one).
# The show is captured at the contact sheet's 20 moments at 800x600 (10 frames a second, as the
# contact sheet) and at four of them at 1440x1080 (one frame a second), and compared still by
# still. Prints per still the PSNR, the 99th percentile and the largest per-channel difference
# (in 1/255 steps), the share of pixels within 2/255 and the 16x16 block whose mean differs most
# in one channel (its mean difference in 1/255 steps, and where); checks on every still PSNR >=
# 45 dB, 97% of pixels within 2/255 and no block mean off by more than 3/255 (a shifted or
# missing thing shows as a block, a soft edge does not); and writes the differences, amplified
# 32 times, of the still with the lowest PSNR and of the one with the worst block to
# OUT_DIR/worst_difference.png and OUT_DIR/worst_block_difference.png.
# Usage: bench/fidelity.sh [BUILD_DIR] [OUT_DIR]   (shows data/; run lockstep-datagen first)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/tools/setup.sh"
say_failed_commands
BUILD=${1:-$ROOT/build}
OUT=${2:-$BUILD/fidelity}
TIMES=(3000 7000 11000 13600 18000 23800 30000 34200 35800 40000 50000 56300 60300 68300 82900
  85500 90000 96000 101000 103000)
HD_TIMES=(7000 35800 56300 96000)
MIN_PSNR=45
MIN_WITHIN=0.97
MAX_BLOCK=3

cmake --build "$BUILD" -j2 --target lockstep-capture still_diff >/dev/null
mkdir -p "$OUT"
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen} SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

# capture NAME CONTEXT PATH SIZE FPS MS...: stills into $OUT/NAME-MS.png.
capture() {
  local name=$1 context=$2 path=$3 size=$4 fps=$5 args=() ms last
  shift 5
  for ms in "$@"; do args+=(--still "$ms=$OUT/$name-$ms.png"); last=$ms; done
  LOCKSTEP_GL=$context "$BUILD/bin/lockstep-capture" --root "$ROOT" --fps "$fps" --to "$last" \
    --size "$size" --frame-path "$path" "${args[@]}" 2>"$OUT/$name.log" ||
    { tail -3 "$OUT/$name.log"; exit 1; }
}
for context in gl es2; do
  [ $context = gl ] && capture literal gl literal 800x600 10 "${TIMES[@]}"
  capture "$context" "$context" fast 800x600 10 "${TIMES[@]}"
  [ $context = gl ] && capture literal-hd gl literal 1440x1080 1 "${HD_TIMES[@]}"
  capture "$context-hd" "$context" fast 1440x1080 1 "${HD_TIMES[@]}"
done

failed=0 worst="" worst_psnr=1000 worst_block="" worst_block_mean=-1 worst_block_at=""
# table NAME TITLE MS...: the default path's stills NAME-MS against the literal ones.
table() {
  local name=$1 title=$2 reference=literal ms figures psnr p99 max within block x y
  shift 2
  case $name in *-hd) reference=literal-hd ;; esac
  echo
  echo "$title ($(sed -n '/^lockstep-capture: \(OpenGL ES \)\{0,1\}[0-9]/ {s/^lockstep-capture: //p; q}' "$OUT/$name.log"))"
  printf '%8s %9s %4s %4s %9s %17s\n' "ms" "PSNR dB" "p99" "max" "within 2" "worst block at"
  for ms in "$@"; do
    figures=$("$BUILD/bin/still_diff" "$OUT/$reference-$ms.png" "$OUT/$name-$ms.png")
    read -r psnr p99 max within block x y <<<"$figures"
    printf '%8s %9s %4s %4s %9s %6s %10s\n' "$ms" "$psnr" "$p99" "$max" "$within" "$block" "$x,$y"
    [ "$psnr" = inf ] && continue
    if awk -v p="$psnr" -v w="$within" -v b="$block" -v mp=$MIN_PSNR -v mw=$MIN_WITHIN \
        -v mb=$MAX_BLOCK 'BEGIN { exit !(p < mp || w < mw || b > mb) }'; then
      echo "  beyond the limits"
      failed=1
    fi
    if awk -v p="$psnr" -v b="$worst_psnr" 'BEGIN { exit !(p < b) }'; then
      worst="$reference-$ms.png $name-$ms.png"
      worst_psnr=$psnr
    fi
    if awk -v m="$block" -v b="$worst_block_mean" 'BEGIN { exit !(m > b) }'; then
      worst_block="$reference-$ms.png $name-$ms.png"
      worst_block_mean=$block
      worst_block_at="$x,$y"
    fi
  done
}
table gl "desktop OpenGL, 800x600" "${TIMES[@]}"
table es2 "OpenGL ES 2.0, 800x600" "${TIMES[@]}"
table gl-hd "desktop OpenGL, 1440x1080" "${HD_TIMES[@]}"
table es2-hd "OpenGL ES 2.0, 1440x1080" "${HD_TIMES[@]}"

echo
if [ -n "$worst" ]; then
  set -- $worst
  "$BUILD/bin/still_diff" "$OUT/$1" "$OUT/$2" "$OUT/worst_difference.png" >/dev/null
  echo "lowest PSNR: $2 against $1 ($worst_psnr dB); its difference x32: $OUT/worst_difference.png"
  set -- $worst_block
  "$BUILD/bin/still_diff" "$OUT/$1" "$OUT/$2" "$OUT/worst_block_difference.png" >/dev/null
  echo "worst block: $2 against $1, ${worst_block_mean}/255 in the 16x16 block from pixel $worst_block_at (top left); its difference x32: $OUT/worst_block_difference.png"
else
  echo "every still is identical on both paths"
fi
[ $failed = 0 ] && echo "fidelity: every still within PSNR >= $MIN_PSNR dB, $MIN_WITHIN of pixels within 2/255 and no 16x16 block's mean off by more than $MAX_BLOCK/255"
exit $failed

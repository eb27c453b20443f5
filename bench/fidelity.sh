#!/usr/bin/env bash
# How close the fast frame path comes to the literal one: the show captured on both paths at the
# contact sheet's 20 moments, compared still by still. Prints per still the PSNR, the 99th
# percentile and the largest per-channel difference (in 1/255 steps) and the share of pixels
# within 2/255, checks PSNR >= 42 dB and 99% of pixels within 2/255 on every still, and writes
# the worst still's difference, amplified 32 times, to OUT_DIR/worst_difference.png.
# Usage: bench/fidelity.sh [BUILD_DIR] [OUT_DIR]   (shows data/; run lockstep-datagen first)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/tools/setup.sh"
say_failed_commands
BUILD=${1:-$ROOT/build}
OUT=${2:-$BUILD/fidelity}
TIMES=(3000 7000 11000 13600 18000 23800 30000 34200 35800 40000 50000 56300 60300 68300 82900
  85500 90000 96000 101000 103000)
MIN_PSNR=42
MIN_WITHIN=0.99

cmake --build "$BUILD" -j2 --target lockstep-capture still_diff >/dev/null
mkdir -p "$OUT"
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen} SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
for path in literal fast; do
  args=()
  for ms in "${TIMES[@]}"; do args+=(--still "$ms=$OUT/$path-$ms.png"); done
  "$BUILD/bin/lockstep-capture" --root "$ROOT" --fps 10 --to 103000 --frame-path "$path" \
    "${args[@]}" 2>"$OUT/$path.log" || { tail -3 "$OUT/$path.log"; exit 1; }
done

printf '%8s %9s %4s %4s %9s\n' "ms" "PSNR dB" "p99" "max" "within 2"
failed=0 worst="" worst_psnr=1000
for ms in "${TIMES[@]}"; do
  figures=$("$BUILD/bin/still_diff" "$OUT/literal-$ms.png" "$OUT/fast-$ms.png")
  read -r psnr p99 max within <<<"$figures"
  printf '%8s %9s %4s %4s %9s\n' "$ms" "$psnr" "$p99" "$max" "$within"
  if [ "$psnr" != inf ]; then
    awk -v p="$psnr" -v w="$within" -v mp=$MIN_PSNR -v mw=$MIN_WITHIN \
      'BEGIN { exit !(p < mp || w < mw) }' && { echo "  below the limits"; failed=1; }
    awk -v p="$psnr" -v b="$worst_psnr" 'BEGIN { exit !(p < b) }' && { worst=$ms; worst_psnr=$psnr; }
  fi
done
if [ -n "$worst" ]; then
  "$BUILD/bin/still_diff" "$OUT/literal-$worst.png" "$OUT/fast-$worst.png" \
    "$OUT/worst_difference.png" >/dev/null
  echo "worst still: $worst ms ($worst_psnr dB); its difference x32: $OUT/worst_difference.png"
else
  echo "every still is identical on both paths"
fi
[ $failed = 0 ] && echo "fidelity: every still within PSNR >= $MIN_PSNR dB and $MIN_WITHIN of pixels within 2/255"
exit $failed

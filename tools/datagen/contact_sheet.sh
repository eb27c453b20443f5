#!/usr/bin/env bash
# Contact sheet of the show for reviewing the data set: stills of every scene at the moments
# that matter, captured offscreen with lockstep-capture and laid out with ImageMagick (labels in
# DejaVu Sans, which ImageMagick's fontconfig brings).
# Usage: tools/datagen/contact_sheet.sh [BUILD_DIR] [OUT.png]   (run from the repository; it
# shows the data set in data/, so run lockstep-datagen first)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${1:-$ROOT/build}
OUT=${2:-$ROOT/contact_sheet.png}
FPS=${CONTACT_SHEET_FPS:-10} # scene times lag the demo time by one frame of this rate
SHOW_ROOT=${CONTACT_SHEET_ROOT:-$ROOT} # the folder whose data/ is shown

# time (ms) and what it shows
SHOTS=(
  "3000:city, intro fade"        "7000:title swings in"       "11000:title at rest"
  "13600:title swings on"        "18000:second title rest"    "23800:balls appear"
  "30000:city turned"            "34200:road, first camera"   "35800:road, second camera"
  "40000:road, third camera"     "50000:road, bar 30"         "56300:credits"
  "60300:credits, code"          "68300:credits, music"       "82900:greetings"
  "85500:greetings, projects"    "90000:finale"               "96000:finale, end fade"
  "101000:end fade"              "103000:nearly black"
)

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
args=() labels=()
for shot in "${SHOTS[@]}"; do
  ms=${shot%%:*}
  args+=(--still "$ms=$WORK/$ms.png")
  label=$(printf '%d:%02d.%d  %s' $((ms / 60000)) $((ms % 60000 / 1000)) $((ms % 1000 / 100)) "${shot#*:}")
  labels+=(-label "$label" "$WORK/$ms.png")
done
SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen} SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} \
  "$BUILD/bin/lockstep-capture" --root "$SHOW_ROOT" --fps "$FPS" --to 103000 "${args[@]}"
# Made beside its final name, which it takes once whole.
montage "${labels[@]}" -font DejaVu-Sans -tile 5x4 -geometry 320x240+4+4 -pointsize 13 -background '#202020' \
  -fill white -depth 8 "PNG:$OUT.part" || { rm -f "$OUT.part"; exit 1; }
mv -f "$OUT.part" "$OUT"
echo "contact sheet: $OUT"

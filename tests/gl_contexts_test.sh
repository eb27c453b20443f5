#!/usr/bin/env bash
# The default frame path in both contexts it runs in, desktop OpenGL and OpenGL ES 2.0
# (LOCKSTEP_GL=es2), against the literal GL 1.1 passes at four moments of the real show: PSNR at
# least 45 dB, 97% of pixels within 2/255 and no 16x16 block's mean off by more than 3/255. The
# literal path asked for in OpenGL ES says why it cannot run and draws the default one.
# Usage: gl_contexts_test.sh BUILD_DIR
set -uo pipefail
source "$(dirname "$0")/support/script_checks.sh" "$1"

ROOT=$SRC
if [ ! -f "$SRC/data/.complete" ]; then
  ROOT=$WORK/show
  "$BUILD/bin/lockstep-datagen" "$ROOT/data" >/dev/null || fail "cannot generate a data set"
fi
# The intro's white, the road, the credits, the end fade.
TIMES="3000 40000 56300 96000"

# capture NAME CONTEXT PATH: stills at TIMES into $WORK/NAME-MS.png, stderr in $WORK/NAME.err.
capture() {
  local name=$1 context=$2 path=$3 args=() t
  for t in $TIMES; do args+=(--still "$t=$WORK/$name-$t.png"); done
  LOCKSTEP_GL=$context "$BUILD/bin/lockstep-capture" --root "$ROOT" --fps 1 --to 96000 \
    --frame-path "$path" "${args[@]}" 2>"$WORK/$name.err" >/dev/null ||
    fail "capture $name: $(tail -1 "$WORK/$name.err")"
}
capture literal gl literal &
capture default gl fast &
wait
capture es2 es2 literal

grep -q "^lockstep-capture: OpenGL ES " "$WORK/es2.err" ||
  fail "the es2 capture does not name an OpenGL ES context: $(head -2 "$WORK/es2.err")"
[ "$(grep -c "no fixed-function pipeline for the literal frame path" "$WORK/es2.err")" = 1 ] ||
  fail "the es2 capture does not say once why the literal path cannot run: $(cat "$WORK/es2.err")"
grep -q "^lockstep-capture: [0-9].*Mesa" "$WORK/default.err" ||
  fail "the desktop capture does not name its GL version: $(head -2 "$WORK/default.err")"

for name in default es2; do
  for t in $TIMES; do
    read -r psnr p99 max within block x y < <("$BUILD/bin/still_diff" "$WORK/literal-$t.png" "$WORK/$name-$t.png")
    echo "$name $t ms: PSNR $psnr dB, p99 $p99, max $max, within 2/255 $within, worst block $block at $x,$y"
    [ "$psnr" = inf ] && continue
    awk -v p="$psnr" -v w="$within" -v b="$block" 'BEGIN { exit !(p >= 45 && w >= 0.97 && b <= 3) }' ||
      fail "$name at $t ms: PSNR $psnr dB, $within of pixels within 2/255, a block off by $block/255"
  done
done

end_checks
echo "GL contexts: all checks passed"

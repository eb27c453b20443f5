#!/usr/bin/env bash
# Draws the same stills with two builds' capture tools and compares their pixels: 40 moments
# spread over the show, at 800x600 and 1440x1080, in the desktop and the OpenGL ES 2.0 context,
# on both frame paths (asked for the literal one, OpenGL ES draws the default one and says so).
# Names every still whose pixels differ and exits 1 if any does; 0 when all are identical.
# Usage: tools/compare_builds.sh [--root-a DIR] [--root-b DIR] [--still-diff BIN] [--keep DIR]
#            CAPTURE_A CAPTURE_B [-- CAPTURE_ARGS...]
# Each root holds the data/ its build reads (default: this repository); --still-diff is the
# decoder that compares two PNGs (default: build/bin/still_diff); --keep leaves the stills there.
# CAPTURE_ARGS go to every capture (say --hud).
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
root_a=$ROOT root_b=$ROOT diff_bin=$ROOT/build/bin/still_diff keep=
while [ $# -gt 0 ]; do
  case $1 in
    --root-a) root_a=$2; shift 2 ;;
    --root-b) root_b=$2; shift 2 ;;
    --still-diff) diff_bin=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    --) break ;;
    -*) echo "compare_builds.sh: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
[ $# -ge 2 ] || { sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
capture_a=$1 capture_b=$2
shift 2
[ "${1:-}" = -- ] && shift
extra=("$@")
for bin in "$capture_a" "$capture_b" "$diff_bin"; do
  [ -x "$bin" ] || { echo "compare_builds.sh: no program $bin" >&2; exit 2; }
done

work=${keep:-$(mktemp -d)}
mkdir -p "$work"
[ -n "$keep" ] || trap 'rm -rf "$work"' EXIT

# 40 moments, 2.6 s apart from 1.3 s on: every scene, the intro's white and the end's black.
TIMES=$(seq 1300 2600 102700)
LAST=$(echo "$TIMES" | tail -1)

# capture BIN ROOT DIR CONTEXT PATH SIZE: the stills into DIR/MS.png, stderr into DIR.err.
capture() {
  local bin=$1 root=$2 dir=$3 context=$4 path=$5 size=$6 args=() t
  mkdir -p "$dir"
  for t in $TIMES; do args+=(--still "$t=$dir/$t.png"); done
  LOCKSTEP_GL=$context "$bin" --root "$root" --fps 1 --to "$LAST" --size "$size" \
    --frame-path "$path" "${args[@]}" "${extra[@]}" >/dev/null 2>"$dir.err"
}

stills=0 differing=0 failed=0
for size in 800x600 1440x1080; do
  for context in gl es2; do
    for path in fast literal; do
      name=$context-$path-$size
      capture "$capture_a" "$root_a" "$work/a/$name" "$context" "$path" "$size" &
      capture "$capture_b" "$root_b" "$work/b/$name" "$context" "$path" "$size"
      rc_b=$?
      wait $!
      rc_a=$?
      note=
      [ "$context" = es2 ] && [ "$path" = literal ] &&
        note=" (OpenGL ES has no literal path: $(grep -c "no fixed-function pipeline" \
          "$work/b/$name.err") line saying so, the default path drawn)"
      if [ $rc_a -ne 0 ] || [ $rc_b -ne 0 ]; then
        echo "$name: capture failed (A $rc_a, B $rc_b): $(tail -1 "$work/a/$name.err")" \
          "/ $(tail -1 "$work/b/$name.err")"
        failed=$((failed + 1))
        continue
      fi
      same=0
      for t in $TIMES; do
        stills=$((stills + 1))
        a=$work/a/$name/$t.png b=$work/b/$name/$t.png
        if cmp -s "$a" "$b"; then
          same=$((same + 1))
          continue
        fi
        max=
        out=$("$diff_bin" "$a" "$b" 2>&1) && read -r psnr p99 max within block x y <<<"$out"
        if [ "$max" = 0 ]; then
          same=$((same + 1))
        elif [ -z "$max" ]; then
          echo "DIFFERS $name at $t ms: cannot be compared: $out"
          differing=$((differing + 1))
        else
          echo "DIFFERS $name at $t ms: PSNR $psnr dB, largest difference $max/255," \
            "worst block $block at $x,$y"
          differing=$((differing + 1))
        fi
      done
      echo "$name: $same of $(echo "$TIMES" | wc -l) stills identical$note"
    done
  done
done
echo "compare_builds: $stills stills compared, $differing differ, $failed captures failed"
[ $differing -eq 0 ] && [ $failed -eq 0 ]

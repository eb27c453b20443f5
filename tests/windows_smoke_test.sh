#!/usr/bin/env bash
# The Windows folder (dist/lockstep-win64.zip, from tools/windows/build.sh) under Wine and Xvfb:
# the question box is answered, the show moves on screen, Escape ends it with exit code 0 and the
# closing frame count. Once windowed, once full screen; the screens go to BUILD_DIR/tests/output.
# Usage: windows_smoke_test.sh BUILD_DIR
set -u
build=$1
root=$(cd "$(dirname "$0")/.." && pwd)
zip=$root/dist/lockstep-win64.zip
wine=/usr/lib/wine/wine64
if [ ! -f "$zip" ]; then
  echo "SKIP: no $zip (tools/windows/build.sh writes it; ./test.sh runs that)"; exit 77
fi
for tool in "$wine" xvfb-run xdotool xwininfo ffmpeg unzip; do
  command -v "$tool" >/dev/null || { echo "$tool is needed (./test.sh installs it)"; exit 1; }
done
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
# No .NET, no browser engine, no desktop menu entries: nothing a fresh prefix would fetch or write
# outside itself.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
trap '/usr/lib/wine/wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
unset SDL_VIDEODRIVER SDL_AUDIODRIVER
unzip -q "$zip" -d "$work"
shots=$build/tests/output
mkdir -p "$shots"

cat > "$work/session.sh" <<'INNER'
set -u
wine=$1 answer=$2 expect=$3 shot=$4
fail() { echo "FAIL ($answer): $*"; kill -9 "$pid" 2>/dev/null; exit 1; }
find_window() { xwininfo -root -tree 2>/dev/null | grep "\"$1\"" | awk '{print $1}' | head -1; }
# grab FILE.png WxH: the screen's top-left WxH; prints its grey levels, 64x48 of them.
grab() {
  ffmpeg -loglevel error -f x11grab -video_size "$2" -i "$DISPLAY+0,0" -frames:v 1 -y "$1" &&
    ffmpeg -loglevel error -i "$1" -vf scale=64:48 -pix_fmt gray -f rawvideo - | od -An -v -tu1
}
spread() { awk '{for (i = 1; i <= NF; i++) {s += $i; q += $i * $i; n++}}
  END {m = s / n; printf "%d\n", sqrt(q / n - m * m)}'; }

"$wine" lockstep.exe > out.txt 2> err.txt &
pid=$!
box=""
# A fresh Wine prefix takes a few seconds to set up before the program starts.
for _ in $(seq 900); do box=$(find_window "Fullscreen?"); [ -n "$box" ] && break; sleep 0.1; done
[ -n "$box" ] || fail "no question box: $(tail -3 err.txt)"
for _ in $(seq 10); do
  xdotool windowfocus --sync "$box" key "$answer" 2>/dev/null
  for _ in $(seq 30); do [ -z "$(find_window "Fullscreen?")" ] && break 2; sleep 0.1; done
done
win=""
for _ in $(seq 400); do win=$(find_window lockstep); [ -n "$win" ] && break; sleep 0.1; done
[ -n "$win" ] || fail "no lockstep window: $(tail -3 err.txt)"
[ -z "$(find_window "Fullscreen?")" ] || fail "the question box is still there"
size=$(xwininfo -id "$win" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}')
[ "$size" = "$expect" ] || fail "window is $size, expected $expect"
# The show is on screen when two pictures in a row have detail and differ: loading is still.
sleep 1
now=$(grab "$shot" "$size")
moved=""
for _ in $(seq 60); do
  sleep 0.5
  before=$now
  now=$(grab "$shot" "$size")
  if [ "$now" != "$before" ] && [ "$(echo "$before" | spread)" -ge 12 ] &&
    [ "$(echo "$now" | spread)" -ge 12 ]; then moved=1; break; fi
done
[ -n "$moved" ] || fail "no moving picture on screen (spread $(echo "$now" | spread)), see $shot"
xdotool windowfocus --sync "$win" key Escape
for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "Escape did not stop the demo"
wait "$pid"; rc=$?
[ "$rc" = 0 ] || fail "exit code $rc: $(tail -3 err.txt)"
grep -q "frames in" err.txt || fail "no frame count on stderr: $(tail -3 err.txt)"
echo "ok ($answer): $size, spread $(echo "$now" | spread), $(tail -1 err.txt)"
INNER

cd "$work/lockstep-win64"
# session ANSWER SIZE SHOT: session.sh on an Xvfb of its own. Xvfb resets itself whenever its
# last client leaves and refuses a client that connects meanwhile (Wine's processes and each
# xwininfo come and go): -noreset keeps it as it is. A session cut short by the time limit says so.
session() {
  local rc=0
  timeout 150 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$work/session.sh" "$wine" "$@" ||
    rc=$?
  [ "$rc" != 124 ] || echo "FAIL ($1): no end within 150 s"
  [ "$rc" = 0 ]
}
status=0
session Escape 800x600 "$shots/windows_smoke_windowed.png" || status=1
/usr/lib/wine/wineserver -k 2>/dev/null
session Return 1280x1024 "$shots/windows_smoke_fullscreen.png" || status=1
exit $status

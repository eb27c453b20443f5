#!/usr/bin/env bash
# The real X11 path under Xvfb: the question box (or an option that answers it), the window's
# geometry, Escape, exit code 0; and bad options refused before any window.
# Usage: window_smoke_test.sh BUILD_DIR
set -u
build=$1
src=$(cd "$(dirname "$0")/.." && pwd)
if ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null; then
  echo "xvfb-run and xdotool are needed (./test.sh installs them)"; exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/session.sh" <<'INNER'
set -u
unset SDL_VIDEODRIVER
# session.sh BIN ANSWER EXPECT [OPTION...]: ANSWER is the key for the box, or "none" when the
# options answer it and no box may appear.
bin=$1 answer=$2 expect=$3
shift 3
opts="$*"
fail() { echo "FAIL ($answer $opts): $*"; kill -9 "$pid" 2>/dev/null; exit 1; }
find_window() { xwininfo -root -tree | grep "\"$1\"" | awk '{print $1}' | head -1; }

"$bin" "$@" > out.txt 2> err.txt &
pid=$!
if [ "$answer" != none ]; then
  box=""
  for _ in $(seq 400); do box=$(find_window "Fullscreen?"); [ -n "$box" ] && break; sleep 0.1; done
  [ -n "$box" ] || fail "no question box: $(cat err.txt)"
  # The box may take a moment to accept input on a loaded machine: answer until it is gone.
  for _ in $(seq 10); do
    timeout 10 xdotool windowfocus --sync "$box" key "$answer" 2>/dev/null
    for _ in $(seq 30); do [ -z "$(find_window "Fullscreen?")" ] && break 2; sleep 0.1; done
  done
fi
win=""
for _ in $(seq 400); do
  [ -n "$(find_window "Fullscreen?")" ] && [ "$answer" = none ] && fail "a question box"
  win=$(find_window lockstep); [ -n "$win" ] && break; sleep 0.1
done
[ -n "$win" ] || fail "no lockstep window"
sleep 0.5
[ -z "$(find_window "Fullscreen?")" ] || fail "the question box is still there"
info=$(xwininfo -id "$win")
x=$(echo "$info" | awk '/Absolute upper-left X/ {print $4}')
y=$(echo "$info" | awk '/Absolute upper-left Y/ {print $4}')
w=$(echo "$info" | awk '/Width:/ {print $2}')
h=$(echo "$info" | awk '/Height:/ {print $2}')
b=$(echo "$info" | awk '/Border width/ {print $3}')
[ "$x,$y,${w}x$h,$b" = "$expect" ] || fail "window is $x,$y,${w}x$h,$b, expected $expect"
# BARS=N: the frame is drawn 1:1 in the middle of the screen, between black bars N pixels wide.
if [ -n "${BARS:-}" ]; then
  # nonblack CROP: how many pixels of that part of the screenshot are not black
  nonblack() {
    ffmpeg -v error -i shot.png -vf "crop=$1,format=gray" -f rawvideo - | tr -d '\000' | wc -c
  }
  inner=$((w - 2 * BARS))
  for _ in $(seq 20); do
    ffmpeg -v error -y -f x11grab -video_size "${w}x$h" -i "$DISPLAY" -frames:v 1 shot.png ||
      fail "no screenshot"
    [ "$(nonblack "1:$h:$BARS:0")" -gt $((h * 9 / 10)) ] && break
    sleep 0.5
  done
  [ "$(nonblack "$BARS:$h:0:0")" = 0 ] && [ "$(nonblack "$BARS:$h:$((w - BARS)):0")" = 0 ] ||
    fail "the bars beside the frame are not black"
  [ "$(nonblack "1:$h:$BARS:0")" -gt $((h * 9 / 10)) ] &&
    [ "$(nonblack "1:$h:$((w - BARS - 1)):0")" -gt $((h * 9 / 10)) ] ||
    fail "the frame does not fill the ${inner}x$h middle of the screen"
fi
# The box's helper process is gone: the demo has no children left.
children=$(pgrep -P "$pid" | tr '\n' ' ')
[ -z "$children" ] || fail "processes left behind: $children"
# Escape until the demo is gone: focusing can stall on a loaded machine.
for _ in $(seq 10); do
  timeout 10 xdotool windowfocus --sync "$win" key Escape 2>/dev/null
  for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break 2; sleep 0.1; done
done
kill -0 "$pid" 2>/dev/null && fail "Escape did not stop the demo"
wait "$pid"; rc=$?
[ "$rc" = 0 ] || fail "exit code $rc"
grep -q "frames in" err.txt || fail "no frame count on stderr: $(cat err.txt)"
echo "ok ($answer $opts): $x,$y,${w}x$h, $(tail -1 err.txt)"
INNER

# The makers' keys: Space holds the frame (two screenshots a second apart are equal), H changes
# the picture. Each key is confirmed by the line the player writes for it, and pressed again
# only when that line has not come, so a slow machine cannot toggle it twice.
cat > "$work/maker.sh" <<'INNER'
set -u
unset SDL_VIDEODRIVER
# maker.sh BIN ROOT: ROOT holds the data set; the player runs there, its output stays here.
bin=$1 root=$2 here=$(pwd)
fail() { echo "FAIL (maker keys): $*"; kill -9 "$pid" 2>/dev/null; exit 1; }
find_window() { xwininfo -root -tree | grep "\"$1\"" | awk '{print $1}' | head -1; }
shot() { ffmpeg -v error -y -f x11grab -video_size 800x600 -i "$DISPLAY+0,0" -frames:v 1 \
  -f rawvideo -pix_fmt rgb24 "$1" || fail "no screenshot"; }
# press KEY LINE: until stderr has LINE
press() {
  for _ in $(seq 5); do
    timeout 10 xdotool windowfocus --sync "$win" key "$1" 2>/dev/null
    for _ in $(seq 50); do grep -q "$2" err.txt && return 0; sleep 0.1; done
  done
  fail "$1 was not taken: $(tail -3 err.txt)"
}

(cd "$root" && exec "$bin" --windowed --maker --start 60000) > out.txt 2> err.txt &
pid=$!
win=""
for _ in $(seq 400); do win=$(find_window lockstep); [ -n "$win" ] && break; sleep 0.1; done
[ -n "$win" ] || fail "no lockstep window: $(cat err.txt)"
sleep 1
press space "paused at"
# Held: the same picture a second apart (the first pair may still catch the frame before).
held=no
for _ in $(seq 5); do
  shot a.raw; sleep 1; shot b.raw
  cmp -s a.raw b.raw && { held=yes; break; }
done
[ "$held" = yes ] || fail "the frame does not hold while paused"
press h "heads-up display on"
changed=no
for _ in $(seq 10); do
  sleep 0.5; shot c.raw
  cmp -s b.raw c.raw || { changed=yes; break; }
done
[ "$changed" = yes ] || fail "H does not change the picture"
[ "$(grep -c "paused at\|playing on" err.txt)" = 1 ] || fail "Space toggled more than once"
for _ in $(seq 10); do
  timeout 10 xdotool windowfocus --sync "$win" key Escape 2>/dev/null
  for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break 2; sleep 0.1; done
done
kill -0 "$pid" 2>/dev/null && fail "Escape did not stop the demo"
wait "$pid"; rc=$?
[ "$rc" = 0 ] || fail "exit code $rc: $(tail -3 err.txt)"
echo "ok (maker keys): $(grep -c . err.txt) lines, $(tail -1 err.txt)"
INNER

cd "$work"
status=0
# --help prints the usage; a bad option ends the run with the reason and the usage, before
# anything is opened: without a display the X11 driver would complain at once if it tried.
env -u DISPLAY SDL_VIDEODRIVER=x11 "$build/bin/lockstep" --help > usage.txt 2> err.txt
rc=$?
{ [ "$rc" = 0 ] && [ ! -s err.txt ] && grep -q "^usage: lockstep" usage.txt; } ||
  { echo "FAIL (--help): exit $rc, stderr: $(cat err.txt)"; status=1; }
env -u DISPLAY SDL_VIDEODRIVER=x11 "$build/bin/lockstep" --windowed --bogus > out.txt 2> err.txt
rc=$?
{ [ "$rc" = 2 ] && [ ! -s out.txt ] &&
  { echo "lockstep: unknown option --bogus"; cat usage.txt; } | cmp -s - err.txt; } ||
  { echo "FAIL (--bogus): exit $rc, stderr: $(cat err.txt)"; status=1; }

# SDL unloads the X11 extension libraries at exit, so leaks inside them cannot be attributed or
# suppressed; our own code's leaks are checked by the offscreen end-to-end run.
export ASAN_OPTIONS=detect_leaks=0
# session SCREEN ANSWER EXPECT [OPTION...]: session.sh on an Xvfb screen of its own. Xvfb resets
# itself whenever its last client leaves and refuses a client that connects meanwhile: here the
# box's helper leaves before the demo's window connects, and each xwininfo leaves too, so
# -noreset keeps the server as it is. A session cut short by the time limit says so.
session() {
  local screen=$1 rc=0
  shift
  timeout 150 xvfb-run -a -s "-screen 0 $screen -noreset" \
    bash session.sh "$build/bin/lockstep" "$@" || rc=$?
  [ "$rc" != 124 ] || echo "FAIL ($1 ${*:3}): no end within 150 s"
  [ "$rc" = 0 ]
}
session 1280x1024x24 Escape "0,0,800x600,0" || status=1
session 1280x1024x24 Return "0,0,1280x1024,0" || status=1
# Options answer the question: a native frame in full screen (1440x1080 on 1920x1080), and a
# frame too large for the desktop in a window shrunk to fit.
BARS=240 session 1920x1080x24 none "0,0,1920x1080,0" --fullscreen --size native || status=1
session 1280x1024x24 none "0,0,1280x960,0" --size 1600x1200 --windowed || status=1
# The makers' keys run over the real data set, which ./test.sh generates before the tests.
if [ -f "$src/data/.complete" ]; then
  rc=0
  timeout 150 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    bash maker.sh "$build/bin/lockstep" "$src" || rc=$?
  [ "$rc" != 124 ] || echo "FAIL (maker keys): no end within 150 s"
  [ "$rc" = 0 ] || status=1
else
  echo "FAIL (maker keys): no data set in $src/data (./test.sh makes one)"; status=1
fi
exit $status

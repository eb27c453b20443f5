#!/usr/bin/env bash
# Tries the Linux folder as its viewers meet it, on machines with none of our tools: a bare
# Debian 11 and a bare Debian 12 (debootstrap minbase, then only what a desktop has: Xvfb, xauth,
# Mesa's GL and EGL drivers; no SDL2, mpg123, kissfft, compiler or -dev package). First, here:
# no versioned symbol of the program or of lib/ is newer than GLIBC_2.31, the program's RPATH is
# $ORIGIN/lib, libstdc++ and libgcc are inside it and no GL library is in the folder. Then in
# each root: the archive unpacks; `lockstep --help` exits 0; `xvfb-run lockstep --windowed`,
# started from /, shows the show (a screenshot 8 s in is the city: neither a black nor a white
# frame, and it moves), says in one line that there is no sound output and plays on by its clock;
# Escape ends it with exit 0.
# Each suite's desktop is made once into build-linux/check/ (from the same minbase tarballs as
# the build root) and unpacked afresh for every run; --fresh makes them anew. Screenshots and
# the player's output are kept in build-linux/check/out/. Needs root (debootstrap, chroot).
# Usage: tools/release_check.sh [--fresh] [TARBALL]   (default dist/lockstep-linux-x86_64.tar.gz)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/tools/setup.sh"
source "$ROOT/tools/debian_root.sh"
say_failed_commands

FRESH="" TARBALL=$ROOT/dist/lockstep-linux-x86_64.tar.gz
while [ $# -gt 0 ]; do
  case $1 in
    --fresh) FRESH=1; shift ;;
    -*) sed -n 's/^# \{0,1\}//; /^Usage:/p' "$0" >&2; exit 2 ;;
    *) TARBALL=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); shift ;;
  esac
done
[ "$(id -u)" -eq 0 ] || { echo "release_check: needs root (debootstrap, chroot, mount)" >&2; exit 1; }
[ -f "$TARBALL" ] || { echo "release_check: no $TARBALL (tools/release.sh makes it)" >&2; exit 1; }
install_packages "${LOCKSTEP_RELEASE_PACKAGES[@]}" "${LOCKSTEP_TEST_PACKAGES[@]}"
debian_mirrors

TREE=$ROOT/build-linux
CHECK=$TREE/check
OUT=$CHECK/out
DESKTOP_PACKAGES=(xvfb xauth libgl1 libglx-mesa0 libgl1-mesa-dri libegl1 libegl-mesa0)
SHOW_AT=8    # seconds into the show for the screenshot
PLAY_LIMIT=120 # seconds for anything the player is waited for
FAILURES=0
RUN_ROOT="" DISPLAY_LOCK=""

fail() {
  echo "release_check: FAIL ($SUITE): $*"
  FAILURES=$((FAILURES + 1))
}

clean_up() {
  [ -z "$RUN_ROOT" ] || remove_root "$RUN_ROOT" || true
  [ -z "$DISPLAY_LOCK" ] || rm -f "$DISPLAY_LOCK"
}
trap clean_up EXIT

# The folder itself, on this machine.
check_folder() {
  local dir=$1 newest bad
  newest=$(objdump -T "$dir/lockstep" "$dir"/lib/* | grep -o 'GLIBC_[0-9][0-9.]*' | sort -uV | tail -1)
  echo "release_check: newest glibc symbol version: $newest"
  [ "$(printf '%s\nGLIBC_2.31\n' "$newest" | sort -V | tail -1)" = GLIBC_2.31 ] ||
    fail "symbols newer than GLIBC_2.31: $newest"
  [ "$(readelf -d "$dir/lockstep" | awk '/\((RPATH|RUNPATH)\)/ {print $1 " " $NF}')" = \
    '0x000000000000000f [$ORIGIN/lib]' ] || fail "the program's RPATH is not \$ORIGIN/lib"
  # Beside glibc, only what lib/ holds: everything else (libstdc++, X11, Wayland, the sound
  # servers, GL) is inside the program or loaded when it is there.
  bad=$(readelf -d "$dir/lockstep" "$dir"/lib/* | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' |
    sort -u | grep -v -x -e 'lib\(c\|m\|dl\|pthread\|rt\)\.so\.[0-9]*' -e 'ld-linux-x86-64\.so\.2' |
    while read -r lib; do [ -f "$dir/lib/$lib" ] || printf '%s ' "$lib"; done)
  [ -z "$bad" ] || fail "asks for libraries that are not glibc's nor in lib/: $bad"
  bad=$(cd "$dir/lib" && ls | grep -i -e '^libGL' -e '^libEGL' -e '^libOpenGL' || true)
  [ -z "$bad" ] || fail "GL libraries in lib/: $bad"
}

# desktop_tarball SUITE: the suite's minbase with only what a desktop has, made once.
desktop_tarball() {
  local suite=$1 tarball=$CHECK/$1-desktop.tar dir=$CHECK/make-$1
  [ -z "$FRESH" ] || rm -f "$tarball" "$TREE/roots/$suite-minbase.tar"
  [ -f "$tarball" ] && return 0
  minbase_tarball "$suite" "$TREE/roots/$suite-minbase.tar"
  RUN_ROOT=$dir # for clean_up
  new_root "$TREE/roots/$suite-minbase.tar" "$suite" "$dir"
  run_step "installing a bare desktop in Debian $suite" root_install "$dir" "${DESKTOP_PACKAGES[@]}"
  in_root "$dir" "apt-get clean"
  unmount_root "$dir"
  tar -C "$dir" -cf "$tarball.part" . && mv "$tarball.part" "$tarball"
  remove_root "$dir"
  RUN_ROOT=""
}

# A display number that neither this machine's X servers nor the root's take: its lock file here
# keeps this machine's xvfb-run -a off it while the root's server uses it.
lock_display() {
  local n
  for ((n = 140; n < 240; n++)); do
    grep -q "@/tmp/.X11-unix/X$n\$" /proc/net/unix && continue
    if (set -C; printf '%10d\n' $$ >"/tmp/.X$n-lock") 2>/dev/null; then
      DISPLAY_LOCK=/tmp/.X$n-lock DISPLAY_NUMBER=$n
      return 0
    fi
  done
  fail "no free display number"
  return 1
}

# shot FILE: the 800x600 window at the top-left corner of the root's screen, as PNG.
shot() {
  ffmpeg -v error -y -f x11grab -video_size 800x600 -i ":$DISPLAY_NUMBER+0,0" -frames:v 1 "$1"
}

# mean and standard deviation of a picture's grey levels, 0 to 1
grey_stats() {
  convert "$1" -colorspace gray -format '%[fx:mean] %[fx:standard_deviation]' info:
}

# check_suite SUITE: the whole check in a fresh copy of that suite's desktop.
check_suite() {
  SUITE=$1
  local started=$SECONDS
  desktop_tarball "$SUITE"
  RUN_ROOT=$CHECK/run-$SUITE
  remove_root "$RUN_ROOT"
  mkdir -p "$RUN_ROOT"
  tar -C "$RUN_ROOT" -xf "$CHECK/$SUITE-desktop.tar"
  mount_root "$RUN_ROOT"
  play_in_root
  remove_root "$RUN_ROOT"
  RUN_ROOT=""
  echo "release_check: $SUITE checked in $((SECONDS - started)) s"
}

# play_in_root: the viewer's steps in RUN_ROOT, from unpacking the archive to Escape.
play_in_root() {
  local err=$OUT/$SUITE-stderr.txt win="" pid rc=0 launched line_at="" i stats usage seconds
  cp "$TARBALL" "$RUN_ROOT/tmp/"
  if ! in_root "$RUN_ROOT" "tar -C /opt -xzf /tmp/$(basename "$TARBALL")"; then
    fail "the archive does not unpack"
    return
  fi
  usage=$(in_root "$RUN_ROOT" "cd / && /opt/lockstep/lockstep --help") ||
    fail "lockstep --help exits $?"
  [[ $usage == "usage: lockstep"* ]] || fail "lockstep --help says: $usage"

  lock_display || return 0
  export DISPLAY=:$DISPLAY_NUMBER XAUTHORITY=$RUN_ROOT/tmp/xauth
  launched=$(date +%s.%N)
  in_root "$RUN_ROOT" "cd / && exec xvfb-run -n $DISPLAY_NUMBER -f /tmp/xauth \
    -s '-screen 0 1024x768x24 -noreset' /opt/lockstep/lockstep --windowed" \
    >"$OUT/$SUITE-stdout.txt" 2>"$err" &
  pid=$!
  # The sound is started, or found missing, right before the show's first frame.
  for ((i = 0; i < PLAY_LIMIT * 20; i++)); do
    grep -qs "sound" "$err" && { line_at=$(date +%s.%N); break; }
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  if [ -z "$line_at" ] && ! kill -0 "$pid" 2>/dev/null; then
    fail "the player ended before its first frame"
  elif [ -z "$line_at" ]; then
    fail "no line about the sound within $PLAY_LIMIT s"
  else
    echo "release_check: $SUITE: from start to the first frame" \
      "$(awk -v a="$launched" -v b="$line_at" 'BEGIN {printf "%.2f", b - a}') s"
    sleep "$SHOW_AT"
    shot "$OUT/$SUITE-8s.png" || fail "no screenshot"
    sleep 1
    shot "$OUT/$SUITE-9s.png" || fail "no screenshot"
    win=$(xwininfo -root -tree 2>/dev/null | awk '/"lockstep"/ {print $1; exit}')
    [ -n "$win" ] || fail "no window named lockstep"
  fi
  # Escape until the player is gone: focusing can stall on a loaded machine.
  for ((i = 0; i < 10; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    [ -z "$win" ] || timeout 10 xdotool windowfocus --sync "$win" key Escape 2>/dev/null || true
    for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break 2; sleep 0.1; done
  done
  if kill -0 "$pid" 2>/dev/null; then
    fail "Escape did not end the show"
    kill "$pid" 2>/dev/null || true
  fi
  wait "$pid" || rc=$?
  unset DISPLAY XAUTHORITY
  rm -f "$DISPLAY_LOCK"
  DISPLAY_LOCK=""
  [ "$rc" = 0 ] || fail "exit code $rc"

  echo "release_check: $SUITE: the player said:"
  sed 's/^/    /' "$err"
  [ "$(grep -c 'sound' "$err")" = 1 ] && grep -q '^lockstep: no sound output' "$err" ||
    fail "not one line saying there is no sound output"
  # Played on by its clock: the show's own time at Escape is at least what passed meanwhile.
  seconds=$(sed -n 's/^lockstep: [0-9]* frames in \([0-9.]*\) s.*/\1/p' "$err")
  if [ -z "$seconds" ]; then
    fail "no frame count on stderr"
  elif ! awk -v s="$seconds" -v at="$SHOW_AT" 'BEGIN {exit !(s >= at)}'; then
    fail "the show ran $seconds s, not the $SHOW_AT s and more that passed"
  fi
  if [ -f "$OUT/$SUITE-8s.png" ]; then
    stats=$(grey_stats "$OUT/$SUITE-8s.png")
    echo "release_check: $SUITE: the screenshot 8 s in: grey mean and spread $stats"
    # The city: mid-grey on the whole, with detail; a black or white frame is neither.
    echo "$stats" | awk '{exit !($1 > 0.08 && $1 < 0.92 && $2 > 0.04)}' ||
      fail "the screenshot 8 s in is not the city (grey mean and spread $stats)"
    if cmp -s "$OUT/$SUITE-8s.png" "$OUT/$SUITE-9s.png"; then fail "the picture does not move"; fi
  fi
}

started=$SECONDS
SUITE=folder
rm -rf "$OUT" "$CHECK/folder"
mkdir -p "$OUT" "$CHECK/folder"
tar -C "$CHECK/folder" -xzf "$TARBALL"
check_folder "$CHECK/folder/lockstep"
rm -rf "$CHECK/folder"
check_suite bullseye
check_suite bookworm
if [ "$FAILURES" -ne 0 ]; then
  echo "release_check: $FAILURES failures in $((SECONDS - started)) s; screenshots and output in $OUT"
  exit 1
fi
echo "release_check: passed in $((SECONDS - started)) s; screenshots and output in $OUT"

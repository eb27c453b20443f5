#!/usr/bin/env bash
# What the tools write is whole or not there. Writes made to fail for real (a full disk, a file
# size limit, a folder without write permission, a target that is a folder) end the capture tool
# and the data-set generator with exit status 1 and one line naming the file and the system's
# reason, and leave no cut or empty file under a final name; the frames before a failed one stay,
# each whole. setup's generate_data does not mark a failed data set complete.
# Usage: write_failures_test.sh BUILD_DIR
set -uo pipefail
source "$(dirname "$0")/support/script_checks.sh" "$1"
CAPTURE=$BUILD/bin/lockstep-capture
DATAGEN=$BUILD/bin/lockstep-datagen
[ -x "$CAPTURE" ] && [ -x "$DATAGEN" ] || { echo "FAIL: no $CAPTURE or $DATAGEN"; exit 1; }

# A small disk where the tests run as root and may mount one; the file size limit runs anyway.
DISK=$WORK/disk
mkdir -p "$DISK"
MOUNTED=""
trap '[ -z "$MOUNTED" ] || umount "$DISK"; rm -rf "$WORK"' EXIT
trap 'exit 1' INT TERM
if [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o size=2m lockstep-test "$DISK" 2>/dev/null; then
  MOUNTED=1
else
  echo "SKIP: the full-disk cases need root and tmpfs; the file size limit stands in for them"
fi

# The reference data set: what each file the generator leaves must equal, and the pictures the
# frames show (full-size content, so that a few frames fill the small disk).
REF=$WORK/ref
"$DATAGEN" "$REF/data" >/dev/null 2>&1 || fail "the generator failed with room to spare"

# run [LIMIT_KB] PROGRAM ARGS...: runs quietly with stderr in $WORK/err and the exit status in
# $rc; under a file size limit when LIMIT_KB is given. SIGXFSZ is left as it is: the tools
# themselves must turn it into a failed write. stderr goes through a pipe, which no limit cuts.
run() {
  local limit=unlimited
  [[ $1 =~ ^[0-9]+$ ]] && { limit=$1; shift; }
  (ulimit -f "$limit" && exec "$@") 2>&1 >/dev/null | cat >"$WORK/err"
  rc=${PIPESTATUS[0]}
}

# said TOOL REASON: the file that the last run said it could not write, for that reason; nothing
# unless that is the one such line.
said() {
  [ "$(grep -c "cannot write" "$WORK/err")" -eq 1 ] || return 0
  sed -n "s|^$1: cannot write \(.*\): $2\$|\1|p" "$WORK/err"
}

# failed_on WHAT TOOL FILE REASON: exit 1 and the one line naming FILE with REASON.
failed_on() {
  [ "$rc" -eq 1 ] || fail "$1: exit $rc, not 1"
  [ "$(said "$2" "$4")" = "$3" ] || fail "$1: not '$2: cannot write $3: $4': $(cat "$WORK/err")"
}

# whole DIR: no temporary and no empty file left, and every PNG decodes to 800x600.
whole() {
  local leftovers png
  leftovers=$(find "$1" -type f \( -name '*.part' -o -empty \))
  [ -z "$leftovers" ] || fail "left behind: $leftovers"
  for png in $(find "$1" -type f -name '*.png'); do
    [ "$(tail -c 8 "$png" | head -c 4)" = IEND ] || fail "$png is cut short"
    if command -v ffmpeg >/dev/null; then
      [ "$(ffmpeg -v error -i "$png" -f rawvideo -pix_fmt rgba - 2>/dev/null | wc -c)" = 1920000 ] ||
        fail "$png does not decode to 800x600"
    fi
  done
}

# same_as_reference DIR: every file the generator left is the reference's, byte for byte.
same_as_reference() {
  local file
  for file in "$1"/*; do
    [ -f "$file" ] || continue
    cmp -s "$file" "$REF/data/${file##*/}" || fail "${file##*/} differs from a whole data set's"
  done
}

# --- A full disk: the capture stops at the first frame that does not fit, keeps those before it,
# and leaves no spectrum; the generator stops at its first file; ffmpeg's failure is said.
if [ -n "$MOUNTED" ]; then
  run "$CAPTURE" --root "$REF" --fps 10 --to 3000 --frames "$DISK/frames" --spectrum "$DISK/s.csv"
  failed=$(said lockstep-capture "No space left on device")
  [ "$rc" -eq 1 ] || fail "frames on a full disk: exit $rc, not 1"
  frame=${failed#"$DISK/frames/"}
  if [[ ${frame%.png} =~ ^[0-9]{6}$ ]]; then
    count=$((10#${frame%.png}))
    [ "$count" -ge 1 ] || fail "not one frame fitted on the disk: the test's frames are too large"
    [ "$(ls "$DISK/frames" | wc -l)" -eq "$count" ] &&
      [ -f "$DISK/frames/$(printf %06d $((count - 1))).png" ] ||
      fail "not the $count frames before the failed one: $(ls "$DISK/frames")"
  else
    fail "frames on a full disk: not one line naming a frame: $(cat "$WORK/err")"
  fi
  [ -e "$DISK/s.csv" ] && fail "a spectrum was left by a failed capture"
  whole "$DISK"
  rm -rf "${DISK:?}"/*

  run "$DATAGEN" "$DISK/data"
  failed=$(said lockstep-datagen "No space left on device")
  [ "$rc" -eq 1 ] && [ -n "$failed" ] || fail "data set on a full disk: exit $rc: $(cat "$WORK/err")"
  [ -e "$failed" ] && fail "the file it could not write is there: $failed"
  same_as_reference "$DISK/data"
  whole "$DISK"
  rm -rf "${DISK:?}"/*

  # The last bytes of the disk taken, the spectrum's rows fail at the close.
  head -c 4m /dev/zero >"$DISK/filler" 2>/dev/null
  run "$CAPTURE" --root "$REF" --fps 10 --to 1000 --spectrum "$DISK/s.csv"
  failed_on "spectrum on a full disk" lockstep-capture "$DISK/s.csv" "No space left on device"
  [ -e "$DISK/s.csv" ] && fail "a cut spectrum was left"
  if command -v ffmpeg >/dev/null; then
    run "$CAPTURE" --root "$REF" --fps 10 --to 1000 --size 320x240 --video "$DISK/v.mp4"
    [ "$rc" -eq 1 ] && grep -qxF "lockstep-capture: ffmpeg failed to write $DISK/v.mp4" "$WORK/err" ||
      fail "video on a full disk: exit $rc: $(tail -1 "$WORK/err")"
    [ -e "$DISK/v.mp4" ] && fail "a cut video was left"
  fi
  rm -f "$DISK/filler"
  whole "$DISK"
  rm -rf "${DISK:?}"/*
fi

# --- A file size limit: "File too large", for the first frame and the first file of the set.
LIMITED=$WORK/limited
run 300 "$CAPTURE" --root "$REF" --fps 10 --to 500 --frames "$LIMITED/frames"
failed_on "frames past the size limit" lockstep-capture "$LIMITED/frames/000000.png" "File too large"
run 600 "$DATAGEN" "$LIMITED/data"
failed_on "data set past the size limit" lockstep-datagen "$LIMITED/data/loading_512x512.raw" \
  "File too large"
run 0 "$CAPTURE" --root "$REF" --to 500 --spectrum "$LIMITED/s.csv"
failed_on "spectrum past the size limit" lockstep-capture "$LIMITED/s.csv" "File too large"
whole "$LIMITED"
[ -z "$(find "$LIMITED" -type f)" ] || fail "files left past the size limit: $(find "$LIMITED" -type f)"

# --- A folder without write permission. Root passes permission bits: it runs without the
# capability that lets it.
LOCKED=$WORK/locked
mkdir -p "$LOCKED/data"
chmod 555 "$LOCKED" "$LOCKED/data"
AS_USER=()
[ "$(id -u)" -eq 0 ] && AS_USER=(setpriv --bounding-set=-dac_override,-dac_read_search)
if ! "${AS_USER[@]}" true 2>/dev/null || "${AS_USER[@]}" touch "$LOCKED/probe" 2>/dev/null; then
  echo "SKIP: this user writes into a folder without write permission, whatever its bits say"
  rm -f "$LOCKED/probe"
else
  run "${AS_USER[@]}" "$CAPTURE" --root "$REF" --to 1000 --still 500="$LOCKED/still.png"
  failed_on "a still in a locked folder" lockstep-capture "$LOCKED/still.png" "Permission denied"
  run "${AS_USER[@]}" "$DATAGEN" "$LOCKED/data"
  failed_on "the data set in a locked folder" lockstep-datagen \
    "$LOCKED/data/loading_512x512.raw" "Permission denied"
  [ -z "$(find "$LOCKED" -type f)" ] || fail "files left in the locked folder"
fi
chmod 755 "$LOCKED" "$LOCKED/data"

# --- A target that is a folder: said before anything is drawn or made, and the folder stays.
TARGETS=$WORK/targets
mkdir -p "$TARGETS/still.png" "$TARGETS/s.csv" "$TARGETS/data/moravinte.mp3"
run "$CAPTURE" --root "$REF" --to 1000 --still 500="$TARGETS/still.png"
failed_on "a still onto a folder" lockstep-capture "$TARGETS/still.png" "Is a directory"
run "$CAPTURE" --root "$REF" --to 1000 --spectrum "$TARGETS/s.csv"
failed_on "a spectrum onto a folder" lockstep-capture "$TARGETS/s.csv" "Is a directory"
# The soundtrack comes last: every file before it is whole, and it is refused.
run "$DATAGEN" "$TARGETS/data"
failed_on "the soundtrack onto a folder" lockstep-datagen "$TARGETS/data/moravinte.mp3" \
  "Is a directory"
same_as_reference "$TARGETS/data"
[ -d "$TARGETS/still.png" ] && [ -d "$TARGETS/data/moravinte.mp3" ] || fail "a target folder went"
whole "$TARGETS"

# --- setup's generate_data: a generator that fails leaves no data/.complete, even where an
# older one stood.
GEN_ROOT=$WORK/gen
mkdir -p "$GEN_ROOT/build/bin" "$GEN_ROOT/data/moravinte.mp3"
ln -s "$DATAGEN" "$GEN_ROOT/build/bin/lockstep-datagen"
touch -d 2000-01-01 "$GEN_ROOT/data/.complete"
(ROOT=$GEN_ROOT && source "$SRC/tools/setup.sh" && generate_data) >/dev/null 2>&1 &&
  fail "generate_data succeeded with a generator that failed"
[ -e "$GEN_ROOT/data/.complete" ] && fail "a failed data set is marked complete"

end_checks
echo "write failures: all checks passed"

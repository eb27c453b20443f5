#!/usr/bin/env bash
# End-to-end checks of lockstep-capture: argument errors, repeatable output, exact stills, video.
# Usage: capture_test.sh BUILD_DIR
set -uo pipefail
source "$(dirname "$0")/support/script_checks.sh" "$1"
CAPTURE=$BUILD/bin/lockstep-capture

# Runs the tool quietly; its stderr lands in $WORK/err.
capture() {
  "$CAPTURE" "$@" >"$WORK/out" 2>"$WORK/err"
}

expect_refused() {
  local mention=$1; shift
  capture "$@"
  local rc=$?
  [ "$rc" -eq 2 ] || fail "'$*' exited $rc, not 2"
  grep -q -- "$mention" "$WORK/err" || fail "'$*' did not say '$mention': $(head -1 "$WORK/err")"
}

[ -x "$CAPTURE" ] || { echo "FAIL: no $CAPTURE"; exit 1; }

# --- Bad arguments: exit 2 with a reason, before anything is drawn.
expect_refused "unknown option --speed" --speed 2
expect_refused "--fps wants" --fps 0
expect_refused "--to wants" --to soon
expect_refused "MS=FILE.png" --still 100
expect_refused "past --to" --to 100 --still 200="$WORK/x.png"
expect_refused "cannot enter --root" --root "$WORK/no-such-folder"
capture --help && grep -q "usage: lockstep-capture" "$WORK/out" || fail "--help shows no usage"

# --- A root without data: the show still runs, on the default background.
EMPTY=$WORK/empty
mkdir -p "$EMPTY"

# Two runs with the same arguments give the same pictures and the same spectrum rows.
# The real data set is used when one has been generated.
ROOT=$EMPTY
[ -f "$SRC/data/.complete" ] && ROOT=$SRC
for run in 1 2; do
  (cd "$WORK" && capture --root "$ROOT" --fps 5 --to 1400 --still 1234=same$run.png \
    --frames "frames$run" --spectrum "spectrum$run.csv") || fail "run $run failed: $(tail -1 "$WORK/err")"
done
[ -f "$WORK/same1.png" ] || fail "no still written relative to the starting folder"
cmp -s "$WORK/same1.png" "$WORK/same2.png" || fail "the same still differs between two runs"
diff -r "$WORK/frames1" "$WORK/frames2" >/dev/null || fail "frame pictures differ between two runs"
cmp -s "$WORK/spectrum1.csv" "$WORK/spectrum2.csv" || fail "spectrum rows differ between two runs"
[ "$(ls "$WORK/frames1" | wc -l)" -eq 8 ] || fail "expected 8 frames for 0..1400 ms at 5 fps"
[ -f "$WORK/frames1/000007.png" ] || fail "frames are not numbered 000000.png up"
size=$(ffprobe -v error -show_entries stream=width,height -of csv=p=0 "$WORK/same1.png")
[ "$size" = "800,600" ] || fail "still is $size, not 800x600"
[ "$(head -1 "$WORK/spectrum1.csv")" = "time_ms,scene_type,level" ] || fail "spectrum header"
[ "$(sed -n 2p "$WORK/spectrum1.csv")" = "0,0,0.000000" ] || fail "frame 0 is not time 0, type 0"
[ "$(sed -n 3p "$WORK/spectrum1.csv" | cut -d, -f1,2)" = "200,1" ] || fail "frame 1 row"
[ "$(wc -l <"$WORK/spectrum1.csv")" -eq 9 ] || fail "one spectrum row per regular frame"

# --- From a place: the show stands there as playing through on the same frame grid left it, in
# the road (its scene's camera), the credits (turned by their own time) and the finale (the city
# as the credits left it).
capture --root "$ROOT" --fps 1 --to 90000 --size 320x240 --still 40000="$WORK/through-road.png" \
  --still 60000="$WORK/through-credits.png" --still 90000="$WORK/through-finale.png" ||
  fail "play-through run failed: $(tail -1 "$WORK/err")"
for stop in road:40000 credits:60000 finale:90000; do
  name=${stop%%:*} t=${stop#*:}
  capture --root "$ROOT" --fps 1 --from "$t" --to "$t" --size 320x240 \
    --still "$t=$WORK/from-$name.png" || fail "--from $t failed: $(tail -1 "$WORK/err")"
  cmp -s "$WORK/through-$name.png" "$WORK/from-$name.png" ||
    fail "the $name at $t ms differs between playing through and starting there"
done

# Writing over a file that this run did not make is announced first.
capture --root "$EMPTY" --to 0 --still 0="$WORK/same1.png" || fail "overwrite run failed"
grep -q "will be overwritten" "$WORK/err" || fail "no warning before overwriting a file"

# --- Stills between frames are the frame at exactly their time, whatever the rate.
# 98500 ms falls between the frames of a 1 fps run and on a frame of a 2 fps run; the end fade
# darkens the picture from one millisecond to the next, so a near miss shows.
capture --root "$EMPTY" --fps 1 --to 98500 --still 98500="$WORK/fade-extra.png" \
  --still 98000="$WORK/fade-before.png" --still 33320="$WORK/city-last.png" \
  --still 33321="$WORK/road-first-1.png" --spectrum "$WORK/silent.csv" || fail "1 fps run failed: $(tail -1 "$WORK/err")"
capture --root "$EMPTY" --fps 2 --to 98500 --still 98500="$WORK/fade-frame.png" \
  --still 33321="$WORK/road-first-2.png" || fail "2 fps run failed: $(tail -1 "$WORK/err")"
cmp -s "$WORK/fade-extra.png" "$WORK/fade-frame.png" ||
  fail "the still at 98500 ms differs between an extra frame and a regular one"
cmp -s "$WORK/fade-extra.png" "$WORK/fade-before.png" &&
  fail "the still at 98500 ms shows the frame at 98000 ms"
cmp -s "$WORK/road-first-1.png" "$WORK/road-first-2.png" ||
  fail "the first frame of the road scene differs between rates"
cmp -s "$WORK/road-first-1.png" "$WORK/city-last.png" &&
  fail "33320 and 33321 ms show the same scene"
# Without a soundtrack the scripts see a silent spectrum.
awk -F, 'NR > 1 && $3 != 0 { bad = 1 } END { exit bad }' "$WORK/silent.csv" ||
  fail "a level other than 0 without a soundtrack"

# --- Video: H.264 + AAC of the frames' length and the chosen size, from a soundtrack made here.
if command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null; then
  SOUND=$WORK/sound
  mkdir -p "$SOUND/data"
  ffmpeg -v error -f lavfi -i "sine=frequency=861:duration=5" -ac 2 -ar 44100 -b:a 192k \
    "$SOUND/data/moravinte.mp3" || fail "cannot make a test mp3"
  capture --root "$SOUND" --fps 10 --to 3000 --size 1440x1080 --video "$WORK/show.mp4" \
    --spectrum "$WORK/tone.csv" ||
    fail "video run failed: $(tail -1 "$WORK/err")"
  probe() { ffprobe -v error -select_streams "$1" -show_entries "$2" -of csv=p=0 "$WORK/show.mp4"; }
  [ "$(probe v:0 stream=codec_name,pix_fmt,width,height)" = "h264,1440,1080,yuv420p" ] ||
    fail "video stream is $(probe v:0 stream=codec_name,pix_fmt,width,height)"
  [ "$(probe v:0 stream=r_frame_rate)" = "10/1" ] || fail "video rate $(probe v:0 stream=r_frame_rate)"
  [ "$(probe v:0 stream=nb_frames)" = "31" ] || fail "video has $(probe v:0 stream=nb_frames) frames, not 31"
  [ "$(probe a:0 stream=codec_name)" = "aac" ] || fail "audio stream is '$(probe a:0 stream=codec_name)'"
  duration=$(probe a:0 stream=duration)
  awk -v d="$duration" 'BEGIN { exit !(d > 3.0 && d < 3.2) }' || fail "audio lasts $duration s, not 3.1"

  # The tone lies in the band that the tree follows: from the first frame that hears it on,
  # the scripts see it (ffmpeg's test tone is at 1/8 of full scale: a level of about 0.12).
  awk -F, 'NR > 2 && $3 < 0.05 { bad = 1 } END { exit bad }' "$WORK/tone.csv" ||
    fail "the scripts did not see the soundtrack's tone: $(sed -n 3p "$WORK/tone.csv")"
  [ "$(sed -n 2p "$WORK/tone.csv")" = "0,0,0.000000" ] || fail "the spectrum at 0 ms is not silent"

  # A stretch: the spectrum rows of the whole run for its times, and its own part of the sound
  # (the tone stops at 2 s, half a second into the stretch).
  capture --root "$SOUND" --fps 10 --from 1500 --to 3000 --spectrum "$WORK/stretch.csv" ||
    fail "--from run failed: $(tail -1 "$WORK/err")"
  diff <(awk -F, 'NR == 1 || $1 >= 1500' "$WORK/tone.csv") "$WORK/stretch.csv" >/dev/null ||
    fail "the spectrum rows from 1500 ms differ from the whole run's"
  STOP=$WORK/stop
  mkdir -p "$STOP/data"
  ffmpeg -v error -f lavfi -i "sine=frequency=861:duration=2,apad=whole_dur=4" -ac 2 -ar 44100 \
    -b:a 192k "$STOP/data/moravinte.mp3" || fail "cannot make a test mp3"
  capture --root "$STOP" --fps 10 --from 1500 --to 2500 --size 320x240 \
    --video "$WORK/stretch.mp4" || fail "--from video failed: $(tail -1 "$WORK/err")"
  quiet=$(ffmpeg -v info -i "$WORK/stretch.mp4" -af silencedetect=d=0.2 -f null - 2>&1 |
    awk '/silence_start/ {print $NF; exit}')
  awk -v q="$quiet" 'BEGIN { exit !(q > 0.45 && q < 0.6) }' ||
    fail "the stretch's sound stops at '$quiet' s, not 0.5 s"

  PATH=/nonexistent capture --root "$SOUND" --to 0 --video "$WORK/none.mp4"
  rc=$?
  [ "$rc" -ne 0 ] && grep -q "needs the ffmpeg program" "$WORK/err" ||
    fail "no clear error without ffmpeg (exit $rc)"
  [ -e "$WORK/none.mp4" ] && fail "a video was written without ffmpeg"
else
  echo "SKIP: video checks need ffmpeg and ffprobe"
fi

end_checks
echo "capture: all checks passed"

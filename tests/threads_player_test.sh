#!/usr/bin/env bash
# The player itself under ThreadSanitizer for 20 s, with the dummy sound output: a loop over the
# end of the credits into the finale, where the tree follows the spectrum of what the sound
# thread plays and each turn of the loop cues the music anew, then Ctrl-C ends it as a viewer
# would. Only the ThreadSanitizer tree runs it.
source "$(dirname "$0")/support/script_checks.sh" "$1"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
# SDL's own signal handler turns Ctrl-C into a request to quit; no display, no question.
unset SDL_NO_SIGNAL_HANDLERS DISPLAY WAYLAND_DISPLAY
# tests/tsan.supp leaves out the GL driver's own calls, and ThreadSanitizer stops when a library
# it leaves out is unloaded, as SDL_Quit unloads the driver: preloaded, it stays (the sanitizer's
# runtime first in the list). Debian 13's Mesa keeps the driver in libgallium.
preload=$(ldd "$BUILD/bin/lockstep" | awk '/libtsan/ {print $3}')
for lib in /usr/lib/x86_64-linux-gnu/dri/swrast_dri.so /usr/lib/x86_64-linux-gnu/libgallium-*.so; do
  if [ -n "$preload" ] && [ -e "$lib" ]; then preload="$preload $lib"; fi
done
cd "$SRC"
LD_PRELOAD=$preload timeout --preserve-status -k 60 -s INT 20 "$BUILD/bin/lockstep" --windowed \
  --loop 80000-88000 >"$WORK/out.txt" 2>"$WORK/err.txt"
status=$?
reports=$(grep -c "WARNING: ThreadSanitizer" "$WORK/err.txt")
[ "$reports" -eq 0 ] || fail "$reports ThreadSanitizer reports: $(cat "$WORK/err.txt")"
[ "$status" -eq 0 ] || fail "the player ended with status $status: $(tail -5 "$WORK/err.txt")"
grep -q "frames in" "$WORK/err.txt" || fail "the player did not shut down: $(tail -5 "$WORK/err.txt")"
sed -n 's/^lockstep: \(.* frames in .*\)/the player: \1/p' "$WORK/err.txt"
end_checks

#!/usr/bin/env bash
# Makes the release, the archives a viewer downloads, in dist/release/:
#   lockstep-linux-x86_64.tar.gz  the Linux folder (tools/linux/build.sh)
#   lockstep-win64.zip            the Windows folder (tools/windows/build.sh)
#   lockstep-web.zip              the web folder with lockstep.html, which plays from disk
#                                 (tools/web/build.sh)
#   SHA256SUMS
# and with --video lockstep-1080p.mp4: the whole show rendered by the capture tool at 1440x1080
# between black bars on 1920x1080, 60 fps, H.264 and AAC (slow: minutes, rendered on the CPU).
# Each archive holds a README.txt. Needs root: the Linux folder is built in a Debian 11 chroot.
# The same commit released twice gives the same archives, byte for byte: the libraries come from
# pinned sources, every time inside is the commit's. tools/release_check.sh then tries the Linux
# folder on bare Debian 11 and 12.
# Usage: tools/release.sh [--video]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/tools/setup.sh"
source "$ROOT/tools/archives.sh"
say_failed_commands

VIDEO=""
case "${1:-}" in
  "") ;;
  --video) VIDEO=1 ;;
  *) sed -n 's/^# \{0,1\}//; /^Usage:/p' "$0" >&2; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "release.sh: the Linux folder is built in a chroot: run it as root" >&2; exit 1; }

OUT=$ROOT/dist/release
export SOURCE_DATE_EPOCH=$(release_epoch)
started=$SECONDS
run_step "building the Linux folder" "$ROOT/tools/linux/build.sh"
run_step "building the Windows folder" "$ROOT/tools/windows/build.sh"
run_step "building the web page" "$ROOT/tools/web/build.sh"

# The release is made beside its final folder and takes its name only once every file is whole.
PART=$OUT.part
rm -rf "$OUT" "$PART"
mkdir -p "$PART"
cp "$ROOT/dist/lockstep-linux-x86_64.tar.gz" "$ROOT/dist/lockstep-win64.zip" "$PART/"
write_zip "$ROOT/dist" lockstep-web "$PART/lockstep-web.zip"

if [ -n "$VIDEO" ]; then
  install_packages "${LOCKSTEP_TEST_PACKAGES[@]}" # ffmpeg
  run_step "building the capture tool" cmake --build "$ROOT/build" --target lockstep-capture \
    -j "$(nproc)"
  echo "release: rendering the whole show to lockstep-1080p.mp4"
  SDL_VIDEODRIVER=offscreen "$ROOT/build/bin/lockstep-capture" --root "$ROOT" --fps 60 \
    --size 1440x1080 --video-size 1920x1080 --video "$PART/lockstep-1080p.mp4"
fi

(cd "$PART" && sha256sum -- *.tar.gz *.zip $([ -z "$VIDEO" ] || echo *.mp4) >SHA256SUMS)
mv "$PART" "$OUT"
echo "release: wrote $OUT in $((SECONDS - started)) s:"
(cd "$OUT" && ls -l --time-style=+ -- * | awk '{printf "  %-30s %9d bytes\n", $NF, $5}')

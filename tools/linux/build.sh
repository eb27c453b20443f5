#!/usr/bin/env bash
# Builds the demo for Linux and writes dist/lockstep-linux-x86_64.tar.gz: one folder, lockstep/,
# with the program, the SDL2, mpg123 and kissfft libraries in lib/, the data set and a README,
# that plays on glibc 2.31 (Debian 11, Ubuntu 20.04) and later. Everything is compiled in a
# Debian 11 root (build-linux/root, made with debootstrap) by its own gcc 10, so nothing asks for
# a newer C library; libstdc++ and libgcc go into the program. The libraries are built from their
# pinned sources (tools/pinned_sources.txt), as the Windows folder's are, once each into
# build-linux/deps/ named for their version and recipe. SDL2 loads X11, Wayland, ALSA,
# PulseAudio, PipeWire and GL at run time, so a system without one of them plays without it.
# Whatever Debian runs this, the same commit gives the same tar.gz. Needs root (debootstrap,
# chroot).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
source "$ROOT/tools/setup.sh"
source "$ROOT/tools/debian_root.sh"
source "$ROOT/tools/archives.sh"
say_failed_commands
[ "$(id -u)" -eq 0 ] || { echo "build.sh: the Linux folder is built in a chroot: run it as root" >&2; exit 1; }
install_packages "${LOCKSTEP_PACKAGES[@]}" "${LOCKSTEP_RELEASE_PACKAGES[@]}"
debian_mirrors

SUITE=bullseye
TREE=$ROOT/build-linux
DEPS=$TREE/deps
BROOT=$TREE/root
NAME=lockstep
STAGE=$TREE/$NAME
TARBALL=$ROOT/dist/lockstep-linux-x86_64.tar.gz
JOBS=$(nproc)
export SOURCE_DATE_EPOCH=$(release_epoch)

# The build root: Debian 11's minbase, its compiler, and the headers SDL2 needs to load X11,
# Wayland, ALSA, PulseAudio and GL (it links none of them).
BUILD_PACKAGES=(
  build-essential cmake pkg-config libgl-dev libegl-dev
  libx11-dev libxext-dev libxcursor-dev libxi-dev libxfixes-dev libxrandr-dev libxrender-dev
  libxss-dev libwayland-dev libxkbcommon-dev wayland-protocols libasound2-dev libpulse-dev
)
# PipeWire's headers: Debian 11's are older than SDL2 accepts, so Debian 12's (the pinned .deb
# files of pipewire), unpacked into /opt/pipewire of the root. SDL2 only loads the library,
# whichever version the system has.
PIPEWIRE_PC=/opt/pipewire/usr/lib/x86_64-linux-gnu/pkgconfig

# Makes the build root unless the one there was made from the same packages; mounts it.
make_build_root() {
  local recipe file
  fetch_pinned pipewire
  recipe=$(echo "$SUITE ${BUILD_PACKAGES[*]}" "$(pinned_files pipewire)" | sha1sum | cut -c1-8)
  if [ "$(cat "$BROOT/.lockstep-root" 2>/dev/null)" = "$recipe" ]; then
    mount_root "$BROOT"
    return
  fi
  minbase_tarball "$SUITE" "$TREE/roots/$SUITE-minbase.tar"
  new_root "$TREE/roots/$SUITE-minbase.tar" "$SUITE" "$BROOT"
  run_step "installing Debian 11's compiler and headers in $BROOT" \
    root_install "$BROOT" "${BUILD_PACKAGES[@]}"
  for file in $(pinned_files pipewire | cut -d' ' -f1); do
    dpkg-deb -x "$SOURCE_CACHE/$file" "$BROOT/opt/pipewire"
  done
  sed -i 's|^prefix=.*|prefix=/opt/pipewire/usr|' "$BROOT$PIPEWIRE_PC"/*.pc
  echo "$recipe" >"$BROOT/.lockstep-root"
}

# root_build NAME SOURCE_DIR PREFIX COMMAND: COMMAND runs in a copy of SOURCE_DIR inside the
# build root and installs into /opt/deps/NAME there, which is then copied to PREFIX.
root_build() {
  local name=$1 work=$2 prefix=$3
  rm -rf "$BROOT/src/$name" "$BROOT/opt/deps/$name" && mkdir -p "$BROOT/src" &&
    cp -a "$work" "$BROOT/src/$name" &&
    in_root "$BROOT" "cd /src/$name && $4" &&
    mkdir -p "$prefix" && cp -a "$BROOT/opt/deps/$name/." "$prefix/" &&
    rm -rf "$BROOT/src/$name"
}

# The recipes, as the Windows folder's: build_NAME SOURCE_DIR PREFIX, each run as the condition of
# an if, so its steps are chained with &&.

# Only what the demo uses: video with OpenGL (GLX and EGL), events, audio, threads, timers.
# Every system library is loaded at run time; the sound servers that desktops no longer run
# (ESD, aRts, NAS, sndio, JACK, OSS) and the consoles' video drivers are left out.
build_SDL2() {
  root_build SDL2 "$1" "$2" "PKG_CONFIG_PATH=$PIPEWIRE_PC cmake -S . -B out \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/opt/deps/SDL2 -DSDL_SHARED=ON \
    -DSDL_STATIC=OFF -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON -DSDL_CCACHE=OFF -DSDL_RPATH=OFF \
    -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF \
    -DSDL_POWER=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_VULKAN=OFF -DSDL_OFFSCREEN=OFF \
    -DSDL_X11_SHARED=ON -DSDL_WAYLAND_SHARED=ON -DSDL_WAYLAND_LIBDECOR=OFF \
    -DSDL_ALSA_SHARED=ON -DSDL_PULSEAUDIO_SHARED=ON -DSDL_PIPEWIRE_SHARED=ON \
    -DSDL_JACK=OFF -DSDL_ESD=OFF -DSDL_ARTS=OFF -DSDL_NAS=OFF -DSDL_SNDIO=OFF -DSDL_OSS=OFF \
    -DSDL_LIBSAMPLERATE=OFF -DSDL_KMSDRM=OFF -DSDL_RPI=OFF -DSDL_VIVANTE=OFF \
    -DSDL_DIRECTFB=OFF -DSDL_DBUS=OFF -DSDL_IBUS=OFF -DSDL_LIBUDEV=OFF &&
    cmake --build out -j $JOBS && cmake --install out" &&
    cp "$1/LICENSE.txt" "$2/licence.txt"
}

# The library alone: not the player, nor the output and synthesis libraries beside it.
build_mpg123() {
  root_build mpg123 "$1" "$2" "./configure --prefix=/opt/deps/mpg123 --enable-shared \
    --disable-static --enable-modules=no --enable-network=no --with-cpu=x86-64 \
    --disable-dependency-tracking &&
    make -j $JOBS src/libmpg123/libmpg123.la &&
    make install-libLTLIBRARIES lib_LTLIBRARIES=src/libmpg123/libmpg123.la \
      install-nodist_includeHEADERS nodist_include_HEADERS=src/libmpg123/mpg123.h \
      install-includeHEADERS include_HEADERS=src/libmpg123/fmt123.h \
      install-pkgconfigDATA pkgconfig_DATA=libmpg123.pc" &&
    cp "$1/COPYING" "$2/licence.txt"
}

build_kissfft() {
  root_build kissfft "$1" "$2" "cmake -S . -B out -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX=/opt/deps/kissfft -DKISSFFT_DATATYPE=float -DKISSFFT_STATIC=OFF \
    -DKISSFFT_TEST=OFF -DKISSFFT_TOOLS=OFF -DKISSFFT_PKGCONFIG=OFF -DCMAKE_INSTALL_LIBDIR=lib &&
    cmake --build out -j $JOBS && cmake --install out" &&
    cat "$1/COPYING" "$1/LICENSES/BSD-3-Clause" >"$2/licence.txt"
}

# A recipe's build also depends on the root it runs in.
library_recipe_extra() { declare -f root_build; echo "$SUITE ${BUILD_PACKAGES[*]}"; }
LIBRARY_TARGET="Linux (in Debian 11)"

trap 'unmount_root "$BROOT" || true' EXIT
make_build_root
library SDL2 libsdl2 SDL2
library mpg123 mpg123 MPG123
library kissfft kissfft KISSFFT

# The libraries where the demo's build finds them, as they were built.
rm -rf "$BROOT/opt/deps"
mkdir -p "$BROOT/opt/deps"
cp -a "$SDL2" "$BROOT/opt/deps/SDL2"
cp -a "$MPG123" "$BROOT/opt/deps/mpg123"
cp -a "$KISSFFT" "$BROOT/opt/deps/kissfft"

echo "build.sh: building the demo for Linux"
# The sources as they are in this checkout, committed or not; unchanged files keep their times,
# so the build in the root stays incremental.
rm -rf "$BROOT/src/lockstep"
mkdir -p "$BROOT/src/lockstep"
(cd "$ROOT" && git ls-files -co --exclude-standard -z | tar --null --ignore-failed-read -T - -cf - 2>/dev/null) |
  tar -C "$BROOT/src/lockstep" -xf -
# RPATH, not RUNPATH: the libraries beside the program come first even under LD_LIBRARY_PATH.
in_root "$BROOT" "cmake -S /src/lockstep -B /build/lockstep -DCMAKE_BUILD_TYPE=Release \
  -DLOCKSTEP_DEMO_ONLY=ON -DCMAKE_PREFIX_PATH='/opt/deps/SDL2;/opt/deps/mpg123;/opt/deps/kissfft' \
  -DCMAKE_EXE_LINKER_FLAGS='-static-libstdc++ -static-libgcc -Wl,--disable-new-dtags' \
  -DCMAKE_BUILD_WITH_INSTALL_RPATH=ON -DCMAKE_INSTALL_RPATH='\$ORIGIN/lib' >/dev/null &&
  cmake --build /build/lockstep --target lockstep -j $JOBS"

# The data set comes from the native generator.
cmake -S "$ROOT" -B "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$ROOT/build" --target lockstep-datagen -j "$JOBS"
generate_data

rm -rf "$STAGE"
mkdir -p "$STAGE/lib" "$STAGE/data"
cp "$BROOT/build/lockstep/bin/lockstep" "$STAGE/"
# Each library once, under the name the program asks for.
for lib in "$SDL2" "$MPG123" "$KISSFFT"; do
  for file in "$lib"/lib/lib*.so.*; do
    [ -L "$file" ] && continue
    soname=$(objdump -p "$file" | awk '$1 == "SONAME" {print $2}')
    cp "$file" "$STAGE/lib/$soname"
  done
done
# The root's own strip, not this machine's: the bytes must not depend on the host's binutils.
mkdir -p "$BROOT/stage"
rm -rf "$BROOT/stage/$NAME"
cp -a "$STAGE" "$BROOT/stage/"
in_root "$BROOT" "strip --strip-unneeded /stage/$NAME/lockstep /stage/$NAME/lib/*"
rm -rf "$STAGE"
mv "$BROOT/stage/$NAME" "$STAGE"
chmod 644 "$STAGE"/lib/*
find "$ROOT/data" -maxdepth 1 -type f ! -name '.*' -exec cp {} "$STAGE/data/" \;
# The options as the program itself states them (it runs here too: glibc is newer here).
"$STAGE/lockstep" --help >"$TREE/usage.txt"
{
  readme_text "$ROOT/tools/linux/README.txt" "$TREE/usage.txt"
  library_licences "$SDL2" "$MPG123" "$KISSFFT"
} >"$STAGE/README.txt"

mkdir -p "$(dirname "$TARBALL")"
write_tar_gz "$TREE" "$NAME" "$TARBALL"
echo "build.sh: wrote $TARBALL ($(du -k "$TARBALL" | cut -f1) KiB)"

#!/usr/bin/env bash
# Cross-builds the demo for 64-bit Windows with MinGW-w64 and writes dist/lockstep-win64.zip: one
# folder with lockstep.exe, the DLLs of SDL2, mpg123 and kissfft, the data set and a README.
# The three libraries are built from their pinned sources (tools/pinned_sources.txt) once, each
# into its own folder under build-win64/deps/ named for its version and its recipe; later runs
# only build the demo. The same commit gives the same zip wherever it is cloned: no build paths,
# no link times, the commit's time on every member.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
source "$ROOT/tools/setup.sh"
say_failed_commands
install_packages "${LOCKSTEP_PACKAGES[@]}" "${LOCKSTEP_WINDOWS_PACKAGES[@]}"
source "$ROOT/tools/debian_sources.sh"
source "$ROOT/tools/archives.sh"

HOST=x86_64-w64-mingw32
TOOLCHAIN=$ROOT/tools/windows/mingw-w64-x86_64.cmake
TREE=$ROOT/build-win64
DEPS=$TREE/deps
NAME=lockstep-win64
STAGE=$TREE/$NAME
ZIP=$ROOT/dist/$NAME.zip
JOBS=$(nproc)
export SOURCE_DATE_EPOCH=$(release_epoch)

# The recipes: build_NAME SOURCE_DIR PREFIX. Each runs as the condition of an if, where set -e
# does not stop it, so its steps are chained with && and its status is that of the first that
# fails.

# Only what the demo uses: video with OpenGL, events, audio, threads, timers.
build_SDL2() {
  cmake -S "$1" -B "$1/out" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$2" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF \
    -DSDL2_DISABLE_SDL2MAIN=ON -DSDL_CCACHE=OFF -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF \
    -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_LOCALE=OFF \
    -DSDL_MISC=OFF -DSDL_VULKAN=OFF -DSDL_OPENGLES=OFF -DSDL_OFFSCREEN=OFF &&
    cmake --build "$1/out" -j "$JOBS" &&
    cmake --install "$1/out" &&
    cp "$1/LICENSE.txt" "$2/licence.txt"
}

# The library alone: not the player, nor the output and synthesis libraries beside it. The flags
# the toolchain file gives the CMake builds: no build paths, no link time.
build_mpg123() {
  (cd "$1" && ./configure --host=$HOST --prefix="$2" --enable-shared --disable-static \
    --enable-modules=no --enable-network=no --with-cpu=x86-64 --disable-dependency-tracking \
    CFLAGS="-O2 -ffile-prefix-map=$ROOT=." LDFLAGS=-Wl,--no-insert-timestamp &&
    make -j "$JOBS" src/libmpg123/libmpg123.la &&
    make install-libLTLIBRARIES lib_LTLIBRARIES=src/libmpg123/libmpg123.la \
      install-nodist_includeHEADERS nodist_include_HEADERS=src/libmpg123/mpg123.h \
      install-includeHEADERS include_HEADERS=src/libmpg123/fmt123.h \
      install-pkgconfigDATA pkgconfig_DATA=libmpg123.pc) &&
    cp "$1/COPYING" "$2/licence.txt"
}

# kissfft's own install folders are set for Unix only: name them.
build_kissfft() {
  cmake -S "$1" -B "$1/out" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$2" -DKISSFFT_DATATYPE=float -DKISSFFT_STATIC=OFF \
    -DKISSFFT_TEST=OFF -DKISSFFT_TOOLS=OFF -DKISSFFT_PKGCONFIG=OFF \
    -DCMAKE_INSTALL_BINDIR=bin -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_INSTALL_INCLUDEDIR=include &&
    cmake --build "$1/out" -j "$JOBS" &&
    cmake --install "$1/out" &&
    cat "$1/COPYING" "$1/LICENSES/BSD-3-Clause" >"$2/licence.txt"
}

# A recipe's build also depends on the toolchain it uses.
library_recipe_extra() { cat "$TOOLCHAIN"; }
LIBRARY_TARGET=Windows

library SDL2 libsdl2 SDL2
library mpg123 mpg123 MPG123
library kissfft kissfft KISSFFT

echo "build.sh: building the demo for Windows"
# CMake keeps what it found in its cache: other libraries need a fresh tree.
PREFIXES="$SDL2;$MPG123;$KISSFFT"
[ "$(cat "$TREE/demo/libraries.txt" 2>/dev/null)" = "$PREFIXES" ] || rm -rf "$TREE/demo"
ln -sfn "/usr/$HOST/lib" "$TREE/windows-lib" # see the toolchain file
cmake -S "$ROOT" -B "$TREE/demo" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
  -DLOCKSTEP_DEMO_ONLY=ON -DLOCKSTEP_WINDOWS_PREFIXES="$PREFIXES" \
  -DLOCKSTEP_WINDOWS_LIBDIR="$TREE/windows-lib" >/dev/null
echo "$PREFIXES" >"$TREE/demo/libraries.txt"
cmake --build "$TREE/demo" --target lockstep -j "$JOBS"

# The data set comes from the native generator.
cmake -S "$ROOT" -B "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$ROOT/build" --target lockstep-datagen lockstep -j "$JOBS"
generate_data

rm -rf "$STAGE"
mkdir -p "$STAGE/data"
cp "$TREE/demo/bin/lockstep.exe" "$SDL2/bin/SDL2.dll" "$MPG123/bin/libmpg123-0.dll" \
  "$KISSFFT/bin/libkissfft-float.dll" "$STAGE/"
$HOST-strip "$STAGE"/*.exe "$STAGE"/*.dll
find "$ROOT/data" -maxdepth 1 -type f ! -name '.*' -exec cp {} "$STAGE/data/" \;
# Windows notepads of every age read CRLF.
# The options as the player states them: the native build's, from the same sources.
"$ROOT/build/bin/lockstep" --help >"$TREE/usage.txt"
{
  readme_text "$ROOT/tools/windows/README.txt" "$TREE/usage.txt"
  library_licences "$SDL2" "$MPG123" "$KISSFFT"
} | sed 's/\r$//; s/$/\r/' >"$STAGE/README.txt"

mkdir -p "$(dirname "$ZIP")"
write_zip "$TREE" "$NAME" "$ZIP"
echo "build.sh: wrote $ZIP ($(du -k "$ZIP" | cut -f1) KiB)"

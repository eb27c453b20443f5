#!/usr/bin/env bash
# Builds the show as a web page with Emscripten and writes dist/lockstep-web/: index.html and
# page.js, the module (lockstep.js, lockstep.wasm), the data package (lockstep-data.tar.gz, the
# data set with the loading picture first, so the page can show it while the rest arrives) and
# the soundtrack (data/moravinte.mp3, fetched on its own: it does not compress). Any static
# server can serve the folder. Beside them lockstep.html, the same page as one file that holds
# all the others and so plays when opened from disk, and README.txt. kissfft's sources are the
# pinned ones (tools/pinned_sources.txt), unpacked once into build-web/deps/; the data set comes
# from the native generator. The same commit gives the same files wherever it is cloned.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
source "$ROOT/tools/setup.sh"
say_failed_commands
install_packages "${LOCKSTEP_PACKAGES[@]}" "${LOCKSTEP_WEB_PACKAGES[@]}"

TREE=$ROOT/build-web
DEPS=$TREE/deps
SITE=$ROOT/dist/lockstep-web
# The folder is made beside its final place and takes its name only once whole.
STAGE=$SITE.part
JOBS=$(nproc)
source "$ROOT/tools/debian_sources.sh"
# Emscripten's optimising link runs acorn, which Debian keeps in its own Node.js folder.
export NODE_PATH=/usr/share/nodejs

source "$ROOT/tools/archives.sh"
export SOURCE_DATE_EPOCH=$(release_epoch)

# kissfft's sources, unpacked once per pinned version; the show's build compiles them.
version=$(pinned_version kissfft)
KISSFFT=$DEPS/kissfft-$version
if [ ! -f "$KISSFFT/.complete" ]; then
  rm -rf "$DEPS"/kissfft-*
  unpack_pinned kissfft "$KISSFFT"
  touch "$KISSFFT/.complete"
fi

# The data set comes from the native generator.
cmake -S "$ROOT" -B "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$ROOT/build" --target lockstep-datagen -j "$JOBS"
generate_data

echo "build.sh: building the show for the web"
# Source paths relative to the clone, so where it lies leaves no trace in the module.
emcmake cmake -S "$ROOT" -B "$TREE/show" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS="-ffile-prefix-map=$ROOT=." -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$ROOT=." \
  -DLOCKSTEP_WEB_KISSFFT="$KISSFFT" >/dev/null
cmake --build "$TREE/show" --target lockstep -j "$JOBS"

rm -rf "$STAGE" "$SITE"
mkdir -p "$STAGE/data"
cp "$ROOT/programs/web/index.html" "$ROOT/programs/web/page.js" "$TREE/show/bin/lockstep.js" \
  "$TREE/show/bin/lockstep.wasm" "$STAGE/"
cp "$ROOT/data/moravinte.mp3" "$STAGE/data/"
# The same bytes from the same data set: no owners, no times.
files=$(cd "$ROOT/data" && LC_ALL=C ls | grep -v -e '^loading_512x512\.raw$' -e '\.mp3$' | LC_ALL=C sort)
(cd "$ROOT/data" && tar --format=ustar --owner=0 --group=0 --numeric-owner --mtime=@0 \
  -cf - loading_512x512.raw $files) | gzip -9n >"$STAGE/lockstep-data.tar.gz"

# lockstep.html: index.html with its script line replaced by the files as base64 blocks, their
# decoder, page.js and the module, all inline. An inline script ends at the first "</script"
# and may not hold "<!--": neither may appear in what is inlined.
template=$ROOT/programs/web/index.html
line='<script src="page.js"></script>'
[ "$(grep -cxF "$line" "$template")" = 1 ] || { echo "build.sh: index.html has no line $line"; exit 1; }
inline=("$ROOT/programs/web/embedded.js" "$ROOT/programs/web/page.js" "$STAGE/lockstep.js")
if grep -il -e '</script' -e '<!--' "${inline[@]}"; then
  echo "build.sh: the files above cannot be inlined into lockstep.html"; exit 1
fi
{
  sed "\|^$line\$|,\$d" "$template"
  for file in lockstep.wasm lockstep-data.tar.gz data/moravinte.mp3; do
    printf '<script type="application/octet-stream" data-file="%s">' "$file"
    base64 -w 0 "$STAGE/$file"
    printf '</script>\n'
  done
  for file in "${inline[@]}"; do
    printf '<script>\n'
    cat "$file"
    printf '</script>\n'
  done
  sed "1,\|^$line\$|d" "$template"
} >"$STAGE/lockstep.html"

{
  readme_text "$ROOT/tools/web/README.txt"
  printf '\n\n==== kissfft (Debian source package kissfft %s) ====\n\n' "$version"
  cat "$KISSFFT/COPYING" "$KISSFFT/LICENSES/BSD-3-Clause"
} >"$STAGE/README.txt"
mv "$STAGE" "$SITE"
echo "build.sh: wrote $SITE ($(du -sk --apparent-size "$SITE" | cut -f1) KiB; lockstep.html" \
  "$(du -k --apparent-size "$SITE/lockstep.html" | cut -f1) KiB)"

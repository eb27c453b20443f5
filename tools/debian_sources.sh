# Fetching Debian's source packages, for the libraries that the Windows and Linux folders and the
# web page build themselves, and building them once. Sourced, not run; expects DEPS, the folder
# that the sources and the built libraries are kept in.

# The .dsc file name of Debian's current source of PACKAGE (it carries the version). apt lists
# only files that are not in the current folder yet, so it asks from an empty one. awk reads to
# the end: apt-get must not lose its output pipe while it writes.
source_dsc() {
  mkdir -p "$DEPS/query"
  (cd "$DEPS/query" && apt-get source --print-uris "$1") | awk '$2 ~ /\.dsc$/ && !n++ {print $2}'
}

# fetch_source PACKAGE DSC DIR: Debian's source of PACKAGE with Debian's patches, unpacked in DIR.
fetch_source() {
  local package=$1 dsc=$2 dir=$3 file
  mkdir -p "$DEPS/sources"
  # Some .dsc files name an upstream signature that the archive lacks, and apt-get stops on it
  # after fetching the rest; what matters is that every other file it names has arrived (apt
  # checked each against the archive's signed index).
  (cd "$DEPS/sources" && apt-get source --download-only "$package" >>"$DEPS/fetch.log" 2>&1) || true
  for file in "$dsc" $(awk '/^Files:/ {on = 1; next} on && /^ / {print $3; next} {on = 0}' \
      "$DEPS/sources/$dsc" 2>/dev/null); do
    case $file in *.asc) continue ;; esac
    if [ ! -f "$DEPS/sources/$file" ]; then
      tail -n 20 "$DEPS/fetch.log"
      echo "build.sh: cannot fetch $file; apt's whole output is in $DEPS/fetch.log"
      return 1
    fi
  done
  rm -rf "$dir"
  dpkg-source -x --no-check "$DEPS/sources/$dsc" "$dir" >/dev/null
}

# library NAME PACKAGE VAR: sets VAR to the install folder of NAME, building it first when it is
# missing, with the recipe build_NAME SOURCE_DIR PREFIX. The folder's name holds the Debian
# version and a digest of the recipe and of what library_recipe_extra prints (the toolchain), so
# a new version or a changed recipe builds afresh beside the old one. LIBRARY_TARGET names the
# platform in the messages; JOBS is the build's parallelism.
library() {
  local name=$1 package=$2 dsc version digest prefix work started=$SECONDS
  dsc=$(source_dsc "$package")
  [ -n "$dsc" ] || { echo "build.sh: apt knows no source package $package"; return 1; }
  version=${dsc#*_}
  version=${version%.dsc}
  digest=$( (declare -f "build_$name"; library_recipe_extra) | sha1sum | cut -c1-8)
  prefix=$DEPS/$name-$version-$digest
  if [ ! -f "$prefix/.complete" ]; then
    echo "build.sh: building $name $version for $LIBRARY_TARGET"
    work=$DEPS/work/$name
    rm -rf "$DEPS/$name"-* "$work" # and the builds of other versions and recipes
    mkdir -p "$DEPS/work"
    fetch_source "$package" "$dsc" "$work"
    if ! "build_$name" "$work" "$prefix" >"$DEPS/$name.log" 2>&1; then
      tail -n 30 "$DEPS/$name.log"
      echo "build.sh: building $name failed; its whole output is in $DEPS/$name.log"
      return 1
    fi
    rm -rf "$work"
    echo "$package $version" >"$prefix/source.txt"
    touch "$prefix/.complete"
    echo "build.sh: $name built in $((SECONDS - started)) s"
  fi
  printf -v "$3" '%s' "$prefix"
}

# library_licences PREFIX...: each library's licence, under a heading naming its source package.
library_licences() {
  local lib
  for lib in "$@"; do
    printf '\n\n==== %s (Debian source package %s) ====\n\n' \
      "$(basename "$lib" | cut -d- -f1)" "$(cat "$lib/source.txt")"
    cat "$lib/licence.txt"
  done
}

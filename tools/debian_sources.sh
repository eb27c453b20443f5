# The third-party sources that the Windows, Linux and web folders build themselves: exactly the
# files pinned in tools/pinned_sources.txt, fetched from the Debian archive's pool through the
# mirror this machine's apt uses, checked against their SHA-256 and kept in a download cache, so
# that what goes into a release depends neither on the builder's Debian release nor on the day.
# Sourced, not run; expects ROOT. library() expects DEPS, the folder the built libraries go in.

PINS=${LOCKSTEP_PINS:-$ROOT/tools/pinned_sources.txt}
# Outside the build trees, which get wiped: a clone and the next one share it.
SOURCE_CACHE=${LOCKSTEP_SOURCE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/lockstep/sources}

# host_mirror SUITE: the first URI from which this machine's apt takes SUITE's packages.
host_mirror() {
  local suite=$1 file uris=""
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    if [ -f "$file" ]; then
      uris+=$(sed 's/\[[^]]*\]//' "$file" | awk -v s="$suite" '$1 == "deb" && $3 == s {print $2}')$'\n'
    fi
  done
  for file in /etc/apt/sources.list.d/*.sources; do
    if [ -f "$file" ]; then
      uris+=$(awk -v s="$suite" 'BEGIN {RS = ""; FS = "\n"} {
          types = uris = suites = ""; on = 1
          for (i = 1; i <= NF; i++) {
            if ($i ~ /^Types:/) types = " " substr($i, 7) " "
            else if ($i ~ /^URIs:/) uris = substr($i, 6)
            else if ($i ~ /^Suites:/) suites = " " substr($i, 8) " "
            else if ($i ~ /^Enabled:[[:space:]]*no/) on = 0
          }
          if (on && types ~ /[[:space:]]deb[[:space:]]/ && suites ~ "[[:space:]]" s "[[:space:]]") {
            split(uris, u, " "); printf "%s\n", u[1]
          }
        }' "$file")$'\n'
    fi
  done
  uris=$(echo "$uris" | sed '/^$/d')
  echo "${uris%%$'\n'*}"
}

# debian_mirrors: sets DEBIAN_MIRROR and DEBIAN_SECURITY (empty when apt has no security source)
# from the entries of this machine's own release, whichever it is: every Debian release lies in
# the same archive. LOCKSTEP_DEBIAN_MIRROR names another.
debian_mirrors() {
  local codename
  codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
  DEBIAN_MIRROR=${LOCKSTEP_DEBIAN_MIRROR:-$(host_mirror "$codename")}
  DEBIAN_SECURITY=$(host_mirror "$codename-security")
  [ -n "$DEBIAN_MIRROR" ] && return 0
  echo "${0##*/}: this machine's apt has no source for its own release (${codename:-unknown})" \
    "to take Debian's packages from; LOCKSTEP_DEBIAN_MIRROR=URI names a mirror" >&2
  return 1
}

# pool_url SOURCE FILE: where the archive keeps FILE of source package SOURCE.
pool_url() {
  local letter=${1:0:1}
  case $1 in lib?*) letter=${1:0:4} ;; esac
  echo "${DEBIAN_MIRROR%/}/pool/main/$letter/$1/$2"
}

# pinned_version SOURCE and pinned_files SOURCE ("FILE SHA256" lines): what the pins name.
pinned_version() {
  local version
  version=$(awk -v s="$1" '$1 == s {print $2; exit}' "$PINS")
  [ -n "$version" ] || { echo "${0##*/}: $PINS pins no source $1" >&2; return 1; }
  echo "$version"
}
pinned_files() { awk -v s="$1" '$1 == s {print $3, $4}' "$PINS"; }

# download URL FILE: FILE as the mirror serves it, through apt's own downloader (apt's proxy and
# mirror settings hold; no other download tool is needed). A file:// URL arrives as a link.
download() {
  /usr/lib/apt/apt-helper download-file "$1" "$2" </dev/null >"$2.log" 2>&1 || {
    sed -n 's/^E: //p' "$2.log" >&2
    rm -f "$2" "$2.log"
    return 1
  }
  rm -f "$2.log"
  if [ -L "$2" ]; then cp --remove-destination "$(readlink -f "$2")" "$2"; fi
}

# fetch_pinned SOURCE: every pinned file of SOURCE in SOURCE_CACHE, each checked against its pin
# before anything reads it; a cached file that differs is fetched again. Stops naming the file
# that cannot be had or whose hash is not the pinned one.
fetch_pinned() {
  local source=$1 file sha found lines
  lines=$(pinned_files "$source")
  [ -n "$lines" ] || { echo "${0##*/}: $PINS pins no source $source" >&2; return 1; }
  [ -n "${DEBIAN_MIRROR:-}" ] || debian_mirrors || return 1
  mkdir -p "$SOURCE_CACHE"
  while read -r file sha; do
    if [ -f "$SOURCE_CACHE/$file" ] &&
      [ "$(sha256sum <"$SOURCE_CACHE/$file" | cut -d' ' -f1)" = "$sha" ]; then
      continue
    fi
    echo "${0##*/}: fetching $file"
    download "$(pool_url "$source" "$file")" "$SOURCE_CACHE/$file.part" ||
      { echo "${0##*/}: cannot fetch $file from $(pool_url "$source" "$file")" >&2; return 1; }
    found=$(sha256sum <"$SOURCE_CACHE/$file.part" | cut -d' ' -f1)
    if [ "$found" != "$sha" ]; then
      rm -f "$SOURCE_CACHE/$file.part"
      echo "${0##*/}: $file has SHA-256 $found, but $PINS pins $sha" >&2
      return 1
    fi
    mv "$SOURCE_CACHE/$file.part" "$SOURCE_CACHE/$file"
  done <<<"$lines"
}

# unpack_pinned SOURCE DIR: SOURCE's upstream tarball unpacked in DIR with Debian's changes on
# top: a debian/ tarball and its quilt series, or a 1.0 diff. The .dsc, pinned where the archive
# has one, is not needed: the files it would name are pinned themselves.
unpack_pinned() {
  local source=$1 dir=$2 file orig="" debian="" diff="" name level
  fetch_pinned "$source" || return 1
  for file in $(pinned_files "$source" | cut -d' ' -f1); do
    case $file in
      *.orig.tar.*.asc) ;;
      *.orig.tar.*) orig=$SOURCE_CACHE/$file ;;
      *.debian.tar.*) debian=$SOURCE_CACHE/$file ;;
      *.diff.gz) diff=$SOURCE_CACHE/$file ;;
    esac
  done
  [ -n "$orig" ] || { echo "${0##*/}: $PINS pins no upstream tarball of $source" >&2; return 1; }
  rm -rf "$dir" && mkdir -p "$dir" || return 1
  # Upstream tarballs hold one top folder.
  tar -C "$dir" --strip-components=1 -xf "$orig" || return 1
  if [ -n "$diff" ]; then
    zcat "$diff" | patch -d "$dir" -p1 -s -f --no-backup-if-mismatch >/dev/null || {
      echo "${0##*/}: $(basename "$diff") does not apply" >&2
      return 1
    }
  fi
  [ -z "$debian" ] || tar -C "$dir" -xf "$debian" || return 1
  [ -f "$dir/debian/patches/series" ] || return 0
  while read -r name level; do
    case $name in '' | '#'*) continue ;; esac
    patch -d "$dir" "${level:--p1}" -s -f --no-backup-if-mismatch \
      <"$dir/debian/patches/$name" >/dev/null || {
      echo "${0##*/}: Debian's patch $name of $source does not apply" >&2
      return 1
    }
  done <"$dir/debian/patches/series"
}

# library NAME SOURCE VAR: sets VAR to the install folder of NAME, building it first when it is
# missing, with the recipe build_NAME SOURCE_DIR PREFIX. The folder's name holds the pinned
# version and a digest of the recipe and of what library_recipe_extra prints (the toolchain), so
# a new pin or a changed recipe builds afresh beside the old one. LIBRARY_TARGET names the
# platform in the messages; JOBS is the build's parallelism.
library() {
  local name=$1 source=$2 version digest prefix work started=$SECONDS
  version=$(pinned_version "$source") || return 1
  digest=$( (declare -f "build_$name"; library_recipe_extra) | sha1sum | cut -c1-8)
  prefix=$DEPS/$name-$version-$digest
  if [ ! -f "$prefix/.complete" ]; then
    echo "build.sh: building $name $version for $LIBRARY_TARGET"
    work=$DEPS/work/$name
    rm -rf "$DEPS/$name"-* "$work" # and the builds of other versions and recipes
    mkdir -p "$DEPS/work"
    unpack_pinned "$source" "$work" || return 1
    if ! "build_$name" "$work" "$prefix" >"$DEPS/$name.log" 2>&1; then
      tail -n 30 "$DEPS/$name.log"
      echo "build.sh: building $name failed; its whole output is in $DEPS/$name.log"
      return 1
    fi
    rm -rf "$work"
    echo "$source $version" >"$prefix/source.txt"
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

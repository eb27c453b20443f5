# Fetching Debian's source packages, for the libraries that the Windows folder and the web page
# build themselves. Sourced, not run; expects DEPS, the folder that the sources are kept in.

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

#!/usr/bin/env bash
# Pins a version of a third-party source in tools/pinned_sources.txt: fetches its files from the
# Debian archive's pool (the mirror this machine's apt uses), checks them and rewrites that
# source's lines of the file with each file's SHA-256; the other lines stay as they are.
# Without BINARY, the files are those the version's .dsc names (each checked against the .dsc's
# own SHA-256; an upstream signature the pool lacks is left out), and the .dsc. With BINARY...,
# those binary packages' amd64 .deb files instead; a source pinned as .deb files keeps its
# packages when only the version is given. The files stay in the download cache.
# Usage: tools/pin_sources.sh SOURCE VERSION [BINARY...]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/tools/setup.sh"
source "$ROOT/tools/debian_sources.sh"
say_failed_commands

[ $# -ge 2 ] || { sed -n 's/^# \{0,1\}//; /^Usage:/p' "$0" >&2; exit 2; }
SOURCE=$1 VERSION=$2
shift 2
BINARIES=("$@")
plain=${VERSION#*:} # file names leave out the epoch
debian_mirrors
mkdir -p "$SOURCE_CACHE"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ${#BINARIES[@]} -eq 0 ] && [ -f "$PINS" ]; then
  mapfile -t BINARIES < <(awk -v s="$SOURCE" '$1 == s && $3 ~ /\.deb$/ {sub(/_.*/, "", $3); print $3}' "$PINS")
fi

# "FILE SHA256" for each file of the version, from the .dsc or the .deb files themselves.
if [ ${#BINARIES[@]} -eq 0 ]; then
  dsc=${SOURCE}_$plain.dsc
  download "$(pool_url "$SOURCE" "$dsc")" "$work/$dsc" ||
    { echo "pin_sources: the archive has no $dsc" >&2; exit 1; }
  expected=$(awk '/^Checksums-Sha256:/ {on = 1; next} on && /^ / {print $3, $1; next} {on = 0}' "$work/$dsc")
  [ -n "$expected" ] || { echo "pin_sources: $dsc names no files" >&2; exit 1; }
  pins="$dsc $(sha256sum <"$work/$dsc" | cut -d' ' -f1)"
  while read -r file sha; do
    if ! download "$(pool_url "$SOURCE" "$file")" "$work/$file"; then
      case $file in
        *.asc) echo "pin_sources: the archive has no $file; left out"; continue ;;
        *) echo "pin_sources: cannot fetch $file" >&2; exit 1 ;;
      esac
    fi
    found=$(sha256sum <"$work/$file" | cut -d' ' -f1)
    [ "$found" = "$sha" ] ||
      { echo "pin_sources: $file has SHA-256 $found, but $dsc says $sha" >&2; exit 1; }
    pins+=$'\n'"$file $sha"
  done <<<"$expected"
else
  pins=""
  for binary in "${BINARIES[@]}"; do
    file=${binary}_${plain}_amd64.deb
    download "$(pool_url "$SOURCE" "$file")" "$work/$file" ||
      { echo "pin_sources: cannot fetch $file" >&2; exit 1; }
    pins+="${pins:+$'\n'}$file $(sha256sum <"$work/$file" | cut -d' ' -f1)"
  done
fi

# The source's new lines where its old ones were (at the end for a new source).
lines=$(echo "$pins" | awk -v s="$SOURCE" -v v="$VERSION" '{print s, v, $1, $2}')
touch "$PINS"
awk -v s="$SOURCE" -v lines="$lines" '
  $1 == s { if (!done) print lines; done = 1; next }
  { print }
  END { if (!done) print lines }' "$PINS" >"$PINS.new"
mv "$PINS.new" "$PINS"
for file in $(echo "$pins" | cut -d' ' -f1); do mv "$work/$file" "$SOURCE_CACHE/$file"; done
echo "pin_sources: $SOURCE $VERSION pinned in $PINS:"
echo "$lines" | sed 's/^/  /'

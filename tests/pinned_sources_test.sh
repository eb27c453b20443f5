#!/usr/bin/env bash
# The pinned third-party sources (tools/debian_sources.sh, tools/pin_sources.sh) against a pool
# made here and reached as file://: a source is fetched into an empty cache, checked and unpacked
# with Debian's patch applied, and later unpacked from the cache alone; a file whose hash is not
# the pinned one, or that the pool lacks, stops the build naming it; a damaged cached file is
# fetched again; the pin command rewrites one source's lines and refuses a file that does not
# match its .dsc. Also that the repository's own pins are well formed.
# Usage: pinned_sources_test.sh BUILD_DIR
set -u
source "$(dirname "$0")/support/script_checks.sh" "$1"
repo=$SRC work=$WORK

# The repository's pins: four fields, a SHA-256, an upstream tarball or .deb files per source.
bad=$(grep -v '^#' "$repo/tools/pinned_sources.txt" |
  awk 'NF != 4 || length($4) != 64 || $4 ~ /[^0-9a-f]/ || $3 !~ "^[^_]+_" {print FNR ": " $0}')
[ -z "$bad" ] || fail "malformed pins: $bad"
for source in libsdl2 mpg123 kissfft pipewire; do
  grep -Eq "^$source [^ ]+ [^ ]+(\.orig\.tar\.[a-z0-9]+|\.deb) " "$repo/tools/pinned_sources.txt" ||
    fail "no upstream tarball or .deb pinned for $source"
done

# A source package "libdemo" 1.0-1 in the pool, 3.0 (quilt): one patch in its series.
pool=$work/mirror/pool/main/libd/libdemo
mkdir -p "$pool" "$work/make/libdemo-1.0" "$work/make/debian/patches"
echo "upstream line" >"$work/make/libdemo-1.0/demo.txt"
tar -C "$work/make" -czf "$pool/libdemo_1.0.orig.tar.gz" libdemo-1.0
cat >"$work/make/debian/patches/fix.patch" <<'EOF'
--- a/demo.txt
+++ b/demo.txt
@@ -1 +1 @@
-upstream line
+patched line
EOF
echo "fix.patch" >"$work/make/debian/patches/series"
tar -C "$work/make" -cJf "$pool/libdemo_1.0-1.debian.tar.xz" debian
sha() { sha256sum <"$1" | cut -d' ' -f1; }
{
  echo "Format: 3.0 (quilt)"
  echo "Checksums-Sha256:"
  for f in libdemo_1.0.orig.tar.gz libdemo_1.0-1.debian.tar.xz; do
    echo " $(sha "$pool/$f") $(stat -c %s "$pool/$f") $f"
  done
  echo "Files:"
} >"$pool/libdemo_1.0-1.dsc"

export LOCKSTEP_DEBIAN_MIRROR=file://$work/mirror LOCKSTEP_PINS=$work/pins.txt
export LOCKSTEP_SOURCE_CACHE=$work/cache LOCKSTEP_LOG=$work/setup.log
printf '# pins\nother 2.0 other_2.0.tar.gz %064d\n' 0 >"$LOCKSTEP_PINS"

# The pin command: the .dsc and the files it names, in place of nothing; other lines stay.
out=$(bash "$repo/tools/pin_sources.sh" libdemo 1.0-1 2>&1) || fail "pin_sources: $out"
[ "$(grep -c '^libdemo 1.0-1 ' "$LOCKSTEP_PINS")" = 3 ] || fail "pins after pin_sources: $(cat "$LOCKSTEP_PINS")"
grep -q "^libdemo 1.0-1 libdemo_1.0.orig.tar.gz $(sha "$pool/libdemo_1.0.orig.tar.gz")$" \
  "$LOCKSTEP_PINS" || fail "the upstream tarball's pin: $(cat "$LOCKSTEP_PINS")"
grep -q '^other 2.0 ' "$LOCKSTEP_PINS" || fail "pin_sources lost another source's pin"
# Pinning again replaces the source's lines where they were.
bash "$repo/tools/pin_sources.sh" libdemo 1.0-1 >/dev/null 2>&1
[ "$(grep -c '^libdemo ' "$LOCKSTEP_PINS")" = 3 ] || fail "a second pin doubled the lines"

unpack() {
  (ROOT=$repo; source "$repo/tools/debian_sources.sh" && unpack_pinned libdemo "$work/src") 2>&1
}
rm -rf "$LOCKSTEP_SOURCE_CACHE"
out=$(unpack) || fail "unpacking from the pool: $out"
[ "$(cat "$work/src/demo.txt" 2>/dev/null)" = "patched line" ] || fail "Debian's patch not applied"
# From the cache alone.
mv "$work/mirror" "$work/away"
out=$(unpack) || fail "unpacking from the cache: $out"
mv "$work/away" "$work/mirror"

# A damaged cached file is fetched again.
echo junk >"$LOCKSTEP_SOURCE_CACHE/libdemo_1.0.orig.tar.gz"
out=$(unpack) || fail "a damaged cached file: $out"

# The pool serves other bytes: the build stops naming the file and both hashes.
pinned=$(sha "$pool/libdemo_1.0.orig.tar.gz")
rm -rf "$LOCKSTEP_SOURCE_CACHE"
cp "$pool/libdemo_1.0.orig.tar.gz" "$work/orig.keep"
echo "tampered" >"$pool/libdemo_1.0.orig.tar.gz"
if out=$(unpack); then
  fail "a tampered file was accepted"
else
  [[ $out == *"libdemo_1.0.orig.tar.gz has SHA-256 $(sha "$pool/libdemo_1.0.orig.tar.gz"), but"*"pins $pinned"* ]] ||
    fail "the message for a tampered file: $out"
fi
[ ! -e "$LOCKSTEP_SOURCE_CACHE/libdemo_1.0.orig.tar.gz" ] || fail "a tampered file went into the cache"
# ... and the pin command will not pin it either.
out=$(bash "$repo/tools/pin_sources.sh" libdemo 1.0-1 2>&1) && fail "pin_sources pinned a tampered file"
[[ $out == *"libdemo_1.0.orig.tar.gz has SHA-256"*"libdemo_1.0-1.dsc says"* ]] ||
  fail "pin_sources on a tampered file: $out"

# The pool lacks a file: the build stops naming it.
rm "$pool/libdemo_1.0.orig.tar.gz"
if out=$(unpack); then
  fail "a missing file was not noticed"
else
  [[ $out == *"cannot fetch libdemo_1.0.orig.tar.gz"* ]] || fail "the message for a missing file: $out"
fi

end_checks
echo "pinned sources: all checks passed"

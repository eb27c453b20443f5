#!/usr/bin/env bash
# Proves the set-up on a fresh Debian 12 or 13 machine: builds a throwaway root of that release
# (debootstrap minbase plus git) with the apt layout of its official images (no sources.list,
# only sources.list.d/debian.sources, no deb-src), clones this repository's HEAD into it, runs
# ./test.sh there as root, and prints the time taken and the release's SHA256SUMS when the
# command made one. The mirror is the one this machine's own apt uses. Not part of CI: it needs
# root (chroot, mounts), debootstrap (installed through tools/setup.sh when missing), a few GB
# under ${TMPDIR:-/var/tmp} and the better part of an hour.
# Usage: tools/fresh_machine_check.sh [--debian 12|13] [--sources deb822|list|deb822-src] [--keep] [COMMAND]
#   --debian   the Debian release to try: 12 (bookworm, the default) or 13 (trixie)
#   --sources  the root's apt layout: deb822 (the official images', the default), list (one-line
#              /etc/apt/sources.list only, as debootstrap leaves it), deb822-src (deb822 with
#              deb-src entries already there)
#   --keep     leaves the root in place and prints where it is
#   COMMAND    a shell command line run in the clone instead of ./test.sh
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/tools/setup.sh"
source "$ROOT/tools/debian_root.sh"
say_failed_commands

usage() {
  sed -n 's/^# \{0,1\}//; /^Usage:/,/^ *COMMAND/p' "$0" >&2
  exit 2
}
SOURCES=deb822 KEEP="" COMMAND=./test.sh RELEASE=12
while [ $# -gt 0 ]; do
  case $1 in
    --debian) [ $# -ge 2 ] || usage; RELEASE=$2; shift 2 ;;
    --sources) [ $# -ge 2 ] || usage; SOURCES=$2; shift 2 ;;
    --keep) KEEP=1; shift ;;
    -*) usage ;;
    *) COMMAND=$1; shift ;;
  esac
done
case $SOURCES in deb822 | list | deb822-src) ;; *) usage ;; esac
case $RELEASE in 12) SUITE=bookworm ;; 13) SUITE=trixie ;; *) usage ;; esac
[ "$(id -u)" -eq 0 ] || { echo "fresh_machine_check: needs root (chroot, mount)" >&2; exit 1; }

debian_mirrors
MIRROR=$DEBIAN_MIRROR SECURITY=$DEBIAN_SECURITY
install_packages "${LOCKSTEP_CHECK_PACKAGES[@]}"

CHROOT=$(mktemp -d "${TMPDIR:-/var/tmp}/lockstep-fresh-XXXXXX")

# Ends what still runs inside the root (Xvfb, wineserver), unmounts, and removes the root
# unless --keep; never removes a root that still has something mounted in it.
clean_up() {
  if [ -z "$KEEP" ]; then
    remove_root "$CHROOT" || true
  elif unmount_root "$CHROOT"; then
    echo "fresh_machine_check: the root stays in $CHROOT"
  fi
}
trap clean_up EXIT

started=$SECONDS
echo "fresh_machine_check: debootstrap $SUITE (minbase, git) from $MIRROR into $CHROOT"
run_step "debootstrap" debootstrap --variant=minbase --include=git,ca-certificates "$SUITE" \
  "$CHROOT" "$MIRROR"

# The apt layout asked for, in place of the sources.list that debootstrap wrote.
apt=$CHROOT/etc/apt
rm -f "$apt/sources.list" "$apt"/sources.list.d/*
types=deb
# Debian 13 names its keyring .pgp, as its images' sources do; Debian 12 .gpg.
keyring=/usr/share/keyrings/debian-archive-keyring.pgp
[ -f "$CHROOT$keyring" ] || keyring=${keyring%.pgp}.gpg
[ "$SOURCES" = deb822-src ] && types="deb deb-src"
if [ "$SOURCES" = list ]; then
  {
    echo "deb $MIRROR $SUITE main"
    echo "deb $MIRROR $SUITE-updates main"
    [ -z "$SECURITY" ] || echo "deb $SECURITY $SUITE-security main"
  } >"$apt/sources.list"
else
  {
    printf 'Types: %s\nURIs: %s\nSuites: %s %s-updates\nComponents: main\n' "$types" "$MIRROR" "$SUITE" "$SUITE"
    echo "Signed-By: $keyring"
    if [ -n "$SECURITY" ]; then
      printf '\nTypes: %s\nURIs: %s\nSuites: %s-security\nComponents: main\n' "$types" "$SECURITY" "$SUITE"
      echo "Signed-By: $keyring"
    fi
  } >"$apt/sources.list.d/debian.sources"
fi
cp /etc/resolv.conf "$CHROOT/etc/resolv.conf"
# The certificate authorities this machine adds to Debian's own: a network that looks into TLS
# (npm's registry is reached over it) gives every machine on it its CA, a fresh one too.
if compgen -G '/usr/local/share/ca-certificates/*.crt' >/dev/null; then
  cp /usr/local/share/ca-certificates/*.crt "$CHROOT/usr/local/share/ca-certificates/"
  chroot "$CHROOT" update-ca-certificates >/dev/null
fi

mount_root "$CHROOT" host-dev

git -C "$ROOT" bundle create "$CHROOT/tmp/lockstep.bundle" HEAD 2>/dev/null
commit=$(git -C "$ROOT" rev-parse --short HEAD)
in_root "$CHROOT" "git -c init.defaultBranch=main clone -q -c advice.detachedHead=false /tmp/lockstep.bundle /root/lockstep"
echo "fresh_machine_check: root ready in $((SECONDS - started)) s ($SOURCES sources); running $COMMAND on $commit"

ran=$SECONDS rc=0
in_root "$CHROOT" "cd /root/lockstep && $COMMAND" || rc=$?
took=$((SECONDS - ran))
verdict=passed
[ "$rc" -eq 0 ] || verdict="failed (exit $rc)"
sums=$CHROOT/root/lockstep/dist/release/SHA256SUMS
if [ -f "$sums" ]; then
  echo "fresh_machine_check: the release's SHA256SUMS:"
  sed 's/^/  /' "$sums"
fi
echo "fresh_machine_check: $COMMAND $verdict in $((took / 60)) min $((took % 60)) s on a fresh Debian $RELEASE root ($SOURCES sources)"
exit "$rc"

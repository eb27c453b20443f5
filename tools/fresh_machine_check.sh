#!/usr/bin/env bash
# Proves the set-up on a fresh Debian 12 machine: builds a throwaway Debian 12 root (debootstrap
# minbase plus git) with the apt layout of Debian 12's official images (no sources.list, only
# sources.list.d/debian.sources, no deb-src), clones this repository's HEAD into it, runs
# ./test.sh there as root, and prints the time taken. The mirror is the one this machine's own
# apt uses. Not part of CI: it needs root (chroot, mounts), debootstrap (installed through
# tools/setup.sh when missing), a few GB under ${TMPDIR:-/var/tmp} and the better part of an hour.
# Usage: tools/fresh_machine_check.sh [--sources deb822|list|deb822-src] [--keep] [COMMAND]
#   --sources  the root's apt layout: deb822 (the official images', the default), list (one-line
#              /etc/apt/sources.list only, as debootstrap leaves it), deb822-src (deb822 with
#              deb-src entries already there)
#   --keep     leaves the root in place and prints where it is
#   COMMAND    a shell command line run in the clone instead of ./test.sh
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/tools/setup.sh"
say_failed_commands

usage() {
  sed -n 's/^# \{0,1\}//; /^Usage:/,/^ *COMMAND/p' "$0" >&2
  exit 2
}
SOURCES=deb822 KEEP="" COMMAND=./test.sh
while [ $# -gt 0 ]; do
  case $1 in
    --sources) [ $# -ge 2 ] || usage; SOURCES=$2; shift 2 ;;
    --keep) KEEP=1; shift ;;
    -*) usage ;;
    *) COMMAND=$1; shift ;;
  esac
done
case $SOURCES in deb822 | list | deb822-src) ;; *) usage ;; esac
[ "$(id -u)" -eq 0 ] || { echo "fresh_machine_check: needs root (chroot, mount)" >&2; exit 1; }

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

MIRROR=$(host_mirror bookworm)
SECURITY=$(host_mirror bookworm-security)
[ -n "$MIRROR" ] || { echo "fresh_machine_check: this machine's apt has no bookworm source" >&2; exit 1; }
install_packages "${LOCKSTEP_CHECK_PACKAGES[@]}"

CHROOT=$(mktemp -d "${TMPDIR:-/var/tmp}/lockstep-fresh-XXXXXX")
MOUNTED=()

# Ends what still runs inside the root (Xvfb, wineserver), unmounts, and removes the root
# unless --keep; never removes a root that still has something mounted in it.
clean_up() {
  local proc left i
  for proc in /proc/[0-9]*; do
    if [ "$(readlink "$proc/root" 2>/dev/null)" = "$CHROOT" ]; then
      kill -KILL "${proc#/proc/}" 2>/dev/null || true
    fi
  done
  sleep 1
  for ((i = ${#MOUNTED[@]} - 1; i >= 0; i--)); do
    umount -R "${MOUNTED[i]}" 2>/dev/null || umount -R -l "${MOUNTED[i]}" || true
  done
  left=$(awk -v r="$CHROOT/" 'index($2, r) == 1 {print $2}' /proc/mounts)
  if [ -n "$left" ]; then
    echo "fresh_machine_check: still mounted, so $CHROOT stays: $left" >&2
  elif [ -n "$KEEP" ]; then
    echo "fresh_machine_check: the root stays in $CHROOT"
  else
    rm -rf "$CHROOT"
  fi
}
trap clean_up EXIT

started=$SECONDS
echo "fresh_machine_check: debootstrap bookworm (minbase, git) from $MIRROR into $CHROOT"
run_step "debootstrap" debootstrap --variant=minbase --include=git,ca-certificates bookworm \
  "$CHROOT" "$MIRROR"

# The apt layout asked for, in place of the sources.list that debootstrap wrote.
apt=$CHROOT/etc/apt
rm -f "$apt/sources.list" "$apt"/sources.list.d/*
types=deb
[ "$SOURCES" = deb822-src ] && types="deb deb-src"
if [ "$SOURCES" = list ]; then
  {
    echo "deb $MIRROR bookworm main"
    echo "deb $MIRROR bookworm-updates main"
    [ -z "$SECURITY" ] || echo "deb $SECURITY bookworm-security main"
  } >"$apt/sources.list"
else
  {
    printf 'Types: %s\nURIs: %s\nSuites: bookworm bookworm-updates\nComponents: main\n' "$types" "$MIRROR"
    echo "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
    if [ -n "$SECURITY" ]; then
      printf '\nTypes: %s\nURIs: %s\nSuites: bookworm-security\nComponents: main\n' "$types" "$SECURITY"
      echo "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
    fi
  } >"$apt/sources.list.d/debian.sources"
fi
cp /etc/resolv.conf "$CHROOT/etc/resolv.conf"

mount -t proc proc "$CHROOT/proc"
MOUNTED+=("$CHROOT/proc")
mount -t sysfs sysfs "$CHROOT/sys"
MOUNTED+=("$CHROOT/sys")
# All of /dev (pts, shm) as a slave: what is unmounted in the root stays mounted outside.
mount --rbind /dev "$CHROOT/dev"
MOUNTED+=("$CHROOT/dev")
mount --make-rslave "$CHROOT/dev"

git -C "$ROOT" bundle create "$CHROOT/tmp/lockstep.bundle" HEAD 2>/dev/null
commit=$(git -C "$ROOT" rev-parse --short HEAD)
in_root() {
  chroot "$CHROOT" env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "$1"
}
in_root "git clone -q -c advice.detachedHead=false /tmp/lockstep.bundle /root/lockstep"
echo "fresh_machine_check: root ready in $((SECONDS - started)) s ($SOURCES sources); running $COMMAND on $commit"

ran=$SECONDS rc=0
in_root "cd /root/lockstep && $COMMAND" || rc=$?
took=$((SECONDS - ran))
verdict=passed
[ "$rc" -eq 0 ] || verdict="failed (exit $rc)"
echo "fresh_machine_check: $COMMAND $verdict in $((took / 60)) min $((took % 60)) s on a fresh Debian 12 root ($SOURCES sources)"
exit "$rc"

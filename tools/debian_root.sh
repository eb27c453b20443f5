# Debian roots made with debootstrap: the fresh-machine check's Debian 12 or 13, the Linux
# release's Debian 11 build root, and the release check's bare desktops. Sourced, not run; expects
# ROOT and tools/setup.sh, and runs as root (debootstrap, chroot, mount). The mirror is the one
# this machine's own apt uses for its own release (debian_mirrors): every release lies in the
# same archive.
source "$ROOT/tools/debian_sources.sh"

# root_sources SUITE: apt's one-line sources for SUITE, its updates and its security fixes.
root_sources() {
  echo "deb $DEBIAN_MIRROR $1 main"
  echo "deb $DEBIAN_MIRROR $1-updates main"
  [ -z "$DEBIAN_SECURITY" ] || echo "deb $DEBIAN_SECURITY $1-security main"
}

# minbase_tarball SUITE TARBALL: debootstrap's minbase of SUITE, made once and kept as TARBALL,
# so the roots of one suite all start from one download.
minbase_tarball() {
  local suite=$1 tarball=$2 dir
  [ -f "$tarball" ] && return 0
  install_packages debootstrap || return 1
  mkdir -p "$(dirname "$tarball")"
  dir=$(mktemp -d "${TMPDIR:-/var/tmp}/lockstep-$suite-XXXXXX")
  run_step "debootstrap $suite (minbase) from $DEBIAN_MIRROR" \
    debootstrap --variant=minbase "$suite" "$dir" "$DEBIAN_MIRROR" &&
    tar -C "$dir" -cf "$tarball.part" . && mv "$tarball.part" "$tarball"
  local rc=$?
  rm -rf "$dir" "$tarball.part"
  return $rc
}

# new_root TARBALL SUITE DIR: DIR becomes a fresh root from TARBALL, with apt's sources for SUITE
# and this machine's name servers, and mounted (mount_root).
new_root() {
  local tarball=$1 suite=$2 dir=$3
  remove_root "$dir" || return 1
  mkdir -p "$dir" && tar -C "$dir" -xf "$tarball" || return 1
  root_sources "$suite" >"$dir/etc/apt/sources.list"
  cp /etc/resolv.conf "$dir/etc/resolv.conf"
  mount_root "$dir"
}

# mount_root DIR [host-dev]: /proc and /sys in the root. Its /dev keeps the device files that
# debootstrap made, enough for apt, compilers and Xvfb, and no sound card; with host-dev it is
# all of this machine's /dev (pts, shm) instead, as a slave, so what is unmounted in the root
# stays mounted outside. Left mounted (a killed script), only host-dev's would let a removal of
# the root reach this machine's device files. A root mounted already is left as it is.
mount_root() {
  local dir=$1
  mountpoint -q "$dir/proc" && return 0
  mount -t proc proc "$dir/proc" && mount -t sysfs sysfs "$dir/sys" || return 1
  [ "${2:-}" = host-dev ] || return 0
  mount --rbind /dev "$dir/dev" && mount --make-rslave "$dir/dev"
}

# unmount_root DIR: ends what still runs inside the root (Xvfb, a player), then unmounts all that
# is mounted under it; false when something stays mounted.
unmount_root() {
  local dir proc left killed=() i
  [ -d "$1" ] || return 0
  dir=$(cd "$1" && pwd -P)
  for proc in /proc/[0-9]*; do
    if [ "$(readlink "$proc/root" 2>/dev/null)" = "$dir" ]; then
      kill -KILL "${proc#/proc/}" 2>/dev/null && killed+=("$proc")
    fi
  done
  # A killed process holds its files until it is gone.
  for ((i = 0; i < 50 && ${#killed[@]} > 0; i++)); do
    [ -n "$(ls -d "${killed[@]}" 2>/dev/null)" ] || break
    sleep 0.1
  done
  # Deepest first.
  awk -v r="$dir/" 'index($2, r) == 1 {print $2}' /proc/mounts | sort -r | while read -r m; do
    umount -R "$m" 2>/dev/null || umount -R -l "$m" 2>/dev/null || true
  done
  left=$(awk -v r="$dir/" 'index($2, r) == 1 {print $2}' /proc/mounts)
  [ -z "$left" ] && return 0
  echo "${0##*/}: still mounted in $dir: $left" >&2
  return 1
}

# remove_root DIR: unmounts, then removes the root; never one that still has something mounted.
remove_root() {
  unmount_root "$1" || { echo "${0##*/}: so $1 stays" >&2; return 1; }
  rm -rf "$1"
}

# in_root DIR COMMAND: COMMAND (a shell command line) in the root as root, with a bare
# environment; extra NAME=VALUE pairs in IN_ROOT_ENV.
in_root() {
  chroot "$1" env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    ${IN_ROOT_ENV:-} bash -c "$2"
}

# root_install DIR PACKAGE...: installs the packages in the root without their recommends.
root_install() {
  local dir=$1
  shift
  in_root "$dir" "apt-get update -q && DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends $*"
}

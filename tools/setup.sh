# Shared set-up for play.sh and test.sh: install what is missing, configure and build.
# Sourced, not run; expects ROOT to be the repository.

LOCKSTEP_PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev libegl-mesa0 libgl1-mesa-dri
  libmpg123-dev libkissfft-dev libmp3lame-dev libstb-dev libgtest-dev
)
LOCKSTEP_TEST_PACKAGES=(clang xvfb xauth xdotool x11-utils ffmpeg)
# The Windows folder (tools/windows/build.sh) and its smoke test under Wine.
LOCKSTEP_WINDOWS_PACKAGES=(
  g++-mingw-w64-x86-64 mingw-w64-tools dpkg-dev zip unzip wine64 fonts-wine
)

install_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "setup: installing ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build_tree DIR [cmake options...]
build_tree() {
  local dir=$1; shift
  cmake -S "$ROOT" -B "$ROOT/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$ROOT/$dir" -j "$(nproc)"
}

# Generates data/ when it is missing or older than the generator.
generate_data() {
  local gen="$ROOT/build/bin/lockstep-datagen"
  [ -x "$gen" ] || return 0
  if [ ! -f "$ROOT/data/.complete" ] || [ "$gen" -nt "$ROOT/data/.complete" ]; then
    echo "setup: generating data/"
    "$gen" "$ROOT/data" && touch "$ROOT/data/.complete"
  fi
}

# apt-get source needs source entries: unless there are some, a deb-src twin of each of the
# machine's own deb entries goes into a file of ours.
enable_source_packages() {
  local dir=/etc/apt/sources.list.d sudo="" lines stanzas
  grep -qs -e '^deb-src[[:space:]]' -e '^Types:.*deb-src' \
    /etc/apt/sources.list "$dir"/*.list "$dir"/*.sources && return 0
  echo "setup: enabling Debian source packages"
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  lines=$(sed -n 's/^deb\([[:space:]]\)/deb-src\1/p' /etc/apt/sources.list "$dir"/*.list 2>/dev/null)
  stanzas=$(awk 'FNR == 1 && NR > 1 {print ""} /^Types:/ {$0 = "Types: deb-src"} {print}' \
    "$dir"/*.sources 2>/dev/null)
  [ -z "$lines" ] || echo "$lines" | $sudo tee "$dir/lockstep-source.list" >/dev/null
  [ -z "$stanzas" ] || echo "$stanzas" | $sudo tee "$dir/lockstep-source.sources" >/dev/null
  $sudo apt-get update -qq ||
    { $sudo rm -f "$dir/lockstep-source.list" "$dir/lockstep-source.sources"; return 1; }
}

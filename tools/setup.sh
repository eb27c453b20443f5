# Shared set-up for play.sh and test.sh: install what is missing, configure and build.
# Sourced, not run; expects ROOT to be the repository.

LOCKSTEP_PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev libegl-mesa0 libgl1-mesa-dri
  libmpg123-dev libkissfft-dev libmp3lame-dev libstb-dev libgtest-dev
)
LOCKSTEP_TEST_PACKAGES=(clang xvfb xauth xdotool x11-utils ffmpeg)

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

#!/usr/bin/env bash
# Builds the demo (installing what it needs), generates the data set if needed, plays the show.
# Its arguments go to the player: ./play.sh --help lists them.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
source "$ROOT/tools/setup.sh"
install_packages "${LOCKSTEP_PACKAGES[@]}"
build_tree build
generate_data
cd "$ROOT"
exec "$ROOT/build/bin/lockstep" "$@"

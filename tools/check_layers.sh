#!/usr/bin/env bash
# Reads every C and C++ file's #include "..." lines and names each one that looks up: a file may
# include files of its own layer and of the layers before it in LAYERS, never one after it.
# Exits 1 when any include breaks the order (or names a file that is not there), 0 otherwise.
# Usage: tools/check_layers.sh [ROOT]      default ROOT: this repository
set -uo pipefail
ROOT=$(cd "${1:-$(dirname "$0")/..}" && pwd)

# The layers, lowest first, one folder each. ARCHITECTURE.md says what each one holds.
LAYERS=(
  platform # the ground: GL loader, SDL and web platform, display, data folder
  assets   # raw pictures, texture slots, meshes, the bitmap text writer
  music    # the soundtrack's stream and spectrum, the sound layers and output
  render   # draw list, camera, glow, screen quads, both frame paths
  script   # scene objects, timeline, scene scripts
  programs # the player's and the page's entries, options, frame loop, maker session
  tools    # data-set generator, capture tool, release
  tests
  bench
)
# Where a quoted include is looked for besides the including file's folder and ROOT: the GL
# loader's headers, and the tests' support files (tests/CMakeLists.txt).
SEARCH=(platform/glad/include tests)

cd "$ROOT" || exit 2
mapfile -t files < <(find "${LAYERS[@]}" \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) \
  -not -path '*/node_modules/*' -not -path '*/corpus/*' 2>/dev/null | sort)
[ ${#files[@]} -gt 0 ] || { echo "check_layers: no sources under $ROOT" >&2; exit 2; }

awk -v layers="${LAYERS[*]}" -v search="${SEARCH[*]}" '
  BEGIN {
    n = split(layers, names, " ")
    for (i = 1; i <= n; ++i) rank[names[i]] = i
    split(search, dirs, " ")
  }
  function exists(path,   line, found) {
    found = (getline line < path) >= 0
    close(path)
    return found
  }
  # The include as the compiler finds it: beside the file, then from the root, then the search
  # folders; "" when none holds it.
  function resolve(file, inc,   dir, d) {
    dir = file
    sub(/\/[^\/]*$/, "", dir)
    if (exists(dir "/" inc)) return dir "/" inc
    if (exists(inc)) return inc
    for (d in dirs) if (exists(dirs[d] "/" inc)) return dirs[d] "/" inc
    return ""
  }
  function layer(path) {
    sub(/^\.\//, "", path)
    sub(/\/.*/, "", path)
    return path
  }
  FNR == 1 { ++read }
  /^[ \t]*#[ \t]*include[ \t]*"/ {
    inc = $0
    sub(/^[^"]*"/, "", inc)
    sub(/".*/, "", inc)
    target = resolve(FILENAME, inc)
    if (target == "") {
      printf "%s:%d: includes \"%s\", which is not there\n", FILENAME, FNR, inc
      ++broken
      next
    }
    from = layer(FILENAME)
    to = layer(target)
    if (from == to) next
    ++across
    if (rank[to] > rank[from]) {
      printf "%s:%d: includes %s: %s (layer %d) may not look up to %s (layer %d)\n",
        FILENAME, FNR, target, from, rank[from], to, rank[to]
      ++broken
    }
  }
  END {
    printf "check_layers: %d files, %d includes across layers, %d break the order\n",
      read, across, broken
    exit broken > 0
  }' "${files[@]}"

#!/usr/bin/env bash
# Builds and runs every test: once plain, once with AddressSanitizer and UBSan; then, with
# ThreadSanitizer, what runs beside the sound thread (tests/CMakeLists.txt names it).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
source "$ROOT/tools/setup.sh"
install_packages "${LOCKSTEP_PACKAGES[@]}" "${LOCKSTEP_TEST_PACKAGES[@]}" \
  "${LOCKSTEP_WINDOWS_PACKAGES[@]}" "${LOCKSTEP_WEB_PACKAGES[@]}"

build_tree build
generate_data
# The Windows folder, for the Wine smoke test of the plain run.
run_step "building the Windows folder" "$ROOT/tools/windows/build.sh"
# The web page, for the browser tests of the plain run.
run_step "building the web page" "$ROOT/tools/web/build.sh"
run_tests build

build_tree build-asan -DLOCKSTEP_SANITIZE=ON
run_tests build-asan

LOCKSTEP_BUILD_TARGET=thread_checks build_tree build-tsan -DLOCKSTEP_TSAN=ON
run_tests build-tsan

#!/usr/bin/env bash
# Builds and runs every test: once plain, once with AddressSanitizer and UBSan; then, with
# ThreadSanitizer, what runs beside the sound thread (tests/CMakeLists.txt names it). One line
# per step and per test tree; the tools' output goes to build/setup.log, each test's output to
# its tree's Testing/Temporary/LastTest.log.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
source "$ROOT/tools/setup.sh"
started=$SECONDS
install_packages "${LOCKSTEP_PACKAGES[@]}" "${LOCKSTEP_TEST_PACKAGES[@]}" \
  "${LOCKSTEP_WINDOWS_PACKAGES[@]}" "${LOCKSTEP_WEB_PACKAGES[@]}" "${LOCKSTEP_RELEASE_PACKAGES[@]}"
install_web_clients

build_tree build
generate_data
# The Linux folder is built in a chroot: the whole release as root (as CI runs), else the two
# folders that the plain run tests, the Windows one under Wine and the web page in Chromium.
if [ "$(id -u)" -eq 0 ]; then
  run_step "making the release" "$ROOT/tools/release.sh"
else
  run_step "building the Windows folder" "$ROOT/tools/windows/build.sh"
  run_step "building the web page" "$ROOT/tools/web/build.sh"
fi
run_tests build
# The Linux folder on bare Debian 11 and 12.
if [ "$(id -u)" -eq 0 ]; then
  run_step "checking the Linux folder in bare Debian 11 and 12" "$ROOT/tools/release_check.sh"
else
  echo "setup: the release and its check need root (debootstrap, chroot): skipped"
fi

build_tree build-asan -DLOCKSTEP_SANITIZE=ON
run_tests build-asan

LOCKSTEP_BUILD_TARGET=thread_checks build_tree build-tsan -DLOCKSTEP_TSAN=ON
run_tests build-tsan
echo "setup: every test passed in $(say_seconds $((SECONDS - started)))"

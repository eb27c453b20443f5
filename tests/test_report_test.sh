#!/usr/bin/env bash
# The test run's report reads ctest's lines right: every status, names with blanks (a
# parameterised test's "Name/1  # GetParam() = 1"), a name too long for dots; and a failed
# test's output is found in ctest's log under its whole name.
# Usage: test_report_test.sh BUILD_DIR
set -uo pipefail
source "$(dirname "$0")/support/script_checks.sh" "$1"
ROOT=$SRC LOCKSTEP_LOG=$WORK/setup.log
source "$SRC/tools/setup.sh"

cat >"$WORK/ctest.out" <<'OUT'
      Start  53: Draw.Empty/Literal  # GetParam() = 1
 53/237 Test  #53: Draw.Empty/Literal  # GetParam() = 1 ..................   Passed    0.31 sec
  1/237 Test   #1: band_analysis_test.Bands .........................   Passed    0.02 sec
  2/237 Test   #2: some_test ...............***Failed    1.20 sec
  3/237 Test   #3: web_page_webkit_test ....***Skipped   0.05 sec
  4/237 Test   #4: crash_test ..............***Exception: SegFault  0.10 sec
  5/237 Test   #5: slow_test ...............***Timeout 1500.01 sec
  6/237 Test   #6: a_name_far_too_long_for_the_dots_ctest_puts_between_it_and_its_status   Passed    0.01 sec
  7/237 Test   #7: Glow.Halo/Default  # GetParam() = 0 ...***Failed    0.50 sec
OUT
want=$(printf '%s\t%s\n' \
  'Draw.Empty/Literal  # GetParam() = 1' Passed band_analysis_test.Bands Passed \
  some_test Failed web_page_webkit_test Skipped crash_test 'Exception: SegFault' \
  slow_test Timeout a_name_far_too_long_for_the_dots_ctest_puts_between_it_and_its_status Passed \
  'Glow.Halo/Default  # GetParam() = 0' Failed)
got=$(test_results "$WORK/ctest.out")
[ "$got" = "$want" ] || fail "ctest's lines read as
$got
instead of
$want"

cat >"$WORK/LastTest.log" <<'LOG'
6/237 Testing: Glow.Halo
Output:
----------------------------------------------------------
not this one
<end of output>
7/237 Testing: Glow.Halo/Default  # GetParam() = 0
7/237 Test: Glow.Halo/Default  # GetParam() = 0
Output:
----------------------------------------------------------
Expected: 3
<end of output>
LOG
got=$(test_output "$WORK/LastTest.log" 'Glow.Halo/Default  # GetParam() = 0')
[ "$got" = "Expected: 3" ] || fail "the failed test's output read as '$got'"

end_checks

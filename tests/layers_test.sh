#!/usr/bin/env bash
# No file includes one of a higher layer (tools/check_layers.sh), and the checker names what
# breaks the order: in a small tree of its own, an include that looks up is reported with the
# file, the line, the included file and both layers; includes within a layer or down pass.
# Usage: layers_test.sh BUILD_DIR
set -uo pipefail
source "$(dirname "$0")/support/script_checks.sh" "$1"
CHECK=$SRC/tools/check_layers.sh

out=$(bash "$CHECK" "$SRC" 2>&1) || fail "the repository's includes break the layer order:
$out"

TREE=$WORK/tree
mkdir -p "$TREE"/{platform,render/shaded,programs,tools/capture}
printf '#pragma once\n' >"$TREE/platform/display.h"
printf '#pragma once\n' >"$TREE/programs/options.h"
printf '#pragma once\n' >"$TREE/render/shaded/shaders.h"
printf '#pragma once\n' >"$TREE/tools/capture/capture_args.h"
# Within the layer, down, a system header, then up: line 4 breaks the order.
printf '#include "%s"\n' render/shaded/shaders.h platform/display.h >"$TREE/render/frame.cpp"
printf '#include <cstdio>\n#include "programs/options.h"\n' >>"$TREE/render/frame.cpp"
printf '#include "capture_args.h"\n#include "programs/options.h"\n' >"$TREE/tools/capture/main.cpp"
out=$(bash "$CHECK" "$TREE" 2>&1)
rc=$?
[ $rc -eq 1 ] || fail "an upward include: exit $rc, not 1"
expected="render/frame.cpp:4: includes programs/options.h: render (layer 4) may not look up to"
expected+=" programs (layer 6)"
grep -qxF "$expected" <<<"$out" || fail "the upward include is not named as '$expected':
$out"
grep -q 'check_layers: 6 files, 3 includes across layers, 1 break the order' <<<"$out" ||
  fail "the summary is not one break among three includes across layers:
$out"

printf '#include "platform/gone.h"\n' >"$TREE/platform/display.h"
out=$(bash "$CHECK" "$TREE" 2>&1)
grep -qF 'platform/display.h:1: includes "platform/gone.h", which is not there' <<<"$out" ||
  fail "an include of a missing file is not named:
$out"
end_checks

# Shared set-up for play.sh and test.sh (and the other scripts that install, build or must not
# stop without a word): install what is missing, configure, build, generate data. Sourced, not
# run; expects ROOT to be the repository. Each step says in one line what it does; the tools' own
# output goes to $LOCKSTEP_LOG and is shown when the step fails.

# What the show needs to build and to run. Packages are installed without their recommends, so
# whatever the show relies on at run time is named here: xfonts-base holds the X core fonts that
# SDL draws the "Fullscreen?" box with (X servers only recommend them).
LOCKSTEP_PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev libegl-mesa0 libgl1-mesa-dri
  libmpg123-dev libkissfft-dev libmp3lame-dev libstb-dev libgtest-dev
  xfonts-base
)
# What the tests need besides: clang and its sanitizer runtimes for the fuzz targets (clang only
# recommends them), the X server and the tools that drive and inspect it (xauth for xvfb-run,
# pgrep from procps), ffmpeg and ffprobe for the video, ImageMagick and the font its labels use
# for the contact sheet.
LOCKSTEP_TEST_PACKAGES=(
  clang libclang-rt-dev xvfb xauth xdotool x11-utils procps ffmpeg imagemagick fonts-dejavu-core
)
# The Windows folder (tools/windows/build.sh) and its smoke test under Wine.
LOCKSTEP_WINDOWS_PACKAGES=(
  g++-mingw-w64-x86-64 mingw-w64-tools make dpkg-dev zip unzip wine64 fonts-wine
)
# The web page (tools/web/build.sh) and its tests in three engines: Chromium headless, Firefox
# ESR and WebKitGTK (WebKitWebDriver and its MiniBrowser) in a window under Xvfb, their sound
# into a PulseAudio null sink (WebKit's through GStreamer's pulsesink). Emscripten's -O2 link
# runs acorn from node-acorn, one of its own dependencies. Node.js and the tests' clients come
# from install_web_clients.
LOCKSTEP_WEB_PACKAGES=(
  emscripten chromium firefox-esr webkit2gtk-driver pulseaudio gstreamer1.0-pulseaudio
)
# The release (tools/release.sh): the Linux folder is built in a Debian 11 root made with
# debootstrap, from pinned sources (patch, from dpkg-dev), and the web folder is zipped. The
# release check (tools/release_check.sh) runs the Linux folder in bare Debian roots and reads its
# symbols (objdump, readelf).
LOCKSTEP_RELEASE_PACKAGES=(debootstrap dpkg-dev zip binutils)
# The makers' own tools: platform/glad/generate.sh remakes the committed GL loader; the
# fresh-machine check (tools/fresh_machine_check.sh) builds a Debian root and clones into it.
LOCKSTEP_LOADER_PACKAGES=(python3-glad)
LOCKSTEP_CHECK_PACKAGES=(debootstrap git)

LOCKSTEP_LOG=${LOCKSTEP_LOG:-$ROOT/build/setup.log}

# run_step WHAT COMMAND...: says WHAT, runs COMMAND with its output in the log; when it fails,
# shows the end of that output and returns its status.
run_step() {
  local what=$1; shift
  echo "setup: $what"
  mkdir -p "$(dirname "$LOCKSTEP_LOG")"
  local step_log
  step_log=$(mktemp)
  local rc=0
  "$@" >"$step_log" 2>&1 || rc=$?
  { echo "=== $(date -u '+%F %T') $what"; cat "$step_log"; } >>"$LOCKSTEP_LOG"
  if [ "$rc" -ne 0 ]; then
    tail -n 60 "$step_log"
    echo "setup: $what failed (exit $rc); the whole output is in $LOCKSTEP_LOG"
  fi
  rm -f "$step_log"
  return "$rc"
}

# say_failed_commands: from here on, a command that stops the script under set -e names itself,
# its file and line and its status on stderr (set -e alone ends a script without a word).
# Commands inside $(...) or (...) leave that to the command around them, so a substitution whose
# failure the script allows says nothing; a function that fails by its own `return` has said why.
say_failed_commands() {
  set -E
  trap 'say_failed_command $? "${BASH_SOURCE[0]:-$0}" "$LINENO" "$BASH_COMMAND"' ERR
}

say_failed_command() {
  [ "$BASH_SUBSHELL" -eq 0 ] || return 0
  case $4 in return | return\ *) return 0 ;; esac
  echo "${2##*/}: line $3: '$4' failed (exit $1)" >&2
}

# install_packages PACKAGE...: installs those of them that are missing, through sudo when not root.
install_packages() {
  local missing=()
  for p in "$@"; do
    [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  # sudo may ask for a password: ask before the output goes to the log.
  [ -n "$sudo" ] && { sudo -v || return 1; }
  local count="${#missing[@]} packages"
  [ ${#missing[@]} -eq 1 ] && count="1 package"
  run_step "installing $count: ${missing[*]}" apt_install $sudo "${missing[@]}"
}

# apt_install [sudo] PACKAGE...
apt_install() {
  local sudo=""
  [ "$1" = sudo ] && { sudo=sudo; shift; }
  $sudo apt-get update -q &&
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"
}

# install_web_clients: the browser tests' clients from npm (tools/web/package-lock.json), no
# browser downloads. Node.js and npm are Debian's unless an npm already runs: a Node.js from
# elsewhere brings its own, and apt must not try to replace it.
install_web_clients() {
  local dir=$ROOT/tools/web
  if ! command -v npm >/dev/null; then install_packages nodejs npm || return 1; fi
  cmp -s "$dir/package-lock.json" "$dir/node_modules/.lockstep-installed" && return 0
  run_step "installing the browser tests' clients (npm ci)" \
    env PUPPETEER_SKIP_DOWNLOAD=1 npm ci --prefix "$dir" --no-audit --no-fund &&
    cp "$dir/package-lock.json" "$dir/node_modules/.lockstep-installed"
}

# build_tree DIR [cmake options...]; with LOCKSTEP_BUILD_TARGET set, only that target is built.
build_tree() {
  local dir=$1; shift
  run_step "building $dir/" build_tree_quietly "$dir" "$@"
}

build_tree_quietly() {
  local dir=$1; shift
  cmake -S "$ROOT" -B "$ROOT/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" &&
    cmake --build "$ROOT/$dir" -j "$(nproc)" ${LOCKSTEP_BUILD_TARGET:+--target "$LOCKSTEP_BUILD_TARGET"}
}

# Generates data/ when it is missing or older than the generator. data/.complete marks a whole
# set: it goes before the generator runs and comes back only when the generator succeeds.
generate_data() {
  local gen="$ROOT/build/bin/lockstep-datagen"
  [ -x "$gen" ] || return 0
  if [ ! -f "$ROOT/data/.complete" ] || [ "$gen" -nt "$ROOT/data/.complete" ]; then
    rm -f "$ROOT/data/.complete"
    run_step "generating data/" "$gen" "$ROOT/data" && touch "$ROOT/data/.complete"
  fi
}

# run_tests DIR: every test of that build, said in one line: the counts, the time and the
# skipped tests' names. A failed test's own output follows in full under its name. ctest's lines
# go to the log, with each skipped test's reason; every test's output stays in ctest's own log.
run_tests() {
  local dir=$1 started=$SECONDS rc=0 out results
  local ctest_log=$ROOT/$dir/Testing/Temporary/LastTest.log
  out=$(mktemp)
  (cd "$ROOT/$dir" && ctest --output-on-failure -j "$(nproc)") >"$out" 2>&1 || rc=$?
  results=$(test_results "$out")
  local line
  line="testing $dir/: $(awk -F'\t' '
    { n[$2 == "Passed" ? "passed" : $2 == "Skipped" ? "skipped" : "failed"]++ }
    END { printf "%d passed, %d failed, %d skipped", n["passed"], n["failed"], n["skipped"] }' \
    <<<"$results") in $(say_seconds $((SECONDS - started)))"
  local skipped
  skipped=$(awk -F'\t' '$2 == "Skipped" { print $1 }' <<<"$results")
  [ -z "$skipped" ] || line+=" (skipped: $(paste -sd' ' <<<"$skipped"))"
  {
    echo "=== $(date -u '+%F %T') $line"
    cat "$out"
    [ -z "$skipped" ] || while IFS= read -r name; do
      echo "skipped $name: $(test_output "$ctest_log" "$name" | skip_reason)"
    done <<<"$skipped"
  } >>"$LOCKSTEP_LOG"
  echo "setup: $line"
  awk -F'\t' 'NF == 2 && $2 != "Passed" && $2 != "Skipped"' <<<"$results" |
    while IFS=$'\t' read -r name status; do
      echo "=== $name: $status; its output:"
      test_output "$ctest_log" "$name"
      echo "=== end of $name's output"
    done
  if [ "$rc" -ne 0 ]; then
    # Without a failed test (no tests found, say), ctest's last words say why.
    grep -q $'\t' <<<"$results" || tail -n 20 "$out"
    echo "setup: testing $dir/ failed; ctest's lines are in $LOCKSTEP_LOG, every test's output" \
      "in $ctest_log"
  fi
  rm -f "$out"
  return "$rc"
}

# test_results CTEST_OUTPUT: each progress line ("12/235 Test #40: Name ....   Passed    0.31
# sec", or ***Failed, ***Skipped, ***Timeout, ***Exception: ..., ***Not Run) as "Name<tab>Passed".
# A name may hold blanks (a parameterised test's "Name/1  # GetParam() = 1"): it ends where the
# dots begin, or where the status begins when the name is too long for dots.
test_results() {
  awk '/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: / {
    sub(/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: /, "")
    sub(/ +[0-9.]+ sec$/, "")
    if (!match($0, / +\.+ */) && !match($0, / +(\*\*\*|Passed$)/)) next
    name = substr($0, 1, RSTART - 1)
    status = substr($0, RSTART + RLENGTH)
    if (status == "") status = substr($0, RSTART)
    sub(/^ +/, "", status)
    sub(/^\*\*\*/, "", status)
    print name "\t" status
  }' "$1"
}

# test_output LOG NAME: the output of test NAME as ctest's log holds it.
test_output() {
  awk -v name="$2" '
    /^[0-9]+\/[0-9]+ Testing: / { mine = substr($0, index($0, ": ") + 2) == name; out = 0; next }
    mine && /^<end of output>$/ { mine = 0; next }
    mine && out { print; next }
    mine && /^Output:$/ { getline; out = 1 }' "$1" 2>/dev/null
}

# skip_reason: from a skipped test's output, the line that says why: a script's "SKIP: ...", or
# the line after GoogleTest's "...: Skipped"; else the last line.
skip_reason() {
  awk '/^SKIP/ { reason = $0; found = 1 }
    after && !found { reason = $0; found = 1 }
    { after = /: Skipped$/; last = $0 }
    END { print found ? reason : last }'
}

# say_seconds N: "48 s", "6 min 12 s".
say_seconds() {
  if [ "$1" -lt 60 ]; then echo "$1 s"; else echo "$(($1 / 60)) min $(($1 % 60)) s"; fi
}

# readme_text TEMPLATE [USAGE]: a release's README.txt from its template, the line @OPTIONS@
# replaced by the file USAGE (the player's --help, indented) and @CREDITS@ by tools/credits.txt.
readme_text() {
  awk -v usage="${2:-}" -v credits="$ROOT/tools/credits.txt" '
    /^@OPTIONS@$/ { while ((getline line < usage) > 0) print "    " line; next }
    /^@CREDITS@$/ { while ((getline line < credits) > 0) print line; next }
    { print }' "$1"
}

# The frame of the shell tests that run the built programs and count failed checks. Sourced with
# the build folder as argument: sets BUILD, SRC (the repository) and WORK (a scratch folder,
# removed at exit), and gives fail (say, count, go on) and end_checks (the exit status).
BUILD=$(cd "$1" && pwd)
SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

end_checks() {
  [ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
}

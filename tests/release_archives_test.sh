#!/usr/bin/env bash
# The release's archive writers (tools/archives.sh): the same files at two paths, made at other
# times, in another order and under another umask, give byte-identical zips and tar.gz files
# whose members carry the release's time, no owner and the same permissions.
# Usage: release_archives_test.sh BUILD_DIR
set -u
source "$(dirname "$0")/support/script_checks.sh" "$1"
repo=$SRC work=$WORK
for tool in zip unzip; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool (./test.sh installs it)"; exit 77; }
done
ROOT=$repo
source "$repo/tools/archives.sh"
export SOURCE_DATE_EPOCH=1700000000 TZ=UTC

# make_folder DIR ORDER UMASK: the same folder, its files written in ORDER, under UMASK.
make_folder() {
  local name
  mkdir -p "$1/show/data"
  for name in $2; do (umask "$3" && echo "$name" >"$1/show/$name"); done
  (umask "$3" && printf 'exe' >"$1/show/run" && chmod +x "$1/show/run" && echo d >"$1/show/data/d")
}
make_folder "$work/a" "b c a" 022
sleep 1.1
make_folder "$work/elsewhere/b" "a c b" 077
for way in zip tar_gz; do
  "write_$way" "$work/a" show "$work/one.$way" || fail "write_$way failed"
  "write_$way" "$work/elsewhere/b" show "$work/two.$way" || fail "write_$way failed"
  cmp -s "$work/one.$way" "$work/two.$way" || fail "two $way archives of the same files differ"
  [ ! -e "$work/one.$way.part" ] || fail "write_$way left its temporary file"
done

listing=$(tar -tvzf "$work/one.tar_gz" --numeric-owner)
echo "$listing" | grep -q '^-rwxr-xr-x 0/0 .* 2023-11-14 22:13 show/run$' ||
  fail "the tar's program entry: $listing"
echo "$listing" | grep -q '^-rw-r--r-- 0/0 .* 2023-11-14 22:13 show/a$' ||
  fail "the tar's file entry: $listing"
order=$(unzip -Z1 "$work/one.zip" | tr '\n' ' ')
[ "$order" = "show/ show/a show/b show/c show/data/ show/data/d show/run " ] ||
  fail "the zip's members are not in name order: $order"
unzip -Z -T "$work/one.zip" | grep -q ' 20231114\.221320 show/a$' ||
  fail "the zip's times: $(unzip -Z -T "$work/one.zip")"

end_checks
echo "release archives: all checks passed"

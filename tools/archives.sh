# Writing the release's archives so that the same files give the same bytes, wherever the clone
# lies and whenever it is built: members in name order, every time the commit's, no owners, the
# same permissions whatever the umask. Sourced, not run; expects ROOT.

# release_epoch: SOURCE_DATE_EPOCH when set, else the time of the checkout's commit, else now.
release_epoch() {
  [ -z "${SOURCE_DATE_EPOCH:-}" ] || { echo "$SOURCE_DATE_EPOCH"; return; }
  git -C "$ROOT" log -1 --format=%ct 2>/dev/null || date +%s
}

# settle_tree DIR: everything readable by all and writable by the owner alone, programs and
# folders executable, every time the release's.
settle_tree() {
  chmod -R u+rwX,go+rX,go-w "$1" &&
    find "$1" -exec touch -h -d "@$(release_epoch)" {} +
}

# write_tar_gz DIR NAME FILE: DIR/NAME as FILE, a gzip'd tar (written aside, then moved).
write_tar_gz() {
  settle_tree "$1/$2" &&
    tar --format=gnu --sort=name --owner=0 --group=0 --numeric-owner -C "$1" -cf - "$2" |
    gzip -9n >"$3.part" && mv "$3.part" "$3"
}

# write_zip DIR NAME FILE: DIR/NAME as FILE, a zip (written aside, then moved). Zip keeps local
# times: UTC, so the time zone changes nothing.
write_zip() {
  rm -f "$3.part" &&
    settle_tree "$1/$2" &&
    (cd "$1" && find "$2" | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$3.part") && mv "$3.part" "$3"
}

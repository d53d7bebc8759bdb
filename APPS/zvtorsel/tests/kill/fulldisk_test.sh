#!/bin/sh
# A rebuild folder on a full disk (a size-limited tmpfs mounted for the
# test; skipped where the machine does not allow the mount) and with
# read-only files: every failed write is a line of the log with the file
# and the reason, the run goes on and ends with 3, and no file is left
# empty, torn, or without the bytes it had before. Unix permissions do not
# stop root, so the read-only files are made immutable (chattr +i) or
# covered by read-only bind mounts of themselves; that part is skipped,
# saying so, where neither is allowed.
#   sh fulldisk_test.sh RUNNER     (in the build's bin folder)
set -e
RUN=${1:?runner}
ENTRIES=${ZV_DISK_ENTRIES:-400}
WORK=$(pwd)/fulldisktest
DISK=$WORK/rb
WFOLDER="Z:$(echo "$DISK" | tr / '\\')\\"
WLOG="Z:$(echo "$WORK/log.txt" | tr / '\\')"
KEY='HKCU\Software\z.v\zvkestor\Rebuild'
MOUNTED=
WARCMOUNTED=
LOCKED=

fail() {
    echo "fulldisk_test: FAILED: $*" >&2
    [ -f "$WORK/log.utf8" ] && tail -n 4 "$WORK/log.utf8" >&2
    exit 1
}
# Undoes what lock_file did to the files of readonly.txt.
unlock_files() {
    [ -n "$LOCKED" ] || return 0
    while IFS= read -r f; do
        if [ "$LOCKED" = chattr ]; then chattr -i "$DISK/$f" 2>/dev/null; else umount "$DISK/$f" 2>/dev/null; fi
    done <"$WORK/readonly.txt"
    LOCKED=
}
cleanup() {
    unlock_files
    [ -n "$MOUNTED" ] && umount "$DISK" 2>/dev/null
    [ -n "$WARCMOUNTED" ] && umount "$WORK/wd" 2>/dev/null
    "$RUN" reg delete "$KEY" /v XlatRebuild /f >/dev/null 2>&1 || true
    "$RUN" ./zvkillkit.exe clear >/dev/null 2>&1 || true
    rm -rf "$WORK"
}
trap cleanup EXIT
sums() {
    (cd "$1" && find . -type f ! -name '$$zvt*.tmp' -exec sha256sum {} + | awk '{ print substr($0, 67), $1 }' |
        LC_ALL=C sort)
}
rebuild() {
    status=0
    "$RUN" ./zvtorsel.exe /rebuild "/folder:$WFOLDER" "/log:$WLOG" </dev/null >/dev/null 2>&1 || status=$?
    iconv -f CP932 -t UTF-8 "$WORK/log.txt" | tr -d '\r' >"$WORK/log.utf8"
}
# Each file has the bytes of the same path in one of the given sum lists.
check_files() {
    sums "$DISK" >"$WORK/now.sum"
    awk 'FILENAME != ARGV[ARGC - 1] { known[$1 " " $2] = 1; next }
         !(($1 " " $2) in known) { print "unknown bytes: " $1; bad = 1 }
         END { exit bad }' "$@" "$WORK/now.sum" || fail "$what: a file holds bytes of no finished run"
    [ -z "$(find "$DISK" -type f -size 0)" ] || fail "$what: empty files are left"
    [ -z "$(find "$DISK" -name '$$zvt*.tmp')" ] || fail "$what: temporary files are left"
}
failures() { grep -c "失敗しました" "$WORK/log.utf8" || true; }

rm -rf "$WORK"
mkdir -p "$DISK"
"$RUN" reg add "$KEY" /v XlatRebuild /t REG_DWORD /d 1 /f >/dev/null
# The bytes of complete runs, made at the same path (pages name their folder).
"$RUN" ./zvkillkit.exe fill "$ENTRIES" 1 >/dev/null || fail "filling the cache"
rebuild
[ "$status" = 0 ] || fail "a run on a free disk ended with $status"
sums "$DISK" >"$WORK/v1.sum"
kib=$(du -sk "$DISK" | cut -f1)
"$RUN" ./zvkillkit.exe fill "$ENTRIES" 2 >/dev/null || fail "filling the cache"
rebuild
sums "$DISK" >"$WORK/v2.sum"
rm -rf "$DISK"/*

if ! mount -t tmpfs -o size=$((kib / 2))k tmpfs "$DISK" 2>/dev/null; then
    echo "fulldisk_test: SKIPPED: this machine does not allow mounting a tmpfs (root and mount rights needed)"
    exit 0
fi
MOUNTED=1

what="a full disk"
"$RUN" ./zvkillkit.exe fill "$ENTRIES" 1 >/dev/null || fail "filling the cache"
rebuild
[ "$status" = 3 ] || fail "$what: the run ended with $status, not 3"
check_files "$WORK/v1.sum"
missing=$(($(wc -l <"$WORK/v1.sum") - $(wc -l <"$WORK/now.sum")))
[ "$missing" -gt 0 ] || fail "$what: the disk did not fill up"
grep -q "失敗した項目 : $(failures)\$" "$WORK/log.utf8" || fail "$what: no count of the failures at the end"
[ "$(failures)" -ge "$missing" ] || fail "$what: $missing files missing, $(failures) failures in the log"
grep "失敗しました" "$WORK/log.utf8" | grep -Fqv "$WFOLDER" && fail "$what: a failure line names no file"
echo "fulldisk_test: $what: $missing of $(wc -l <"$WORK/v1.sum") files did not fit, $(failures) lines in the log"

# The web archive of the same cache on a disk of half its size.
what="a web archive on a full disk"
"$RUN" ./zvtorsel.exe "/warc:Z:$(echo "$WORK/free.warc" | tr / '\\')" </dev/null >/dev/null 2>&1 ||
    fail "$what: the archive on a free disk"
warckib=$(du -k "$WORK/free.warc" | cut -f1)
[ "$warckib" -gt 64 ] || fail "$what: an archive of $warckib KiB is too small to fill a disk"
mkdir -p "$WORK/wd"
mount -t tmpfs -o size=$((warckib / 2))k tmpfs "$WORK/wd" || fail "$what: mounting its disk"
WARCMOUNTED=1
status=0
"$RUN" ./zvtorsel.exe "/warc:Z:$(echo "$WORK/wd/site.warc" | tr / '\\')" </dev/null >"$WORK/warc.out" 2>/dev/null ||
    status=$?
iconv -f CP932 -t UTF-8 "$WORK/warc.out" | tr -d '\r' >"$WORK/warc.utf8"
[ "$status" = 1 ] || fail "$what: the run ended with $status, not 1"
grep -Fq "site.warc : WARC ファイルを書き込めません (ディスクが一杯か、書き込めない場所です)。" "$WORK/warc.utf8" ||
    fail "$what: no Japanese line naming the archive on standard output: $(tail -n 2 "$WORK/warc.utf8")"
[ -z "$(ls -A "$WORK/wd")" ] || fail "$what: left on the disk: $(ls -A "$WORK/wd")"
umount "$WORK/wd"
WARCMOUNTED=
echo "fulldisk_test: $what: an archive of $warckib KiB on a disk of $((warckib / 2)) KiB ended with 1, nothing left"

# The next version on the still full disk, with some files read-only: the
# files there keep their bytes or take the new ones whole, none goes.
what="read-only files on a full disk"
cp "$WORK/now.sum" "$WORK/before.sum"
awk 'NR % 7 == 1 { print $1 }' "$WORK/before.sum" >"$WORK/readonly.txt"
first=$(head -n 1 "$WORK/readonly.txt")
if chattr +i "$DISK/$first" 2>/dev/null; then
    LOCKED=chattr
    while IFS= read -r f; do chattr +i "$DISK/$f" || fail "$what: chattr +i $f"; done <"$WORK/readonly.txt"
elif mount --bind "$DISK/$first" "$DISK/$first" 2>/dev/null; then
    LOCKED=bind
    umount "$DISK/$first"
    while IFS= read -r f; do
        mount --bind "$DISK/$f" "$DISK/$f" && mount -o remount,ro,bind "$DISK/$f" ||
            fail "$what: read-only bind mount of $f"
    done <"$WORK/readonly.txt"
else
    echo "fulldisk_test: SKIPPED: $what: neither chattr +i nor a read-only bind mount is allowed here, and file permissions do not stop root"
    exit 0
fi
# Each one must refuse root too: appending, and a file renamed over it.
while IFS= read -r f; do
    if (: >>"$DISK/$f") 2>/dev/null; then fail "$what: $f ($LOCKED) still takes writes"; fi
    printf x >"$WORK/over"
    if mv -f "$WORK/over" "$DISK/$f" 2>/dev/null; then fail "$what: $f ($LOCKED) can be replaced"; fi
done <"$WORK/readonly.txt"
rm -f "$WORK/over"
"$RUN" ./zvkillkit.exe fill "$ENTRIES" 2 >/dev/null || fail "filling the cache"
rebuild
[ "$status" = 3 ] || fail "$what: the run ended with $status, not 3"
check_files "$WORK/v1.sum" "$WORK/v2.sum"
awk '{ print $1 }' "$WORK/before.sum" | while IFS= read -r f; do
    [ -f "$DISK/$f" ] || fail "$what: $f was there before and is gone"
done
grep -F -f "$WORK/readonly.txt" "$WORK/before.sum" | cmp -s - "$(grep -F -f "$WORK/readonly.txt" "$WORK/now.sum" >"$WORK/ro.now"; echo "$WORK/ro.now")" ||
    fail "$what: a read-only file changed"
# Every read-only file that the new version changes failed its write, with its line.
changed=0
while IFS= read -r f; do
    grep -Fqx "$f $(grep -F "$f " "$WORK/v2.sum" | head -n 1 | cut -d' ' -f2)" "$WORK/before.sum" && continue
    changed=$((changed + 1))
    wpath=$(echo "${f#./}" | tr / '\\')
    grep "失敗しました" "$WORK/log.utf8" | grep -Fq "$wpath" || fail "$what: no failure line for $f"
done <"$WORK/readonly.txt"
[ "$changed" -gt 0 ] || fail "$what: the new version changed no read-only file"
how=$LOCKED
unlock_files
echo "fulldisk_test: $what ($how): $(wc -l <"$WORK/readonly.txt") read-only files kept, $changed refused their new bytes, $(failures) failures in the log"

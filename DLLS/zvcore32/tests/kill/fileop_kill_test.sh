#!/bin/sh
# Kills the file operation engine (fileopkit.exe copying or moving a tree of
# ZV_FILEOP_MIB MiB, default 1024, in ZV_FILEOP_FILES files, default 2000)
# with SIGKILL at ZV_KILLS (default 30) random moments. After each kill no
# source file is lost or changed, and every file under its final name in
# the target holds the whole source; the engine's temporaries (zvf*.tmp)
# may be left. A move that was killed leaves each file complete in one of
# the two places. Needs a display for the progress window.
#   sh fileop_kill_test.sh RUNNER      (in the build's bin folder)
# ZV_KILL_SEED repeats the moments of an earlier run.
set -e
RUN=${1:?runner}
MIB=${ZV_FILEOP_MIB:-1024}
FILES=${ZV_FILEOP_FILES:-2000}
KILLS=${ZV_KILLS:-30}
SEED=${ZV_KILL_SEED:-$(date +%s)}
WORK=$(pwd)/fileopkilltest
SRC=$WORK/src
DST=$WORK/dst
# printf, not echo: dash's echo would read "\f" of "\fileop..." as a form feed.
win() { printf 'Z:%s\\' "$(printf '%s' "$1" | tr / '\\')"; }
echo "fileop_kill_test: $MIB MiB in $FILES files, $KILLS kills, seed $SEED"

fail() {
    echo "fileop_kill_test: FAILED: $*" >&2
    exit 1
}
trap 'rm -rf "$WORK"' EXIT
# "path hash" of every file below $1, the engine's temporaries left out.
sums() {
    (cd "$1" && find . -type f ! -name 'zvf*.tmp' -exec sha256sum {} + | awk '{ print substr($0, 67), $1 }' |
        LC_ALL=C sort)
}
carry() { "$RUN" ./fileopkit.exe "$1" "$(win "$SRC")" "$(win "$DST")" </dev/null >/dev/null 2>&1; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

rm -rf "$WORK"
mkdir -p "$SRC" "$DST"
# Sizes from a few bytes to several MiB around the mean, in 20 folders.
awk -v n="$FILES" -v total=$((MIB * 1048576)) -v seed="$SEED" 'BEGIN {
    srand(seed); mean = total / n
    for (i = 0; i < n; i++) printf "d%02d/f%05d.bin %d\n", i % 20, i, (i == n - 1) ? 7 : int(rand() * 2 * mean) + 1
}' | while read -r name size; do
    mkdir -p "$SRC/${name%/*}"
    head -c "$size" /dev/urandom >"$SRC/$name"
done
sums "$SRC" >"$WORK/src.sum"

start=$(now_ms)
carry copy || fail "an uninterrupted copy ended with $?"
span=$(($(now_ms) - start))
sums "$DST" | cmp -s - "$WORK/src.sum" || fail "an uninterrupted copy gives other bytes"
# Moves back from $DST what a move carried there.
move_back() {
    (cd "$DST" && find . -type f ! -name 'zvf*.tmp' -print) | while IFS= read -r f; do
        mkdir -p "$SRC/$(dirname "$f")"
        mv -f "$DST/$f" "$SRC/$f"
    done
}
rm -rf "$DST"
mkdir -p "$DST"
start=$(now_ms)
carry move || fail "an uninterrupted move ended with $?"
move_span=$(($(now_ms) - start))
sums "$DST" | cmp -s - "$WORK/src.sum" || fail "an uninterrupted move gives other bytes"
move_back
echo "fileop_kill_test: an uninterrupted copy takes $span ms, a move $move_span ms"

# Every file under its final name in $DST has the bytes of the source's.
check_target() {
    sums "$DST" | awk 'FILENAME == ARGV[1] { src[$1] = $2; next }
        $2 != src[$1] { print "half-written or foreign: " $1; bad = 1 }
        END { exit bad }' "$WORK/src.sum" - || fail "$1: a target file under its final name is not the source"
}

kill=1
while [ "$kill" -le "$KILLS" ]; do
    rm -rf "$DST"
    mkdir -p "$DST"
    # Every third kill stops a move.
    operation=copy
    limit=$span
    if [ $((kill % 3)) -eq 0 ]; then
        operation=move
        limit=$move_span
    fi
    at=$(awk -v seed="$SEED" -v k="$kill" -v span="$limit" 'BEGIN { srand(seed + k); printf "%d", rand() * span }')
    # ZV_WINE_EXEC: the runner execs Wine, so $! is the Windows process.
    ZV_WINE_EXEC=1 "$RUN" ./fileopkit.exe "$operation" "$(win "$SRC")" "$(win "$DST")" </dev/null >/dev/null 2>&1 &
    pid=$!
    sleep "$(awk -v ms="$at" 'BEGIN { printf "%.3f", ms / 1000 }')"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    what="kill $kill ($operation at $at ms)"
    check_target "$what"
    carried=$(find "$DST" -type f ! -name 'zvf*.tmp' | wc -l)
    left=$(find "$DST" -name 'zvf*.tmp' | wc -l)
    if [ "$operation" = copy ]; then
        sums "$SRC" | cmp -s - "$WORK/src.sum" || fail "$what: a source file was lost or changed"
    else
        # Each file whole in one place at least: then moved back for the next round.
        sums "$SRC" >"$WORK/left.sum"
        awk 'FILENAME == ARGV[1] { src[$1] = $2; next } $2 != src[$1] { bad = 1 } END { exit bad }' \
            "$WORK/src.sum" "$WORK/left.sum" || fail "$what: a source file changed"
        { awk '{ print $1 }' "$WORK/left.sum"; sums "$DST" | awk '{ print $1 }'; } | LC_ALL=C sort -u >"$WORK/present.txt"
        awk '{ print $1 }' "$WORK/src.sum" | cmp -s - "$WORK/present.txt" || fail "$what: a file is in neither place"
        move_back
        sums "$SRC" | cmp -s - "$WORK/src.sum" || fail "$what: the files moved back are not the source"
    fi
    echo "fileop_kill_test: $what of $limit: $carried target files, $left temporaries; checked"
    kill=$((kill + 1))
done
echo "fileop_kill_test: $KILLS kills, no source lost, no half-written target"

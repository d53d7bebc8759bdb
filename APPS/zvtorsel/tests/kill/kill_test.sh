#!/bin/sh
# Kills an unattended rebuild (translation and code conversion on, into a
# rebuild folder that holds the translated pages of an earlier run) with
# SIGKILL at random moments. After each kill: every file is absent, its
# previous bytes or its new bytes (whose translated pages are checked once
# to restore to the cached originals); a following run ends with 0, leaves
# no temporary file and gives the folder of a run never interrupted.
#   sh kill_test.sh RUNNER      (in the build's bin folder; RUNNER runs a
#                                Windows program, e.g. cmake/wine64-run.sh)
# ZV_KILL_ENTRIES (default 1000) URLs, ZV_KILLS (default 30) kills,
# ZV_KILL_SEED repeats the moments of an earlier run.
set -e
RUN=${1:?runner}
ENTRIES=${ZV_KILL_ENTRIES:-1000}
KILLS=${ZV_KILLS:-30}
SEED=${ZV_KILL_SEED:-$(date +%s)}
WORK=$(pwd)/killtest
FOLDER=$WORK/rb
WFOLDER="Z:$(echo "$FOLDER" | tr / '\\')\\"
KEY='HKCU\Software\z.v\zvkestor\Rebuild'
echo "kill_test: $ENTRIES URLs, $KILLS kills, seed $SEED"

fail() {
    echo "kill_test: FAILED: $*" >&2
    exit 1
}
cleanup() {
    "$RUN" reg delete "$KEY" /v XlatRebuild /f >/dev/null 2>&1 || true
    "$RUN" ./zvkillkit.exe clear >/dev/null 2>&1 || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# "path hash" of every file below $1, temporaries left out.
sums() {
    (cd "$1" && find . -type f ! -name '$$zvt*.tmp' -exec sha256sum {} + | awk '{ print substr($0, 67), $1 }' |
        LC_ALL=C sort)
}
rebuild() {
    "$RUN" ./zvtorsel.exe /rebuild "/folder:$WFOLDER" "/log:Z:$(echo "$WORK/log.txt" | tr / '\\')" </dev/null
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }

rm -rf "$WORK"
mkdir -p "$FOLDER"
"$RUN" reg add "$KEY" /v XlatRebuild /t REG_DWORD /d 1 /f >/dev/null
"$RUN" ./zvkillkit.exe fill "$ENTRIES" 1 >/dev/null || fail "filling the cache"
rebuild || fail "the first run ended with $?"
cp -a "$FOLDER" "$WORK/previous"
sums "$WORK/previous" >"$WORK/previous.sum"

"$RUN" ./zvkillkit.exe fill "$ENTRIES" 2 >/dev/null || fail "filling the cache"
start=$(now_ms)
rebuild || fail "the uninterrupted run ended with $?"
span=$(($(now_ms) - start))
cp -a "$FOLDER" "$WORK/reference"
sums "$WORK/reference" >"$WORK/reference.sum"
cmp -s "$WORK/previous.sum" "$WORK/reference.sum" && fail "the second version changed nothing"
# Every file after a kill has the bytes of one of these two folders.
"$RUN" ./zvkillkit.exe originals "$WFOLDER" "$ENTRIES" >/dev/null || fail "the new pages do not restore"
rm -rf "$FOLDER"
cp -a "$WORK/previous" "$FOLDER"
"$RUN" ./zvkillkit.exe originals "$WFOLDER" "$ENTRIES" >/dev/null || fail "the old pages do not restore"
echo "kill_test: an uninterrupted run takes $span ms"

kill=1
while [ "$kill" -le "$KILLS" ]; do
    rm -rf "$FOLDER"
    cp -a "$WORK/previous" "$FOLDER"
    at=$(awk -v seed="$SEED" -v k="$kill" -v span="$span" 'BEGIN { srand(seed + k); printf "%d", rand() * span }')
    # ZV_WINE_EXEC: the runner execs Wine, so $! is the Windows process.
    ZV_WINE_EXEC=1 "$RUN" ./zvtorsel.exe /rebuild "/folder:$WFOLDER" </dev/null >/dev/null 2>&1 &
    pid=$!
    sleep "$(awk -v ms="$at" 'BEGIN { printf "%.3f", ms / 1000 }')"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    sums "$FOLDER" >"$WORK/killed.sum"
    # Each file: the bytes it had before, or the bytes of the finished run.
    awk 'FILENAME == ARGV[1] { before[$1] = $2; next }
         FILENAME == ARGV[2] { after[$1] = $2; next }
         $2 != before[$1] && $2 != after[$1] { print "torn: " $1; bad = 1 }
         END { exit bad }' "$WORK/previous.sum" "$WORK/reference.sum" "$WORK/killed.sum" ||
        fail "kill $kill at $at ms left a file that is neither old nor new"
    temporaries=$(find "$FOLDER" -name '$$zvt*.tmp' | wc -l)
    rebuild >/dev/null || fail "kill $kill at $at ms: the following run ended with $?"
    [ -z "$(find "$FOLDER" -name '$$zvt*.tmp')" ] || fail "kill $kill at $at ms: temporary files are left"
    sums "$FOLDER" | cmp -s - "$WORK/reference.sum" ||
        fail "kill $kill at $at ms: the following run gives another folder than an uninterrupted one"
    echo "kill_test: kill $kill at $at ms of $span: $(wc -l <"$WORK/killed.sum") files, $temporaries temporaries; checked"
    kill=$((kill + 1))
done
echo "kill_test: $KILLS kills, nothing lost"

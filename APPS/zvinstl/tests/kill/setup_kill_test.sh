#!/bin/sh
# Kills setup (setupkit.exe) with SIGKILL at random moments while it installs
# a new version over an old one (ZV_SETUP_FILES files, default 400, of
# ZV_SETUP_MIB MiB in all, default 256) and while it uninstalls, ZV_KILLS
# times in all (default 30), half of each. After each kill:
#   - every installed file under its final name is whole, of the old version
#     or the new one (setup's temporaries, zvi*.tmp, may be left);
#   - the uninstall entry, where there is one, starts a setup that exists;
#   - the user's file in the install folder and the user's settings are kept;
#   - setup run again completes: the new version in place and registered,
#     or the application gone with its entries, and no temporary left.
#   sh setup_kill_test.sh RUNNER      (in the build's bin folder)
# ZV_KILL_SEED repeats the moments of an earlier run.
set -e
RUN=${1:?runner}
MIB=${ZV_SETUP_MIB:-256}
FILES=${ZV_SETUP_FILES:-400}
KILLS=${ZV_KILLS:-30}
SEED=${ZV_KILL_SEED:-$(date +%s)}
WORK=$(pwd)/setupkilltest
APP=$WORK/app
win() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
echo "setup_kill_test: $MIB MiB in $FILES files, $KILLS kills, seed $SEED"

fail() {
    echo "setup_kill_test: FAILED: $*" >&2
    exit 1
}
kit() { "$RUN" ./setupkit.exe "$@" </dev/null 2>/dev/null; }
# The three lines of setupkit's where (Wine's console ends them with CR LF).
where() { kit where "$(win "$WORK/v2")" | tr -d '\r'; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# Leaves nothing of the test in the prefix's registry.
cleanup() {
    kit uninstall "$(win "$WORK/v2")" >/dev/null || true
    "$RUN" reg delete 'HKCU\Software\z.v kill test' /f >/dev/null 2>&1 || true
    rm -rf "$WORK"
}
trap cleanup EXIT

rm -rf "$WORK"
mkdir -p "$WORK/v1" "$WORK/v2"
# Both versions name the same files, in three folders; the new one is newer.
{
    printf '[Setup]\r\nTitle=kill test\r\n[App1]\r\nAppName=z.v kill test\r\nExeName=zvkilltest.exe\r\n'
    printf 'Folder=z.v\\kill test\r\nRegSetKey=z.v kill test\r\nFile1=zvkilltest.exe\r\n'
    i=2
    while [ "$i" -le "$FILES" ]; do
        printf 'File%d=d%d\\f%05d.bin\r\n' "$i" $((i % 3)) "$i"
        i=$((i + 1))
    done
} >"$WORK/def"
for version in v1 v2; do
    cp "$WORK/def" "$WORK/$version/zvinstl.def"
    awk -v n="$FILES" -v total=$((MIB * 1048576)) -v seed="$SEED$version" 'BEGIN {
        srand(seed); mean = total / n
        for (i = 1; i <= n; i++) printf "%s %d\n", i == 1 ? "zvkilltest.exe" : sprintf("f%05d.bin", i), int(rand() * 2 * mean) + 1
    }' | while read -r name size; do
        head -c "$size" /dev/urandom >"$WORK/$version/$name"
    done
    head -c 4096 /dev/urandom >"$WORK/$version/zvinstl.exe"
done
touch -d '2020-01-01 00:00:00' "$WORK/v1"/*
touch -d '2021-01-01 00:00:00' "$WORK/v2"/*
# "name hash" of each version's files as installed, and of the whole new installation.
for version in v1 v2; do
    (cd "$WORK/$version" && sha256sum ./*) | awk '{ n = substr($2, 3); if (n ~ /^f[0-9]+\.bin$/) {
        d = "d" (substr(n, 2, 5) + 0) % 3 "/"; n = d n } print n, $1 }' | LC_ALL=C sort >"$WORK/$version.sum"
done
installed() {
    (cd "$APP" && find . -type f ! -name 'zvi*.tmp' ! -path ./user/notes.txt ! -name zvinstl.log -exec sha256sum {} + |
        awk '{ print substr($2, 3), $1 }' | LC_ALL=C sort)
}
mkdir -p "$APP/user"
head -c 1000 /dev/urandom >"$APP/user/notes.txt"
notes=$(sha256sum <"$APP/user/notes.txt")
"$RUN" reg add 'HKCU\Software\z.v kill test' /v Keep /d yes /f >/dev/null 2>&1 || fail "the user's settings were not written"

# The state after any kill: whole files of either version, the user's things
# kept, an uninstall entry that starts a setup that is there.
check_kept() {
    installed | awk 'FILENAME == ARGV[1] || FILENAME == ARGV[2] { ok[$1 " " $2] = 1; next }
        !(($1 " " $2) in ok) { print "half-written or foreign: " $1; bad = 1 } END { exit bad }' \
        "$WORK/v1.sum" "$WORK/v2.sum" - || fail "$1: an installed file is of neither version"
    [ "$(sha256sum <"$APP/user/notes.txt" 2>/dev/null)" = "$notes" ] || fail "$1: the user's file was lost"
    state=$(where) || fail "$1: setupkit where failed"
    [ "$(echo "$state" | sed -n 2p)" != gone ] || fail "$1: the uninstall entry starts a setup that is gone"
    [ "$(echo "$state" | sed -n 3p)" = kept ] || fail "$1: the user's settings were lost"
}
install_new() { kit install "$(win "$WORK/v2")" "$(win "$APP")" >/dev/null; }
check_new() {
    installed | cmp -s - "$WORK/v2.sum" || fail "$1: the new version is not installed whole"
    [ "$(where | head -n 2 | tr '\n' ' ')" = "present present " ] ||
        fail "$1: the new version is not registered"
}
check_gone() {
    [ -z "$(installed)" ] || fail "$1: installed files are left: $(installed | head -n 3)"
    [ "$(where | head -n 2 | tr '\n' ' ')" = "none none " ] ||
        fail "$1: entries of the application are left"
}
# Puts the old version in place, whole.
install_old() {
    kit uninstall "$(win "$WORK/v2")" >/dev/null || true
    kit install "$(win "$WORK/v1")" "$(win "$APP")" >/dev/null || fail "installing the old version failed"
}

install_old
start=$(now_ms)
install_new || fail "an uninterrupted install ended with $?"
install_span=$(($(now_ms) - start))
check_new "an uninterrupted install"
start=$(now_ms)
kit uninstall "$(win "$WORK/v2")" >/dev/null || fail "an uninterrupted uninstall ended with $?"
uninstall_span=$(($(now_ms) - start))
check_gone "an uninterrupted uninstall"
check_kept "an uninterrupted uninstall"
# Wine's start and the definition's reading come before any step: the
# moments fall after them.
start=$(now_ms)
where >/dev/null
startup=$(($(now_ms) - start))
echo "setup_kill_test: an uninterrupted install takes $install_span ms, an uninstall $uninstall_span ms," \
    "a start $startup ms"

kill=1
while [ "$kill" -le "$KILLS" ]; do
    # Odd kills stop an install over the old version, even ones an uninstall.
    if [ $((kill % 2)) -eq 1 ]; then
        install_old
        step=install
        limit=$install_span
    else
        install_new || fail "kill $kill: installing before the uninstall failed"
        step=uninstall
        limit=$uninstall_span
    fi
    at=$(awk -v seed="$SEED" -v k="$kill" -v span="$limit" -v from="$startup" 'BEGIN {
        srand(seed + k); if (from > span) from = 0; printf "%d", from + rand() * (span - from) }')
    # ZV_WINE_EXEC: the runner execs Wine, so $! is the Windows process.
    if [ "$step" = install ]; then
        ZV_WINE_EXEC=1 "$RUN" ./setupkit.exe install "$(win "$WORK/v2")" "$(win "$APP")" </dev/null >/dev/null 2>&1 &
    else
        ZV_WINE_EXEC=1 "$RUN" ./setupkit.exe uninstall "$(win "$WORK/v2")" </dev/null >/dev/null 2>&1 &
    fi
    pid=$!
    sleep "$(awk -v ms="$at" 'BEGIN { printf "%.3f", ms / 1000 }')"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    what="kill $kill ($step at $at ms of $limit)"
    check_kept "$what"
    left=$(find "$APP" -name 'zvi*.tmp' | wc -l)
    # ZV_WINE_EXEC: the runner execs Wine, so $! is the Windows process.
    if [ "$step" = install ]; then
        install_new || fail "$what: the install run again ended with $?"
        check_new "$what, run again"
    else
        # Stopped before its last step, the installation is still listed and
        # the uninstall runs again to its end.
        if [ "$(where | head -n 1)" != none ]; then
            kit uninstall "$(win "$WORK/v2")" >/dev/null || fail "$what: the uninstall run again ended with $?"
        fi
        check_gone "$what, run again"
    fi
    check_kept "$what, run again"
    [ "$(find "$APP" -name 'zvi*.tmp' | wc -l)" -eq 0 ] || fail "$what: temporaries are left after the rerun"
    echo "setup_kill_test: $what: $left temporaries; checked"
    kill=$((kill + 1))
done
echo "setup_kill_test: $KILLS kills, no file of the user lost, every rerun completed"

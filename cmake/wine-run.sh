#!/bin/sh
# Runs a Windows program under Wine in the build tree's private prefix.
# ZV_WINEPREFIX is set by the test script; the default keeps ad-hoc runs apart too.
# ZV_WINE is the loader: wine (i686 programs) or /usr/lib/wine/wine64.
: "${ZV_WINEPREFIX:=$(pwd)/wineprefix}"
: "${ZV_WINE:=wine}"
export WINEPREFIX="$ZV_WINEPREFIX"
export WINEDEBUG=-all
# No Mono or Gecko install dialogs; no host menu or desktop entries for shortcuts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=ja_JP.UTF-8
export TZ=UTC
# drive_c, not system.reg: a persistent wineserver writes the registry only when it ends.
if [ ! -d "$WINEPREFIX/drive_c" ]; then
    "$ZV_WINE" wineboot -i >/dev/null 2>&1 || {
        echo "wine-run.sh: '$ZV_WINE wineboot -i' failed for $WINEPREFIX" >&2
        exit 125
    }
fi
# Wine's crash dialog would wait for a click: off in every prefix, so a
# crashing program ends at once and its backtrace goes to standard error.
# winemenubuilder, which a saved shortcut starts, is off too: it writes
# host desktop entries and rewrites the prefix's shell folders.
if [ ! -f "$WINEPREFIX/.zv-test-prefix" ]; then
    { "$ZV_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f &&
        "$ZV_WINE" reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /t REG_SZ /d '' /f; } \
        >/dev/null 2>&1 || {
        echo "wine-run.sh: could not set the test settings of $WINEPREFIX" >&2
        exit 125
    }
    : >"$WINEPREFIX/.zv-test-prefix"
fi
# A caller that must signal the program itself (the kill tests) sets
# ZV_WINE_EXEC=1: the runner then becomes the program's process.
if [ -n "${ZV_WINE_EXEC:-}" ]; then
    exec "$ZV_WINE" "$@"
fi
# Under load Wine at times ends a crashed program with exit code 0 after its
# backtrace. Wine's own line on standard error, written before the debugger
# starts, marks the crash: standard error passes through a watcher that notes it.
# Processes the program starts (Wine's services) may keep that pipe open for
# long, so the watcher ends at a line the runner writes after the program.
watch=$(mktemp -d "${TMPDIR:-/tmp}/zvrun.XXXXXX") || exit 125
trap 'rm -rf "$watch"' EXIT
mkfifo "$watch/stderr" || exit 125
# Opened for reading and writing, which never blocks: the runner's own end.
exec 4<>"$watch/stderr"
end="zv-wine-run-end $watch"
# The shell's read takes a pipe byte by byte, so no line waits in a buffer.
watch_stderr() {
    while IFS= read -r line || [ -n "$line" ]; do
        case $line in
        *"$end"*)
            [ -z "${line%%"$end"*}" ] || printf '%s\n' "${line%%"$end"*}" >&2
            return ;;
        "wine: Unhandled "*) : >"$watch/crashed" ;;
        esac
        printf '%s\n' "$line" >&2
    done
}
watch_stderr <"$watch/stderr" 4>&- &
watcher=$!
# Started in the background so a signal to the runner reaches the program;
# standard input is passed on explicitly, as a background command gets none.
# A signal before the program's pid is known is passed on once it is.
program=
stop=
trap 'stop=1; [ -z "$program" ] || kill -TERM "$program" 2>/dev/null' TERM INT HUP
exec 3<&0
"$ZV_WINE" "$@" <&3 3<&- 4>&- 2>"$watch/stderr" &
program=$!
exec 3<&-
[ -z "$stop" ] || kill -TERM "$program" 2>/dev/null
while :; do
    status=0
    wait "$program" || status=$?
    kill -0 "$program" 2>/dev/null || break
done
# Everything the program wrote is in the pipe before this line.
echo "$end" >&4
wait "$watcher"
exec 4>&-
if [ "$status" -eq 0 ] && [ -f "$watch/crashed" ]; then
    echo "wine-run.sh: the program crashed, though Wine gave exit code 0" >&2
    status=70
fi
exit "$status"

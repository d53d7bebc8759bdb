#!/bin/sh
# Puts the demo site into the empty URL cache of a fresh Wine prefix and runs
# the unattended rebuild with address and code translation and relative
# links into DEMO/wineprefix/drive_c/zvdemo/rebuild (log: rebuild.log beside
# it). Exit code: the rebuild's, or 10 when the cache could not be filled.
# Usage: rebuild_demo.sh BIN RUN DEMO
#   BIN  the build's bin folder, RUN its Wine runner (cmake/wine64-run.sh or
#   cmake/wine-run.sh), DEMO a folder that is emptied first.
set -e
BIN=$1
RUN=$2
DEMO=$3
HERE=$(cd "$(dirname "$0")" && pwd)
# A prefix of its own: its URL cache starts empty, and its wineserver is ours.
export ZV_WINEPREFIX="$DEMO/wineprefix" WINEPREFIX="$DEMO/wineprefix"
wineserver -k 2>/dev/null || true
rm -rf "$DEMO"
mkdir -p "$ZV_WINEPREFIX"
unset DISPLAY
WINEDEBUG=-all wineserver -p 2>/dev/null || true
trap 'WINEPREFIX="$ZV_WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
cp -r "$HERE/site" "$DEMO/"
cd "$BIN"
if ! "$RUN" ./zvdemofill.exe "Z:$(echo "$DEMO/site/site.lst" | tr / '\\')"; then
    echo "rebuild_demo.sh: putting the demo site into the Wine URL cache failed" >&2
    exit 10
fi
if ! "$RUN" reg add 'HKCU\Software\z.v\zvkestor\Rebuild' /v XlatRebuild /t REG_DWORD /d 1 /f >/dev/null 2>&1; then
    echo "rebuild_demo.sh: storing the setting XlatRebuild in the demo prefix failed" >&2
    exit 10
fi
# The job refuses a rebuild folder that is not there.
mkdir -p "$ZV_WINEPREFIX/drive_c/zvdemo/rebuild"
status=0
"$RUN" ./zvtorsel.exe /rebuild /links:relative '/folder:C:\zvdemo\rebuild\' '/log:C:\zvdemo\rebuild.log' || status=$?
exit $status

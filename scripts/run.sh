#!/bin/sh
# The main job: builds the product, puts a small demo site (Shift_JIS, EUC-JP
# and JIS pages, a query URL, Japanese names, pictures) into an empty Wine URL cache, runs the
# unattended rebuild with address and code translation and relative links
# into a demo rebuild folder and prints the file:// address of its entry
# page, which the machine's own browser opens.
# With arguments it starts zvtorsel.exe with them instead (own Xvfb if there
# is no display).
# It runs the i686 product where the machine runs i386 programs, else the
# 64-bit build (ZV_ARCHS=win32 or win64 chooses by hand).
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}
. "$ROOT/scripts/lib.sh"
if [ "$(id -u)" = 0 ] && [ -z "$ZV_SKIP_INSTALL" ]; then
    zv_step "installing the packages" "$ROOT/scripts/install-deps.sh"
fi
zv_choose_archs
if zv_has_arch win32; then ARCH=win32; else ARCH=win64; fi
echo "zv: $ZV_WHY: running build/$ARCH"
zv_configure_windows $ARCH >/dev/null
zv_step "building build/$ARCH" cmake --build "$BUILD/$ARCH" -j "${ZV_JOBS:-$(nproc)}"
BIN="$BUILD/$ARCH/bin"
RUN="$ROOT/cmake/wine-run.sh"
[ $ARCH = win64 ] && RUN="$ROOT/cmake/wine64-run.sh"

if [ $# -gt 0 ]; then
    export ZV_WINEPREFIX="$BUILD/$ARCH/wineprefix"
    if [ -z "$DISPLAY" ]; then
        Xvfb :77 -screen 0 1280x1024x24 >/dev/null 2>&1 &
        XVFB_PID=$!
        trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
        export DISPLAY=:77
        sleep 1
    fi
    cd "$BIN"
    # Not exec: the trap must still stop the Xvfb started above.
    status=0
    "$RUN" ./zvtorsel.exe "$@" || status=$?
    exit $status
fi

DEMO=${ZV_DEMO_DIR:-$BUILD/demo}
status=0
sh "$ROOT/APPS/zvtorsel/demo/rebuild_demo.sh" "$BIN" "$RUN" "$DEMO" || status=$?
[ $status -eq 10 ] && zv_fail "putting the demo site into a fresh Wine URL cache" "sh APPS/zvtorsel/demo/rebuild_demo.sh $BIN $RUN $DEMO"
ZVDEMO="$DEMO/wineprefix/drive_c/zvdemo"
LOG="$ZVDEMO/rebuild.log"
if [ -f "$LOG" ]; then
    iconv -f CP932 -t UTF-8 "$LOG" 2>/dev/null | tr -d '\r' || cat "$LOG"
fi
SITE="$ZVDEMO/rebuild/http\$/demo.zvtorsel.example"
echo "unattended rebuild exit code: $status"
if [ -f "$SITE/index.html" ]; then
    # Links are relative: the folder opens in any browser, here or copied anywhere.
    printf 'rebuilt site: %s/\n' "$SITE"
    find "$SITE" -type f | sed "s|^$ZVDEMO/rebuild/|  |"
    printf 'entry page (open it in a browser; links and pictures work, also in a copy of\n'
    printf '%s elsewhere):\n' "$ZVDEMO/rebuild/"
    python3 -c 'import pathlib, sys; print("  " + pathlib.Path(sys.argv[1]).as_uri())' "$SITE/index.html"
else
    zv_fail "the rebuilt site is missing" "$LOG"
fi
exit $status

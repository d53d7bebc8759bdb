#!/bin/sh
# The main job: builds the product, puts a small demo site (Shift_JIS, EUC-JP
# and JIS pages, a query URL, pictures) into an empty Wine URL cache, runs the
# unattended rebuild with address and code translation into a demo rebuild
# folder and prints where the rebuilt site lies.
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
    exec "$RUN" ./zvtorsel.exe "$@"
fi

# A fresh prefix: its URL cache starts empty.
DEMO=${ZV_DEMO_DIR:-$BUILD/demo}
export ZV_WINEPREFIX="$DEMO/wineprefix" WINEPREFIX="$DEMO/wineprefix"
WINEPREFIX="$ZV_WINEPREFIX" wineserver -k 2>/dev/null || true
rm -rf "$DEMO"
mkdir -p "$ZV_WINEPREFIX"
unset DISPLAY
WINEDEBUG=-all wineserver -p 2>/dev/null || true
trap 'WINEPREFIX="$ZV_WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
cp -r "$ROOT/APPS/zvtorsel/demo/site" "$DEMO/"
cd "$BIN"
zv_step "putting the demo site into the Wine URL cache" \
    "$RUN" ./zvdemofill.exe "Z:$(echo "$DEMO/site/site.lst" | tr / '\\')"
"$RUN" reg add 'HKCU\Software\z.v\zvkestor\Rebuild' /v XlatRebuild /t REG_DWORD /d 1 /f >/dev/null 2>&1 ||
    zv_fail "storing the setting XlatRebuild in the demo prefix" "$RUN reg add ..."

mkdir -p "$ZV_WINEPREFIX/drive_c/zvdemo"
FOLDER='C:\zvdemo\rebuild\'
status=0
"$RUN" ./zvtorsel.exe /rebuild "/folder:$FOLDER" '/log:C:\zvdemo\rebuild.log' || status=$?
LOG="$ZV_WINEPREFIX/drive_c/zvdemo/rebuild.log"
if [ -f "$LOG" ]; then
    iconv -f CP932 -t UTF-8 "$LOG" 2>/dev/null | tr -d '\r' || cat "$LOG"
fi
SITE="$ZV_WINEPREFIX/drive_c/zvdemo/rebuild/http\$/demo.zvtorsel.example"
echo "unattended rebuild exit code: $status"
if [ -f "$SITE/index.html" ]; then
    printf 'rebuilt site: %s/\n' "$SITE"
    printf 'entry page:   %s/index.html (%shttp$\\demo.zvtorsel.example\\index.html in Wine)\n' "$SITE" "$FOLDER"
    find "$SITE" -type f | sed "s|^$ZV_WINEPREFIX/drive_c/zvdemo/rebuild/|  |"
else
    zv_fail "the rebuilt site is missing" "$LOG"
fi
exit $status

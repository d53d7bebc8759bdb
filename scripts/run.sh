#!/bin/sh
# The main job: builds the product, puts a small demo site (Shift_JIS, EUC-JP
# and JIS pages, a query URL, pictures) into an empty Wine URL cache, runs the
# unattended rebuild with address and code translation into a demo rebuild
# folder and prints where the rebuilt site lies.
# With arguments it starts zvtorsel.exe with them instead (own Xvfb if there
# is no display).
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}
if [ "$(id -u)" = 0 ] && [ -z "$ZV_SKIP_INSTALL" ]; then
    "$ROOT/scripts/install-deps.sh"
fi
cmake -S "$ROOT" -B "$BUILD/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$BUILD/win32" -j "${ZV_JOBS:-$(nproc)}"
BIN="$BUILD/win32/bin"

if [ $# -gt 0 ]; then
    export ZV_WINEPREFIX="$BUILD/win32/wineprefix"
    if [ -z "$DISPLAY" ]; then
        Xvfb :77 -screen 0 1280x1024x24 >/dev/null 2>&1 &
        XVFB_PID=$!
        trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
        export DISPLAY=:77
        sleep 1
    fi
    cd "$BIN"
    exec "$ROOT/cmake/wine-run.sh" ./zvtorsel.exe "$@"
fi

# A fresh prefix: its URL cache starts empty.
DEMO="$BUILD/demo"
export ZV_WINEPREFIX="$DEMO/wineprefix" WINEPREFIX="$DEMO/wineprefix"
WINEPREFIX="$ZV_WINEPREFIX" wineserver -k 2>/dev/null || true
rm -rf "$DEMO"
mkdir -p "$ZV_WINEPREFIX"
unset DISPLAY
WINEDEBUG=-all wineserver -p 2>/dev/null || true
trap 'WINEPREFIX="$ZV_WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
RUN="$ROOT/cmake/wine-run.sh"
cp -r "$ROOT/APPS/zvtorsel/demo/site" "$DEMO/"
cd "$BIN"
"$RUN" ./zvdemofill.exe "Z:$(echo "$DEMO/site/site.lst" | tr / '\\')"
"$RUN" reg add 'HKCU\Software\z.v\zvkestor\Rebuild' /v XlatRebuild /t REG_DWORD /d 1 /f >/dev/null 2>&1

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
    echo "the rebuilt site is missing" >&2
    exit 1
fi
exit $status

#!/bin/sh
# Installs what is missing, builds both builds and runs every test.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}
if [ "$(id -u)" = 0 ] && [ -z "$ZV_SKIP_INSTALL" ]; then
    "$ROOT/scripts/install-deps.sh"
fi
"$ROOT/scripts/build.sh"

# One wineserver for the whole run keeps each Wine start cheap.
export ZV_WINEPREFIX="$BUILD/win32/wineprefix"
export WINEPREFIX="$ZV_WINEPREFIX" WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
unset DISPLAY
# GUI tests (windows, dialogs, DIB surfaces) draw on a private Xvfb display.
XVFB_PID=
if ! xdpyinfo -display :87 >/dev/null 2>&1; then
    rm -f /tmp/.X87-lock /tmp/.X11-unix/X87
    Xvfb :87 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        xdpyinfo -display :87 >/dev/null 2>&1 && break
        sleep 0.5
    done
fi
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1 || true
if [ ! -d "$WINEPREFIX/drive_c" ]; then
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
fi
trap 'WINEPREFIX="$ZV_WINEPREFIX" wineserver -k 2>/dev/null || true; [ -n "$XVFB_PID" ] && kill $XVFB_PID 2>/dev/null || true' EXIT

JOBS=${ZV_JOBS:-$(nproc)}
status=0
ctest --test-dir "$BUILD/host" -j "$JOBS" --output-on-failure || status=1
ctest --test-dir "$BUILD/win32" -j "$JOBS" --output-on-failure || status=1
exit $status

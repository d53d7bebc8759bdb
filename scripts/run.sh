#!/bin/sh
# Builds the product and starts zvtorsel.exe under Wine (own Xvfb if there is no display).
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}
if [ "$(id -u)" = 0 ] && [ -z "$ZV_SKIP_INSTALL" ]; then
    "$ROOT/scripts/install-deps.sh"
fi
cmake -S "$ROOT" -B "$BUILD/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$BUILD/win32" -j "$(nproc)"
export ZV_WINEPREFIX="$BUILD/win32/wineprefix"
if [ -z "$DISPLAY" ]; then
    Xvfb :77 -screen 0 1280x1024x24 >/dev/null 2>&1 &
    XVFB_PID=$!
    trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
    export DISPLAY=:77
    sleep 1
fi
cd "$BUILD/win32/bin"
"$ROOT/cmake/wine-run.sh" ./zvtorsel.exe "$@"

#!/bin/sh
# Configures and builds both builds: build/win32 (product, PE files) and
# build/host (platform-free modules, -m32 with sanitizers).
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}
JOBS=${ZV_JOBS:-$(nproc)}
cmake -S "$ROOT" -B "$BUILD/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$BUILD/win32" -j "$JOBS"
cmake -S "$ROOT" -B "$BUILD/host" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$BUILD/host" -j "$JOBS"

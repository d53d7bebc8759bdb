#!/bin/sh
# Configures and builds the Windows builds (build/win32: the i686 product;
# build/win64: the same tree for x86-64) and build/host (platform-free
# modules with sanitizers; -m32 where the machine runs i386 programs).
# Both Windows builds are made on every machine: cross-compiling runs no
# Windows code. ZV_ARCHS only decides which suites scripts/test.sh runs.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}
JOBS=${ZV_JOBS:-$(nproc)}
. "$ROOT/scripts/lib.sh"
[ -n "$ZV_HOST_M32" ] || zv_choose_archs
for arch in win32 win64; do
    zv_configure_windows $arch
    zv_step "building build/$arch" cmake --build "$BUILD/$arch" -j "$JOBS"
done
zv_step "configuring build/host" cmake -S "$ROOT" -B "$BUILD/host" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DZV_HOST_M32="$ZV_HOST_M32"
zv_step "building build/host" cmake --build "$BUILD/host" -j "$JOBS"

#!/bin/sh
# Builds the optimised benchmarks (host, -m32 where i386 programs run, else
# 64-bit; no sanitizers) and runs them:
#   sh scripts/bench.sh [TARGET ...]     (all *_bench targets when none is named)
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}
. "$ROOT/scripts/lib.sh"
[ -n "$ZV_HOST_M32" ] || zv_choose_archs
BUILD=$BUILD/bench
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DZV_BENCH=ON -DZV_SANITIZE=OFF -DZV_HOST_M32="$ZV_HOST_M32" >/dev/null
if [ $# -eq 0 ]; then
    cmake --build "$BUILD"
    set -- $(cd "$BUILD/bin" && ls | grep '_bench$' || true)
else
    for t in "$@"; do cmake --build "$BUILD" --target "$t"; done
fi
for t in "$@"; do
    echo "== $t"
    "$BUILD/bin/$t"
done

#!/bin/sh
# Builds the optimised benchmarks (host, -m32 where i386 programs run, else
# 64-bit; no sanitizers) and runs them:
#   sh scripts/bench.sh [TARGET ...]     (all *_bench targets when none is named)
# The main job under Wine at 20,000 to 100,000 entries: see bench-scale.sh.
#   sh scripts/bench.sh scale [ENTRIES ...]
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
if [ "$1" = scale ]; then
    shift
    exec sh "$ROOT/scripts/bench-scale.sh" "$@"
fi
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

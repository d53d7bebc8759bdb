#!/bin/sh
# Builds the optimised benchmarks (host, -m32, no sanitizers) and runs them:
#   sh scripts/bench.sh [TARGET ...]     (all *_bench targets when none is named)
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}/bench
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DZV_BENCH=ON -DZV_SANITIZE=OFF >/dev/null
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

#!/bin/sh
# Builds the libFuzzer targets (clang, ASan+UBSan; -m32 where i386 programs
# run, else 64-bit) and runs one:
#   sh scripts/fuzz.sh TARGET SECONDS     e.g. sh scripts/fuzz.sh saa_fuzzer 600
# The seed corpus is the target's fuzz/corpus/<name> folder; new inputs go to
# build/fuzz/corpus/<name>, never into the tree.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}
. "$ROOT/scripts/lib.sh"
[ -n "$ZV_HOST_M32" ] || zv_choose_archs
BUILD=$BUILD/fuzz
TARGET=${1:?target name}
SECONDS_TO_RUN=${2:-60}
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DZV_FUZZ=ON -DZV_SANITIZE=OFF -DZV_HOST_M32="$ZV_HOST_M32" >/dev/null
cmake --build "$BUILD" --target "$TARGET"
SEEDS=$(find "$ROOT" -path "*/fuzz/corpus/$TARGET" -type d | head -n 1)
WORK="$BUILD/corpus/$TARGET"
mkdir -p "$WORK"
DICT=$(find "$ROOT" -path "*/fuzz/$TARGET.dict" | head -n 1)
exec "$BUILD/bin/$TARGET" -max_total_time="$SECONDS_TO_RUN" -print_final_stats=1 \
     ${DICT:+-dict="$DICT"} "$WORK" ${SEEDS:+"$SEEDS"}

#!/bin/sh
# Builds every libFuzzer target and runs each for SECONDS in turn, one core,
# then prints a table: target, runs, corpus size, crashes.
#   sh scripts/fuzz-all.sh SECONDS [--merge] [TARGET...]
# New inputs go to build/fuzz/corpus/<target>, crashes to
# build/fuzz/crashes/<target>/. With --merge, the inputs that add coverage
# are merged (minimised) into the target's seed corpus in the tree.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}
. "$ROOT/scripts/lib.sh"
[ -n "$ZV_HOST_M32" ] || zv_choose_archs
BUILD=$BUILD/fuzz
SECONDS_EACH=${1:?seconds per target}
shift
MERGE=0
if [ "$1" = --merge ]; then
    MERGE=1
    shift
fi
# Every source that defines a fuzz entry point is a target named after it.
TARGETS=$*
if [ -z "$TARGETS" ]; then
    TARGETS=$(grep -rl --include='*.cpp' LLVMFuzzerTestOneInput "$ROOT/APPS" "$ROOT/DLLS" "$ROOT/PLUGINS" \
        "$ROOT/FRAMEWORK" | sed 's|.*/||; s|\.cpp$||' | sort)
fi
CC=clang CXX=clang++ zv_step "configuring build/fuzz" cmake -S "$ROOT" -B "$BUILD" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_FUZZ=ON -DZV_SANITIZE=OFF -DZV_HOST_M32="$ZV_HOST_M32" >/dev/null
# shellcheck disable=SC2086
zv_step "building the fuzz targets" cmake --build "$BUILD" --target $TARGETS

TABLE="$BUILD/fuzz-all.txt"
printf '%-22s %12s %8s %8s\n' target runs corpus crashes >"$TABLE"
failed=
for target in $TARGETS; do
    SEEDS=$(find "$ROOT" -path "$BUILD" -prune -o -path "*/fuzz/corpus/$target" -type d -print | head -n 1)
    WORK="$BUILD/corpus/$target"
    CRASHES="$BUILD/crashes/$target"
    mkdir -p "$WORK" "$CRASHES"
    DICT=$(find "$ROOT" -path "$BUILD" -prune -o -path "*/fuzz/$target.dict" -print | head -n 1)
    LOG="$BUILD/$target.log"
    echo "zv: fuzzing $target for $SECONDS_EACH s (log: $LOG)"
    status=0
    "$BUILD/bin/$target" -max_total_time="$SECONDS_EACH" -print_final_stats=1 -timeout=25 -rss_limit_mb=2048 \
        -artifact_prefix="$CRASHES/" ${DICT:+-dict="$DICT"} "$WORK" ${SEEDS:+"$SEEDS"} >"$LOG" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$LOG" | tail -n 1)
    corpus=$(find "$WORK" -type f | wc -l)
    crashes=$(find "$CRASHES" -type f | wc -l)
    [ "$status" -ne 0 ] && failed="$failed $target"
    printf '%-22s %12s %8s %8s\n' "$target" "${runs:-?}" "$corpus" "$crashes" >>"$TABLE"
    if [ "$MERGE" = 1 ] && [ -n "$SEEDS" ] && [ "$status" -eq 0 ]; then
        "$BUILD/bin/$target" -merge=1 "$SEEDS" "$WORK" >"$BUILD/$target.merge.log" 2>&1 ||
            echo "zv: merging into $SEEDS failed: $BUILD/$target.merge.log"
    fi
done
cat "$TABLE"
[ -z "$failed" ] || zv_fail "fuzz targets that stopped with a finding:$failed" "$BUILD/crashes/<target>/ and $BUILD/<target>.log"

#!/bin/sh
# Builds every libFuzzer target and runs each for SECONDS in turn, one core,
# then prints a table: target, runs, corpus size, crashes.
#   sh scripts/fuzz-all.sh SECONDS [--runs=N] [--merge] [--coverage [--seeds-only]] [TARGET...]
# With --runs=N a target stops after N runs, or after SECONDS if that comes
# first. New inputs go to build/fuzz/corpus/<target>, crashes to
# build/fuzz/crashes/<target>/. With --merge, the new inputs (up to 8 KiB)
# that add coverage are merged into the target's seed corpus in the tree,
# whose seeds stay as they are. With
# --coverage, the targets are built once more with clang's source-based
# coverage (build/fuzzcov), each runs its seed and work corpus once, and a
# second table gives the line and branch coverage of the reader it tests:
# the sources of the headers it includes (a header H.h whose H.cpp lies in
# the tree), or the files listed in fuzz/<target>.sources beside it; a line
# FILE=REGEX there counts only the functions of FILE whose (mangled) names
# match REGEX, for a file that holds more than the one reader.
# SECONDS 0 skips the fuzzing and measures the corpora as they are;
# --seeds-only measures the committed seed corpus without the work corpus.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}
. "$ROOT/scripts/lib.sh"
[ -n "$ZV_HOST_M32" ] || zv_choose_archs
BUILD=$BUILD/fuzz
SECONDS_EACH=${1:?seconds per target}
shift
MERGE=0
COVERAGE=0
SEEDS_ONLY=0
RUNS=-1
while :; do
    case "$1" in
        --merge) MERGE=1 ;;
        --coverage) COVERAGE=1 ;;
        --seeds-only) SEEDS_ONLY=1 ;;
        --runs=*) RUNS=${1#--runs=} ;;
        *) break ;;
    esac
    shift
done
# Every source that defines a fuzz entry point is a target named after it.
TARGETS=$*
if [ -z "$TARGETS" ]; then
    TARGETS=$(grep -rl --include='*.cpp' LLVMFuzzerTestOneInput "$ROOT/APPS" "$ROOT/DLLS" "$ROOT/PLUGINS" \
        "$ROOT/FRAMEWORK" | sed 's|.*/||; s|\.cpp$||' | sort)
fi
if [ "$SECONDS_EACH" != 0 ]; then
    CC=clang CXX=clang++ zv_step "configuring build/fuzz" cmake -S "$ROOT" -B "$BUILD" -G Ninja \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_FUZZ=ON -DZV_SANITIZE=OFF -DZV_HOST_M32="$ZV_HOST_M32" >/dev/null
    # shellcheck disable=SC2086
    zv_step "building the fuzz targets" cmake --build "$BUILD" --target $TARGETS
fi

mkdir -p "$BUILD"
# Each target's row has a file of its own, so that two runs over different
# targets can share the build.
TABLE="$BUILD/fuzz-all.txt"
failed=
for target in $TARGETS; do
    [ "$SECONDS_EACH" = 0 ] && break
    SEEDS=$(find "$ROOT" -path "$BUILD" -prune -o -path "*/fuzz/corpus/$target" -type d -print | head -n 1)
    WORK="$BUILD/corpus/$target"
    CRASHES="$BUILD/crashes/$target"
    mkdir -p "$WORK" "$CRASHES"
    DICT=$(find "$ROOT" -path "$BUILD" -prune -o -path "*/fuzz/$target.dict" -print | head -n 1)
    LOG="$BUILD/$target.log"
    echo "zv: fuzzing $target for $SECONDS_EACH s (log: $LOG)"
    status=0
    "$BUILD/bin/$target" -max_total_time="$SECONDS_EACH" -runs="$RUNS" -print_final_stats=1 -timeout=25 -rss_limit_mb=2048 \
        -artifact_prefix="$CRASHES/" ${DICT:+-dict="$DICT"} "$WORK" ${SEEDS:+"$SEEDS"} >"$LOG" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$LOG" | tail -n 1)
    corpus=$(find "$WORK" -type f | wc -l)
    crashes=$(find "$CRASHES" -type f | wc -l)
    [ "$status" -ne 0 ] && failed="$failed $target"
    printf '%-22s %12s %8s %8s\n' "$target" "${runs:-?}" "$corpus" "$crashes" >"$BUILD/$target.row"
done
for target in $TARGETS; do
    [ "$MERGE" = 1 ] || break
    case " $failed " in *" $target "*) continue ;; esac
    SEEDS=$(find "$ROOT" -path "$BUILD" -prune -o -path "*/fuzz/corpus/$target" -type d -print | head -n 1)
    [ -n "$SEEDS" ] || continue
    WORK="$BUILD/corpus/$target"
    mkdir -p "$WORK"
    # Edges only, without hit counts: an input that only runs a loop more
    # often adds a counter bucket, not coverage, and would bloat the seeds.
    if "$BUILD/bin/$target" -merge=1 -use_counters=0 -max_len=8192 -timeout=25 -rss_limit_mb=2048 "$SEEDS" "$WORK" \
        >"$BUILD/$target.merge.log" 2>&1; then
        echo "zv: $target: $(find "$SEEDS" -type f | wc -l) seeds in $SEEDS"
    else
        echo "zv: merging into $SEEDS failed: $BUILD/$target.merge.log"
    fi
done
if [ "$SECONDS_EACH" != 0 ]; then
    printf '%-22s %12s %8s %8s\n' target runs corpus crashes >"$TABLE"
    for target in $TARGETS; do cat "$BUILD/$target.row"; done >>"$TABLE"
    cat "$TABLE"
fi
[ -z "$failed" ] || zv_fail "fuzz targets that stopped with a finding:$failed" "$BUILD/crashes/<target>/ and $BUILD/<target>.log"
[ "$COVERAGE" = 1 ] || exit 0

# The sources a target's reader is made of, relative to ROOT.
reader_sources() {
    fuzzer=$(find "$ROOT" -path "$ROOT/build" -prune -o -path "*/fuzz/$1.cpp" -print | head -n 1)
    listed="${fuzzer%.cpp}.sources"
    if [ -f "$listed" ]; then
        grep -v '^#' "$listed"
        return
    fi
    sed -n 's/^#include "\(.*\)\.h"$/\1.cpp/p' "$fuzzer" | while read -r source; do
        find "$ROOT/APPS" "$ROOT/DLLS" "$ROOT/PLUGINS" "$ROOT/FRAMEWORK" -path "*/$source" ! -path "*/tests/*" \
            ! -path "*/fuzz/*" | sed "s|^$ROOT/||"
    done | sort -u
}

COV=${BUILD%/fuzz}/fuzzcov
# Flags given here replace the -m32 that CMakeLists.txt puts in front of the
# compiler probe: without it the probe finds the 64-bit libraries (libz).
M32=
[ "$ZV_HOST_M32" = ON ] && M32="-m32 "
CC=clang CXX=clang++ zv_step "configuring build/fuzzcov" cmake -S "$ROOT" -B "$COV" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_FUZZ=ON -DZV_SANITIZE=OFF -DZV_HOST_M32="$ZV_HOST_M32" \
    "-DCMAKE_C_FLAGS=${M32}-fprofile-instr-generate -fcoverage-mapping" \
    "-DCMAKE_CXX_FLAGS=${M32}-fprofile-instr-generate -fcoverage-mapping" \
    "-DCMAKE_EXE_LINKER_FLAGS=${M32}-fprofile-instr-generate" >/dev/null
# shellcheck disable=SC2086
zv_step "building the fuzz targets with coverage" cmake --build "$COV" --target $TARGETS
COVTABLE="$COV/coverage.txt"
printf '%-22s %12s %8s %8s %8s  %s\n' target runs corpus lines branches sources >"$COVTABLE"
low=
for target in $TARGETS; do
    SEEDS=$(find "$ROOT" -path "$BUILD" -prune -o -path "$COV" -prune -o -path "*/fuzz/corpus/$target" -type d -print |
        head -n 1)
    WORK="$BUILD/corpus/$target"
    mkdir -p "$WORK"
    [ "$SEEDS_ONLY" = 1 ] && WORK=
    sources=$(reader_sources "$target")
    if [ -z "$sources" ]; then
        echo "zv: $target: no reader sources found; list them in fuzz/$target.sources"
        low="$low $target"
        continue
    fi
    rm -f "$COV/$target.profraw"
    LLVM_PROFILE_FILE="$COV/$target.profraw" "$COV/bin/$target" -runs=0 ${SEEDS:+"$SEEDS"} ${WORK:+"$WORK"} \
        >"$COV/$target.log" 2>&1 || zv_fail "$target stopped on its corpus" "$COV/$target.log"
    llvm-profdata merge -sparse "$COV/$target.profraw" -o "$COV/$target.profdata"
    # This llvm-cov filters neither its totals by source nor its report by
    # function: the export is summed here, per file or per chosen function.
    llvm-cov export -format=text -skip-expansions -instr-profile="$COV/$target.profdata" "$COV/bin/$target" \
        >"$COV/$target.json"
    # One word per source; a function pattern is no file name pattern.
    set -f
    # shellcheck disable=SC2086
    total=$(python3 "$ROOT/scripts/fuzz-coverage.py" "$COV/$target.json" "$ROOT" $sources)
    set +f
    lines=${total% *}
    branches=${total#* }
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$BUILD/$target.log" 2>/dev/null | tail -n 1)
    corpus=$({ [ -n "$SEEDS" ] && find "$SEEDS" -type f; [ -n "$WORK" ] && find "$WORK" -type f; } | wc -l)
    printf '%-22s %12s %8s %8s %8s  %s\n' "$target" "${runs:--}" "$corpus" "$lines" "$branches" \
        "$(echo $sources)" >>"$COVTABLE"
    awk -v l="${lines%\%}" -v b="${branches%\%}" 'BEGIN { exit !(l + 0 < 85 || b + 0 < 70) }' &&
        low="$low $target"
done
cat "$COVTABLE"
echo "zv: coverage table: $COVTABLE; per-line reports: llvm-cov show $COV/bin/TARGET -instr-profile=$COV/TARGET.profdata"
[ -z "$low" ] || echo "zv: below 85% of lines or 70% of branches:$low"

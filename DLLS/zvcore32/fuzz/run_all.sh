#!/bin/sh
# Runs every fuzz target of the text engines for SECONDS each, one at a time:
#   sh DLLS/zvcore32/fuzz/run_all.sh [SECONDS]
set -e
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
SECONDS_EACH=${1:-60}
for target in saa_fuzzer grep_fuzzer grepex_fuzzer jjudge_fuzzer jconvert_fuzzer textfile_fuzzer; do
    echo "== $target"
    sh "$ROOT/scripts/fuzz.sh" "$target" "$SECONDS_EACH"
done

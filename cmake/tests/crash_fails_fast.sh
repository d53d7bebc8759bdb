#!/bin/sh
# A crashing program must end at once with a failure and its backtrace, never
# wait on Wine's crash dialog: runs RUNNER CHILD and checks both within LIMIT s.
#   crash_fails_fast.sh RUNNER CHILD [LIMIT]
RUNNER=$1
CHILD=$2
LIMIT=${3:-60}
OUT=$(mktemp)
trap 'rm -f "$OUT"' EXIT
start=$(date +%s)
status=0
timeout -k 5 "$LIMIT" "$RUNNER" "$CHILD" >"$OUT" 2>&1 </dev/null || status=$?
took=$(($(date +%s) - start))
cat "$OUT"
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "crash_fails_fast: the crashing program still ran after ${LIMIT} s (a crash dialog waiting?)"
    exit 1
fi
if [ "$status" -eq 0 ]; then
    echo "crash_fails_fast: the crashing program ended with exit code 0"
    exit 1
fi
if ! grep -q 'Backtrace' "$OUT"; then
    echo "crash_fails_fast: no backtrace in the output"
    exit 1
fi
echo "crash_fails_fast: the crash ended its program in ${took} s with exit code $status and a backtrace"

#!/bin/sh
# The Wine runner with a stand-in loader: a crash that Wine ends with exit
# code 0 still fails, exit codes, standard input and error pass through, a
# signal to the runner ends the program, and ZV_WINE_EXEC makes the runner
# the program's own process; a process left behind holding standard error
# does not hold the runner.
#   runner_test.sh RUNNER     (cmake/wine-run.sh)
RUNNER=${1:?runner}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir "$WORK/prefix" "$WORK/prefix/drive_c"
: >"$WORK/prefix/.zv-test-prefix"
export ZV_WINEPREFIX="$WORK/prefix"

cat >"$WORK/loader" <<'EOF'
#!/bin/sh
echo $$ >"$LOADER_PID"
case $1 in
crash-exit-0)
    echo "wine: Unhandled page fault on read access to 0000000000000000 at address 0000000140001000 (thread 0024), starting debugger..." >&2
    echo "Backtrace:"
    exit 0 ;;
exit) echo "some text on standard error" >&2; exit "$2" ;;
echo-input) cat ;;
leave-helper) sleep 30 & echo $! >"$LOADER_PID.helper"; printf 'no line end' >&2; exit 0 ;;
wait) trap 'echo ended >"$LOADER_PID.ended"; exit 143' TERM; while :; do sleep 0.1; done ;;
esac
EOF
chmod +x "$WORK/loader"
export ZV_WINE="$WORK/loader" LOADER_PID="$WORK/loader.pid"

failures=0
fail() {
    echo "runner_test: FAILED: $*" >&2
    failures=$((failures + 1))
}

status=0
"$RUNNER" crash-exit-0 >"$WORK/out" 2>"$WORK/err" || status=$?
[ "$status" -ne 0 ] || fail "a crash that the loader ended with exit code 0 passed"
grep -q '^wine: Unhandled page fault' "$WORK/err" || fail "the crash line did not reach standard error"
grep -q '^Backtrace:' "$WORK/out" || fail "the backtrace did not reach standard output"

status=0
"$RUNNER" exit 3 2>"$WORK/err" || status=$?
[ "$status" -eq 3 ] || fail "exit code 3 came back as $status"
grep -qx 'some text on standard error' "$WORK/err" || fail "standard error was not passed on"
status=0
"$RUNNER" exit 0 2>/dev/null || status=$?
[ "$status" -eq 0 ] || fail "exit code 0 came back as $status"

[ "$(printf 'line one\nline two\n' | "$RUNNER" echo-input)" = "$(printf 'line one\nline two')" ] ||
    fail "standard input did not reach the program"

# A process the program leaves behind (as Wine's services are) keeps its
# standard error open: the runner still ends with the program.
start=$(date +%s)
status=0
"$RUNNER" leave-helper 2>"$WORK/err" || status=$?
took=$(($(date +%s) - start))
kill "$(cat "$LOADER_PID.helper")" 2>/dev/null
[ "$took" -lt 10 ] || fail "the runner waited ${took} s for a process the program left behind"
[ "$status" -eq 0 ] || fail "the program beside a helper gave $status"
[ "$(cat "$WORK/err")" = "no line end" ] || fail "a last line without its end was not passed on"

rm -f "$LOADER_PID"
"$RUNNER" wait &
runner=$!
tries=0
while [ ! -s "$LOADER_PID" ] && [ $tries -lt 100 ]; do sleep 0.1; tries=$((tries + 1)); done
kill -TERM "$runner"
wait "$runner"
status=$?
tries=0
while [ ! -f "$LOADER_PID.ended" ] && [ $tries -lt 50 ]; do sleep 0.1; tries=$((tries + 1)); done
[ -f "$LOADER_PID.ended" ] || fail "a TERM to the runner did not reach the program"
[ "$status" -eq 143 ] || fail "the program ended by TERM gave $status, not 143"
rm -f "$LOADER_PID"
ZV_WINE_EXEC=1 "$RUNNER" exit 0 2>/dev/null &
runner=$!
wait "$runner"
[ "$(cat "$LOADER_PID")" = "$runner" ] || fail "with ZV_WINE_EXEC the program is not the runner's process"

[ "$failures" -eq 0 ] || exit 1
echo "runner_test: crash, exit codes, input, error, a helper left behind, TERM and exec all as expected"

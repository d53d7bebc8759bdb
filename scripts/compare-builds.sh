#!/bin/sh
# Runs every command-line job with the i686 and the x86-64 build and checks
# that they write the same files, byte for byte: the demo rebuild with each
# link form (translated pages with their envelopes, the download list), the
# address list, the keyword search, the picture list, the cache list and a
# download from the loopback server. Each job is one case of the summary
# (BUILD/results-compare.xml).
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}
. "$ROOT/scripts/lib.sh"
JOBS="rebuild-relative rebuild-file rebuild-file3 list search pictures cachelist download"

demo() { echo "$BUILD/demo-$1/wineprefix/drive_c/zvdemo"; }

# run_jobs ARCH: the demo rebuild (relative links), then the other jobs in
# the same prefix, each into a folder of its own: DEMO/out/JOB.log, JOB.exit.
run_jobs() {
    arch=$1
    ZV_ARCHS=$arch ZV_SKIP_INSTALL=1 ZV_DEMO_DIR="$BUILD/demo-$arch" sh "$ROOT/scripts/run.sh" \
        >"$BUILD/demo-$arch.log" 2>&1 || zv_fail "the demo rebuild with build/$arch" "$BUILD/demo-$arch.log"
    run="$ROOT/cmake/wine-run.sh"
    [ "$arch" = win64 ] && run="$ROOT/cmake/wine64-run.sh"
    C=$(demo "$arch")
    mkdir -p "$C/out" "$C/file" "$C/file3" "$C/dl"
    echo 0 >"$C/out/rebuild-relative.exit"
    cp "$C/rebuild.log" "$C/out/rebuild-relative.log"
    for job in list search pictures; do cp -r "$C/rebuild" "$C/$job"; done
    printf '[download]\r\nentry=3\r\nurl0=http://127.0.0.1:%s/site/index.html\r\nurl1=http://127.0.0.1:%s/pic/a.gif\r\nurl2=http://127.0.0.1:%s/missing.htm\r\n' \
        PORT PORT PORT >"$C/dl/download.lst.in"
    (
        export ZV_WINEPREFIX="$BUILD/demo-$arch/wineprefix" WINEPREFIX="$BUILD/demo-$arch/wineprefix"
        unset DISPLAY
        WINEDEBUG=-all wineserver -p 2>/dev/null || true
        cd "$BUILD/$arch/bin"
        job() {
            name=$1
            shift
            status=0
            "$run" ./zvtorsel.exe "$@" "/log:C:\\zvdemo\\out\\$name.log" </dev/null >/dev/null 2>&1 || status=$?
            echo $status >"$C/out/$name.exit"
        }
        job rebuild-file /rebuild /links:file '/folder:C:\zvdemo\file\'
        job rebuild-file3 /rebuild /links:file3 '/folder:C:\zvdemo\file3\'
        job list /list '/folder:C:\zvdemo\list\'
        job search '/search:ソフト' '/folder:C:\zvdemo\search\' '/in:C:\zvdemo\search\'
        job pictures /pictures '/folder:C:\zvdemo\pictures\' '/in:C:\zvdemo\pictures\'
        job cachelist /cachelist
        # Wine names the cache's files at random: their paths are masked.
        LC_ALL=C sed 's/\t[^\t]*\\INetCache\\[^\t]*\t/\t(cache file)\t/' "$C/out/cachelist.log" >"$C/out/cachelist.masked" &&
            mv "$C/out/cachelist.masked" "$C/out/cachelist.log"
        # The loopback server's port differs between runs: the list and the
        # log are compared with it written as PORT.
        sh "$ROOT/APPS/zvtorsel/engine/download/tests/run_with_server.sh" sh -c '
            sed "s/PORT/$ZV_HTTP_PORT/g" "$1/dl/download.lst.in" >"$1/dl/download.lst"
            status=0
            "$2" ./zvtorsel.exe /download /threads:1 "/folder:C:\\zvdemo\\dl\\" "/log:C:\\zvdemo\\out\\download.log" \
                </dev/null >/dev/null 2>&1 || status=$?
            echo $status >"$1/out/download.exit"
            for f in "$1/dl/download.lst" "$1/out/download.log"; do
                [ -f "$f" ] && LC_ALL=C sed "s/127\.0\.0\.1:$ZV_HTTP_PORT/127.0.0.1:PORT/g" "$f" >"$f.masked" && mv "$f.masked" "$f"
            done
            true' sh "$C" "$run"
        wineserver -k 2>/dev/null || true
    )
}

# outputs JOB: what a job wrote, relative to the demo folder.
outputs() {
    case $1 in
        rebuild-relative) echo "out/rebuild-relative.log out/rebuild-relative.exit rebuild" ;;
        rebuild-file) echo "out/rebuild-file.log out/rebuild-file.exit file" ;;
        rebuild-file3) echo "out/rebuild-file3.log out/rebuild-file3.exit file3" ;;
        download) echo "out/download.log out/download.exit dl" ;;
        cachelist) echo "out/cachelist.log out/cachelist.exit" ;;
        *) echo "out/$1.log out/$1.exit $1" ;;
    esac
}

for arch in win32 win64; do run_jobs $arch; done

results="$BUILD/results-compare.xml"
cases=""
failures=0
for job in $JOBS; do
    fault=""
    for path in $(outputs "$job"); do
        a="$(demo win32)/$path"
        b="$(demo win64)/$path"
        report="$BUILD/compare-$job-$(basename "$path").diff"
        if [ ! -e "$a" ] || [ ! -e "$b" ]; then
            fault="$fault $path is missing;"
        elif [ -f "$a" ]; then
            # A log's lines follow the order of Wine's URL cache, which differs
            # between the 32-bit and the 64-bit prefix: the lines are compared.
            LC_ALL=C sort "$a" >"$report.a"
            LC_ALL=C sort "$b" >"$report.b"
            diff "$report.a" "$report.b" >"$report" 2>&1 || fault="$fault $path differs ($report);"
            rm -f "$report.a" "$report.b"
        elif ! diff -r "$a" "$b" >"$report" 2>&1; then
            fault="$fault $path differs ($report);"
        fi
        [ -s "$report" ] || rm -f "$report"
    done
    # 0 done, 3 done with failed entries (the download's missing page); 1, 2 or a crash are faults.
    case $(cat "$(demo win32)/out/$job.exit" 2>/dev/null) in
        0 | 3) ;;
        *) fault="$fault exit code $(cat "$(demo win32)/out/$job.exit" 2>/dev/null);" ;;
    esac
    if [ -n "$fault" ]; then
        failures=$((failures + 1))
        echo "zv: compare $job: FAILED:$fault"
        cases="$cases<testcase name=\"$job\" status=\"fail\"><failure message=\"$fault\"/></testcase>"
    else
        echo "zv: compare $job: the i686 and x86-64 builds wrote the same files (exit code $(cat "$(demo win32)/out/$job.exit"))"
        cases="$cases<testcase name=\"$job\" status=\"run\"/>"
    fi
done
printf '<?xml version="1.0"?>\n<testsuite name="compare-builds" tests="%s" failures="%s">%s</testsuite>\n' \
    "$(echo $JOBS | wc -w)" "$failures" "$cases" >"$results"
[ "$failures" -eq 0 ] || zv_fail "the i686 and x86-64 builds wrote different files in $failures job(s)" "$BUILD/compare-*.diff"
echo "zv: the i686 and x86-64 builds wrote identical files in all $(echo $JOBS | wc -w) jobs"

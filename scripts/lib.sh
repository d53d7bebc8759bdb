# Shared by the scripts (sourced): the machine probe, the build list and a
# step runner that never fails silently. Expects ROOT and BUILD to be set.

# Prints what failed and where to look, then ends the script.
zv_fail() {
    echo "zv: FAILED: $1" >&2
    [ -n "$2" ] && echo "zv: look further: $2" >&2
    exit 1
}

# zv_step "what" command...: runs the command, ends the script when it fails.
zv_step() {
    what=$1
    shift
    "$@" || zv_fail "$what (exit code $?)" "run it again by hand: $*"
}

# True when this machine runs i386 programs. Some x86-64 kernels run 64-bit
# user code only; there every i386 program (wine32, -m32 binaries) fails with
# "Exec format error". The probe is a 96-byte static i386 ELF program
# (mov eax,1; mov ebx,42; int 0x80), so it needs no compiler or i386 library.
zv_runs_i386() {
    probe="$BUILD/probe/i386-exit42"
    mkdir -p "$BUILD/probe"
    printf '\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\273\052\000\000\000\315\200' >"$probe"
    chmod +x "$probe"
    status=0
    "$probe" 2>/dev/null || status=$?
    [ "$status" -eq 42 ]
}

# Decides ZV_ARCHS (the Windows suites to run: win32, win64 or both) and
# ZV_HOST_M32 (the host build as -m32 or native 64-bit), and says why on one
# line. ZV_ARCHS set by the caller overrides the probe.
zv_choose_archs() {
    if zv_runs_i386; then
        ZV_I386=1
        why="this machine runs i386 programs"
    else
        ZV_I386=0
        why="this machine runs 64-bit user code only (i386 programs fail with 'Exec format error')"
    fi
    if [ -n "$ZV_ARCHS" ]; then
        case "$ZV_ARCHS" in
            win32 | win64 | "win32 win64" | "win64 win32" | both) ;;
            *) zv_fail "ZV_ARCHS='$ZV_ARCHS': use win32, win64 or both" ;;
        esac
        [ "$ZV_ARCHS" = both ] && ZV_ARCHS="win32 win64"
        why="ZV_ARCHS=$ZV_ARCHS set by hand; $why"
        if [ "$ZV_I386" = 0 ] && zv_has_arch win32; then
            zv_fail "ZV_ARCHS asks for the 32-bit suite, but $why" "run with ZV_ARCHS=win64"
        fi
    elif [ "$ZV_I386" = 1 ]; then
        ZV_ARCHS="win32 win64"
    else
        ZV_ARCHS=win64
    fi
    # The host build follows the Windows suites: 32-bit beside the 32-bit product.
    if zv_has_arch win32; then ZV_HOST_M32=ON; else ZV_HOST_M32=OFF; fi
    export ZV_ARCHS ZV_HOST_M32
    ZV_WHY=$why
}

zv_has_arch() {
    case " $ZV_ARCHS " in *" $1 "*) return 0 ;; esac
    return 1
}

# The Wine loader of a Windows build.
zv_wine_loader() {
    if [ "$1" = win64 ]; then echo /usr/lib/wine/wine64; else echo wine; fi
}

zv_toolchain() {
    if [ "$1" = win64 ]; then echo "$ROOT/cmake/mingw-x86_64.cmake"; else echo "$ROOT/cmake/mingw-i686.cmake"; fi
}

# zv_configure_windows ARCH: configures build/ARCH.
zv_configure_windows() {
    zv_step "configuring build/$1" cmake -S "$ROOT" -B "$BUILD/$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$(zv_toolchain "$1")" ${ZV_TEST_DISPLAY:+-DZV_TEST_DISPLAY=$ZV_TEST_DISPLAY}
}

# zv_start_wine ARCH [DISPLAY]: one persistent wineserver for the build's
# prefix, booted when new, its desktop on DISPLAY (the GUI tests' display).
# Sets WINEPREFIX and ZV_WINEPREFIX.
zv_start_wine() {
    ZV_WINEPREFIX="$BUILD/$1/wineprefix"
    WINEPREFIX="$ZV_WINEPREFIX"
    export ZV_WINEPREFIX WINEPREFIX
    mkdir -p "$WINEPREFIX"
    wineserver -p >/dev/null 2>&1 || true
    # wineboot starts the prefix's services and its desktop process here:
    # started by the first test instead, they would keep its output pipe open
    # for the server's lifetime (ctest waits on it), and a desktop started by
    # a test without a display leaves every later window without a driver.
    init=
    [ -d "$WINEPREFIX/drive_c" ] || init=-i
    DISPLAY=${2:-} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" "$(zv_wine_loader "$1")" wineboot $init \
        </dev/null >"$BUILD/$1/wineboot.log" 2>&1 ||
        zv_fail "starting Wine ($(zv_wine_loader "$1") wineboot $init) for build/$1" "$BUILD/$1/wineboot.log"
    # A crash ends its program at once instead of waiting on Wine's dialog;
    # no shortcut starts winemenubuilder (host desktop entries, shell folders).
    { WINEDEBUG=-all "$(zv_wine_loader "$1")" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f &&
        WINEDEBUG=-all "$(zv_wine_loader "$1")" reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /t REG_SZ /d '' /f; } \
        </dev/null >>"$BUILD/$1/wineboot.log" 2>&1 ||
        zv_fail "setting the test settings of build/$1's prefix" "$BUILD/$1/wineboot.log"
    : >"$WINEPREFIX/.zv-test-prefix"
    # Wine ends the desktop process when no program uses it, and a test
    # without a display would then start it again without one, leaving every
    # later window of the prefix without a driver: a program of ours holds
    # the desktop until the wineserver ends.
    keeper="$BUILD/$1/bin/zv_desktop_keeper.exe"
    if [ -f "$keeper" ]; then
        (cd "$BUILD/$1/bin" && DISPLAY=${2:-} WINEDEBUG=-all "$(zv_wine_loader "$1")" ./zv_desktop_keeper.exe \
            </dev/null >/dev/null 2>&1 &)
    fi
}

zv_stop_wine() {
    [ -n "$1" ] && WINEPREFIX="$BUILD/$1/wineprefix" wineserver -k 2>/dev/null || true
}

# zv_ctest SUITE [ctest options]: runs build/SUITE's tests and keeps their
# results for zv_summary.
zv_ctest() {
    suite=$1
    shift
    rm -f "$BUILD/results-$suite.xml"
    ctest --test-dir "$BUILD/$suite" --output-on-failure --output-junit "$BUILD/results-$suite.xml" "$@"
}

# zv_summary SUITE...: one line counted over the suites that ran,
# "N passed, M failed" with ", K skipped" where some were skipped.
zv_summary() {
    python3 - "$BUILD" "$@" <<'PY'
import os, sys, xml.etree.ElementTree as ET
passed = failed = skipped = 0
for suite in sys.argv[2:]:
    path = os.path.join(sys.argv[1], "results-%s.xml" % suite)
    if not os.path.exists(path):
        continue
    for case in ET.parse(path).getroot().iter("testcase"):
        status = case.get("status", "")
        if status == "run":
            passed += 1
        elif status in ("notrun", "disabled") or case.find("skipped") is not None:
            skipped += 1
        else:
            failed += 1
line = "%d passed, %d failed" % (passed, failed)
print(line + (", %d skipped" % skipped if skipped else ""))
PY
}

# Compiler cache: repeated builds (CI on the same machine, several build
# folders) compile each unchanged file once.
if command -v ccache >/dev/null 2>&1; then
    # Paths below the checkout's parent hash as relative ones, so checkouts
    # side by side share the cache.
    : "${CMAKE_C_COMPILER_LAUNCHER:=ccache}" "${CMAKE_CXX_COMPILER_LAUNCHER:=ccache}"
    : "${CCACHE_BASEDIR:=$(dirname "$ROOT")}"
    export CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER CCACHE_BASEDIR
fi

#!/bin/sh
# Installs what is missing, builds every build and runs every test suite the
# machine can run: the host suite, the 32-bit Windows suite (where i386
# programs run) and the 64-bit Windows suite. ZV_ARCHS (win32, win64 or both)
# overrides the probe.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}
. "$ROOT/scripts/lib.sh"
if [ "$(id -u)" = 0 ] && [ -z "$ZV_SKIP_INSTALL" ]; then
    zv_step "installing the packages" "$ROOT/scripts/install-deps.sh"
fi
zv_choose_archs
if zv_has_arch win32; then
    echo "zv: $ZV_WHY: running the host (-m32), 32-bit Windows and $(zv_has_arch win64 && echo '64-bit Windows' || echo 'no 64-bit Windows') suites"
else
    echo "zv: $ZV_WHY: the i686 product is built, its Wine suite is SKIPPED; running the host (64-bit) and 64-bit Windows suites"
fi
"$ROOT/scripts/build.sh"

export WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
unset DISPLAY
# GUI tests (windows, dialogs, DIB surfaces) draw on a private Xvfb display;
# ZV_TEST_DISPLAY gives each checkout on one machine a display of its own.
DISPLAY_NAME=${ZV_TEST_DISPLAY:-:87}
DISPLAY_NUMBER=${DISPLAY_NAME#:}
XVFB_PID=
if ! xdpyinfo -display "$DISPLAY_NAME" >/dev/null 2>&1; then
    rm -f "/tmp/.X$DISPLAY_NUMBER-lock" "/tmp/.X11-unix/X$DISPLAY_NUMBER"
    Xvfb "$DISPLAY_NAME" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    # A loaded machine can take many seconds to bring the server up.
    tries=0
    while [ $tries -lt 120 ] && ! xdpyinfo -display "$DISPLAY_NAME" >/dev/null 2>&1; do
        kill -0 $XVFB_PID 2>/dev/null || break
        sleep 0.5
        tries=$((tries + 1))
    done
    xdpyinfo -display "$DISPLAY_NAME" >/dev/null 2>&1 || zv_fail "starting Xvfb $DISPLAY_NAME" "Xvfb $DISPLAY_NAME -screen 0 1280x1024x24"
fi
trap 'for a in win32 win64; do zv_stop_wine $a; done; [ -n "$XVFB_PID" ] && kill $XVFB_PID 2>/dev/null || true' EXIT

JOBS=${ZV_JOBS:-$(nproc)}
failed=
suites=host
zv_ctest host -j "$JOBS" || failed="$failed host"
for arch in win32 win64; do
    zv_has_arch $arch || continue
    zv_start_wine $arch "$DISPLAY_NAME"
    suites="$suites $arch"
    zv_ctest $arch -j "$JOBS" || failed="$failed $arch"
    zv_stop_wine $arch
    # Screenshots of the window tests, as PNG for viewing.
    for shot in "$BUILD/$arch"/screenshots/*.bmp; do
        [ -f "$shot" ] && convert "$shot" "${shot%.bmp}.png" 2>/dev/null || true
    done
done
if zv_has_arch win32 && zv_has_arch win64; then
    suites="$suites compare"
    sh "$ROOT/scripts/compare-builds.sh" || failed="$failed compare-builds"
fi
# The i686 product is checked on every machine: its import check reads the
# built files and needs no i386 program.
if ! zv_has_arch win32; then
    suites="$suites win32-native"
    ctest --test-dir "$BUILD/win32" -L native --output-on-failure --output-junit "$BUILD/results-win32-native.xml" ||
        failed="$failed win32-native"
fi
zv_has_arch win32 || echo "zv: the 32-bit Windows suite was skipped: $ZV_WHY"
if [ -n "$failed" ]; then
    echo "zv: FAILED: test suites:$failed" >&2
    echo "zv: look further: the ctest output above; ctest --test-dir $BUILD/<suite> -R NAME --output-on-failure" >&2
else
    echo "zv: every suite that runs here passed (host $(zv_has_arch win32 && echo '-m32' || echo '64-bit'); Windows: $ZV_ARCHS)"
fi
# The last line: the count over every suite that ran.
zv_summary $suites
[ -z "$failed" ]

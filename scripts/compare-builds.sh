#!/bin/sh
# Runs the demo rebuild with the i686 and the x86-64 build and checks that
# they write the same files, byte for byte (translated pages with their
# envelopes, the download list and every other file of the rebuild folder).
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ZV_BUILD_DIR:-$ROOT/build}
. "$ROOT/scripts/lib.sh"
for arch in win32 win64; do
    ZV_ARCHS=$arch ZV_SKIP_INSTALL=1 ZV_DEMO_DIR="$BUILD/demo-$arch" sh "$ROOT/scripts/run.sh" \
        >"$BUILD/demo-$arch.log" 2>&1 || zv_fail "the demo rebuild with build/$arch" "$BUILD/demo-$arch.log"
done
rebuilt() { echo "$BUILD/demo-$1/wineprefix/drive_c/zvdemo/rebuild"; }
diff -r "$(rebuilt win32)" "$(rebuilt win64)" ||
    zv_fail "the i686 and x86-64 builds wrote different rebuild folders" "diff -r $(rebuilt win32) $(rebuilt win64)"
echo "zv: the i686 and x86-64 builds wrote identical rebuild folders ($(find "$(rebuilt win32)" -type f | wc -l) files)"

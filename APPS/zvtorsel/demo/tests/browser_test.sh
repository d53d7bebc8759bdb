#!/bin/sh
# The rebuilt demo in a real browser: the demo is rebuilt with relative links
# (rebuild_demo.sh), the rebuild folder is copied to another place, and
# Debian's Chromium, headless, opens the copy's entry page: every picture must
# have loaded, and every link must open a page of the site whose pictures
# load too. Exit code 77 (skipped) where Chromium is not installed.
# Usage: browser_test.sh BIN RUN WORK
set -e
BIN=$1
RUN=$2
WORK=$3
HERE=$(cd "$(dirname "$0")" && pwd)
BROWSER=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$BROWSER" ]; then
    echo "SKIPPED: chromium is not installed (scripts/install-deps.sh installs it)"
    exit 77
fi

status=0
sh "$HERE/../rebuild_demo.sh" "$BIN" "$RUN" "$WORK/demo" || status=$?
if [ $status -ne 0 ]; then
    echo "FAILED: the demo rebuild ended with exit code $status"
    cat "$WORK/demo/wineprefix/drive_c/zvdemo/rebuild.log" 2>/dev/null | iconv -f CP932 -t UTF-8 || true
    exit 1
fi
# Another place, with a blank in its path: relative links must not care.
MOVED="$WORK/moved copy"
rm -rf "$MOVED"
mkdir -p "$MOVED"
cp -r "$WORK/demo/wineprefix/drive_c/zvdemo/rebuild" "$MOVED/"
ENTRY="$MOVED/rebuild/http\$/demo.zvtorsel.example/index.html"
[ -f "$ENTRY" ] || { echo "FAILED: the rebuilt entry page is missing"; exit 1; }

uri() { python3 -c 'import pathlib, sys; print(pathlib.Path(sys.argv[1]).as_uri())' "$1"; }
sed -e "s|@ENTRY@|$(uri "$ENTRY")|" -e "s|@SITE@|$(uri "$MOVED/rebuild")/|" "$HERE/check_site.html" >"$WORK/check.html"

rm -rf "$WORK/profile"
# The checker page reads the pages it opens in its frame: file pages may read
# each other only with --allow-file-access-from-files.
timeout 120 "$BROWSER" --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$WORK/profile" --allow-file-access-from-files \
    --virtual-time-budget=20000 --dump-dom "$(uri "$WORK/check.html")" >"$WORK/dom.html" 2>"$WORK/browser.log" || true
grep '^CHECK' "$WORK/dom.html" || true
grep -q '^CHECK-END' "$WORK/dom.html" || { echo "FAILED: the checker did not finish (see $WORK/browser.log)"; exit 1; }
if grep -q '^CHECK .*BROKEN' "$WORK/dom.html"; then
    echo "FAILED: broken pictures or links"
    exit 1
fi
pictures=$(grep -c '^CHECK picture ok' "$WORK/dom.html" || true)
links=$(grep -c '^CHECK link ok' "$WORK/dom.html" || true)
# The entry page shows two pictures and links to four pages of the site,
# one of them under Japanese names.
if [ "$pictures" -lt 2 ] || [ "$links" -lt 4 ]; then
    echo "FAILED: $pictures pictures and $links links checked; expected at least 2 and 4"
    exit 1
fi
# A page whose look comes from a style sheet (a red background picture) and
# a style attribute (a blue one): Chromium's screenshot of the moved copy
# shows both only when the rewritten url() references reach the pictures.
STYLED="$MOVED/rebuild/http\$/demo.zvtorsel.example/style/page.html"
[ -f "$STYLED" ] || { echo "FAILED: the rebuilt styled page is missing"; exit 1; }
rm -rf "$WORK/profile"
timeout 120 "$BROWSER" --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$WORK/profile" --hide-scrollbars \
    --window-size=300,300 --screenshot="$WORK/styled.png" "$(uri "$STYLED")" >>"$WORK/browser.log" 2>&1 || true
[ -f "$WORK/styled.png" ] || { echo "FAILED: no screenshot of the styled page (see $WORK/browser.log)"; exit 1; }
pixel() { convert "$WORK/styled.png" -format "%[fx:int(255*p{$1}.r)],%[fx:int(255*p{$1}.g)],%[fx:int(255*p{$1}.b)]" info:; }
inside=$(pixel 50,50)
outside=$(pixel 250,250)
if [ "$inside" != "0,0,255" ] || [ "$outside" != "255,0,0" ]; then
    echo "FAILED: the style sheet's pictures did not load: $inside in the styled box, $outside beside it"
    exit 1
fi
echo "PASSED: $pictures pictures loaded, $links links open pages of the site, style sheet pictures shown"

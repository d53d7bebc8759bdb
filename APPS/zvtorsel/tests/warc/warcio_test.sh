#!/bin/sh
# The archives of /warc: read by webrecorder's warcio: the real Chromium and
# Firefox fixtures and the index.dat folder of the engine test (kept by it
# through ZV_WARC_KEEP). `warcio index` and `warcio cdx-index` must list
# every record and every response; check_warc.mjs checks digests and bodies.
#   sh warcio_test.sh RUNNER NPM_FOLDER     (in the build's bin folder)
set -e
RUN=${1:?runner}
NPM=${2:?npm folder}
HERE=$(cd "$(dirname "$0")" && pwd)
DATA=$HERE/../../engine/cache/tests/data
WORK=$(pwd)/warciotest
WARCIO=$NPM/node_modules/.bin/warcio
fail() {
    echo "warcio_test: FAILED: $*" >&2
    exit 1
}
win() { echo "Z:$1" | tr / '\\'; }
[ -x "$WARCIO" ] || fail "warcio is not installed in $NPM (scripts/install-warcio.sh $NPM)"
# Beside its node_modules, so that the script finds warcio.
cp "$HERE/check_warc.mjs" "$NPM/check_warc.mjs"
rm -rf "$WORK"
mkdir -p "$WORK"
trap 'rm -rf "$WORK"' EXIT
"$RUN" ./zvtorsel.exe "/warc:$(win "$WORK/chromium.warc.gz")" "/cache:$(win "$DATA/chromium-simple")" \
    >/dev/null 2>&1 </dev/null || fail "/warc: on the Chromium fixture"
"$RUN" ./zvtorsel.exe "/warc:$(win "$WORK/firefox.warc")" "/cache:$(win "$DATA/firefox-cache2")" \
    >/dev/null 2>&1 </dev/null || fail "/warc: on the Firefox fixture"
ZV_WARC_KEEP=$(win "$WORK") WINEDEBUG=-all "$RUN" ./zvtorsel_engine_test.exe \
    --gtest_filter='WarcFile.IndexDat*' >"$WORK/gtest.txt" 2>&1 </dev/null || fail "the index.dat archive test"
[ -f "$WORK/index.warc.gz" ] || fail "the index.dat archive was not kept"
for archive in chromium.warc.gz firefox.warc index.warc.gz; do
    f=$WORK/$archive
    records=$(node "$NPM/check_warc.mjs" "$DATA/site" "$DATA/expected.tsv" "$f" | awk '{ print $2 }')
    [ -n "$records" ] || fail "$archive: check_warc.mjs"
    indexed=$("$WARCIO" index "$f" | grep -c '"warc-type"')
    [ "$indexed" = "$records" ] || fail "$archive: warcio index lists $indexed of $records records"
    responses=$("$WARCIO" index "$f" | grep -c '"warc-type":"response"')
    cdx=$("$WARCIO" cdx-index "$f" | grep -c '"status":')
    [ "$cdx" -ge "$responses" ] || fail "$archive: warcio cdx-index lists $cdx of $responses responses"
    echo "warcio_test: $archive: $records records, $responses responses indexed"
done

#!/bin/sh
# The archive of /warc: replayed in ReplayWeb.page under headless chromium:
# the real Chromium fixture's Shift_JIS page must show its text (with the
# 0x5C trail bytes of ソ, 表, 能 and 構) and its GIF picture. Skipped, and said
# so, where chromium cannot run.
#   sh replay_test.sh RUNNER NPM_FOLDER SCREENSHOT_FOLDER   (in the build's bin folder)
set -e
RUN=${1:?runner}
NPM=${2:?npm folder}
SHOTS=${3:?screenshot folder}
HERE=$(cd "$(dirname "$0")" && pwd)
DATA=$HERE/../../engine/cache/tests/data
WORK=$(pwd)/replaytest
fail() {
    echo "replay_test: FAILED: $*" >&2
    exit 1
}
win() { echo "Z:$1" | tr / '\\'; }
[ -f "$NPM/replay/sw.js" ] && [ -d "$NPM/node_modules/puppeteer-core" ] ||
    fail "ReplayWeb.page is not installed in $NPM (scripts/install-replaywebpage.sh $NPM)"
if ! command -v "${ZV_CHROMIUM:-chromium}" >/dev/null 2>&1; then
    echo "replay_test: SKIPPED: chromium is not installed"
    exit 77
fi
# Beside its node_modules, so that the script finds puppeteer-core.
cp "$HERE/replay_check.mjs" "$NPM/replay_check.mjs"
rm -rf "$WORK"
mkdir -p "$WORK" "$SHOTS"
trap 'rm -rf "$WORK"' EXIT
"$RUN" ./zvtorsel.exe "/warc:$(win "$WORK/chromium.warc.gz")" "/cache:$(win "$DATA/chromium-simple")" \
    >/dev/null 2>&1 </dev/null || fail "/warc: on the Chromium fixture"
status=0
node "$NPM/replay_check.mjs" "$NPM/replay" "$WORK/chromium.warc.gz" "http://127.0.0.1:8431/index.html" \
    "ソ・表・能・構のページ" "logo.gif" "$SHOTS/replay_japanese_page.png" || status=$?
exit $status

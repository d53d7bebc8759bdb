#!/bin/sh
# Installs what the replay test needs into DIR: ReplayWeb.page's service
# worker and page script (sw.js, ui.js) from the package's own tarball,
# pinned, and puppeteer-core, which drives Debian's chromium. Node and npm
# are Debian's. The package's other dependencies serve its desktop build
# only, so the tarball is unpacked instead of installed.
# Usage: install-replaywebpage.sh DIR
set -e
dir=$1
[ -n "$dir" ] || { echo "usage: install-replaywebpage.sh DIR" >&2; exit 2; }
[ -f "$dir/replay/sw.js" ] && [ -f "$dir/replay/ui.js" ] && [ -d "$dir/node_modules/puppeteer-core" ] && exit 0
mkdir -p "$dir/replay"
npm install --fetch-retries=5 --fetch-retry-mintimeout=5000 --prefix "$dir" --no-audit --no-fund --loglevel=error puppeteer-core@24.8.2 >&2
cd "$dir"
tarball=$(npm pack --fetch-retries=5 --fetch-retry-mintimeout=5000 --loglevel=error replaywebpage@2.5.3 | tail -n 1)
tar xzf "$tarball" -C replay --strip-components=1 package/sw.js package/ui.js
rm -f "$tarball"

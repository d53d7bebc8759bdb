#!/bin/sh
# Installs webrecorder's warcio (the JavaScript package, pinned) into DIR for
# the archive tests' independent reader; Node and npm are Debian's.
# Usage: install-warcio.sh DIR
set -e
dir=$1
[ -n "$dir" ] || { echo "usage: install-warcio.sh DIR" >&2; exit 2; }
[ -x "$dir/node_modules/.bin/warcio" ] && exit 0
mkdir -p "$dir"
npm install --fetch-retries=5 --fetch-retry-mintimeout=5000 --prefix "$dir" --no-audit --no-fund --loglevel=error warcio@2.4.11 >&2

#!/bin/sh
# Runs a 64-bit Windows program under wine64 (not on PATH in Debian 12).
ZV_WINE=/usr/lib/wine/wine64 exec "$(dirname "$0")/wine-run.sh" "$@"

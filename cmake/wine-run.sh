#!/bin/sh
# Runs a Windows program under Wine in the build tree's private prefix.
# ZV_WINEPREFIX is set by the test script; the default keeps ad-hoc runs apart too.
: "${ZV_WINEPREFIX:=$(pwd)/wineprefix}"
export WINEPREFIX="$ZV_WINEPREFIX"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8
export TZ=UTC
# drive_c, not system.reg: a persistent wineserver writes the registry only when it ends.
if [ ! -d "$WINEPREFIX/drive_c" ]; then
    wineboot -i >/dev/null 2>&1
fi
exec wine "$@"

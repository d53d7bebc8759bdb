#!/bin/sh
# Runs a Windows program under Wine in the build tree's private prefix.
# ZV_WINEPREFIX is set by the test script; the default keeps ad-hoc runs apart too.
# ZV_WINE is the loader: wine (i686 programs) or /usr/lib/wine/wine64.
: "${ZV_WINEPREFIX:=$(pwd)/wineprefix}"
: "${ZV_WINE:=wine}"
export WINEPREFIX="$ZV_WINEPREFIX"
export WINEDEBUG=-all
# No Mono or Gecko install dialogs; no host menu or desktop entries for shortcuts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=ja_JP.UTF-8
export TZ=UTC
# drive_c, not system.reg: a persistent wineserver writes the registry only when it ends.
if [ ! -d "$WINEPREFIX/drive_c" ]; then
    "$ZV_WINE" wineboot -i >/dev/null 2>&1 || {
        echo "wine-run.sh: '$ZV_WINE wineboot -i' failed for $WINEPREFIX" >&2
        exit 125
    }
fi
# Wine's crash dialog would wait for a click: off in every prefix, so a
# crashing program ends at once and its backtrace goes to standard error.
# winemenubuilder, which a saved shortcut starts, is off too: it writes
# host desktop entries and rewrites the prefix's shell folders.
if [ ! -f "$WINEPREFIX/.zv-test-prefix" ]; then
    { "$ZV_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f &&
        "$ZV_WINE" reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /t REG_SZ /d '' /f; } \
        >/dev/null 2>&1 || {
        echo "wine-run.sh: could not set the test settings of $WINEPREFIX" >&2
        exit 125
    }
    : >"$WINEPREFIX/.zv-test-prefix"
fi
exec "$ZV_WINE" "$@"

#!/bin/sh
# Runs a test program under Wine on an 8-bit X display, where the library
# finds a palette device. A prefix of its own keeps its wineserver (and the
# display driver it loaded) apart from the runs without a display.
#   palette_display.sh EMULATOR PROGRAM [ARGS...]
set -e
EMULATOR=$1
shift
: "${ZV_WINEPREFIX:=$(pwd)/wineprefix}"
export ZV_WINEPREFIX="$ZV_WINEPREFIX-8bit"
N=$((200 + $$ % 500))
while [ -e /tmp/.X11-unix/X$N ]; do N=$((N + 1)); done
Xvfb :$N -screen 0 640x480x8 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
trap 'kill $XVFB 2>/dev/null' EXIT
i=0
while [ ! -e /tmp/.X11-unix/X$N ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
DISPLAY=:$N "$EMULATOR" "$@"

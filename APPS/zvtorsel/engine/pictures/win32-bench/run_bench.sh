#!/bin/sh
# The picture list with thumbnails of 2,000 JPEG and GIF pictures against
# decoding the same files with libjpeg at 1/8 scale and giflib, in one run.
# Usage: run_bench.sh BUILD-DIR (the Windows build, picturescan_bench built)
set -e
export ZV_WINEPREFIX="${ZV_WINEPREFIX:-$(cd "$1" && pwd)/wineprefix}"
export WINEPREFIX="$ZV_WINEPREFIX"
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/pics/a" "$work/pics/b" "$work/out"
# 40 distinct pictures (web-sized photos and drawings), each copied 25 times.
for i in $(seq 1 20); do
    convert -size 480x360 plasma:fractal -seed "$i" -quality 85 "$work/j$i.jpg"
    convert -size 240x180 gradient:red-blue -swirl $((i * 15)) -colors 64 "$work/g$i.gif"
done
n=0
for copy in $(seq 1 50); do
    for i in $(seq 1 20); do
        n=$((n + 1))
        cp "$work/j$i.jpg" "$work/pics/a/p$n.jpg"
        cp "$work/g$i.gif" "$work/pics/b/p$n.gif"
    done
done
gcc -O2 -m32 -o "$work/peer" "$here/peer_decode.c" -ljpeg -lgif
"$work/peer" "$work"/pics/a/*.jpg "$work"/pics/b/*.gif > "$work/peer.txt"
"$work/peer" "$work"/pics/a/*.jpg "$work"/pics/b/*.gif >> "$work/peer.txt"
"$work/peer" "$work"/pics/a/*.jpg "$work"/pics/b/*.gif >> "$work/peer.txt"
peer=$(sort -k3 -n "$work/peer.txt" | sed -n 2p | cut -d' ' -f3)
ours=$("$build/../../cmake/wine-run.sh" "$build/bin/picturescan_bench.exe" "$(winepath -w "$work/pics")" \
       "$(winepath -w "$work/out")\\" 3 | tr -d '\r')
echo "zvtorsel picture list: $ours"
echo "peer (libjpeg 1/8 + giflib): median $peer s"
echo "$ours" | awk -v peer="$peer" '{ printf "ratio zvtorsel / peer: %.2f\n", $6 / peer }'

#!/bin/sh
# Makes the PNG pictures the decoder is checked with: every colour type and
# bit depth, interlaced and not, with and without transparency.
set -e
out=$1
mkdir -p "$out"
cd "$out"
rm -f ./*.png
base="-size 37x23 gradient:#ff2000-#0030ff"
grey="-size 37x23 gradient:black-white"
alpha="( -size 37x23 gradient:white-black -rotate 90 -resize 37x23! ) -alpha off -compose copy_opacity -composite"
for il in none PNG; do
  for d in 1 2 4 8 16; do
    convert $grey -interlace $il -define png:color-type=0 -define png:bit-depth=$d "grey${d}_$il.png"
  done
  for d in 8 16; do
    convert $base -interlace $il -define png:color-type=2 -define png:bit-depth=$d "rgb${d}_$il.png"
    convert $grey $alpha -interlace $il -define png:color-type=4 -define png:bit-depth=$d "greya${d}_$il.png"
    convert $base $alpha -interlace $il -define png:color-type=6 -define png:bit-depth=$d "rgba${d}_$il.png"
  done
  for n in 2:1 4:2 16:4 200:8; do
    colors=${n%:*}
    d=${n#*:}
    convert $base -colors "$colors" -interlace $il -define png:color-type=3 "pal${d}_$il.png"
  done
  convert $base $alpha -channel A -threshold 50% +channel -colors 60 -interlace $il PNG8:"paltrns_$il.png"
  convert -size 9x7 xc:#336699 -interlace $il "small_$il.png"
  convert -size 1x1 xc:#ff8800 -interlace $il "one_$il.png"
done
convert $base -background "#20c040" -interlace none -define png:color-type=6 $alpha "rgba_bkgd.png"
touch stamp

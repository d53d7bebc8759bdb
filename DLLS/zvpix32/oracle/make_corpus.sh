#!/bin/sh
# Makes the differential corpus in $1 from ImageMagick's built-in pictures
# and any photographs found in the usual places: GIFs written by ImageMagick
# and rewritten by giflib's giftool, JPEGs written by cjpeg and jpegtran.
set -e
OUT=${1:?output folder}
SEEDS=$(cd "$(dirname "$0")" && pwd)/seeds
rm -rf "$OUT"
mkdir -p "$OUT/gif" "$OUT/jpeg" "$OUT/refused" "$OUT/src"
cd "$OUT/src"

convert wizard: wizard.ppm
convert logo: logo.ppm
convert rose: rose.ppm
convert -size 300x200 -seed 7 plasma:fractal plasma.ppm
convert wizard.ppm -crop 17x13+200+300 +repage odd17x13.ppm
convert logo.ppm -crop 131x67+250+200 +repage odd131x67.ppm
n=0
for photo in $(find /usr/share -xdev \( -name "*.jpg" -o -name "*.jpeg" \) -size +20k 2>/dev/null | sort | head -n 3); do
    n=$((n + 1))
    convert "$photo" -resize '640x640>' "photo$n.ppm" 2>/dev/null || rm -f "photo$n.ppm"
done
SOURCES=$(ls *.ppm)

cd "$OUT/jpeg"
for src in $SOURCES; do
    base=${src%.ppm}
    in="$OUT/src/$src"
    for s in 1x1 2x1 2x2; do
        cjpeg -dct int -sample $s -quality 90 "$in" > "${base}_s$s.jpg"
        cjpeg -dct int -sample $s -quality 75 -progressive "$in" > "${base}_s${s}_prog.jpg"
    done
    cjpeg -grayscale -quality 85 "$in" > "${base}_grey.jpg"
    cjpeg -grayscale -progressive "$in" > "${base}_grey_prog.jpg"
    cjpeg -sample 2x2 -restart 1 "$in" > "${base}_rst_row.jpg"
    cjpeg -sample 2x1 -restart 3B "$in" > "${base}_rst_3b.jpg"
    cjpeg -sample 1x1 -quality 50 -optimize "$in" > "${base}_q50_opt.jpg"
    cjpeg -sample 2x2 -quality 98 "$in" > "${base}_q98.jpg"
    jpegtran -progressive -restart 2B "${base}_s2x2.jpg" > "${base}_tran_prog_rst.jpg"
    jpegtran -optimize -restart 1 "${base}_s1x1.jpg" > "${base}_tran_rst.jpg"
    convert "$in" -quality 92 -sampling-factor 2x2 "${base}_magick.jpg"
    cjpeg -arithmetic "$in" > "$OUT/refused/${base}_arithmetic.jpg"
    cjpeg -arithmetic -progressive "$in" > "$OUT/refused/${base}_arithmetic_prog.jpg"
done

# Odd sizes for the scaled decoding: one pixel, one partial MCU, and a
# photograph-sized picture whose MCUs are all cut at the right and bottom.
mkdir -p "$OUT/scaled"
cd "$OUT/scaled"
convert "$OUT/src/rose.ppm" -crop 1x1+30+20 +repage "$OUT/src/one.ppm"
convert "$OUT/src/rose.ppm" -crop 7x9+20+10 +repage "$OUT/src/seven.ppm"
convert "$OUT/src/plasma.ppm" -resize 4001x2999! "$OUT/src/large.ppm"
for base in one seven large; do
    in="$OUT/src/$base.ppm"
    for s in 1x1 2x1 2x2; do
        cjpeg -dct int -sample $s "$in" > "${base}_s$s.jpg"
        cjpeg -dct int -sample $s -progressive "$in" > "${base}_s${s}_prog.jpg"
    done
    cjpeg -grayscale "$in" > "${base}_grey.jpg"
    cjpeg -sample 2x2 -restart 1 "$in" > "${base}_rst_row.jpg"
    jpegtran -progressive -restart 2B "${base}_s2x1.jpg" > "${base}_tran_prog_rst.jpg"
done
# Four kinds of the large one are enough, and keep the test run short.
rm -f large_s1x1.jpg large_s2x2_prog.jpg large_s2x1_prog.jpg large_grey.jpg large_tran_prog_rst.jpg
rm -f "$OUT/src/one.ppm" "$OUT/src/seven.ppm" "$OUT/src/large.ppm"

cd "$OUT/gif"
for src in $SOURCES; do
    base=${src%.ppm}
    in="$OUT/src/$src"
    convert "$in" -colors 256 "${base}_256.gif"
    convert "$in" -colors 256 -interlace GIF "${base}_256_il.gif"
    convert "$in" -colors 16 -dither None "${base}_16.gif"
    convert "$in" -colors 4 "${base}_4.gif"
    convert "$in" -monochrome "${base}_2.gif"
    giftool -i on < "${base}_256.gif" > "${base}_giftool_il.gif"
    giftool -d 25 < "${base}_16.gif" > "${base}_giftool_delay.gif"
done
# Several frames of different sizes and places, with and without local tables.
convert -delay 10 "$OUT/src/rose.ppm" "$OUT/src/odd131x67.ppm" -page +5+9 "$OUT/src/odd17x13.ppm" anim.gif
convert -delay 7 "$OUT/src/rose.ppm" -colors 8 \( "$OUT/src/rose.ppm" -negate -colors 32 \) -interlace GIF anim_il.gif
convert -delay 20 -dispose Background "$OUT/src/wizard.ppm" -transparent white -colors 64 \
        "$OUT/src/rose.ppm" -colors 64 anim_transparent.gif
cp "$SEEDS"/*.gif "$OUT/gif/"
cp "$SEEDS"/*.jpg "$OUT/jpeg/"

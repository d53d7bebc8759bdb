#!/bin/sh
# Builds the brotli and zstd decoders for the Windows builds from Debian's own
# source packages: the deb-src entries are derived from the machine's Debian
# sources (the security suite's left out: its source files are not served),
# kept apart from the system's lists, and the decoder parts compiled with
# mingw-w64 into static libraries.
#   sh scripts/build-codecs.sh ARCH OUT     (ARCH win32 or win64)
# Leaves OUT/include (brotli/decode.h, zstd.h) and OUT/lib (libbrotlidec.a,
# libzstd.a); does nothing when they are there already.
set -e
ARCH=$1
OUT=$2
[ -n "$ARCH" ] && [ -n "$OUT" ] || { echo "usage: build-codecs.sh win32|win64 OUT" >&2; exit 2; }
[ -f "$OUT/lib/libbrotlidec.a" ] && [ -f "$OUT/lib/libzstd.a" ] && exit 0
if [ "$ARCH" = win64 ]; then CC=x86_64-w64-mingw32-gcc-posix; AR=x86_64-w64-mingw32-ar
else CC=i686-w64-mingw32-gcc-posix; AR=i686-w64-mingw32-ar; fi
mkdir -p "$OUT/include" "$OUT/lib"
OUT=$(cd "$OUT" && pwd)
SRC=$(dirname "$OUT")/codec-sources
mkdir -p "$SRC/apt/sources.list.d" "$SRC/apt/lists/partial" "$SRC/apt/archives/partial"
: > "$SRC/apt/sources.list"

if ! ls "$SRC"/brotli_*.dsc >/dev/null 2>&1 || ! ls "$SRC"/libzstd_*.dsc >/dev/null 2>&1; then
    # One deb-src stanza per deb stanza of the system's sources, security suite left out.
    awk 'BEGIN { RS=""; ORS="\n\n" } /Types:[ \t]*deb/ && !/-security/ { sub(/Types:[ \t]*deb/, "Types: deb-src"); print }' \
        /etc/apt/sources.list.d/*.sources > "$SRC/apt/sources.list.d/debian-src.sources"
    [ -s "$SRC/apt/sources.list.d/debian-src.sources" ] || { echo "build-codecs.sh: no Debian sources found in /etc/apt/sources.list.d" >&2; exit 1; }
    APTOPT="-o Dir::Etc::SourceList=$SRC/apt/sources.list -o Dir::Etc::SourceParts=$SRC/apt/sources.list.d
            -o Dir::State::Lists=$SRC/apt/lists -o Dir::Cache::Archives=$SRC/apt/archives
            -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= -o APT::Sandbox::User=root"
    apt-get $APTOPT -q update >"$SRC/apt-update.log" 2>&1 || { echo "build-codecs.sh: apt-get update failed, see $SRC/apt-update.log" >&2; exit 1; }
    (cd "$SRC" && apt-get $APTOPT -q source --download-only brotli libzstd) >"$SRC/apt-source.log" 2>&1 ||
        { echo "build-codecs.sh: apt-get source failed, see $SRC/apt-source.log" >&2; exit 1; }
fi
for dsc in "$SRC"/brotli_*.dsc "$SRC"/libzstd_*.dsc; do
    dir="$SRC/$(basename "$dsc" .dsc)"
    [ -d "$dir" ] || dpkg-source --no-check -x "$dsc" "$dir" >/dev/null
done
BROTLI=$(ls -d "$SRC"/brotli_*/ | grep -v '\.dsc' | head -1)
ZSTD=$(ls -d "$SRC"/libzstd_*/ | grep -v '\.dsc' | head -1)

BUILD="$SRC/obj-$ARCH"
rm -rf "$BUILD"
mkdir -p "$BUILD/brotli" "$BUILD/zstd"
for f in "$BROTLI"c/common/*.c "$BROTLI"c/dec/*.c; do
    $CC -O2 -I"$BROTLI"c/include -c "$f" -o "$BUILD/brotli/$(basename "$f" .c).o"
done
rm -f "$OUT/lib/libbrotlidec.a"
$AR rcs "$OUT/lib/libbrotlidec.a" "$BUILD"/brotli/*.o
mkdir -p "$OUT/include/brotli"
cp "$BROTLI"c/include/brotli/*.h "$OUT/include/brotli/"
for f in "$ZSTD"lib/common/*.c "$ZSTD"lib/decompress/*.c; do
    $CC -O2 -DZSTD_DISABLE_ASM -DZSTD_MULTITHREAD=0 -I"$ZSTD"lib -I"$ZSTD"lib/common -c "$f" \
        -o "$BUILD/zstd/$(basename "$f" .c).o"
done
rm -f "$OUT/lib/libzstd.a"
$AR rcs "$OUT/lib/libzstd.a" "$BUILD"/zstd/*.o
cp "$ZSTD"lib/zstd.h "$ZSTD"lib/zstd_errors.h "$OUT/include/"
echo "build-codecs.sh: brotli and zstd decoders for $ARCH in $OUT"

// Pixel copy, merge, double size, stretch and fill. Each source format has
// its own pixel reader so that the inner loops carry no format test.
#include <string.h>

#include "zvpixel.h"
#include "zvpixstate.h"
#include "zvpixtables.h"

// Index of DefaultPalette whose colour is 0x33 times the level in each
// component, by 36 * blue + 6 * green + red; four triples the palette lacks
// go to pure green and pure blue.
const BYTE g_zvCubeMap[216] = {
    0,   29,  30,  31,  32,  249, 33,  34,  35,  36,  37,  38,  39,  40,  41,  42,  43,  44,  45,  46,  47,  48,
    49,  50,  51,  52,  53,  54,  55,  56,  250, 250, 57,  58,  59,  251, 60,  61,  62,  63,  64,  65,  66,  67,
    68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,  80,  81,  82,  83,  84,  85,  86,  87,  88,  89,
    250, 90,  91,  92,  93,  94,  95,  96,  97,  98,  99,  100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110,
    111, 227, 112, 113, 114, 115, 116, 117, 118, 119, 151, 120, 121, 122, 123, 124, 228, 125, 126, 229, 133, 162,
    135, 131, 132, 137, 166, 134, 140, 130, 136, 143, 138, 139, 174, 141, 142, 177, 129, 144, 145, 146, 147, 148,
    149, 150, 157, 152, 153, 154, 155, 156, 192, 158, 159, 160, 161, 196, 163, 164, 165, 127, 199, 167, 168, 169,
    170, 171, 172, 173, 207, 175, 176, 210, 178, 179, 180, 181, 182, 183, 184, 185, 186, 187, 188, 189, 190, 191,
    224, 193, 194, 195, 252, 252, 197, 198, 128, 253, 252, 200, 201, 202, 203, 204, 205, 206, 230, 208, 209, 231,
    211, 212, 213, 214, 215, 216, 217, 218, 219, 220, 221, 222, 254, 223, 232, 225, 226, 255,
};

const BYTE g_zvDitherMatrix[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {58, 16, 48, 24, 56, 18, 50, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {54, 28, 60, 20, 52, 30, 62, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {57, 19, 51, 27, 59, 17, 49, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {53, 31, 63, 23, 55, 29, 61, 21},
};

const BYTE g_zvThreshold16[16] = {0, 192, 32, 224, 128, 64, 160, 96, 48, 240, 16, 208, 176, 112, 144, 80};

namespace {

constexpr BYTE kEightColors[8] = {0, 249, 250, 251, 252, 253, 254, 255};

template <int kMax>
struct CubeLevels {
    BYTE level[kMax + 1];
    BYTE fraction[kMax + 1];
    constexpr CubeLevels() : level(), fraction() {
        for (int v = 0; v <= kMax; ++v) {
            level[v] = (BYTE)(5 * v / kMax);
            fraction[v] = (BYTE)((5 * v) % kMax * 64 / kMax);
        }
    }
};

struct Expand1 {
    BYTE bytes[256][8];
    constexpr Expand1() : bytes() {
        for (int v = 0; v < 256; ++v)
            for (int bit = 0; bit < 8; ++bit) bytes[v][bit] = (v >> (7 - bit)) & 1 ? 0xFF : 0x00;
    }
};

struct Pairs4 {
    BYTE pair[256][2];
    constexpr Pairs4() : pair() {
        for (int v = 0; v < 256; ++v) {
            pair[v][0] = Nibble(v >> 4);
            pair[v][1] = Nibble(v & 15);
        }
    }
    static constexpr BYTE Nibble(int k) { return (BYTE)(k < 8 ? k : 248 + (k - 8)); }
};

// Cube steps of 8-bit components for each dither matrix value, already
// multiplied by their weight in the cube index: one lookup per component.
struct CubeSteps8 {
    BYTE red[64][256];
    BYTE green[64][256];
    BYTE blue[64][256];
    constexpr CubeSteps8() : red(), green(), blue() {
        const CubeLevels<255> l;
        for (int m = 0; m < 64; ++m)
            for (int v = 0; v < 256; ++v) {
                const int level = l.level[v] + (m < l.fraction[v]);
                red[m][v] = (BYTE)level;
                green[m][v] = (BYTE)(6 * level);
                blue[m][v] = (BYTE)(36 * level);
            }
    }
};

constexpr CubeSteps8 kSteps8;
constexpr CubeLevels<63> kLevels6;
constexpr CubeLevels<31> kLevels5;
constexpr Expand1 kExpand1;
constexpr Pairs4 kPairs4;

inline BYTE CubeIndex(int red, int green, int blue, int m) {
    return g_zvCubeMap[kSteps8.blue[m][blue] + kSteps8.green[m][green] + kSteps8.red[m][red]];
}

inline BYTE Dither16(int red, int green, int blue, int x, int y) {
    const int t = g_zvThreshold16[(y & 3) * 4 + (x & 3)];
    return kEightColors[(t < red) | (t < green) << 1 | (t < blue) << 2];
}

inline DWORD Rgb(const BYTE* p) { return (DWORD)p[0] | (DWORD)p[1] << 8 | (DWORD)p[2] << 16; }

inline int Widen5(int c) { return c << 3 | c >> 2; }
inline int Widen6(int c) { return c << 2 | c >> 4; }

const RGBQUAD* ColorTableOrDefault(const void* table, RGBQUAD* fallback) {
    if (table) return (const RGBQUAD*)table;
    zvDefaultPaletteToRgbQuads(fallback, 256);
    return fallback;
}

// Pixel readers: Raw() is the stored value that merge compares with the
// transparent value, Convert() the 8-bit destination index.
struct Bits1 {
    BYTE map[2];
    DWORD Key(DWORD t) const { return t & 1; }
    DWORD Raw(const BYTE* row, int x) const { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
    BYTE Convert(DWORD raw, int, int) const { return map[raw]; }
};

struct Bits4 {
    const WORD* xlat;
    DWORD Key(DWORD t) const { return t & 0xFF; }
    DWORD Raw(const BYTE* row, int x) const { return x & 1 ? row[x >> 1] & 15 : row[x >> 1] >> 4; }
    BYTE Convert(DWORD raw, int, int) const { return xlat ? (BYTE)xlat[raw] : Pairs4::Nibble((int)raw); }
};

struct Index8 {
    const WORD* xlat;
    DWORD Key(DWORD t) const { return t & 0xFF; }
    DWORD Raw(const BYTE* row, int x) const { return row[x]; }
    BYTE Convert(DWORD raw, int, int) const { return xlat ? (BYTE)xlat[raw] : (BYTE)raw; }
};

struct Index8Dither16 {
    const RGBQUAD* colors;
    DWORD Key(DWORD t) const { return t & 0xFF; }
    DWORD Raw(const BYTE* row, int x) const { return row[x]; }
    BYTE Convert(DWORD raw, int x, int y) const {
        const RGBQUAD& c = colors[raw];
        return Dither16(c.rgbRed, c.rgbGreen, c.rgbBlue, x, y);
    }
};

struct Rgb24Cube {
    DWORD Key(DWORD t) const { return t & 0xFFFFFF; }
    DWORD Raw(const BYTE* row, int x) const { return Rgb(row + 3 * x); }
    BYTE Convert(DWORD raw, int x, int y) const {
        return CubeIndex(raw >> 16, (raw >> 8) & 0xFF, raw & 0xFF, g_zvDitherMatrix[y & 7][x & 7]);
    }
};

struct Rgb24Dither16 {
    DWORD Key(DWORD t) const { return t & 0xFFFFFF; }
    DWORD Raw(const BYTE* row, int x) const { return Rgb(row + 3 * x); }
    BYTE Convert(DWORD raw, int x, int y) const { return Dither16(raw >> 16, (raw >> 8) & 0xFF, raw & 0xFF, x, y); }
};

struct Rgb32Cube : Rgb24Cube {
    DWORD Raw(const BYTE* row, int x) const { return Rgb(row + 4 * x); }
};

struct Rgb32Dither16 : Rgb24Dither16 {
    DWORD Raw(const BYTE* row, int x) const { return Rgb(row + 4 * x); }
};

struct Word16 {
    DWORD Key(DWORD t) const { return t & 0xFFFF; }
    DWORD Raw(const BYTE* row, int x) const { return (DWORD)row[2 * x] | (DWORD)row[2 * x + 1] << 8; }
};

struct Word555Cube : Word16 {
    BYTE Convert(DWORD raw, int x, int y) const {
        const int m = g_zvDitherMatrix[y & 7][x & 7];
        const int r = (raw >> 10) & 31, g = (raw >> 5) & 31, b = raw & 31;
        const int lr = kLevels5.level[r] + (m < kLevels5.fraction[r]);
        const int lg = kLevels5.level[g] + (m < kLevels5.fraction[g]);
        const int lb = kLevels5.level[b] + (m < kLevels5.fraction[b]);
        return g_zvCubeMap[36 * lb + 6 * lg + lr];
    }
};

struct Word565Cube : Word16 {
    BYTE Convert(DWORD raw, int x, int y) const {
        const int m = g_zvDitherMatrix[y & 7][x & 7];
        const int r = (raw >> 11) & 31, g = (raw >> 5) & 63, b = raw & 31;
        const int lr = kLevels5.level[r] + (m < kLevels5.fraction[r]);
        const int lg = kLevels6.level[g] + (m < kLevels6.fraction[g]);
        const int lb = kLevels5.level[b] + (m < kLevels5.fraction[b]);
        return g_zvCubeMap[36 * lb + 6 * lg + lr];
    }
};

struct Word555Dither16 : Word16 {
    BYTE Convert(DWORD raw, int x, int y) const {
        return Dither16(Widen5((raw >> 10) & 31), Widen5((raw >> 5) & 31), Widen5(raw & 31), x, y);
    }
};

struct Word565Dither16 : Word16 {
    BYTE Convert(DWORD raw, int x, int y) const {
        return Dither16(Widen5((raw >> 11) & 31), Widen6((raw >> 5) & 63), Widen5(raw & 31), x, y);
    }
};

struct Job {
    BYTE* dst;
    const BYTE* src;
    int width;
    int height;
    int dstStep;
    int srcStep;
    DWORD transparent;
};

template <int kScale>
inline void Put(BYTE* row, int step, int x, BYTE value) {
    if (kScale == 1) {
        row[x] = value;
    } else {
        row[2 * x] = row[2 * x + 1] = value;
        row[step + 2 * x] = row[step + 2 * x + 1] = value;
    }
}

template <bool kMerge, int kScale, class S>
void Blit(const S& s, const Job& j) {
    const DWORD key = s.Key(j.transparent);
    const BYTE* srow = j.src;
    BYTE* drow = j.dst;
    for (int y = 0; y < j.height; ++y, srow += j.srcStep, drow += (ptrdiff_t)j.dstStep * kScale) {
        for (int x = 0; x < j.width; ++x) {
            const DWORD raw = s.Raw(srow, x);
            if (kMerge && raw == key) continue;
            Put<kScale>(drow, j.dstStep, x, s.Convert(raw, x, y));
        }
    }
}

// A 1-bit copy turns each source byte into eight destination bytes at once.
void CopyBits1(const Bits1& s, const Job& j) {
    BYTE table[256][8];
    const BYTE(*expand)[8] = kExpand1.bytes;
    if (s.map[0] != 0x00 || s.map[1] != 0xFF) {
        for (int v = 0; v < 256; ++v)
            for (int bit = 0; bit < 8; ++bit) table[v][bit] = s.map[(v >> (7 - bit)) & 1];
        expand = table;
    }
    const BYTE* srow = j.src;
    BYTE* drow = j.dst;
    const int whole = j.width / 8, rest = j.width % 8;
    for (int y = 0; y < j.height; ++y, srow += j.srcStep, drow += j.dstStep) {
        for (int i = 0; i < whole; ++i) memcpy(drow + 8 * i, expand[srow[i]], 8);
        if (rest) memcpy(drow + 8 * whole, expand[srow[whole]], (size_t)rest);
    }
}

void CopyBits4(const Job& j) {
    const BYTE* srow = j.src;
    BYTE* drow = j.dst;
    for (int y = 0; y < j.height; ++y, srow += j.srcStep, drow += j.dstStep) {
        int x = 0;
        for (; x + 1 < j.width; x += 2) memcpy(drow + x, kPairs4.pair[srow[x >> 1]], 2);
        if (x < j.width) drow[x] = kPairs4.pair[srow[x >> 1]][0];
    }
}

void CopyRgb24Cube(const Job& j) {
    const BYTE* srow = j.src;
    BYTE* drow = j.dst;
    for (int y = 0; y < j.height; ++y, srow += j.srcStep, drow += j.dstStep) {
        const BYTE* matrix = g_zvDitherMatrix[y & 7];
        const BYTE *red[8], *green[8], *blue[8];
        for (int k = 0; k < 8; ++k) {
            red[k] = kSteps8.red[matrix[k]];
            green[k] = kSteps8.green[matrix[k]];
            blue[k] = kSteps8.blue[matrix[k]];
        }
        const BYTE* p = srow;
        for (int x = 0; x < j.width; ++x, p += 3) {
            const int k = x & 7;
            drow[x] = g_zvCubeMap[blue[k][p[0]] + green[k][p[1]] + red[k][p[2]]];
        }
    }
}

// Run-length data is decoded within `room` bytes; rows come in the order the
// data holds them and pixels of a row that the data skips keep their values.
template <bool kMerge, int kScale, class S>
void BlitRle(const S& s, const Job& j, bool fourBit, size_t room) {
    const DWORD key = s.Key(j.transparent);
    const BYTE* p = j.src;
    size_t left = room;
    BYTE* drow = j.dst;
    int x = 0, y = 0;
    auto emit = [&](DWORD raw) {
        if (x < j.width && !(kMerge && raw == key)) Put<kScale>(drow, j.dstStep, x, s.Convert(raw, x, y));
        ++x;
    };
    while (y < j.height && left >= 2) {
        const BYTE count = p[0], value = p[1];
        p += 2;
        left -= 2;
        if (count) {
            const int n = count < j.width - x ? count : (x < j.width ? j.width - x : 0);
            for (int i = 0; i < n; ++i) emit(fourBit ? (i & 1 ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
            drow += (ptrdiff_t)j.dstStep * kScale;
            continue;
        }
        if (value == 1) break;
        const size_t bytes = fourBit ? (value + 1u) / 2 : value;
        const size_t padded = (bytes + 1) & ~(size_t)1;
        const size_t have = left < bytes ? left : bytes;
        const int pixels = fourBit ? (int)(have * 2 < value ? have * 2 : value) : (int)have;
        for (int i = 0; i < pixels && x < j.width; ++i)
            emit(fourBit ? (i & 1 ? p[i >> 1] & 15 : p[i >> 1] >> 4) : p[i]);
        if (left < padded) break;
        p += padded;
        left -= padded;
    }
}

size_t RleRoom(const BYTE* src) {
    size_t room;
    if (zvFindRleExtent(src, &room)) return room;
    // Data the library did not read itself is trusted up to the end of the
    // address space; the picture's end code or its last row stops the decoder.
    return (size_t)-1 - (size_t)src;
}

bool IndexedFormat(DWORD f) { return f == ZVFMT_8BIT || f == ZVFMT_8BIT_16C; }

// Runs one routine over every 8-bit-destination source format.
template <bool kMerge, int kScale>
void Dispatch(const Job& j, const void* table, DWORD srcFormat) {
    const WORD* xlat = (const WORD*)table;
    RGBQUAD fallback[256];
    switch (srcFormat) {
        case 0:
        case 1: {
            Bits1 s = {{0x00, 0xFF}};
            if (xlat) s.map[0] = (BYTE)xlat[0], s.map[1] = (BYTE)xlat[1];
            if (!kMerge && kScale == 1) return CopyBits1(s, j);
            return Blit<kMerge, kScale>(s, j);
        }
        case 2:
        case 3:
            if (!kMerge && kScale == 1 && !xlat) return CopyBits4(j);
            return Blit<kMerge, kScale>(Bits4{xlat}, j);
        case 4:
            return Blit<kMerge, kScale>(Index8{xlat}, j);
        case 5:
            return Blit<kMerge, kScale>(Index8Dither16{ColorTableOrDefault(table, fallback)}, j);
        case 6:
            if (!kMerge && kScale == 1) return CopyRgb24Cube(j);
            return Blit<kMerge, kScale>(Rgb24Cube{}, j);
        case 7:
            return Blit<kMerge, kScale>(Rgb24Dither16{}, j);
        case 8:
        case 9:
            return BlitRle<kMerge, kScale>(Bits4{xlat}, j, true, RleRoom(j.src));
        case 10:
            return BlitRle<kMerge, kScale>(Index8{xlat}, j, false, RleRoom(j.src));
        case 11:
            return BlitRle<kMerge, kScale>(Index8Dither16{ColorTableOrDefault(table, fallback)}, j, false,
                                           RleRoom(j.src));
        case 12:
            return Blit<kMerge, kScale>(Word555Cube{}, j);
        case 13:
            return Blit<kMerge, kScale>(Word555Dither16{}, j);
        case 14:
            return Blit<kMerge, kScale>(Word565Cube{}, j);
        case 15:
            return Blit<kMerge, kScale>(Word565Dither16{}, j);
        case 16:
            return Blit<kMerge, kScale>(Rgb32Cube{}, j);
        default:
            return Blit<kMerge, kScale>(Rgb32Dither16{}, j);
    }
}

bool CopyTo24(const Job& j, DWORD srcFormat) {
    const BYTE* srow = j.src;
    BYTE* drow = j.dst;
    for (int y = 0; y < j.height; ++y, srow += j.srcStep, drow += j.dstStep) {
        BYTE* d = drow;
        switch (srcFormat) {
            case ZVFMT_24BIT:
                memcpy(d, srow, (size_t)j.width * 3);
                break;
            case ZVFMT_16BIT_555:
                for (int x = 0; x < j.width; ++x, d += 3) {
                    const DWORD w = (DWORD)srow[2 * x] | (DWORD)srow[2 * x + 1] << 8;
                    d[0] = (BYTE)Widen5(w & 31);
                    d[1] = (BYTE)Widen5((w >> 5) & 31);
                    d[2] = (BYTE)Widen5((w >> 10) & 31);
                }
                break;
            case ZVFMT_16BIT_565:
                for (int x = 0; x < j.width; ++x, d += 3) {
                    const DWORD w = (DWORD)srow[2 * x] | (DWORD)srow[2 * x + 1] << 8;
                    d[0] = (BYTE)Widen5(w & 31);
                    d[1] = (BYTE)Widen6((w >> 5) & 63);
                    d[2] = (BYTE)Widen5((w >> 11) & 31);
                }
                break;
            case ZVFMT_32BIT:
                for (int x = 0; x < j.width; ++x, d += 3) memcpy(d, srow + 4 * x, 3);
                break;
            default:
                return false;
        }
    }
    return true;
}

bool Has24BitVariant(DWORD f) {
    return f == ZVFMT_24BIT || f == ZVFMT_16BIT_555 || f == ZVFMT_16BIT_565 || f == ZVFMT_32BIT;
}

BOOL Fail(DWORD code) {
    zvGdiSetErrCode(code);
    return FALSE;
}

template <class S>
void Stretch(const S& s, BYTE* dst, const BYTE* src, int dstWidth, int dstHeight, int srcWidth, int srcHeight,
             int dstStep, int srcStep) {
    const unsigned long long hStep = ((unsigned long long)srcWidth << 32) / (unsigned)dstWidth;
    const unsigned long long vStep = ((unsigned long long)srcHeight << 32) / (unsigned)dstHeight;
    unsigned long long vAcc = 0;
    for (int y = 0; y < dstHeight; ++y, vAcc += vStep, dst += dstStep) {
        const BYTE* srow = src + (ptrdiff_t)(vAcc >> 32) * srcStep;
        unsigned long long hAcc = 0;
        for (int x = 0; x < dstWidth; ++x, hAcc += hStep) dst[x] = s.Convert(s.Raw(srow, (int)(hAcc >> 32)), x, y);
    }
}

// 24-bit sources are the common case of thumbnails: sampled without the
// generic reader so that the loop keeps the row's dither pointer.
void StretchRgb24Cube(BYTE* dst, const BYTE* src, int dstWidth, int dstHeight, int srcWidth, int srcHeight, int dstStep,
                      int srcStep) {
    const unsigned long long hStep = ((unsigned long long)srcWidth << 32) / (unsigned)dstWidth;
    const unsigned long long vStep = ((unsigned long long)srcHeight << 32) / (unsigned)dstHeight;
    unsigned long long vAcc = 0;
    for (int y = 0; y < dstHeight; ++y, vAcc += vStep, dst += dstStep) {
        const BYTE* srow = src + (ptrdiff_t)(vAcc >> 32) * srcStep;
        const BYTE* matrix = g_zvDitherMatrix[y & 7];
        unsigned long long hAcc = 0;
        for (int x = 0; x < dstWidth; ++x, hAcc += hStep) {
            const BYTE* p = srow + 3 * (size_t)(hAcc >> 32);
            dst[x] = CubeIndex(p[2], p[1], p[0], matrix[x & 7]);
        }
    }
}

template <bool kMerge, int kScale>
BOOL CopyOrMerge(BYTE* dst, const BYTE* src, int width, int height, int dstStep, int srcStep, const void* table,
                 DWORD dstFormat, DWORD srcFormat, DWORD transparent) {
    if (!IndexedFormat(dstFormat) || srcFormat >= ZVFMT_COUNT) return Fail(ZVPIX_ERR_UNSUPPORTED_FORMAT);
    if (width <= 0 || height <= 0) return Fail(ZVPIX_ERR_BAD_ARGUMENT);
    const Job j = {dst, src, width, height, dstStep, srcStep, transparent};
    Dispatch<kMerge, kScale>(j, table, srcFormat);
    return TRUE;
}

}  // namespace

ZV_EXPORT(BOOL)
zvCopyDIBits(BYTE* dst, const BYTE* src, int width, int height, int dstStep, int srcStep, const void* table,
             DWORD dstFormat, DWORD srcFormat) {
    if (width <= 0 || height <= 0) return Fail(ZVPIX_ERR_BAD_ARGUMENT);
    if (dstFormat < ZVFMT_8BIT || dstFormat > ZVFMT_24BIT_16C || srcFormat >= ZVFMT_COUNT)
        return Fail(ZVPIX_ERR_UNSUPPORTED_FORMAT);
    const Job j = {dst, src, width, height, dstStep, srcStep, 0};
    if (!IndexedFormat(dstFormat)) {
        if (!Has24BitVariant(srcFormat)) return Fail(ZVPIX_ERR_UNSUPPORTED_FORMAT);
        CopyTo24(j, srcFormat);
        return TRUE;
    }
    Dispatch<false, 1>(j, table, srcFormat);
    return TRUE;
}

ZV_EXPORT(BOOL)
zvMergeDIBits(BYTE* dst, const BYTE* src, int width, int height, int dstStep, int srcStep, const void* table,
              DWORD dstFormat, DWORD srcFormat, DWORD transparent) {
    return CopyOrMerge<true, 1>(dst, src, width, height, dstStep, srcStep, table, dstFormat, srcFormat, transparent);
}

ZV_EXPORT(BOOL)
zvCopy2DIBits(BYTE* dst, const BYTE* src, int width, int height, int dstStep, int srcStep, const void* table,
              DWORD dstFormat, DWORD srcFormat) {
    return CopyOrMerge<false, 2>(dst, src, width, height, dstStep, srcStep, table, dstFormat, srcFormat, 0);
}

ZV_EXPORT(BOOL)
zvMerge2DIBits(BYTE* dst, const BYTE* src, int width, int height, int dstStep, int srcStep, const void* table,
               DWORD dstFormat, DWORD srcFormat, DWORD transparent) {
    return CopyOrMerge<true, 2>(dst, src, width, height, dstStep, srcStep, table, dstFormat, srcFormat, transparent);
}

ZV_EXPORT(BOOL)
zvStretchDIBits(BYTE* dst, const BYTE* src, int dstWidth, int dstHeight, int srcWidth, int srcHeight, int dstStep,
                int srcStep, const void* table, DWORD dstFormat, DWORD srcFormat) {
    if (dstWidth <= 0 || dstHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) return Fail(ZVPIX_ERR_BAD_ARGUMENT);
    if (!IndexedFormat(dstFormat) || srcFormat >= ZVFMT_COUNT) return Fail(ZVPIX_ERR_UNSUPPORTED_FORMAT);
    if (srcFormat >= ZVFMT_RLE4 && srcFormat <= ZVFMT_RLE8_16C) return Fail(ZVPIX_ERR_UNSUPPORTED_FORMAT);
    const WORD* xlat = (const WORD*)table;
    RGBQUAD fallback[256];
    const int dw = dstWidth, dh = dstHeight, sw = srcWidth, sh = srcHeight;
    switch (srcFormat) {
        case 0:
        case 1: {
            Bits1 s = {{0x00, 0xFF}};
            if (xlat) s.map[0] = (BYTE)xlat[0], s.map[1] = (BYTE)xlat[1];
            Stretch(s, dst, src, dw, dh, sw, sh, dstStep, srcStep);
            break;
        }
        case 2:
        case 3:
            Stretch(Bits4{xlat}, dst, src, dw, dh, sw, sh, dstStep, srcStep);
            break;
        case 4:
            Stretch(Index8{xlat}, dst, src, dw, dh, sw, sh, dstStep, srcStep);
            break;
        case 5:
            Stretch(Index8Dither16{ColorTableOrDefault(table, fallback)}, dst, src, dw, dh, sw, sh, dstStep, srcStep);
            break;
        case 6:
            StretchRgb24Cube(dst, src, dw, dh, sw, sh, dstStep, srcStep);
            break;
        case 7:
            Stretch(Rgb24Dither16{}, dst, src, dw, dh, sw, sh, dstStep, srcStep);
            break;
        case 12:
            Stretch(Word555Cube{}, dst, src, dw, dh, sw, sh, dstStep, srcStep);
            break;
        case 13:
            Stretch(Word555Dither16{}, dst, src, dw, dh, sw, sh, dstStep, srcStep);
            break;
        case 14:
            Stretch(Word565Cube{}, dst, src, dw, dh, sw, sh, dstStep, srcStep);
            break;
        case 15:
            Stretch(Word565Dither16{}, dst, src, dw, dh, sw, sh, dstStep, srcStep);
            break;
        case 16:
            Stretch(Rgb32Cube{}, dst, src, dw, dh, sw, sh, dstStep, srcStep);
            break;
        default:
            Stretch(Rgb32Dither16{}, dst, src, dw, dh, sw, sh, dstStep, srcStep);
            break;
    }
    return TRUE;
}

ZV_EXPORT(BOOL) zvFillDIBits(BYTE* dst, int width, int height, int dstStep, DWORD format, DWORD value) {
    if (width <= 0 || height <= 0) return Fail(ZVPIX_ERR_BAD_ARGUMENT);
    if (IndexedFormat(format)) {
        for (int y = 0; y < height; ++y, dst += dstStep) memset(dst, (BYTE)value, (size_t)width);
        return TRUE;
    }
    if (format != ZVFMT_24BIT && format != ZVFMT_24BIT_16C) return Fail(ZVPIX_ERR_UNSUPPORTED_FORMAT);
    const BYTE bgr[3] = {(BYTE)value, (BYTE)(value >> 8), (BYTE)(value >> 16)};
    for (int y = 0; y < height; ++y, dst += dstStep)
        for (int x = 0; x < width; ++x) memcpy(dst + 3 * x, bgr, 3);
    return TRUE;
}

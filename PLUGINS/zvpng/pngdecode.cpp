#include "pngdecode.h"

#include <string.h>
#include <zlib.h>

namespace {

const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

uint32_t Be32(const uint8_t* p) {
    return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3];
}
unsigned Be16(const uint8_t* p) { return ((unsigned)p[0] << 8) | p[1]; }

struct Header {
    uint32_t width, height;
    int depth, colorType, interlace;
};

struct Rgb {
    uint8_t r, g, b;
};

// Samples per pixel of each colour type.
int Channels(int colorType) {
    switch (colorType) {
        case 0:
            return 1;
        case 2:
            return 3;
        case 3:
            return 1;
        case 4:
            return 2;
        case 6:
            return 4;
    }
    return 0;
}

bool ValidDepth(int colorType, int depth) {
    switch (colorType) {
        case 0:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 3:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        case 2:
        case 4:
        case 6:
            return depth == 8 || depth == 16;
    }
    return false;
}

bool ParseHeader(const uint8_t* data, size_t size, Header& h) {
    if (size < 33 || memcmp(data, kSignature, 8) != 0 || Be32(data + 8) != 13 || memcmp(data + 12, "IHDR", 4) != 0)
        return false;
    h.width = Be32(data + 16);
    h.height = Be32(data + 20);
    h.depth = data[24];
    h.colorType = data[25];
    h.interlace = data[28];
    if (h.width == 0 || h.height == 0 || h.width > kPngMaxSide || h.height > kPngMaxSide) return false;
    if ((uint64_t)h.width * h.height > kPngMaxPixels) return false;
    return ValidDepth(h.colorType, h.depth) && data[26] == 0 && data[27] == 0 && h.interlace <= 1;
}

// Bytes of one filtered row of `width` pixels (without the filter byte).
size_t RowBytes(const Header& h, uint32_t width) { return ((size_t)width * Channels(h.colorType) * h.depth + 7) / 8; }

uint8_t Paeth(int a, int b, int c) {
    int p = a + b - c, pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc) return (uint8_t)a;
    return (uint8_t)(pb <= pc ? b : c);
}

// Undoes the filter of one row in place; prior is the previous row or null.
bool Unfilter(int filter, uint8_t* row, const uint8_t* prior, size_t length, size_t bpp) {
    switch (filter) {
        case 0:
            return true;
        case 1:
            for (size_t i = bpp; i < length; ++i) row[i] = (uint8_t)(row[i] + row[i - bpp]);
            return true;
        case 2:
            if (prior)
                for (size_t i = 0; i < length; ++i) row[i] = (uint8_t)(row[i] + prior[i]);
            return true;
        case 3:
            for (size_t i = 0; i < length; ++i) {
                int left = i >= bpp ? row[i - bpp] : 0, up = prior ? prior[i] : 0;
                row[i] = (uint8_t)(row[i] + ((left + up) >> 1));
            }
            return true;
        case 4:
            for (size_t i = 0; i < length; ++i) {
                int left = i >= bpp ? row[i - bpp] : 0, up = prior ? prior[i] : 0;
                int corner = prior && i >= bpp ? prior[i - bpp] : 0;
                row[i] = (uint8_t)(row[i] + Paeth(left, up, corner));
            }
            return true;
    }
    return false;
}

// Sample k of a row at the image's bit depth (16-bit samples whole).
unsigned Sample(const uint8_t* row, size_t k, int depth) {
    switch (depth) {
        case 16:
            return Be16(row + 2 * k);
        case 8:
            return row[k];
        default: {
            size_t bit = k * depth;
            return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
        }
    }
}

uint8_t To8(unsigned sample, int depth) {
    if (depth == 16) return (uint8_t)(sample >> 8);
    return (uint8_t)(sample * 255 / ((1u << depth) - 1));
}

uint8_t Blend(unsigned value, unsigned alpha, unsigned background) {
    return (uint8_t)((value * alpha + background * (255 - alpha) + 127) / 255);
}

struct Chunks {
    const uint8_t* palette = nullptr;
    size_t paletteSize = 0;
    const uint8_t* transparency = nullptr;
    size_t transparencySize = 0;
    const uint8_t* background = nullptr;
    size_t backgroundSize = 0;
    std::vector<uint8_t> compressed;
};

bool ReadChunks(const uint8_t* data, size_t size, Chunks& c) {
    size_t at = 8;
    bool ended = false;
    while (at + 12 <= size) {
        uint32_t length = Be32(data + at);
        const uint8_t* type = data + at + 4;
        if (length > size - at - 12) return false;
        const uint8_t* body = data + at + 8;
        if (memcmp(type, "IDAT", 4) == 0) {
            c.compressed.insert(c.compressed.end(), body, body + length);
        } else if (memcmp(type, "PLTE", 4) == 0) {
            c.palette = body;
            c.paletteSize = length;
        } else if (memcmp(type, "tRNS", 4) == 0) {
            c.transparency = body;
            c.transparencySize = length;
        } else if (memcmp(type, "bKGD", 4) == 0) {
            c.background = body;
            c.backgroundSize = length;
        } else if (memcmp(type, "IEND", 4) == 0) {
            ended = true;
            break;
        }
        at += 12 + (size_t)length;
    }
    return !c.compressed.empty() && (ended || at <= size);
}

bool Inflate(const std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
    z_stream z;
    memset(&z, 0, sizeof(z));
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = (uInt)in.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    int result = inflate(&z, Z_FINISH);
    bool complete = z.avail_out == 0 && (result == Z_STREAM_END || result == Z_OK || result == Z_BUF_ERROR);
    inflateEnd(&z);
    return complete;
}

// The decoded samples of the whole picture: one unfiltered row per line
// (RowBytes(width) bytes), interlaced passes already put in place.
bool Reconstruct(const Header& h, std::vector<uint8_t>& raw, std::vector<uint8_t>& rows, size_t rowBytes) {
    static const int kStartX[7] = {0, 4, 0, 2, 0, 1, 0}, kStartY[7] = {0, 0, 4, 0, 2, 0, 1};
    static const int kStepX[7] = {8, 8, 4, 4, 2, 2, 1}, kStepY[7] = {8, 8, 8, 4, 4, 2, 2};
    const size_t bpp = ((size_t)Channels(h.colorType) * h.depth + 7) / 8;
    rows.assign(rowBytes * h.height, 0);
    size_t at = 0;
    const int passes = h.interlace ? 7 : 1;
    std::vector<uint8_t> pass;
    for (int p = 0; p < passes; ++p) {
        uint32_t startX = h.interlace ? kStartX[p] : 0, startY = h.interlace ? kStartY[p] : 0;
        uint32_t stepX = h.interlace ? kStepX[p] : 1, stepY = h.interlace ? kStepY[p] : 1;
        if (startX >= h.width || startY >= h.height) continue;
        uint32_t passWidth = (h.width - startX + stepX - 1) / stepX;
        uint32_t passHeight = (h.height - startY + stepY - 1) / stepY;
        size_t passRow = RowBytes(h, passWidth);
        if (raw.size() - at < (1 + passRow) * passHeight) return false;
        const uint8_t* prior = nullptr;
        for (uint32_t y = 0; y < passHeight; ++y) {
            uint8_t* row = raw.data() + at + 1;
            if (!Unfilter(raw[at], row, prior, passRow, bpp)) return false;
            prior = row;
            at += 1 + passRow;
            uint8_t* target = rows.data() + (size_t)(startY + y * stepY) * rowBytes;
            if (!h.interlace) {
                memcpy(target, row, passRow);
                continue;
            }
            const size_t pixelBits = (size_t)Channels(h.colorType) * h.depth;
            for (uint32_t x = 0; x < passWidth; ++x) {
                size_t fromBit = x * pixelBits, toBit = (startX + (size_t)x * stepX) * pixelBits;
                if (pixelBits >= 8) {
                    memcpy(target + toBit / 8, row + fromBit / 8, pixelBits / 8);
                } else {
                    unsigned value = (row[fromBit / 8] >> (8 - pixelBits - fromBit % 8)) & ((1u << pixelBits) - 1);
                    target[toBit / 8] |= (uint8_t)(value << (8 - pixelBits - toBit % 8));
                }
            }
        }
    }
    return true;
}

size_t RawSize(const Header& h) {
    if (!h.interlace) return (1 + RowBytes(h, h.width)) * h.height;
    static const int kStartX[7] = {0, 4, 0, 2, 0, 1, 0}, kStartY[7] = {0, 0, 4, 0, 2, 0, 1};
    static const int kStepX[7] = {8, 8, 4, 4, 2, 2, 1}, kStepY[7] = {8, 8, 8, 4, 4, 2, 2};
    size_t total = 0;
    for (int p = 0; p < 7; ++p) {
        if ((uint32_t)kStartX[p] >= h.width || (uint32_t)kStartY[p] >= h.height) continue;
        uint32_t w = (h.width - kStartX[p] + kStepX[p] - 1) / kStepX[p];
        uint32_t hh = (h.height - kStartY[p] + kStepY[p] - 1) / kStepY[p];
        total += (1 + RowBytes(h, w)) * hh;
    }
    return total;
}

Rgb BackgroundOf(const Header& h, const Chunks& c) {
    Rgb white = {255, 255, 255};
    if (!c.background) return white;
    if (h.colorType == 3) {
        if (c.backgroundSize < 1 || (size_t)c.background[0] * 3 + 3 > c.paletteSize) return white;
        const uint8_t* e = c.palette + c.background[0] * 3;
        return Rgb{e[0], e[1], e[2]};
    }
    if (h.colorType == 0 || h.colorType == 4) {
        if (c.backgroundSize < 2) return white;
        uint8_t v = To8(Be16(c.background) & (h.depth == 16 ? 0xFFFF : (1u << h.depth) - 1), h.depth);
        return Rgb{v, v, v};
    }
    if (c.backgroundSize < 6) return white;
    return Rgb{To8(Be16(c.background), h.depth), To8(Be16(c.background + 2), h.depth),
               To8(Be16(c.background + 4), h.depth)};
}

}  // namespace

bool ReadPngHeader(const uint8_t* data, size_t size, PngPicture& out) {
    Header h;
    if (!data || !ParseHeader(data, size, h)) return false;
    out.width = h.width;
    out.height = h.height;
    out.interlaced = h.interlace != 0;
    out.bitCount = h.colorType == 3 || (h.colorType == 0 && h.depth <= 8) ? 8 : 24;
    return true;
}

bool DecodePng(const uint8_t* data, size_t size, PngPicture& out) {
    Header h;
    if (!data || !ParseHeader(data, size, h)) return false;
    Chunks c;
    if (!ReadChunks(data, size, c)) return false;
    if (h.colorType == 3 && (c.paletteSize < 3 || c.paletteSize > 768 || c.paletteSize % 3 != 0)) return false;

    std::vector<uint8_t> raw(RawSize(h)), rows;
    const size_t rowBytes = RowBytes(h, h.width);
    if (!Inflate(c.compressed, raw) || !Reconstruct(h, raw, rows, rowBytes)) return false;

    const Rgb background = BackgroundOf(h, c);
    // Grey with a transparent value becomes 24-bit: the key is compared at
    // full depth, which a palette of 8-bit greys cannot keep apart.
    const bool greyKey = h.colorType == 0 && c.transparency && c.transparencySize >= 2;
    const bool indexed = h.colorType == 3 || (h.colorType == 0 && h.depth <= 8 && !greyKey);
    out.width = h.width;
    out.height = h.height;
    out.interlaced = h.interlace != 0;
    out.bitCount = indexed ? 8 : 24;
    out.stride = (uint32_t)(((size_t)h.width * (indexed ? 1 : 3) + 3) & ~(size_t)3);
    out.bits.assign((size_t)out.stride * h.height, 0);
    out.palette.clear();

    if (indexed) {
        size_t entries = h.colorType == 3 ? c.paletteSize / 3 : (size_t)1 << h.depth;
        for (size_t i = 0; i < entries; ++i) {
            uint8_t r, g, b;
            if (h.colorType == 3) {
                r = c.palette[i * 3];
                g = c.palette[i * 3 + 1];
                b = c.palette[i * 3 + 2];
            } else {
                r = g = b = To8((unsigned)i, h.depth);
            }
            unsigned alpha = h.colorType == 3 && i < c.transparencySize ? c.transparency[i] : 255;
            out.palette.push_back(Blend(b, alpha, background.b));
            out.palette.push_back(Blend(g, alpha, background.g));
            out.palette.push_back(Blend(r, alpha, background.r));
            out.palette.push_back(0);
        }
        for (uint32_t y = 0; y < h.height; ++y) {
            const uint8_t* row = rows.data() + (size_t)y * rowBytes;
            uint8_t* target = out.bits.data() + (size_t)(h.height - 1 - y) * out.stride;
            for (uint32_t x = 0; x < h.width; ++x) {
                unsigned index = Sample(row, x, h.depth);
                // An index beyond the palette shows as its first colour.
                target[x] = (uint8_t)(index < entries ? index : 0);
            }
        }
        return true;
    }

    const int channels = Channels(h.colorType);
    unsigned keyR = 0, keyG = 0, keyB = 0;
    bool rgbKey = h.colorType == 2 && c.transparency && c.transparencySize >= 6;
    if (rgbKey) {
        keyR = Be16(c.transparency);
        keyG = Be16(c.transparency + 2);
        keyB = Be16(c.transparency + 4);
    }
    const unsigned greyValue = greyKey ? Be16(c.transparency) : 0;
    for (uint32_t y = 0; y < h.height; ++y) {
        const uint8_t* row = rows.data() + (size_t)y * rowBytes;
        uint8_t* target = out.bits.data() + (size_t)(h.height - 1 - y) * out.stride;
        for (uint32_t x = 0; x < h.width; ++x) {
            size_t k = (size_t)x * channels;
            unsigned r, g, b, alpha = 255;
            if (h.colorType == 0 || h.colorType == 4) {
                unsigned grey = Sample(row, k, h.depth);
                if (greyKey && grey == greyValue) alpha = 0;
                r = g = b = To8(grey, h.depth);
                if (h.colorType == 4) alpha = To8(Sample(row, k + 1, h.depth), h.depth);
            } else {
                unsigned sr = Sample(row, k, h.depth), sg = Sample(row, k + 1, h.depth),
                         sb = Sample(row, k + 2, h.depth);
                if (rgbKey && sr == keyR && sg == keyG && sb == keyB) alpha = 0;
                r = To8(sr, h.depth);
                g = To8(sg, h.depth);
                b = To8(sb, h.depth);
                if (h.colorType == 6) alpha = To8(Sample(row, k + 3, h.depth), h.depth);
            }
            target[x * 3] = Blend(b, alpha, background.b);
            target[x * 3 + 1] = Blend(g, alpha, background.g);
            target[x * 3 + 2] = Blend(r, alpha, background.r);
        }
    }
    return true;
}

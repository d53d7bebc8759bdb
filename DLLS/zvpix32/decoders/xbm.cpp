// X bitmaps: C source text with the width, the height and the bytes of the
// rows as hexadecimal values.
#include <stdlib.h>
#include <string.h>

#include "zvdib.h"

namespace {

const unsigned long long kMaxDimension = 0x7FFFFFFF;

struct Cursor {
    const BYTE* p;
    DWORD left;

    bool Starts(const char* word) const {
        const size_t n = strlen(word);
        return left >= n && memcmp(p, word, n) == 0;
    }
    void Skip(DWORD n) {
        p += n;
        left -= n;
    }
};

// Digits accumulate across repeated keywords, as the header scan always did.
void ReadNumber(Cursor& c, DWORD keywordLength, unsigned long long& value) {
    c.Skip(keywordLength);
    while (c.left && *c.p == ' ') c.Skip(1);
    while (c.left && *c.p >= '0' && *c.p <= '9') {
        if (value <= kMaxDimension) value = value * 10 + (*c.p - '0');
        c.Skip(1);
    }
}

int HexDigit(BYTE ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

BYTE ReverseBits(BYTE v) {
    v = (BYTE)(((v & 0xF0) >> 4) | ((v & 0x0F) << 4));
    v = (BYTE)(((v & 0xCC) >> 2) | ((v & 0x33) << 2));
    return (BYTE)(((v & 0xAA) >> 1) | ((v & 0x55) << 1));
}

// Next "0x" value of the data part; false at "}" or the end of the data.
bool NextValue(Cursor& c, BYTE* value) {
    while (c.left >= 2 && !(c.p[0] == '0' && c.p[1] == 'x')) {
        if (*c.p == '}') return false;
        c.Skip(1);
    }
    if (c.left < 4) return false;
    const int high = HexDigit(c.p[2]), low = HexDigit(c.p[3]);
    if (high < 0 || low < 0) return false;
    *value = (BYTE)(high << 4 | low);
    c.Skip(4);
    return true;
}

}  // namespace

ZV_EXPORT(HZVDIB) zvConvertXbmToDib(const BYTE* data, DWORD size, void*, DibInfo* info) {
    if (!data || !info) return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);
    if (info->size != DIBINFO_SIZE) return zvGdiFail(ZVPIX_ERR_RECORD_SIZE);

    Cursor c = {data, size};
    unsigned long long width = 0, height = 0;
    for (;;) {
        if (!c.left) return zvGdiFail(ZVPIX_ERR_DAMAGED);
        if (c.Starts("bits")) {
            c.Skip(4);
            break;
        }
        if (c.Starts("width")) {
            ReadNumber(c, 5, width);
        } else if (c.Starts("height")) {
            ReadNumber(c, 6, height);
        } else {
            if (*c.p < 0x0A) return zvGdiFail(ZVPIX_ERR_DAMAGED);
            c.Skip(1);
        }
    }
    if (!width || !height || c.left < 4) return zvGdiFail(ZVPIX_ERR_DAMAGED);
    if (width > kMaxDimension || height > kMaxDimension) return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);

    const DWORD rowBytes = (DWORD)((width + 7) / 8);
    DWORD stride;
    size_t imageSize;
    if (!zvDibStride((DWORD)width, 1, &stride) || !zvDibImageSize(stride, (DWORD)height, &imageSize))
        return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);
    // Every value takes four characters: data too short for the picture
    // is refused before anything is allocated.
    if ((unsigned long long)rowBytes * height * 4 > c.left) return zvGdiFail(ZVPIX_ERR_DAMAGED);

    BITMAPINFOHEADER* header = (BITMAPINFOHEADER*)calloc(1, sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD));
    BYTE* pixels = (BYTE*)malloc(imageSize);
    if (!header || !pixels) {
        free(pixels);
        free(header);
        return zvGdiFail(ZVPIX_ERR_OUT_OF_MEMORY);
    }
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = (LONG)width;
    header->biHeight = -(LONG)height;
    header->biPlanes = 1;
    header->biBitCount = 1;
    header->biCompression = BI_RGB;
    header->biSizeImage = (DWORD)imageSize;
    header->biClrUsed = 2;
    RGBQUAD* colors = (RGBQUAD*)(header + 1);
    colors[1].rgbBlue = colors[1].rgbGreen = colors[1].rgbRed = 0xFF;

    // X bitmaps put the leftmost pixel in the lowest bit and mark the
    // foreground with 1; the DIB wants the highest bit and black at index 0.
    BYTE* row = pixels;
    for (DWORD y = 0; y < (DWORD)height; ++y, row += stride) {
        for (DWORD x = 0; x < rowBytes; ++x) {
            BYTE value;
            if (!NextValue(c, &value)) {
                free(pixels);
                free(header);
                return zvGdiFail(ZVPIX_ERR_DAMAGED);
            }
            row[x] = (BYTE)~ReverseBits(value);
        }
        memset(row + rowBytes, 0, stride - rowBytes);
    }
    return zvCreateOwnedDib(header, pixels, info);
}

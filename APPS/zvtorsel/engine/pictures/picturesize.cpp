#include "pictures/picturesize.h"

#include <string.h>

#include "zvgrep.h"

namespace {

unsigned Le16(const BYTE* p) { return p[0] | (p[1] << 8); }
unsigned Be16(const BYTE* p) { return (p[0] << 8) | p[1]; }
long Le32(const BYTE* p) { return (long)(DWORD)(p[0] | (p[1] << 8) | (p[2] << 16) | ((DWORD)p[3] << 24)); }

bool ReadExactly(IByteSource& source, DWORD offset, BYTE* buffer, DWORD size) {
    DWORD got = 0;
    return source.ReadAt(offset, buffer, size, &got) && got == size;
}

// Byte access through 1024-byte windows, read as the walk reaches them.
class CWindowedReader {
public:
    explicit CWindowedReader(IByteSource& source) : source_(source) {}
    // False past the end of the file or when it cannot be read.
    bool Byte(DWORD position, BYTE* value) {
        if (position < start_ || position >= start_ + length_) {
            start_ = position - position % kWindow;
            length_ = 0;
            if (!source_.ReadAt(start_, window_, kWindow, &length_)) length_ = 0;
            if (position >= start_ + length_) return false;
        }
        *value = window_[position - start_];
        return true;
    }
    bool Word(DWORD position, unsigned* value) {
        BYTE low, high;
        if (!Byte(position, &low) || !Byte(position + 1, &high)) return false;
        *value = low | (high << 8);
        return true;
    }

private:
    enum { kWindow = 1024 };
    IByteSource& source_;
    BYTE window_[kWindow];
    DWORD start_ = 0;
    DWORD length_ = 0;
};

// The decimal number that starts at the last byte of the pattern's match.
bool XbmDimension(const char* text, const char* pattern, int* value) {
    int length = 0;
    const char* match = zvGrepExA(text, pattern, 1, &length);
    if (!match || length <= 0) return false;
    const char* digit = match + length - 1;
    long number = 0;
    for (; *digit >= '0' && *digit <= '9'; ++digit) {
        number = number * 10 + (*digit - '0');
        if (number > 0x7FFFFFFF / 10) return false;
    }
    *value = (int)number;
    return true;
}

}  // namespace

bool CMemoryByteSource::ReadAt(DWORD offset, void* buffer, DWORD size, DWORD* got) {
    *got = 0;
    if (offset >= size_) return true;
    size_t n = size_ - offset < size ? size_ - offset : size;
    memcpy(buffer, data_ + offset, n);
    *got = (DWORD)n;
    return true;
}

bool ReadBmpSize(IByteSource& source, PictureSize& size) {
    BYTE head[26];
    DWORD got = 0;
    if (!source.ReadAt(0, head, sizeof(head), &got) || got < 24 || head[0] != 'B' || head[1] != 'M') return false;
    if (Le32(head + 14) == 12) {
        size.width = (int)Le16(head + 18);
        size.height = (int)Le16(head + 20);
        return true;
    }
    if (got < sizeof(head)) return false;
    long width = Le32(head + 18), height = Le32(head + 22);
    // Top-down bitmaps store a negative height.
    size.width = (int)width;
    size.height = (int)(height < 0 ? -height : height);
    return true;
}

bool ReadGifSize(IByteSource& source, PictureSize& size) {
    CWindowedReader gif(source);
    BYTE b;
    if (!gif.Byte(16, &b)) return false;  // more than 16 bytes
    BYTE signature[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) gif.Byte(i, &signature[i]);
    if (memcmp(signature, "GIF", 3) != 0) return false;
    unsigned width = 0, height = 0;
    BYTE flags = 0;
    gif.Word(6, &width);
    gif.Word(8, &height);
    gif.Byte(10, &flags);
    size.width = (int)width;
    size.height = (int)height;

    DWORD position = 13;
    if (flags & 0x80) position += 3u << ((flags & 7) + 1);
    for (;;) {
        BYTE introducer;
        if (!gif.Byte(position, &introducer)) return true;
        if (introducer == ',') {
            unsigned imageWidth, imageHeight;
            if (!gif.Word(position + 5, &imageWidth) || !gif.Word(position + 7, &imageHeight)) return true;
            size.width = (int)imageWidth;
            size.height = (int)imageHeight;
            return true;
        }
        if (introducer != '!') return true;
        position += 2;  // introducer and label
        for (;;) {
            BYTE blockLength;
            if (!gif.Byte(position, &blockLength)) return true;
            position += 1 + blockLength;
            if (blockLength == 0) break;
        }
    }
}

bool ReadJpegSize(IByteSource& source, PictureSize& size) {
    BYTE head[3];
    if (!ReadExactly(source, 0, head, 3) || head[0] != 0xFF || head[1] != 0xD8 || head[2] != 0xFF) return false;
    DWORD position = 2;
    for (;;) {
        // Marker, fill bytes before it, then the segment start.
        BYTE segment[9];
        DWORD got = 0;
        if (!source.ReadAt(position, segment, sizeof(segment), &got) || got < 2 || segment[0] != 0xFF) return false;
        BYTE marker = segment[1];
        if (marker == 0xFF) {
            ++position;
            continue;
        }
        if (marker == 0xD9) return false;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            position += 2;
            continue;
        }
        if (got < 4) return false;
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            if (got < sizeof(segment)) return false;
            size.height = (int)Be16(segment + 5);
            size.width = (int)Be16(segment + 7);
            return true;
        }
        unsigned length = Be16(segment + 2);
        if (length < 2) return false;
        position += 2 + length;
    }
}

bool ReadPngSize(IByteSource& source, PictureSize& size) {
    static const BYTE kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    BYTE head[24];
    if (!ReadExactly(source, 0, head, sizeof(head))) return false;
    if (memcmp(head, kSignature, 8) != 0 || memcmp(head + 12, "IHDR", 4) != 0) return false;
    size.width = (int)Be16(head + 18);
    size.height = (int)Be16(head + 22);
    return true;
}

bool ReadXbmSize(IByteSource& source, PictureSize& size) {
    char text[1024];
    DWORD got = 0;
    if (!source.ReadAt(0, text, sizeof(text) - 1, &got)) return false;
    text[got] = 0;
    return XbmDimension(text, "#define .*width +[0-9]", &size.width) &&
           XbmDimension(text, "#define .*height +[0-9]", &size.height);
}

bool ReadPictureSize(PictureReader reader, IByteSource& source, PictureSize& size) {
    switch (reader) {
        case READER_BMP:
            return ReadBmpSize(source, size);
        case READER_GIF:
            return ReadGifSize(source, size);
        case READER_JPEG:
            return ReadJpegSize(source, size);
        case READER_PNG:
            return ReadPngSize(source, size);
        case READER_XBM:
            return ReadXbmSize(source, size);
        case READER_COUNT:
            break;
    }
    return false;
}

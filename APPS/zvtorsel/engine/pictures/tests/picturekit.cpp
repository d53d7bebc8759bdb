#include "picturekit.h"

#include <string.h>

namespace {
void Le16(std::vector<BYTE>& v, unsigned x) {
    v.push_back((BYTE)x);
    v.push_back((BYTE)(x >> 8));
}
void Le32(std::vector<BYTE>& v, DWORD x) {
    Le16(v, x & 0xFFFF);
    Le16(v, x >> 16);
}
void Be16(std::vector<BYTE>& v, unsigned x) {
    v.push_back((BYTE)(x >> 8));
    v.push_back((BYTE)x);
}
}  // namespace

std::vector<BYTE> SolidBmp(int width, int height, DWORD rgb) {
    DWORD stride = ((DWORD)width * 3 + 3) & ~3u;
    std::vector<BYTE> v;
    v.push_back('B');
    v.push_back('M');
    Le32(v, 54 + stride * height);
    Le32(v, 0);
    Le32(v, 54);
    Le32(v, 40);
    Le32(v, (DWORD)width);
    Le32(v, (DWORD)height);
    Le16(v, 1);
    Le16(v, 24);
    for (int i = 0; i < 6; ++i) Le32(v, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            v.push_back((BYTE)rgb);
            v.push_back((BYTE)(rgb >> 8));
            v.push_back((BYTE)(rgb >> 16));
        }
        for (DWORD pad = (DWORD)width * 3; pad < stride; ++pad) v.push_back(0);
    }
    return v;
}

std::vector<BYTE> TinyGif(int screenWidth, int screenHeight, int imageWidth, int imageHeight) {
    std::vector<BYTE> v = {'G', 'I', 'F', '8', '9', 'a'};
    Le16(v, screenWidth);
    Le16(v, screenHeight);
    v.push_back(0x80);  // global table of 2 colours
    v.push_back(0);
    v.push_back(0);
    for (BYTE c : {0, 0, 0, 255, 255, 255}) v.push_back(c);
    for (BYTE c : {0x21, 0xF9, 4, 0, 0, 0, 0, 0}) v.push_back(c);  // graphic control extension
    v.push_back(',');
    Le16(v, 0);
    Le16(v, 0);
    Le16(v, imageWidth);
    Le16(v, imageHeight);
    v.push_back(0);
    // LZW minimum code size 2; clear, one pixel 0 per ... end: a valid stream
    // for a 1 x 1 image, enough for the size readers.
    for (BYTE c : {2, 2, 0x44, 0x01, 0, 0x3B}) v.push_back(c);
    return v;
}

std::vector<BYTE> JpegHeader(int width, int height, size_t appSegmentBytes) {
    std::vector<BYTE> v = {0xFF, 0xD8, 0xFF, 0xE0};
    Be16(v, (unsigned)appSegmentBytes + 2);
    for (size_t i = 0; i < appSegmentBytes; ++i) v.push_back(0xAA);
    for (BYTE c : {0xFF, 0xDB}) v.push_back(c);
    Be16(v, 67);
    v.push_back(0);
    for (int i = 0; i < 64; ++i) v.push_back(1);
    for (BYTE c : {0xFF, 0xC0}) v.push_back(c);
    Be16(v, 11);
    v.push_back(8);
    Be16(v, height);
    Be16(v, width);
    for (BYTE c : {1, 1, 0x11, 0}) v.push_back(c);
    for (BYTE c : {0xFF, 0xD9}) v.push_back(c);
    return v;
}

std::vector<BYTE> PngHeader(int width, int height) {
    std::vector<BYTE> v = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    Be16(v, 0);
    Be16(v, width);
    Be16(v, 0);
    Be16(v, height);
    for (BYTE c : {8, 2, 0, 0, 0}) v.push_back(c);
    return v;
}

std::vector<BYTE> FlatJpeg(int width, int height) {
    std::vector<BYTE> v = {0xFF, 0xD8, 0xFF, 0xDB};
    Be16(v, 67);
    v.push_back(0);
    for (int i = 0; i < 64; ++i) v.push_back(1);
    for (BYTE c : {0xFF, 0xC0}) v.push_back(c);
    Be16(v, 11);
    v.push_back(8);
    Be16(v, height);
    Be16(v, width);
    for (BYTE c : {1, 1, 0x11, 0}) v.push_back(c);
    // DC and AC tables of one 1-bit code "0" each: DC difference size 0, end of block.
    for (BYTE tableClass : {0x00, 0x10}) {
        for (BYTE c : {(BYTE)0xFF, (BYTE)0xC4, (BYTE)0x00, (BYTE)0x14, tableClass, (BYTE)1}) v.push_back(c);
        for (int i = 0; i < 15; ++i) v.push_back(0);
        v.push_back(0);
    }
    for (BYTE c : {0xFF, 0xDA, 0x00, 0x08, 1, 1, 0x00, 0, 63, 0}) v.push_back(c);
    // Two zero bits per block.
    const size_t blocks = (size_t)((width + 7) / 8) * ((height + 7) / 8);
    v.insert(v.end(), (blocks * 2 + 7) / 8, 0);
    for (BYTE c : {0xFF, 0xD9}) v.push_back(c);
    return v;
}

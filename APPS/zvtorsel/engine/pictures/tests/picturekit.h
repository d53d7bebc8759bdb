// A recording report for the picture scan tests, and small picture files
// made byte by byte.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "base/memoryfiles.h"
#include "pictures/picturefiles.h"

class CRecordingScanReport : public IPictureScanReport {
public:
    void Status(const char* text) override { statuses.push_back(text); }
    void Progress(const char* text) override { progress = text; }
    void Message(UINT id, const char* arg) override {
        messages.push_back(id);
        (void)arg;
    }
    std::vector<std::string> statuses;
    std::string progress;
    std::vector<UINT> messages;
};

// A 24-bit BMP of one colour (0xRRGGBB).
std::vector<BYTE> SolidBmp(int width, int height, DWORD rgb);
// A GIF of width x height with one image; the image descriptor may be smaller.
std::vector<BYTE> TinyGif(int screenWidth, int screenHeight, int imageWidth, int imageHeight);
// The JPEG markers up to a baseline frame header of the given size (no scan data).
std::vector<BYTE> JpegHeader(int width, int height, size_t appSegmentBytes);
std::vector<BYTE> PngHeader(int width, int height);
// A whole grey baseline JPEG of width x height, every pixel 128.
std::vector<BYTE> FlatJpeg(int width, int height);

// Files in memory and a recording report for the picture scan tests, and
// small picture files made byte by byte.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "pictures/picturefiles.h"

class CMemoryPictureFiles : public IPictureFiles {
public:
    void Add(const std::string& path, const std::vector<BYTE>& data) { files_[Key(path)] = data; }
    void AddFolder(const std::string& path) { folders_[Key(path)] = true; }
    bool Has(const std::string& path) const { return files_.count(Key(path)) != 0; }
    const std::vector<BYTE>& Get(const std::string& path) { return files_[Key(path)]; }
    std::string Text(const std::string& path) {
        const std::vector<BYTE>& d = Get(path);
        return std::string(d.begin(), d.end());
    }
    // Bytes handed out by ReadAt, per file.
    std::map<std::string, DWORD> bytesRead;
    DWORD HighestByteRead(const std::string& path) { return highest_[Key(path)]; }

    bool ListFolder(const char* folder, std::vector<DirEntry>& out) override;
    bool ReadAt(const char* path, DWORD offset, void* buffer, DWORD size, DWORD* got) override;
    bool ReadWhole(const char* path, std::vector<BYTE>& out) override;
    bool WriteWhole(const char* path, const void* data, size_t size) override;

private:
    static std::string Key(const std::string& path);
    std::map<std::string, std::vector<BYTE>> files_;
    std::map<std::string, bool> folders_;
    std::map<std::string, DWORD> highest_;
};

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

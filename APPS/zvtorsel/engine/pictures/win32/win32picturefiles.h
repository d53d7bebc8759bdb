// The picture scan's files on the Win32 file API, and its captions drawn
// with the library's text DIBs in the chosen font.
#pragma once
#include <windows.h>

#include "pictures/picturefiles.h"
#include "pictures/picturescan.h"

class CWin32PictureFiles : public IPictureFiles {
public:
    bool ListFolder(const char* folder, std::vector<DirEntry>& out) override;
    bool ReadAt(const char* path, DWORD offset, void* buffer, DWORD size, DWORD* got) override;
    bool ReadWhole(const char* path, std::vector<BYTE>& out) override;
    bool WriteWhole(const char* path, const void* data, size_t size) override;
};

// Reads a whole file; false when it cannot be opened or read. limit caps the
// size accepted (larger files fail).
bool ReadWholeFile(const char* path, std::vector<BYTE>& out, DWORD limit = 0x40000000);

class CFontCaptionMaker : public ICaptionMaker {
public:
    explicit CFontCaptionMaker(const PictureScanSettings& settings);
    ~CFontCaptionMaker();
    CFontCaptionMaker(const CFontCaptionMaker&) = delete;
    CFontCaptionMaker& operator=(const CFontCaptionMaker&) = delete;
    HZVDIB MakeCaption(int width, int height, const char* text, DibInfo* info) override;

private:
    HFONT font_;
};

// The LOGFONT of the name font settings.
LOGFONTA ThumbnailLogFont(const PictureScanSettings& settings);

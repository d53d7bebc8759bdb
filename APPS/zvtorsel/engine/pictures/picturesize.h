// Width and height of a picture from the start of its file, without decoding.
// Each reader reads only what its format needs: BMP 26 bytes, PNG 24, JPEG
// the markers up to the first frame header, GIF 1024-byte windows up to the
// first image descriptor, XBM the first 1023 bytes.
#pragma once
#include "base/files.h"

struct PictureSize {
    int width = 0;
    int height = 0;
};

// Reads bytes of one picture file at an offset; false when unreadable.
class IByteSource {
public:
    virtual ~IByteSource() {}
    virtual bool ReadAt(DWORD offset, void* buffer, DWORD size, DWORD* got) = 0;
};

enum PictureReader { READER_BMP, READER_GIF, READER_JPEG, READER_PNG, READER_XBM, READER_COUNT };

bool ReadBmpSize(IByteSource& source, PictureSize& size);
bool ReadGifSize(IByteSource& source, PictureSize& size);
bool ReadJpegSize(IByteSource& source, PictureSize& size);
bool ReadPngSize(IByteSource& source, PictureSize& size);
bool ReadXbmSize(IByteSource& source, PictureSize& size);
bool ReadPictureSize(PictureReader reader, IByteSource& source, PictureSize& size);

// A source over one file, opened once; every read fails when it cannot be.
class CFileByteSource : public IByteSource {
public:
    CFileByteSource(IFiles& files, const char* path) : file_(files.OpenRead(path)) {}
    bool ReadAt(DWORD offset, void* buffer, DWORD size, DWORD* got) override {
        *got = 0;
        return file_ && file_->ReadAt(offset, buffer, size, got);
    }

private:
    std::unique_ptr<IReadFile> file_;
};

// A source over bytes in memory.
class CMemoryByteSource : public IByteSource {
public:
    CMemoryByteSource(const BYTE* data, size_t size) : data_(data), size_(size) {}
    bool ReadAt(DWORD offset, void* buffer, DWORD size, DWORD* got) override;

private:
    const BYTE* data_;
    size_t size_;
};

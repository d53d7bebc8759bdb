// zvpng.spi: a Susie image plug-in for PNG pictures.
#include <string.h>
#include <windows.h>

#include <vector>

#include "pngdecode.h"

#define SPI_EXPORT(type) extern "C" __declspec(dllexport) type WINAPI

namespace {

enum SpiResult {
    SPI_OK = 0,
    SPI_NOT_IMPLEMENTED = -1,
    SPI_CANCELLED = 1,
    SPI_UNKNOWN_FORMAT = 2,
    SPI_DAMAGED = 3,
    SPI_NO_MEMORY = 4,
    SPI_READ_ERROR = 6
};
enum : unsigned { SPI_INPUT_MASK = 7, SPI_FROM_FILE = 0, SPI_FROM_MEMORY = 1 };

#pragma pack(push, 1)
struct PictureInfo {
    long left, top;
    long width, height;
    WORD xDensity, yDensity;
    short colorDepth;
    HLOCAL info;
};
#pragma pack(pop)

typedef int(WINAPI* ProgressCallback)(int done, int total, LONG_PTR userData);

const char* const kInfo[] = {"00IN", "zvpng PNG plug-in 1.0", "*.png", "PNG"};

// The picture's file image: from memory as given, or the file from offset.
bool Input(LPCSTR buffer, LONG_PTR length, unsigned flag, std::vector<uint8_t>& file, const uint8_t** data,
           size_t* size, int* error) {
    if ((flag & SPI_INPUT_MASK) == SPI_FROM_MEMORY) {
        if (!buffer || length <= 0) {
            *error = SPI_UNKNOWN_FORMAT;
            return false;
        }
        *data = (const uint8_t*)buffer;
        *size = (size_t)length;
        return true;
    }
    HANDLE handle = CreateFileA(buffer, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *error = SPI_READ_ERROR;
        return false;
    }
    DWORD high = 0, total = GetFileSize(handle, &high);
    bool ok = total != INVALID_FILE_SIZE && high == 0 && length >= 0 && (DWORD)length < total &&
              SetFilePointer(handle, (LONG)length, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
    if (ok) {
        file.resize(total - (DWORD)length);
        DWORD got = 0;
        ok = ReadFile(handle, file.data(), (DWORD)file.size(), &got, nullptr) && got == file.size();
    }
    CloseHandle(handle);
    if (!ok) {
        *error = SPI_READ_ERROR;
        return false;
    }
    *data = file.data();
    *size = file.size();
    return true;
}

HLOCAL CopyToLocal(const void* data, size_t size) {
    HLOCAL handle = LocalAlloc(LMEM_MOVEABLE, size);
    if (!handle) return nullptr;
    void* p = LocalLock(handle);
    if (!p) {
        LocalFree(handle);
        return nullptr;
    }
    memcpy(p, data, size);
    LocalUnlock(handle);
    return handle;
}

}  // namespace

SPI_EXPORT(int) GetPluginInfo(int infoNumber, LPSTR buffer, int bufferLength) {
    if (infoNumber < 0 || infoNumber >= (int)(sizeof(kInfo) / sizeof(kInfo[0])) || !buffer || bufferLength <= 0)
        return 0;
    lstrcpynA(buffer, kInfo[infoNumber], bufferLength);
    return lstrlenA(buffer);
}

// dw is a file handle when its upper bits are clear, else the address of
// the file's first 2 KB.
SPI_EXPORT(int) IsSupported(LPCSTR, DWORD_PTR dw) {
    uint8_t head[33];
    if ((dw & ~(DWORD_PTR)0xFFFF) == 0) {
        DWORD got = 0;
        if (!ReadFile((HANDLE)dw, head, sizeof(head), &got, nullptr) || got != sizeof(head)) return 0;
    } else {
        memcpy(head, (const void*)dw, sizeof(head));
    }
    PngPicture picture;
    return ReadPngHeader(head, sizeof(head), picture) ? 1 : 0;
}

SPI_EXPORT(int) GetPictureInfo(LPCSTR buffer, LONG_PTR length, unsigned flag, PictureInfo* info) {
    if (!info) return SPI_UNKNOWN_FORMAT;
    std::vector<uint8_t> file;
    const uint8_t* data = nullptr;
    size_t size = 0;
    int error = SPI_OK;
    if (!Input(buffer, length, flag, file, &data, &size, &error)) return error;
    PngPicture picture;
    if (!ReadPngHeader(data, size, picture)) return SPI_UNKNOWN_FORMAT;
    memset(info, 0, sizeof(*info));
    info->width = (long)picture.width;
    info->height = (long)picture.height;
    info->colorDepth = (short)picture.bitCount;
    return SPI_OK;
}

SPI_EXPORT(int)
GetPicture(LPCSTR buffer, LONG_PTR length, unsigned flag, HLOCAL* header, HLOCAL* bits, FARPROC progress,
           LONG_PTR userData) {
    if (!header || !bits) return SPI_UNKNOWN_FORMAT;
    *header = nullptr;
    *bits = nullptr;
    ProgressCallback report = (ProgressCallback)(void*)progress;
    if (report && report(0, 1, userData)) return SPI_CANCELLED;
    std::vector<uint8_t> file;
    const uint8_t* data = nullptr;
    size_t size = 0;
    int error = SPI_OK;
    if (!Input(buffer, length, flag, file, &data, &size, &error)) return error;
    PngPicture picture;
    if (!ReadPngHeader(data, size, picture)) return SPI_UNKNOWN_FORMAT;
    if (!DecodePng(data, size, picture)) return SPI_DAMAGED;

    const DWORD colors = (DWORD)(picture.palette.size() / 4);
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + picture.palette.size(), 0);
    BITMAPINFOHEADER* h = (BITMAPINFOHEADER*)info.data();
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = (LONG)picture.width;
    h->biHeight = (LONG)picture.height;
    h->biPlanes = 1;
    h->biBitCount = (WORD)picture.bitCount;
    h->biCompression = BI_RGB;
    h->biSizeImage = (DWORD)picture.bits.size();
    h->biClrUsed = colors;
    if (colors) memcpy(info.data() + sizeof(BITMAPINFOHEADER), picture.palette.data(), picture.palette.size());
    *header = CopyToLocal(info.data(), info.size());
    *bits = *header ? CopyToLocal(picture.bits.data(), picture.bits.size()) : nullptr;
    if (!*header || !*bits) {
        if (*header) LocalFree(*header);
        *header = nullptr;
        return SPI_NO_MEMORY;
    }
    if (report) report(1, 1, userData);
    return SPI_OK;
}

#include "pictures/win32/spihost.h"

#include <string.h>

namespace {

enum : unsigned { kSpiFile = 0, kSpiMemory = 1 };
enum : DWORD { kHeaderSkip = 128 };

// Header and pixels of a plug-in's result as one packed DIB; false when the
// header is not a usable BITMAPINFOHEADER or the pixels are short.
bool PackPlugInResult(HLOCAL header, HLOCAL bits, std::vector<BYTE>& packed) {
    SIZE_T headerSize = LocalSize(header), bitsSize = LocalSize(bits);
    const BITMAPINFOHEADER* h = (const BITMAPINFOHEADER*)LocalLock(header);
    const BYTE* pixels = (const BYTE*)LocalLock(bits);
    bool ok = h && pixels && headerSize >= sizeof(BITMAPINFOHEADER) && h->biSize >= sizeof(BITMAPINFOHEADER) &&
              h->biSize <= headerSize && h->biWidth > 0 && h->biHeight != 0 && h->biWidth <= 0x7FFF &&
              h->biHeight <= 0x7FFF && h->biHeight >= -0x7FFF;
    if (ok) {
        DWORD height = (DWORD)(h->biHeight < 0 ? -h->biHeight : h->biHeight);
        unsigned long long stride = (((unsigned long long)h->biWidth * h->biBitCount + 31) / 32) * 4;
        unsigned long long image = h->biCompression == BI_RGB || h->biCompression == BI_BITFIELDS
                                       ? stride * height
                                       : (unsigned long long)h->biSizeImage;
        ok = image > 0 && image <= bitsSize && image < 0x40000000;
        if (ok) {
            packed.resize(headerSize + (size_t)image);
            memcpy(packed.data(), h, headerSize);
            memcpy(packed.data() + headerSize, pixels, (size_t)image);
        }
    }
    if (h) LocalUnlock(header);
    if (pixels) LocalUnlock(bits);
    return ok;
}

bool DecodeOnce(const SpiPlugin& plugin, const BYTE* data, DWORD size, std::vector<BYTE>& packed) {
    HLOCAL header = nullptr, bits = nullptr;
    int result = plugin.getPicture((LPCSTR)data, (LONG_PTR)size, kSpiMemory, &header, &bits, nullptr, 0);
    bool ok = result == 0 && header && bits && PackPlugInResult(header, bits, packed);
    if (header) LocalFree(header);
    if (bits) LocalFree(bits);
    return ok;
}

bool InfoOnce(const SpiPlugin& plugin, const char* path, LONG_PTR offset, int* width, int* height) {
    SpiPictureInfo info;
    memset(&info, 0, sizeof(info));
    if (plugin.getPictureInfo(path, offset, kSpiFile, &info) != 0) return false;
    if (info.info) LocalFree(info.info);
    *width = (int)info.width;
    *height = (int)info.height;
    return true;
}

}  // namespace

bool LoadSpiModules(std::vector<SpiPlugin>& table) {
    bool any = false;
    for (SpiPlugin& row : table) {
        if (row.module) {
            any = true;
            continue;
        }
        HMODULE module = LoadLibraryA(row.path.c_str());
        if (!module) continue;
        row.getPictureInfo = (SpiGetPictureInfo)(void*)GetProcAddress(module, "GetPictureInfo");
        row.getPicture = (SpiGetPicture)(void*)GetProcAddress(module, "GetPicture");
        if (!row.getPictureInfo || !row.getPicture) {
            FreeLibrary(module);
            row.getPictureInfo = nullptr;
            row.getPicture = nullptr;
            continue;
        }
        row.module = module;
        any = true;
    }
    return any;
}

std::string PluginExtension(const char* path) {
    typedef int(WINAPI * SpiGetPluginInfo)(int infoNumber, LPSTR buffer, int length);
    HMODULE module = LoadLibraryA(path);
    if (!module) return std::string();
    SpiGetPluginInfo info = (SpiGetPluginInfo)(void*)GetProcAddress(module, "GetPluginInfo");
    char filter[256] = "";
    if (info) info(2, filter, sizeof(filter) - 1);
    filter[sizeof(filter) - 1] = 0;
    FreeLibrary(module);
    return ExtensionOfPluginFilter(filter);
}

void UnloadSpiModules(std::vector<SpiPlugin>& table) {
    for (SpiPlugin& row : table) {
        if (row.module) FreeLibrary(row.module);
        row.module = nullptr;
        row.getPictureInfo = nullptr;
        row.getPicture = nullptr;
    }
}

bool SpiPictureSize(const SpiPlugin& plugin, const char* path, int* width, int* height) {
    if (!plugin.getPictureInfo) return false;
    return InfoOnce(plugin, path, 0, width, height) || InfoOnce(plugin, path, kHeaderSkip, width, height);
}

bool SpiDecode(const SpiPlugin& plugin, const BYTE* data, DWORD size, std::vector<BYTE>& packed) {
    if (!plugin.getPicture || !data || size == 0) return false;
    if (DecodeOnce(plugin, data, size, packed)) return true;
    return size > kHeaderSkip && DecodeOnce(plugin, data + kHeaderSkip, size - kHeaderSkip, packed);
}

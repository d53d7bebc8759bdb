// Calls into Susie image plug-ins: GetPictureInfo for a picture file's size,
// GetPicture for a file image in memory. A call that fails is tried once
// more 128 bytes further on, past a leading 128-byte header.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "pictures/picturefiles.h"
#include "pictures/spilist.h"

#pragma pack(push, 1)
struct SpiPictureInfo {
    long left, top;
    long width, height;
    WORD xDensity, yDensity;
    short colorDepth;
    HLOCAL info;
};
#pragma pack(pop)

typedef int(WINAPI* SpiGetPictureInfo)(LPCSTR data, LONG_PTR length, unsigned int flag, SpiPictureInfo* info);
typedef int(WINAPI* SpiGetPicture)(LPCSTR data, LONG_PTR length, unsigned int flag, HLOCAL* header, HLOCAL* bits,
                                   FARPROC progress, LONG_PTR userData);

// One row of the plug-in table: what the host needs to call a plug-in.
struct SpiPlugin {
    std::string extension;
    std::string path;
    HMODULE module = nullptr;
    SpiGetPictureInfo getPictureInfo = nullptr;
    SpiGetPicture getPicture = nullptr;
};

// Loads each row's DLL; a row keeps its module only when it exports both
// entry points. True when any module was kept.
bool LoadSpiModules(std::vector<SpiPlugin>& table);
// The extension that the plug-in at path offers (GetPluginInfo); "" when it
// cannot be loaded or names none.
std::string PluginExtension(const char* path);
void UnloadSpiModules(std::vector<SpiPlugin>& table);

// Width and height of a picture file (offset 0, then 128).
bool SpiPictureSize(const SpiPlugin& plugin, const char* path, int* width, int* height);
// Decodes a file image into a packed DIB (header, colours, pixels in one
// block); the plug-in's memory is freed before returning.
bool SpiDecode(const SpiPlugin& plugin, const BYTE* data, DWORD size, std::vector<BYTE>& packedDib);

// The table as the picture scan sees it.
class CSpiPlugins : public IPicturePlugins {
public:
    explicit CSpiPlugins(std::vector<SpiPlugin>& table) : table_(table) {}
    int Count() override { return (int)table_.size(); }
    const char* Extension(int plugin) override { return table_[plugin].extension.c_str(); }
    bool PictureSize(int plugin, const char* path, int* width, int* height) override {
        return SpiPictureSize(table_[plugin], path, width, height);
    }
    bool Decode(int plugin, const BYTE* data, DWORD size, std::vector<BYTE>& packedDib) override {
        return SpiDecode(table_[plugin], data, size, packedDib);
    }

private:
    std::vector<SpiPlugin>& table_;
};

// The table of Susie image plug-ins, read from the settings of the sibling
// program at start-up and loaded on first use.
#pragma once
#include <windows.h>

#include <string>

class CWinApp;

// The two entry points of a plug-in, as the plug-in interface defines them.
typedef int(WINAPI* SusieGetPictureInfo)(LPSTR buffer, long length, unsigned int flag, void* info);
typedef int(WINAPI* SusieGetPicture)(LPSTR buffer, long length, unsigned int flag, HANDLE* header, HANDLE* bits,
                                     FARPROC progress, long data);

enum { kMaxPlugins = 32 };

struct SusiePlugin {
    std::string extension;
    std::string path;
    HMODULE module = nullptr;
    SusieGetPictureInfo getPictureInfo = nullptr;
    SusieGetPicture getPicture = nullptr;
};

struct PluginTable {
    SusiePlugin rows[kMaxPlugins];
    int count = 0;
    bool loaded = false;
};

PluginTable& Plugins();
// Reads keys "SPI1" to "SPI32" of section "SPI" under the profile name zvdesk32.
void ReadPluginTable(CWinApp& app);
// Loads every row; a row keeps its module only when both entry points exist.
void LoadPlugins();
void UnloadPlugins();

#include "plugins.h"

#include <stdio.h>

#include "afxwin.h"
#include "ui/pluginvalue.h"

namespace {
const char kPluginProfile[] = "zvdesk32";
}

PluginTable& Plugins() {
    static PluginTable table;
    return table;
}

void ReadPluginTable(CWinApp& app) {
    PluginTable& table = Plugins();
    table.count = 0;
    CString ownName = app.m_appName;
    app.m_appName = kPluginProfile;
    for (int i = 1; i <= kMaxPlugins; ++i) {
        char key[16];
        snprintf(key, sizeof(key), "SPI%d", i);
        CString value = app.GetProfileString("SPI", key, "");
        SusiePlugin& row = table.rows[table.count];
        if (SplitPluginValue(value, row.extension, row.path)) ++table.count;
    }
    app.m_appName = ownName;
}

void LoadPlugins() {
    PluginTable& table = Plugins();
    for (int i = 0; i < table.count; ++i) {
        SusiePlugin& row = table.rows[i];
        if (row.module) continue;
        HMODULE module = LoadLibraryA(row.path.c_str());
        if (!module) continue;
        auto info = (SusieGetPictureInfo)(void*)GetProcAddress(module, "GetPictureInfo");
        auto picture = (SusieGetPicture)(void*)GetProcAddress(module, "GetPicture");
        if (!info || !picture) {
            FreeLibrary(module);
            continue;
        }
        row.module = module;
        row.getPictureInfo = info;
        row.getPicture = picture;
        table.loaded = true;
    }
}

void UnloadPlugins() {
    PluginTable& table = Plugins();
    for (int i = 0; i < table.count; ++i) {
        SusiePlugin& row = table.rows[i];
        if (row.module) FreeLibrary(row.module);
        row.module = nullptr;
        row.getPictureInfo = nullptr;
        row.getPicture = nullptr;
    }
    table.loaded = false;
}

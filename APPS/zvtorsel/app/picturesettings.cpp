#include "picturesettings.h"

#include <stdio.h>

#include "afxwin.h"
#include "resource.h"

namespace {

const char kSpiProfile[] = "zvdesk32";
const char kSpiSection[] = "SPI";

// The settings store is addressed under another program's name for the
// plug-in list, and switched back afterwards.
class CProfileNameSwitch {
public:
    CProfileNameSwitch(CWinApp& app, const char* name) : app_(app), saved_(app.m_appName) { app.m_appName = name; }
    ~CProfileNameSwitch() { app_.m_appName = saved_; }

private:
    CWinApp& app_;
    CString saved_;
};

std::vector<SpiPlugin> g_table;
bool g_tableRead = false;
bool g_loaded = false;

}  // namespace

std::vector<SpiListEntry> ReadSpiList(CWinApp& app) {
    CProfileNameSwitch profile(app, kSpiProfile);
    std::vector<SpiListEntry> rows;
    for (int i = 1; i <= kMaxSpiPlugins; ++i) {
        char key[16];
        snprintf(key, sizeof(key), "SPI%d", i);
        SpiListEntry row;
        if (ParseSpiValue(app.GetProfileString(kSpiSection, key, "").c_str(), row)) rows.push_back(row);
    }
    return rows;
}

void WriteSpiList(CWinApp& app, const std::vector<SpiListEntry>& rows) {
    CProfileNameSwitch profile(app, kSpiProfile);
    for (int i = 1; i <= kMaxSpiPlugins; ++i) {
        char key[16];
        snprintf(key, sizeof(key), "SPI%d", i);
        std::string value = i <= (int)rows.size() ? FormatSpiValue(rows[i - 1]) : std::string();
        app.WriteProfileString(kSpiSection, key, value.c_str());
    }
}

std::vector<SpiPlugin>& SpiTable() {
    if (!g_tableRead && AfxGetApp()) ResetSpiTable(ReadSpiList(*AfxGetApp()));
    return g_table;
}

std::vector<SpiPlugin>& LoadedSpiTable() {
    std::vector<SpiPlugin>& table = SpiTable();
    if (!g_loaded) g_loaded = LoadSpiModules(table);
    return table;
}

void UnloadSpiTable() {
    UnloadSpiModules(g_table);
    g_loaded = false;
}

void ResetSpiTable(const std::vector<SpiListEntry>& rows) {
    UnloadSpiTable();
    g_table.clear();
    for (const SpiListEntry& row : rows) {
        SpiPlugin plugin;
        plugin.extension = row.extension;
        plugin.path = row.path;
        g_table.push_back(plugin);
    }
    g_tableRead = true;
}

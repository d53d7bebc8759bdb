#include "picturesettings.h"

#include <stdio.h>

#include "afxwin.h"
#include "resource.h"

namespace {

const char kSection[] = "ScanPicture";
const char kSpiProfile[] = "zvdesk32";
const char kSpiSection[] = "SPI";
const char* const kTypeKeys[6] = {"bmp", "gif", "jpg", "png", "pjpg", "xbm"};

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

void ReadPictureScanSettings(CWinApp& app, PictureScanSettings& s) {
    auto get = [&](const char* key, int value) { return (int)app.GetProfileInt(kSection, key, value); };
    s.baseFolderNo = get("BaseFolderNo", 0);
    s.scanLimit = get("ScanLimit", 999);
    for (int t = 0; t < 6; ++t) s.types[t] = get(kTypeKeys[t], 1) != 0;
    s.classResFile = get("ClassResFile", 0) != 0;
    s.addOther = get("AddOther", 1) != 0;
    s.sizeMinX = get("SizeMinX", 1);
    s.sizeMinY = get("SizeMinY", 1);
    s.sizeMaxX = get("SizeMaxX", 2047);
    s.sizeMaxY = get("SizeMaxY", 2047);
    s.thumbnail = get("Thumbnail", 0) != 0;
    s.thumbNaming = get("ThumbNaming", 1) != 0;
    s.fontHeight = get("ThumbFontHeight", 12);
    s.fontWidth = get("ThumbFontWidth", 0);
    s.fontEscapement = get("ThumbFontEsc", 0);
    s.fontOrientation = get("ThumbFontOrient", 0);
    s.fontWeight = get("ThumbFontWeight", 0);
    s.fontItalic = (BYTE)get("ThumbFontItalic", 0);
    s.fontUnderline = (BYTE)get("ThumbFontUnderline", 0);
    s.fontStrikeOut = (BYTE)get("ThumbFontStrikeOut", 0);
    s.fontCharSet = (BYTE)get("ThumbFontCharSet", 1);
    s.fontOutPrecision = (BYTE)get("ThumbFontOutPrec", 0);
    s.fontClipPrecision = (BYTE)get("ThumbFontClipPrec", 0);
    s.fontQuality = (BYTE)get("ThumbFontQuality", 0);
    s.fontPitchFamily = (BYTE)get("ThumbFontPitchFamily", 0);
    s.fontName = app.GetProfileString(kSection, "ThumbFontName", "").c_str();
    if (s.fontName.empty()) {
        char name[LF_FACESIZE];
        if (AfxLoadString(IDS_DEFAULT_THUMB_FONT, name, sizeof(name))) s.fontName = name;
    }
    s.fontColor = (DWORD)get("ThumbFontColor", 0);
    s.thumbWidth = get("ThumbWidth", 64);
    if (s.thumbWidth < 8 || s.thumbWidth > 256) s.thumbWidth = 64;
    s.thumbWidth -= s.thumbWidth % 8;
    s.thumbHCount = get("ThumbHCount", 8);
    if (s.thumbHCount < 1 || s.thumbHCount > 32) s.thumbHCount = 8;
    s.border = get("Border", 0) != 0;
    s.separation = get("Separation", 0) != 0;
    s.textColor = (DWORD)get("TextColor", 0);
    s.linkColor = (DWORD)get("LinkColor", 255);
    s.backColor = (DWORD)get("BackColor", 16777215);
    s.fontSize = get("FontSize", 3);
    s.lineSpace = get("LineSpace", 0) != 0;
    s.unorderedList = get("UnorderedList", 0) != 0;
}

void WritePictureScanSettings(CWinApp& app, const PictureScanSettings& s) {
    auto put = [&](const char* key, int value) { app.WriteProfileInt(kSection, key, value); };
    put("BaseFolderNo", s.baseFolderNo);
    put("ScanLimit", s.scanLimit);
    for (int t = 0; t < 6; ++t) put(kTypeKeys[t], s.types[t]);
    put("ClassResFile", s.classResFile);
    put("AddOther", s.addOther);
    put("SizeMinX", s.sizeMinX);
    put("SizeMinY", s.sizeMinY);
    put("SizeMaxX", s.sizeMaxX);
    put("SizeMaxY", s.sizeMaxY);
    put("Thumbnail", s.thumbnail);
    put("ThumbNaming", s.thumbNaming);
    put("ThumbFontHeight", s.fontHeight);
    put("ThumbFontWidth", s.fontWidth);
    put("ThumbFontEsc", s.fontEscapement);
    put("ThumbFontOrient", s.fontOrientation);
    put("ThumbFontWeight", s.fontWeight);
    put("ThumbFontItalic", s.fontItalic);
    put("ThumbFontUnderline", s.fontUnderline);
    put("ThumbFontStrikeOut", s.fontStrikeOut);
    put("ThumbFontCharSet", s.fontCharSet);
    put("ThumbFontOutPrec", s.fontOutPrecision);
    put("ThumbFontClipPrec", s.fontClipPrecision);
    put("ThumbFontQuality", s.fontQuality);
    put("ThumbFontPitchFamily", s.fontPitchFamily);
    app.WriteProfileString(kSection, "ThumbFontName", s.fontName.c_str());
    put("ThumbFontColor", (int)s.fontColor);
    put("ThumbWidth", s.thumbWidth);
    put("ThumbHCount", s.thumbHCount);
    put("Border", s.border);
    put("Separation", s.separation);
    put("TextColor", (int)s.textColor);
    put("LinkColor", (int)s.linkColor);
    put("BackColor", (int)s.backColor);
    put("FontSize", s.fontSize);
    put("LineSpace", s.lineSpace);
    put("UnorderedList", s.unorderedList);
}

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

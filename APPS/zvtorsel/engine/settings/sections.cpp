#include "settings/sections.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "mapping/mapping_settings.h"
#include "pictures/viewerlogic.h"

const char kListSection[] = "CreateList";
const char kSearchSection[] = "SearchKeyWord";
const char kSourceViewerSection[] = "ViewSrc";
const char kPictureViewerSection[] = "ViewPic";

namespace {

const char kRebuildSection[] = "Rebuild";
const char kTreeSection[] = "RebuildTree";
const char kPictureSection[] = "ScanPicture";
const char kDownloadSection[] = "DownLoad";
const int kMissing = -1;

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

std::string FolderKey(int n) {
    if (n == 0) return "RebuildFolder";
    char key[32];
    snprintf(key, sizeof key, "RebuildFolder%d", n);
    return key;
}

int WrittenWhenMissing(IProfileStore& store, const char* section, const char* key, int defaultValue) {
    int value = store.GetInt(section, key, kMissing);
    if (value != kMissing) return value;
    store.WriteInt(section, key, defaultValue);
    return defaultValue;
}

// The page format keys shared by the report sections.
void ReadFormat(IProfileStore& store, const char* section, PageFormat& f) {
    f.textColor = (DWORD)store.GetInt(section, "TextColor", 0) & 0xFFFFFF;
    f.linkColor = (DWORD)store.GetInt(section, "LinkColor", 255) & 0xFFFFFF;
    f.backColor = (DWORD)store.GetInt(section, "BackColor", 0xFFFFFF) & 0xFFFFFF;
    f.fontSize = Clamp(store.GetInt(section, "FontSize", 3), 1, 7);
    f.title = store.GetInt(section, "Title", 1) != 0;
    f.sortType = store.GetInt(section, "SortType", 0) ? 1 : 0;
    f.lineSpace = store.GetInt(section, "LineSpace", 0) != 0;
    f.unorderedList = store.GetInt(section, "UnorderedList", 0) != 0;
}

void WriteFormat(IProfileStore& store, const char* section, const PageFormat& f) {
    store.WriteInt(section, "TextColor", (int)f.textColor);
    store.WriteInt(section, "LinkColor", (int)f.linkColor);
    store.WriteInt(section, "BackColor", (int)f.backColor);
    store.WriteInt(section, "FontSize", f.fontSize);
    store.WriteInt(section, "Title", f.title ? 1 : 0);
    store.WriteInt(section, "SortType", f.sortType);
    store.WriteInt(section, "LineSpace", f.lineSpace ? 1 : 0);
    store.WriteInt(section, "UnorderedList", f.unorderedList ? 1 : 0);
}

std::string HistoryKey(int field, int position) {
    char key[16];
    snprintf(key, sizeof key, "KeyWord%x%x", field, position);
    return key;
}

const char* const kDefaultListedFiles[] = {"index", "index_j", "index-j", "default"};
const char* const kPictureTypeKeys[6] = {"bmp", "gif", "jpg", "png", "pjpg", "xbm"};

}  // namespace

// ---- Rebuild --------------------------------------------------------------

void ReadRebuildSection(IProfileStore& store, const char* defaultFolder, RebuildSection& out) {
    RebuildSettings& s = out.settings;
    for (int i = 0; i < kRebuildFolderCount; ++i)
        s.rebuildFolders[i] = store.GetString(kRebuildSection, FolderKey(i).c_str(), i == 0 ? defaultFolder : "");
    auto get = [&](const char* key, int value) { return store.GetInt(kRebuildSection, key, value); };
    s.viewHistTree = get("ViewHistTree", 1);
    s.hideWarning = get("HideWarning", 0);
    s.cnvtPercent = get("CnvtPercent", 0);
    s.checkCopyMark = get("CheckCopyMark", 1);
    s.moveCheckSP = get("szMoveCheckSP", 1);
    s.cacheBackDL = get("CacheBackDL", 1);
    s.xlatRebuild = get("XlatRebuild", 0);
    s.saveOrg = get("SaveOrg", 1);
    s.useNoframeTag = get("UseNoframeTag", 1);
    s.renameOld = get("RenameOld", 0);
    s.contRbldTree = get("ContRbldTree", 0);
    s.cacheFolder = store.GetString(kRebuildSection, "CacheFolder");
    out.fileProtocolType = MappingSettings::ValidFileProtocolType(get("FileProtocolType", 2));
    out.cgiLimitLen = WrittenWhenMissing(store, kRebuildSection, "CgiLimitLen", 50);
    out.cgiShortenLen = WrittenWhenMissing(store, kRebuildSection, "CgiShortenLen", 0);
    out.noWarning129 = get("NoWarning129", 0) != 0;
}

void WriteRebuildOptions(IProfileStore& store, const RebuildOptions& options) {
    const RebuildSettings& s = options.settings;
    store.WriteString(kRebuildSection, FolderKey(0).c_str(), s.rebuildFolders[0].c_str());
    for (int i = 1; i < kRebuildFolderCount; ++i)
        store.WriteString(kRebuildSection, FolderKey(i).c_str(),
                          s.rebuildFolders[i].empty() ? nullptr : s.rebuildFolders[i].c_str());
    auto put = [&](const char* key, int value) { store.WriteInt(kRebuildSection, key, value); };
    put("ViewHistTree", s.viewHistTree);
    put("HideWarning", s.hideWarning);
    put("CnvtPercent", s.cnvtPercent);
    put("CheckCopyMark", s.checkCopyMark);
    put("szMoveCheckSP", s.moveCheckSP);
    put("CacheBackDL", s.cacheBackDL);
    put("XlatRebuild", s.xlatRebuild);
    put("UseNoframeTag", s.useNoframeTag);
    put("RenameOld", s.renameOld);
    put("ContRbldTree", s.contRbldTree);
    put("FileProtocolType", MappingSettings::ValidFileProtocolType(options.fileProtocolType));
    store.WriteString(kRebuildSection, "CacheFolder", s.cacheFolder.c_str());
}

void WriteRebuildFolder(IProfileStore& store, const char* folder) {
    store.WriteString(kRebuildSection, FolderKey(0).c_str(), folder);
}

void WriteNoWarning129(IProfileStore& store, bool noMore) {
    store.WriteInt(kRebuildSection, "NoWarning129", noMore ? 1 : 0);
}

// ---- RebuildTree ------------------------------------------------------------

void ReadTreeWindowLayout(IProfileStore& store, TreeWindowLayout& l) {
    auto get = [&](const char* key, int value) { return store.GetInt(kTreeSection, key, value); };
    l.dividers.arrangement = get("TreeArrangement", 0) == 1 ? ARRANGE_STACKED : ARRANGE_SIDE_BY_SIDE;
    l.cmdShow = get("CmdShow", 1);
    l.posX = get("PosX", 0);
    l.posY = get("PosY", 0);
    l.sizeX = get("SizeX", 0);
    l.sizeY = get("SizeY", 0);
    l.dividers.hSplit = get("HSplit", 0);
    l.dividers.vSplit = get("VSplit", 0);
    l.dividers.rebuildVSplit = get("RebuildVSplit", 0);
    l.dividers.cacheVSplit = get("CacheVSplit", 0);
    l.dividers.warningHSplit = std::max(get("WarningHSplit", 60), 5);
    l.rebuildSort = (DWORD)get("RebuildSort", 0);
    l.cacheSort = (DWORD)get("CacheSort", 0);
}

void WriteTreeWindowLayout(IProfileStore& store, const TreeWindowLayout& l) {
    auto put = [&](const char* key, int value) { store.WriteInt(kTreeSection, key, value); };
    put("TreeArrangement", l.dividers.arrangement);
    put("CmdShow", l.cmdShow);
    put("PosX", l.posX);
    put("PosY", l.posY);
    put("SizeX", l.sizeX);
    put("SizeY", l.sizeY);
    put("HSplit", l.dividers.hSplit);
    put("VSplit", l.dividers.vSplit);
    put("RebuildVSplit", l.dividers.rebuildVSplit);
    put("CacheVSplit", l.dividers.cacheVSplit);
    put("WarningHSplit", l.dividers.warningHSplit);
    put("RebuildSort", (int)l.rebuildSort);
    put("CacheSort", (int)l.cacheSort);
}

// ---- CreateList and SearchKeyWord ---------------------------------------------

void ReadListSettings(IProfileStore& store, ListSettings& out) {
    out.baseFolderNo = Clamp(store.GetInt(kListSection, "BaseFolderNo", 0), 0, kFolderNumbers - 1);
    ReadFormat(store, kListSection, out.format);
    out.listedFiles.clear();
    if (store.GetString(kListSection, "ListedFile0").empty()) {
        out.listedFiles.assign(std::begin(kDefaultListedFiles), std::end(kDefaultListedFiles));
        return;
    }
    for (int i = 0; i < kMaxListedFiles; ++i) {
        char key[16];
        snprintf(key, sizeof key, "ListedFile%d", i);
        std::string name = store.GetString(kListSection, key);
        if (!name.empty()) out.listedFiles.push_back(name);
    }
}

void WriteListSettings(IProfileStore& store, const ListSettings& s) {
    store.WriteInt(kListSection, "BaseFolderNo", s.baseFolderNo);
    WriteFormat(store, kListSection, s.format);
    int count = (int)std::min(s.listedFiles.size(), (size_t)kMaxListedFiles);
    for (int i = 0; i < kMaxListedFiles; ++i) {
        char key[16];
        snprintf(key, sizeof key, "ListedFile%d", i);
        store.WriteString(kListSection, key, i < count ? s.listedFiles[i].c_str() : nullptr);
    }
}

void ReadSearchSettings(IProfileStore& store, SearchSettings& out) {
    out.baseFolderNo = Clamp(store.GetInt(kSearchSection, "BaseFolderNo", 0), 0, kFolderNumbers - 1);
    ReadFormat(store, kSearchSection, out.format);
    for (int field = 0; field < kKeywordFields; ++field) {
        out.history[field].clear();
        for (int i = 0; i < kKeywordHistory; ++i) {
            std::string word = store.GetString(kSearchSection, HistoryKey(field, i).c_str());
            if (!word.empty()) out.history[field].push_back(word);
        }
    }
    out.orOperation = store.GetInt(kSearchSection, "Operation", 0) != 0;
    out.matchCase = store.GetInt(kSearchSection, "Case", 0) != 0;
    out.patterns = store.GetInt(kSearchSection, "RE", 0) != 0;
}

void WriteSearchSettings(IProfileStore& store, const SearchSettings& s) {
    store.WriteInt(kSearchSection, "BaseFolderNo", s.baseFolderNo);
    for (int field = 0; field < kKeywordFields; ++field) {
        const std::vector<std::string>& h = s.history[field];
        for (int i = 0; i < kKeywordHistory; ++i)
            store.WriteString(kSearchSection, HistoryKey(field, i).c_str(), i < (int)h.size() ? h[i].c_str() : nullptr);
    }
    WriteFormat(store, kSearchSection, s.format);
    store.WriteInt(kSearchSection, "Operation", s.orOperation ? 1 : 0);
    store.WriteInt(kSearchSection, "Case", s.matchCase ? 1 : 0);
    store.WriteInt(kSearchSection, "RE", s.patterns ? 1 : 0);
}

// ---- ScanPicture ------------------------------------------------------------------

void ReadPictureScanSettings(IProfileStore& store, const char* defaultFontName, PictureScanSettings& s) {
    auto get = [&](const char* key, int value) { return store.GetInt(kPictureSection, key, value); };
    s.baseFolderNo = get("BaseFolderNo", 0);
    s.scanLimit = get("ScanLimit", 999);
    for (int t = 0; t < 6; ++t) s.types[t] = get(kPictureTypeKeys[t], 1) != 0;
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
    s.fontName = store.GetString(kPictureSection, "ThumbFontName");
    if (s.fontName.empty() && defaultFontName) s.fontName = defaultFontName;
    s.fontColor = (DWORD)get("ThumbFontColor", 0);
    s.thumbWidth = get("ThumbWidth", 64);
    if (s.thumbWidth < 8 || s.thumbWidth > 256) s.thumbWidth = 64;
    s.thumbWidth -= s.thumbWidth % 8;
    s.thumbHCount = get("ThumbHCount", 8);
    if (s.thumbHCount < 1 || s.thumbHCount > 32) s.thumbHCount = 8;
    s.border = get("Border", 0) != 0;
    s.separation = get("Separation", 0) != 0;
    s.format.textColor = (DWORD)get("TextColor", 0);
    s.format.linkColor = (DWORD)get("LinkColor", 255);
    s.format.backColor = (DWORD)get("BackColor", 16777215);
    s.format.fontSize = get("FontSize", 3);
    s.format.lineSpace = get("LineSpace", 0) != 0;
    s.format.unorderedList = get("UnorderedList", 0) != 0;
}

void WritePictureScanSettings(IProfileStore& store, const PictureScanSettings& s) {
    auto put = [&](const char* key, int value) { store.WriteInt(kPictureSection, key, value); };
    put("BaseFolderNo", s.baseFolderNo);
    put("ScanLimit", s.scanLimit);
    for (int t = 0; t < 6; ++t) put(kPictureTypeKeys[t], s.types[t]);
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
    store.WriteString(kPictureSection, "ThumbFontName", s.fontName.c_str());
    put("ThumbFontColor", (int)s.fontColor);
    put("ThumbWidth", s.thumbWidth);
    put("ThumbHCount", s.thumbHCount);
    put("Border", s.border);
    put("Separation", s.separation);
    put("TextColor", (int)s.format.textColor);
    put("LinkColor", (int)s.format.linkColor);
    put("BackColor", (int)s.format.backColor);
    put("FontSize", s.format.fontSize);
    put("LineSpace", s.format.lineSpace);
    put("UnorderedList", s.format.unorderedList);
}

// ---- DownLoad -------------------------------------------------------------------------

void ReadDownloadSettings(IProfileStore& store, DownloadSettings& out) {
    out.threads = ClampThreadCount(store.GetInt(kDownloadSection, "ThreadEntry", 1));
    out.disconnect = store.GetInt(kDownloadSection, "Disconnect", 0) != 0;
}

void WriteDownloadSettings(IProfileStore& store, const DownloadSettings& s) {
    store.WriteInt(kDownloadSection, "ThreadEntry", s.threads);
    store.WriteInt(kDownloadSection, "Disconnect", s.disconnect ? 1 : 0);
}

// ---- ViewSrc and ViewPic ---------------------------------------------------------------

void ReadViewerWindowPlace(IProfileStore& store, const char* section, ViewerWindowPlace& out) {
    out.cmdShow = store.GetInt(section, "CmdShow", 1);
    // Without a stored place the picture viewer centres itself.
    bool picture = strcmp(section, kPictureViewerSection) == 0;
    out.posX = store.GetInt(section, "PosX", picture ? kViewerNoPosition : 0);
    out.posY = store.GetInt(section, "PosY", 0);
    out.sizeX = store.GetInt(section, "SizeX", 0);
    out.sizeY = store.GetInt(section, "SizeY", 0);
}

void WriteViewerWindowPlace(IProfileStore& store, const char* section, const ViewerWindowPlace& p) {
    store.WriteInt(section, "CmdShow", p.cmdShow);
    store.WriteInt(section, "PosX", p.posX);
    store.WriteInt(section, "PosY", p.posY);
    if (p.sizeX || p.sizeY) {
        store.WriteInt(section, "SizeX", p.sizeX);
        store.WriteInt(section, "SizeY", p.sizeY);
    }
}

// Every section of the settings read from and written to one store: the
// defaults of an empty store, clamping of values out of range, and what a
// write leaves behind.
#include "settings/sections.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

TEST(RebuildSection, EmptyStoreGivesDefaultsAndTheCgiKeysAreWritten) {
    CMemoryProfileStore store;
    RebuildSection r;
    ReadRebuildSection(store, "C:\\My Documents\\Internet Local Files\\", r);
    EXPECT_EQ("C:\\My Documents\\Internet Local Files\\", r.settings.rebuildFolders[0]);
    EXPECT_EQ("", r.settings.rebuildFolders[63]);
    EXPECT_EQ(1, r.settings.viewHistTree);
    EXPECT_EQ(1, r.settings.saveOrg);
    EXPECT_EQ(0, r.settings.xlatRebuild);
    EXPECT_EQ(2, r.fileProtocolType);
    EXPECT_EQ(50, r.cgiLimitLen);
    EXPECT_FALSE(r.noWarning129);
    EXPECT_EQ((std::map<std::string, std::string>{{"Rebuild/CgiLimitLen", "50"}, {"Rebuild/CgiShortenLen", "0"}}),
              store.values);

    store.values["Rebuild/CgiLimitLen"] = "80";
    store.values["Rebuild/FileProtocolType"] = "7";  // anything but 3 is the default form
    store.values["Rebuild/RebuildFolder"] = "";      // stored empty stays empty
    ReadRebuildSection(store, "D:\\", r);
    EXPECT_EQ(80, r.cgiLimitLen);
    EXPECT_EQ(2, r.fileProtocolType);
    EXPECT_EQ("", r.settings.rebuildFolders[0]);
}

TEST(RebuildSection, OptionsWriteEveryKeyAndRemoveUnusedFolderSlots) {
    RebuildOptions options;
    RebuildSettings& s = options.settings;
    s.rebuildFolders[0] = "C:\\a\\";
    s.rebuildFolders[1] = "(D:\\off)";
    s.rebuildFolders[2] = "E:\\\x83\x5c\\";
    s.viewHistTree = 0;
    s.hideWarning = 1;
    s.cnvtPercent = 1;
    s.checkCopyMark = 0;
    s.moveCheckSP = 1;
    s.cacheBackDL = 0;
    s.xlatRebuild = 1;
    s.saveOrg = 0;
    s.useNoframeTag = 0;
    s.renameOld = 1;
    s.contRbldTree = 1;
    s.cacheFolder = "F:\\old cache\\";
    options.fileProtocolType = 3;

    CMemoryProfileStore store;
    store.values["Rebuild/RebuildFolder5"] = "stale";
    WriteRebuildOptions(store, options);
    std::map<std::string, std::string> expected = {
        {"Rebuild/RebuildFolder", "C:\\a\\"},
        {"Rebuild/RebuildFolder1", "(D:\\off)"},
        {"Rebuild/RebuildFolder2", "E:\\\x83\x5c\\"},
        {"Rebuild/ViewHistTree", "0"},
        {"Rebuild/HideWarning", "1"},
        {"Rebuild/CnvtPercent", "1"},
        {"Rebuild/CheckCopyMark", "0"},
        {"Rebuild/szMoveCheckSP", "1"},
        {"Rebuild/CacheBackDL", "0"},
        {"Rebuild/XlatRebuild", "1"},
        {"Rebuild/UseNoframeTag", "0"},
        {"Rebuild/RenameOld", "1"},
        {"Rebuild/ContRbldTree", "1"},
        {"Rebuild/FileProtocolType", "3"},
        {"Rebuild/CacheFolder", "F:\\old cache\\"},
    };
    EXPECT_EQ(expected, store.values);  // SaveOrg is not the dialog's to change

    RebuildSection back;
    ReadRebuildSection(store, "", back);
    for (int i = 0; i < kRebuildFolderCount; ++i) EXPECT_EQ(s.rebuildFolders[i], back.settings.rebuildFolders[i]);
    EXPECT_EQ(3, back.fileProtocolType);
    EXPECT_EQ(s.cacheFolder, back.settings.cacheFolder);

    WriteNoWarning129(store, true);
    WriteRebuildFolder(store, "G:\\new\\");
    ReadRebuildSection(store, "", back);
    EXPECT_TRUE(back.noWarning129);
    EXPECT_EQ("G:\\new\\", back.settings.rebuildFolders[0]);
}

TEST(TreeWindowLayout, RoundTripsAndKeepsTheWarningsVisible) {
    CMemoryProfileStore store;
    TreeWindowLayout l;
    ReadTreeWindowLayout(store, l);
    EXPECT_EQ(1, l.cmdShow);
    EXPECT_EQ(60, l.dividers.warningHSplit);
    EXPECT_EQ(ARRANGE_SIDE_BY_SIDE, l.dividers.arrangement);

    l.dividers.arrangement = ARRANGE_STACKED;
    l.posX = -4;
    l.sizeX = 640;
    l.dividers.cacheVSplit = 120;
    l.cacheSort = 0x80000002u;
    WriteTreeWindowLayout(store, l);
    TreeWindowLayout back;
    ReadTreeWindowLayout(store, back);
    EXPECT_EQ(ARRANGE_STACKED, back.dividers.arrangement);
    EXPECT_EQ(-4, back.posX);
    EXPECT_EQ(640, back.sizeX);
    EXPECT_EQ(120, back.dividers.cacheVSplit);
    EXPECT_EQ(0x80000002u, back.cacheSort);

    store.values["RebuildTree/WarningHSplit"] = "2";
    store.values["RebuildTree/TreeArrangement"] = "9";  // unknown: side by side
    ReadTreeWindowLayout(store, back);
    EXPECT_EQ(5, back.dividers.warningHSplit);
    EXPECT_EQ(ARRANGE_SIDE_BY_SIDE, back.dividers.arrangement);
}

TEST(ReportSections, DefaultsHistoryAndKeyCleanup) {
    CMemoryProfileStore store;
    ListSettings list;
    ReadListSettings(store, list);
    EXPECT_EQ((std::vector<std::string>{"index", "index_j", "index-j", "default"}), list.listedFiles);
    EXPECT_EQ(255u, list.format.linkColor);
    EXPECT_EQ(0xFFFFFFu, list.format.backColor);
    EXPECT_TRUE(list.format.title);

    store.WriteString(kListSection, "ListedFile5", "stale");
    list.listedFiles = {"top", "home"};
    list.baseFolderNo = 3;
    WriteListSettings(store, list);
    EXPECT_EQ(0u, store.values.count("CreateList/ListedFile5"));
    ListSettings back;
    ReadListSettings(store, back);
    EXPECT_EQ(list.listedFiles, back.listedFiles);
    EXPECT_EQ(3, back.baseFolderNo);

    store.WriteInt(kListSection, "FontSize", 99);
    store.WriteInt(kListSection, "BaseFolderNo", 64);
    store.WriteInt(kListSection, "SortType", 7);    // unknown: title order
    store.WriteInt(kListSection, "LinkColor", -1);  // no stray high byte
    ReadListSettings(store, back);
    EXPECT_EQ(7, back.format.fontSize);
    EXPECT_EQ(63, back.baseFolderNo);
    EXPECT_EQ(1, back.format.sortType);
    EXPECT_EQ(0xFFFFFFu, back.format.linkColor);

    SearchSettings search;
    for (int i = 0; i < 12; ++i) AddToHistory(search.history[1], "w" + std::to_string(i));
    AddToHistory(search.history[1], "w5");
    ASSERT_EQ(10u, search.history[1].size());
    EXPECT_EQ("w5", search.history[1][0]);
    EXPECT_EQ("w11", search.history[1][1]);
    search.orOperation = true;
    WriteSearchSettings(store, search);
    EXPECT_EQ("w5", store.GetString(kSearchSection, "KeyWord10"));
    EXPECT_EQ("", store.GetString(kSearchSection, "KeyWord00"));
    SearchSettings searchBack;
    ReadSearchSettings(store, searchBack);
    EXPECT_EQ(search.history[1], searchBack.history[1]);
    EXPECT_TRUE(searchBack.orOperation);
}

TEST(PictureScanSection, DefaultsClampedSizesAndTheDefaultFont) {
    CMemoryProfileStore store;
    PictureScanSettings s;
    ReadPictureScanSettings(store, "Gothic", s);
    EXPECT_EQ(999, s.scanLimit);
    EXPECT_EQ(64, s.thumbWidth);
    EXPECT_EQ(8, s.thumbHCount);
    EXPECT_EQ("Gothic", s.fontName);
    EXPECT_EQ(1, s.fontCharSet);
    EXPECT_TRUE(s.types[TYPE_XBM]);

    store.values["ScanPicture/ThumbWidth"] = "100";  // down to a multiple of 8
    store.values["ScanPicture/ThumbHCount"] = "0";
    ReadPictureScanSettings(store, "Gothic", s);
    EXPECT_EQ(96, s.thumbWidth);
    EXPECT_EQ(8, s.thumbHCount);
    store.values["ScanPicture/ThumbWidth"] = "300";
    store.values["ScanPicture/ThumbHCount"] = "33";
    ReadPictureScanSettings(store, "Gothic", s);
    EXPECT_EQ(64, s.thumbWidth);
    EXPECT_EQ(8, s.thumbHCount);

    s.types[TYPE_GIF] = false;
    s.fontName = "Mincho";
    s.thumbWidth = 128;
    s.format.backColor = 0x102030;
    WritePictureScanSettings(store, s);
    EXPECT_EQ("0", store.values["ScanPicture/gif"]);
    PictureScanSettings back;
    ReadPictureScanSettings(store, "Gothic", back);
    EXPECT_FALSE(back.types[TYPE_GIF]);
    EXPECT_EQ("Mincho", back.fontName);
    EXPECT_EQ(128, back.thumbWidth);
    EXPECT_EQ(0x102030u, back.format.backColor);
}

TEST(DownloadSection, ThreadCountIsClampedToFive) {
    CMemoryProfileStore store;
    DownloadSettings d;
    ReadDownloadSettings(store, d);
    EXPECT_EQ(1, d.threads);
    EXPECT_FALSE(d.disconnect);
    for (auto stored : std::vector<std::pair<const char*, int>>{{"0", 1}, {"-3", 1}, {"9", 5}, {"4", 4}}) {
        store.values["DownLoad/ThreadEntry"] = stored.first;
        ReadDownloadSettings(store, d);
        EXPECT_EQ(stored.second, d.threads) << stored.first;
    }
    d.threads = 3;
    d.disconnect = true;
    WriteDownloadSettings(store, d);
    DownloadSettings back;
    ReadDownloadSettings(store, back);
    EXPECT_EQ(3, back.threads);
    EXPECT_TRUE(back.disconnect);
}

TEST(ViewerSections, ThePictureViewerStoresNoSize) {
    CMemoryProfileStore store;
    ViewerWindowPlace p;
    p.cmdShow = 3;
    p.posX = 10;
    p.posY = 20;
    WriteViewerWindowPlace(store, kPictureViewerSection, p);
    EXPECT_EQ(0u, store.values.count("ViewPic/SizeX"));
    p.sizeX = 300;
    p.sizeY = 200;
    WriteViewerWindowPlace(store, kSourceViewerSection, p);
    ViewerWindowPlace back;
    ReadViewerWindowPlace(store, kSourceViewerSection, back);
    EXPECT_EQ(3, back.cmdShow);
    EXPECT_EQ(20, back.posY);
    EXPECT_EQ(300, back.sizeX);
}

}  // namespace

// Cache folders of today's browsers, written by real browsers (the fixtures
// of cache/tests/data), placed as they lie on an old disk and rebuilt: pages
// in Shift_JIS with every local link resolving, pictures byte for byte, the
// cache folders the same to the byte and to the second afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "base/messagenumbers.h"
#include "cache/win32/cachefolder.h"
#include "jobs/rebuildjobs.h"
#include "jobs/tests/win32/diskkit.h"
#include "jobs/tests/win32/fixturetree.h"
#include "base/win32/win32desktop.h"
#include "mapping/mapping_settings.h"
#include "mapping/win32/win32_file_clock.h"
#include "tree/tests/testkit.h"

namespace {

using fixturetree::CopyTree;
using fixturetree::Fixtures;

using diskkit::ReadAll;
using diskkit::RemoveTree;
using diskkit::RunProgram;

using diskkit::LinksOf;
using diskkit::LocalTarget;

class BrowserCacheFolder : public ::testing::Test {
protected:
    void SetUp() override {
        settings.mapping.clock = &Win32FileClock();
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        base = std::string(temp) + "zvt_browsercache\\";
        RemoveTree(base);
        CreateDirectoryA(base.substr(0, base.size() - 1).c_str(), nullptr);
        FILETIME old = MakeTime(Utc(2019, 8, 7, 6, 5, 4));
        // Chromium keeps its HTTP cache four folders below "User Data";
        // beside it lie simple caches of its own that are no web sites.
        chromium = base + "old disk\\User Data\\";
        CreateDirectoryA((base + "old disk").c_str(), nullptr);
        CreateDirectoryA(chromium.substr(0, chromium.size() - 1).c_str(), nullptr);
        CreateDirectoryA((chromium + "Default").c_str(), nullptr);
        CreateDirectoryA((chromium + "Default\\Cache").c_str(), nullptr);
        CopyTree(Fixtures() + "chromium-simple\\", chromium + "Default\\Cache\\Cache_Data\\", old);
        CreateDirectoryA((chromium + "Default\\Code Cache").c_str(), nullptr);
        CopyTree(Fixtures() + "chromium-simple\\", chromium + "Default\\Code Cache\\js\\", old);
        firefox = base + "old disk\\Profiles\\k3x9.default-esr\\";
        CreateDirectoryA((base + "old disk\\Profiles").c_str(), nullptr);
        CreateDirectoryA(firefox.substr(0, firefox.size() - 1).c_str(), nullptr);
        CopyTree(Fixtures() + "firefox-cache2\\", firefox + "cache2\\", old);
        settings.rebuildFolders[0] = base + "rb\\";
        CreateDirectoryA((base + "rb").c_str(), nullptr);
    }
    void TearDown() override { RemoveTree(base); }

    void CheckSite() {
        std::string site = base + "rb\\http$\\127.0.0.1$3a8431\\";
        EXPECT_EQ(ReadAll(Fixtures() + "site\\img\\logo.gif"), ReadAll(site + "img\\logo.gif"));
        EXPECT_EQ(ReadAll(Fixtures() + "site\\img\\photo.bmp"), ReadAll(site + "img\\photo.bmp"));
        struct {
            const char* file;
            const char* text;  // Shift_JIS
        } pages[] = {
            {"index.html", "\x83\x5c\x81\x45\x95\x5c\x81\x45\x94\x5c\x81\x45\x8d\x5c\x82\xcc\x83\x79\x81\x5b\x83\x57"},
            {"news\\euc.html", "\x82\xb1\x82\xcc\x83\x79\x81\x5b\x83\x57\x82\xcd\x20\x45\x55\x43\x2d\x4a\x50\x20\x82\xc5"},
            {"jis.html", "\x82\xb1\x82\xcc\x83\x79\x81\x5b\x83\x57\x82\xcd\x20\x4a\x49\x53\x20\x82\xc5"},
            {"cgi\\search.cgi$3fq=sitekeeper.html", "\x8c\x9f\x8d\xf5\x8c\x8b\x89\xca"},
        };
        int links = 0;
        for (auto& page : pages) {
            std::string text = ReadAll(site + page.file);
            EXPECT_NE(std::string::npos, text.find(page.text)) << page.file;
            for (const std::string& link : LinksOf(text)) {
                ++links;
                EXPECT_NE("<missing>", ReadAll(LocalTarget(site + page.file, link))) << page.file << ": " << link;
            }
        }
        EXPECT_EQ(10, links);
        // The sheet's relative and root-relative references and the page's
        // style block lead to the rebuilt pictures.
        EXPECT_EQ(ReadAll(Fixtures() + "site\\img\\bg.gif"), ReadAll(site + "img\\bg.gif"));
        EXPECT_EQ(ReadAll(Fixtures() + "site\\img\\tile.gif"), ReadAll(site + "img\\tile.gif"));
        std::vector<std::string> sheetLinks = diskkit::StyleLinksOf(ReadAll(site + "css\\site.css"));
        ASSERT_EQ(2u, sheetLinks.size());
        EXPECT_EQ(ReadAll(Fixtures() + "site\\img\\bg.gif"), ReadAll(LocalTarget(site + "css\\site.css", sheetLinks[0])))
            << sheetLinks[0];
        EXPECT_EQ(ReadAll(Fixtures() + "site\\img\\logo.gif"), ReadAll(LocalTarget(site + "css\\site.css", sheetLinks[1])))
            << sheetLinks[1];
        std::vector<std::string> blockLinks = diskkit::StyleLinksOf(ReadAll(site + "index.html"));
        ASSERT_EQ(1u, blockLinks.size());
        EXPECT_EQ(ReadAll(Fixtures() + "site\\img\\tile.gif"), ReadAll(LocalTarget(site + "index.html", blockLinks[0])))
            << blockLinks[0];
        // Responses that are not pages are not rebuilt.
        EXPECT_EQ("<missing>", ReadAll(site + "favicon.ico"));
        EXPECT_EQ("<missing>", ReadAll(site + "old.html"));
    }

    std::string base, chromium, firefox;
    RebuildSettings settings;
    CWin32JobSystem files;
    CNullPaneView view;
    CRecordingReport report;
};

TEST_F(BrowserCacheFolder, RebuildsEachBrowsersSiteTranslatedAndLeavesTheFolderAsItWas) {
    for (const std::string* folder : {&chromium, &firefox}) {
        SCOPED_TRACE(*folder);
        RemoveTree(base + "rb\\");
        CreateDirectoryA((base + "rb").c_str(), nullptr);
        std::map<std::string, std::string> before, after;
        diskkit::TakeSnapshot(base + "old disk\\", before);
        settings.xlatRebuild = 1;
        std::vector<CacheDamage> why;
        std::unique_ptr<IUrlCache> store = OpenUrlCache(files, *folder, why);
        ASSERT_TRUE(store);
        EXPECT_TRUE(why.empty());
        EXPECT_TRUE(store->ReadOnly());
        {
            CRebuildJobs jobs(settings, files, *store, view, report, 0);
            ASSERT_EQ(1, jobs.BuildTrees());
            EXPECT_EQ(9u, jobs.cache.counters.c);
            ASSERT_EQ(1, jobs.ExecuteMarks());
        }
        CheckSite();
        diskkit::TakeSnapshot(base + "old disk\\", after);
        EXPECT_TRUE(before == after);
    }
    EXPECT_TRUE(report.warnings.empty()) << report.warnings[0].first;
}

TEST_F(BrowserCacheFolder, CommandJobsListAndRebuildEveryCacheFoundBelowTheFolder) {
    std::map<std::string, std::string> before, after;
    diskkit::TakeSnapshot(base + "old disk\\", before);
    std::string log = base + "list.txt";
    ASSERT_EQ(0, RunProgram("/cachelist \"/cache:" + base + "old disk\" \"/log:" + log + "\""));
    std::string listing = ReadAll(log);
    // Firefox fetched the site last: its responses are the newest.
    std::string entries = firefox + "cache2\\entries\\";
    EXPECT_NE(std::string::npos, listing.find("http://127.0.0.1:8431/jis.html\t" + entries +
                                              "B20F5E6DAFF82EF1A98922E822862FAE48E656F5\t281\t"
                                              "2003-04-05 06:07:08\ttext/html\t\t"
                                              "Profiles\\k3x9.default-esr\\cache2\\\r\n")) << listing;
    EXPECT_NE(std::string::npos, listing.find("http://127.0.0.1:8431/old.html\t\t0\t"));
    EXPECT_NE(std::string::npos, listing.find("\t301 http://127.0.0.1:8431/index.html\tUser Data\\Default\\Cache\\Cache_Data\\\r\n"));
    // Both browsers hold the site: one line per URL, and the count of the others.
    EXPECT_EQ(1u + listing.find("/img/photo.bmp\t"), 1u + listing.rfind("/img/photo.bmp\t"));
    EXPECT_NE(std::string::npos, listing.find("! " + base + "old disk\\ (9) : "));
    EXPECT_EQ(std::string::npos, listing.find("Code Cache"));

    EXPECT_EQ(2, RunProgram("/cachelist \"/cache:" + base + "rb\""));
    EXPECT_EQ(0, RunProgram("/rebuild \"/folder:" + base + "rb\\\" \"/cache:" + chromium + "\" \"/log:" + log + "\""));
    std::string site = base + "rb\\http$\\127.0.0.1$3a8431\\";
    EXPECT_EQ(ReadAll(Fixtures() + "site\\news\\euc.html"), ReadAll(site + "news\\euc.html"));
    EXPECT_EQ(ReadAll(Fixtures() + "site\\img\\photo.bmp"), ReadAll(site + "img\\photo.bmp"));
    diskkit::TakeSnapshot(base + "old disk\\", after);
    EXPECT_TRUE(before == after);
}

}  // namespace

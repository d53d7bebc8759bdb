// A whole old disk: two people, one on Windows XP's "Documents and
// Settings" and one on the "Users" of Vista and later, each with IE (an
// index.dat of our writer), Chromium and Firefox (the real fixtures of
// cache/tests/data placed in their real profile paths) and a Gecko cache of
// version 1. Every cache is found from any folder above it, becomes a root
// of its own captioned with whose it is, is listed by /caches and can be
// rebuilt alone; the disk stays the same to the byte and to the second.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/messagenumbers.h"
#include "cache/cacheset.h"
#include "cache/tests/indexdat_writer.h"
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
using fixturetree::MakeFolders;
using fixturetree::SetTime;

using diskkit::ReadAll;
using diskkit::RemoveTree;
using diskkit::RunProgram;
using diskkit::WriteAll;

const char kEllipsis[] = "\\\x81\x63\\";

// An IE cache of our writer: one page of host on its own.
void WriteIeCache(const std::string& content, const std::string& host, const FILETIME& time) {
    CIndexDatWriter writer;
    for (const std::string& folder : writer.folders) MakeFolders(content + folder + "\\");
    IndexDatWriterEntry e;
    e.url = "http://" + host + "/";
    e.file = "index[1].htm";
    std::string page = "<html><body>" + host + "</body></html>\n";
    e.size = (DWORD)page.size();
    e.modified = e.accessed = Utc(2006, 7, 8, 9, 10, 11);
    ASSERT_TRUE(WriteAll(content + writer.folders[0] + "\\" + e.file, page));
    SetTime(content + writer.folders[0] + "\\" + e.file, time);
    std::vector<BYTE> index = writer.Build({e});
    ASSERT_TRUE(WriteAll(content + "index.dat", std::string(index.begin(), index.end())));
    SetTime(content + "index.dat", time);
}

class WholeDisk : public ::testing::Test {
protected:
    void SetUp() override {
        settings.mapping.clock = &Win32FileClock();
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        base = std::string(temp) + "zvt_wholedisk\\";
        RemoveTree(base);
        disk = base + "disk\\";
        FILETIME old = MakeTime(Utc(2013, 2, 3, 4, 5, 6));
        taro = disk + "Users\\taro\\";
        std::string chrome = taro + "AppData\\Local\\Google\\Chrome\\User Data\\";
        CopyTree(Fixtures() + "chromium-simple\\", chrome + "Default\\Cache\\Cache_Data\\", old);
        // Chromium's own simple caches beside the HTTP cache are no web sites.
        CopyTree(Fixtures() + "chromium-simple\\", chrome + "Default\\Code Cache\\js\\", old);
        CopyTree(Fixtures() + "chrome-blockfile\\", chrome + "Profile 1\\Cache\\", old);
        CopyTree(Fixtures() + "firefox-cache2\\", taro + "AppData\\Local\\Mozilla\\Firefox\\Profiles\\x9y8z7.default\\cache2\\", old);
        WriteIeCache(taro + "AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files\\Content.IE5\\", "taro.zvtest", old);
        MakeFolders(taro + "AppData\\Local\\Microsoft\\Windows\\WebCache\\");
        ASSERT_TRUE(WriteAll(taro + "AppData\\Local\\Microsoft\\Windows\\WebCache\\WebCacheV01.dat", "ESE database"));
        MakeFolders(taro + "AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\x9y8z7.default\\");
        ASSERT_TRUE(WriteAll(taro + "AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\x9y8z7.default\\prefs.js", "//"));

        hanako = disk + "Documents and Settings\\hanako\\";
        std::string local = hanako + "Local Settings\\";
        WriteIeCache(local + "Temporary Internet Files\\Content.IE5\\", "hanako.zvtest", old);
        CopyTree(Fixtures() + "firefox3-cache\\", local + "Application Data\\Mozilla\\Firefox\\Profiles\\ab12cd34.default\\Cache\\", old);
        CopyTree(Fixtures() + "firefox-cache1\\", hanako + "Application Data\\Mozilla\\SeaMonkey\\Profiles\\sm.default\\q7w8e9.slt\\Cache\\", old);
        MakeFolders(hanako + "My Documents\\");
        settings.rebuildFolders[0] = base + "rb\\";
        MakeFolders(base + "rb\\");
    }
    void TearDown() override { RemoveTree(base); }

    std::string base, disk, taro, hanako;
    RebuildSettings settings;
    CWin32JobSystem files;
    CNullPaneView view;
    CRecordingReport report;
};

// The caches as "kind folder" below the disk, sorted.
std::vector<std::string> Found(const CacheSearch& search, const std::string& below) {
    std::vector<std::string> found;
    for (const FoundCache& cache : search.caches)
        found.push_back(std::string(CacheKindName(cache.kind)) + " " + cache.folder.substr(below.size()));
    std::sort(found.begin(), found.end());
    return found;
}

TEST_F(WholeDisk, EveryCacheIsFoundFromAnyFolderAboveItAndNothingElse) {
    const std::string t = "Users\\taro\\AppData\\Local\\", h = "Documents and Settings\\hanako\\";
    std::vector<std::string> all = {
        "chromium-blockfile " + t + "Google\\Chrome\\User Data\\Profile 1\\Cache\\",
        "chromium-simple " + t + "Google\\Chrome\\User Data\\Default\\Cache\\Cache_Data\\",
        "firefox-cache2 " + t + "Mozilla\\Firefox\\Profiles\\x9y8z7.default\\cache2\\",
        "ie " + h + "Local Settings\\Temporary Internet Files\\Content.IE5\\",
        "ie " + t + "Microsoft\\Windows\\Temporary Internet Files\\Content.IE5\\",
        "mozilla-v1 " + h + "Application Data\\Mozilla\\SeaMonkey\\Profiles\\sm.default\\q7w8e9.slt\\Cache\\",
        "mozilla-v1 " + h + "Local Settings\\Application Data\\Mozilla\\Firefox\\Profiles\\ab12cd34.default\\Cache\\",
    };
    std::sort(all.begin(), all.end());
    CacheSearch whole = FindCaches(files, disk);
    EXPECT_EQ(all, Found(whole, disk));
    ASSERT_EQ(1u, whole.unknown.size());
    EXPECT_EQ(disk + t + "Microsoft\\Windows\\WebCache\\WebCacheV01.dat", whole.unknown[0].where);
    EXPECT_FALSE(whole.cut);
    EXPECT_GT(whole.folders, 30u);

    // Each folder on the way finds the caches below it, the main profile included.
    struct {
        const char* folder;
        size_t count;
    } above[] = {{"Users", 4}, {"Users\\taro", 4}, {"Users\\taro\\AppData", 4}, {"Users\\taro\\AppData\\Local", 4},
                 {"Users\\taro\\AppData\\Local\\Google\\Chrome\\User Data", 2}, {"Documents and Settings", 3},
                 {"Documents and Settings\\hanako\\Local Settings", 2}};
    for (const auto& a : above) {
        CacheSearch search = FindCaches(files, disk + a.folder);
        std::vector<std::string> found = Found(search, disk);
        EXPECT_EQ(a.count, found.size()) << a.folder;
        for (const std::string& f : found) EXPECT_NE(all.end(), std::find(all.begin(), all.end(), f)) << f;
    }

    // A folder without any cache is said to hold none, without blaming index.dat.
    std::vector<CacheDamage> why;
    EXPECT_FALSE(OpenUrlCache(files, hanako + "My Documents", why));
    ASSERT_EQ(1u, why.size());
    EXPECT_EQ((UINT)IDS_CACHE_NONE_FOUND, why[0].message);
    EXPECT_EQ(hanako + "My Documents\\", why[0].where);
    // Only the unreadable store there: it is named.
    EXPECT_FALSE(OpenUrlCache(files, taro + "AppData\\Local\\Microsoft\\Windows\\WebCache", why));
    ASSERT_EQ(1u, why.size());
    EXPECT_EQ((UINT)IDS_WARN_CACHE_UNKNOWN, why[0].message);
}

// Vista's "AppData\Local\Application Data" is a junction to its own folder;
// a copied disk may hold one leading to the disk's top too. Neither is
// followed: the search ends, finds each cache once and says so in one row.
TEST_F(WholeDisk, JunctionsLeadingBackUpAreNotFollowedAndSaidSo) {
    std::string local = taro + "AppData\\Local";
    ASSERT_TRUE(diskkit::MakeFolderLink(local + "\\Application Data", local));
    ASSERT_TRUE(diskkit::MakeFolderLink(hanako + "My Documents\\disk", disk.substr(0, disk.size() - 1)));
    CacheSearch whole = FindCaches(files, disk);
    EXPECT_EQ(7u, whole.caches.size());
    std::vector<std::string> found = Found(whole, disk);
    EXPECT_EQ(found.end(), std::adjacent_find(found.begin(), found.end()));
    EXPECT_FALSE(whole.cut);
    ASSERT_EQ(2u, whole.unknown.size());
    EXPECT_EQ((UINT)IDS_WARN_CACHE_LINK_SKIPPED, whole.unknown[1].message);
    // Which link comes first is the listing's order.
    const std::string& where = whole.unknown[1].where;
    EXPECT_TRUE(where == local + "\\Application Data\\ (+1)" || where == hanako + "My Documents\\disk\\ (+1)") << where;

    // A folder with the link and no cache: none found, and the link named.
    std::vector<CacheDamage> why;
    EXPECT_FALSE(OpenUrlCache(files, hanako + "My Documents", why));
    ASSERT_EQ(2u, why.size());
    EXPECT_EQ((UINT)IDS_CACHE_NONE_FOUND, why[0].message);
    EXPECT_EQ((UINT)IDS_WARN_CACHE_LINK_SKIPPED, why[1].message);
    EXPECT_EQ(hanako + "My Documents\\disk\\", why[1].where);

    // The tree is removed without following the link out of it.
    RemoveTree(hanako + "My Documents\\");
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((hanako + "My Documents").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((taro + "AppData\\Local").c_str()));
}

TEST_F(WholeDisk, EachCacheIsARootOfItsOwnAndOneCanBeRebuiltAlone) {
    diskkit::FolderSnapshot before, after;
    diskkit::TakeSnapshot(disk, before);
    std::vector<CacheDamage> why;
    std::unique_ptr<IUrlCache> store = OpenUrlCache(files, disk, why);
    ASSERT_TRUE(store);
    ASSERT_TRUE(store->Caches());
    std::vector<std::string> captions;
    for (const CacheSource& source : *store->Caches()) captions.push_back(source.caption);
    std::sort(captions.begin(), captions.end());
    std::vector<std::string> expected = {
        "Chrome (taro" + std::string(kEllipsis) + "Default)",
        "Chrome (taro" + std::string(kEllipsis) + "Profile 1)",
        "Firefox (hanako" + std::string(kEllipsis) + "ab12cd34.default)",
        "Firefox (taro" + std::string(kEllipsis) + "x9y8z7.default)",
        "IE (hanako)",
        "IE (taro)",
        "SeaMonkey (hanako" + std::string(kEllipsis) + "sm.default)",
    };
    EXPECT_EQ(expected, captions);

    CRebuildJobs jobs(settings, files, *store, view, report, 0);
    ASSERT_EQ(1, jobs.BuildTrees());
    std::vector<int> roots = jobs.cache.Roots();
    ASSERT_EQ(7u, roots.size());
    ASSERT_EQ(7u, jobs.cache.rootCaptions.size());
    // Every entry lies below the root of the cache that gave it.
    size_t ie = 0;
    for (size_t i = 0; i < roots.size(); ++i) {
        const CacheSource& source = (*store->Caches())[i];
        EXPECT_EQ(source.caption, jobs.cache.rootCaptions[i]);
        // Firefox 3.5's cache without its map too: its bodies are found by content.
        EXPECT_GT(source.entries, 0u) << source.caption;
        if (source.caption == "IE (taro)") ie = i;
    }
    int f = -1, item = -1, n = 0;
    ASSERT_TRUE(jobs.cache.FindByUrl("http://taro.zvtest/index.html", &f, &item, &n));
    int top = f;
    while (jobs.cache.model.Node(top)->parent >= 0) top = jobs.cache.model.Node(top)->parent;
    EXPECT_EQ(roots[ie], top);

    // Only taro's IE marked: only its site is rebuilt.
    for (int root : roots) jobs.cache.ToggleMarks(root, -1, MARK_C, root == roots[ie] ? MARK_C : 0, false);
    ASSERT_EQ(1, jobs.ExecuteMarks());
    EXPECT_EQ("<html><body>taro.zvtest</body></html>\n", ReadAll(base + "rb\\http$\\taro.zvtest\\index.html"));
    EXPECT_EQ("<missing>", ReadAll(base + "rb\\http$\\hanako.zvtest\\index.html"));
    EXPECT_EQ("<missing>", ReadAll(base + "rb\\http$\\127.0.0.1$3a8431\\index.html"));
    diskkit::TakeSnapshot(disk, after);
    EXPECT_TRUE(before == after);
}

TEST_F(WholeDisk, CommandJobsNameEveryCacheAndRefuseAFolderWithoutOne) {
    diskkit::FolderSnapshot before, after;
    diskkit::TakeSnapshot(disk, before);
    std::string log = base + "caches.txt";
    ASSERT_EQ(0, RunProgram("/caches \"/cache:" + disk + "\" \"/log:" + log + "\""));
    std::string text = ReadAll(log);
    EXPECT_NE(std::string::npos,
              text.find("ie\tUsers\\taro\\AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files\\Content.IE5\\\t1\t"
                        "2006-07-08 09:10:11\tIE (taro)\r\n"))
        << text;
    EXPECT_NE(std::string::npos, text.find("mozilla-v1\tDocuments and Settings\\hanako\\Local Settings\\Application "
                                           "Data\\Mozilla\\Firefox\\Profiles\\ab12cd34.default\\Cache\\\t"));
    EXPECT_NE(std::string::npos, text.find("! " + taro + "AppData\\Local\\Microsoft\\Windows\\WebCache\\WebCacheV01.dat : "));
    std::string counted = diskkit::ProgramString(IDS_CACHES_FOUND);
    EXPECT_NE(std::string::npos, text.find(counted.substr(0, counted.find("%s")) + "7")) << text;

    ASSERT_EQ(0, RunProgram("/cachelist \"/cache:" + disk + "Users\" \"/log:" + log + "\""));
    text = ReadAll(log);
    EXPECT_NE(std::string::npos, text.find("http://taro.zvtest/\t" + taro +
                                           "AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files\\Content.IE5\\" +
                                           "ABCD1234\\index[1].htm\t"))
        << text;
    EXPECT_NE(std::string::npos,
              text.find("\t\t\ttaro\\AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files\\Content.IE5\\\r\n"));

    // Nothing readable: the refusal on standard error, in Japanese, and exit code 2.
    std::string error;
    EXPECT_EQ(2, RunProgram("/cachelist \"/cache:" + hanako + "My Documents\"", &error));
    std::string none = diskkit::ProgramString(IDS_CACHE_NONE_FOUND);
    EXPECT_NE(std::string::npos, error.find(none)) << error;
    EXPECT_EQ(std::string::npos, error.find("index.dat"));
    EXPECT_EQ(2, RunProgram("/caches \"/cache:" + hanako + "My Documents\"", &error));

    // One cache of the disk, rebuilt alone from the command line.
    EXPECT_EQ(0, RunProgram("/rebuild \"/folder:" + base + "rb\\\" \"/cache:" + hanako +
                            "Local Settings\\Temporary Internet Files\" \"/log:" + log + "\""));
    EXPECT_EQ("<html><body>hanako.zvtest</body></html>\n", ReadAll(base + "rb\\http$\\hanako.zvtest\\index.html"));
    EXPECT_EQ("<missing>", ReadAll(base + "rb\\http$\\taro.zvtest\\index.html"));
    diskkit::TakeSnapshot(disk, after);
    EXPECT_TRUE(before == after);
}

}  // namespace

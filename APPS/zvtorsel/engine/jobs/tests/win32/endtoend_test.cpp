#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "base/messagenumbers.h"
#include "cache/win32/wininetcache.h"
#include "jobs/execute.h"
#include "jobs/rebuildjobs.h"
#include "jobs/tests/win32/diskkit.h"
#include "jobs/treecommands.h"
#include "mapping/url_mapping.h"
#include "base/win32/widepath.h"
#include "base/win32/win32desktop.h"
#include "mapping/mapping_settings.h"
#include "mapping/win32/win32_file_clock.h"
#include "tree/tests/testkit.h"

namespace {

using diskkit::ClearCache;
using diskkit::ReadAll;
using diskkit::RemoveTree;
using diskkit::WriteAll;

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void PutInCache(const std::string& url, const std::string& data, const char* ext, ULONGLONG time,
                const std::string& headers = std::string()) {
    ASSERT_TRUE(diskkit::PutInCache(url, data, ext, MakeTime(time), headers)) << url;
}

void ListFiles(const std::string& folder, std::vector<std::string>& out) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((folder + "*.*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = d.cFileName;
        if (name == "." || name == "..") continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ListFiles(folder + name + "\\", out);
        else out.push_back(folder + name);
    } while (FindNextFileA(h, &d));
    FindClose(h);
}

// The values of href= and src= attributes in a page.
std::vector<std::string> LinksOf(const std::string& page) {
    std::vector<std::string> links;
    std::string lower = page;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = (char)(c + 32);
    for (const char* attr : {"href=\"", "src=\""}) {
        for (size_t pos = lower.find(attr); pos != std::string::npos; pos = lower.find(attr, pos + 1)) {
            size_t start = pos + strlen(attr);
            size_t end = page.find_first_of("\"#", start);
            if (end != std::string::npos) links.push_back(page.substr(start, end - start));
        }
    }
    return links;
}

// The file a local link of the page at pagePath refers to.
std::string LocalTarget(const std::string& pagePath, const std::string& link) {
    if (link.compare(0, 7, "file://") == 0) return link.substr(7);
    std::string folder = pagePath.substr(0, pagePath.rfind('\\') + 1);
    std::string rest = link;
    for (char& c : rest)
        if (c == '/') c = '\\';
    while (rest.compare(0, 3, "..\\") == 0) {
        folder = folder.substr(0, folder.rfind('\\', folder.size() - 2) + 1);
        rest = rest.substr(3);
    }
    return folder + rest;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        settings.mapping.clock = &Win32FileClock();
        ClearCache();
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        base = std::string(temp) + "zvt_e2e\\";
        RemoveTree(base);
        CreateDirectoryA(base.substr(0, base.size() - 1).c_str(), nullptr);
        folder = base + "rb\\";
        CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
        settings.rebuildFolders[0] = folder;
    }
    void TearDown() override {
        ClearCache();
        RemoveTree(base);
    }

    std::string base, folder;
    RebuildSettings settings;
    CWin32JobSystem files;
    CWinInetUrlCache cache;
    CNullPaneView view;
    CRecordingReport report;
};

const ULONGLONG T0 = Utc(2003, 4, 5, 6, 7, 8);

TEST_F(EndToEnd, TranslatedSiteBrowsesOfflineAndRestoresToTheCachedBytes) {
    const std::string sjis =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"
        "<title>\x83\x5C\x95\x5C\x94\x5C\x8D\x5C</title></head><body>\n"
        "<a href=\"sub/euc.html\">euc</a>\n"
        "<a href=\"http://e2e.zvtest/jis.html\">jis</a>\n"
        "<img src=\"/img/pic.gif\">\n"
        "<a href=\"http://e2e.zvtest/cgi/find.cgi?k=1\">query</a>\n"
        "<a href=\"http://e2e.zvtest/dir/\">dir</a>\n"
        "</body></html>\n";
    const std::string euc =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">"
        "</head><body>\xC6\xFC\xCB\xDC\xB8\xEC <a href=\"/index.html\">top</a></body></html>\n";
    const std::string jis =
        "<html><body>\x1B$BF|K\\8l\x1B(B <a href=\"http://e2e.zvtest/\">top</a></body></html>\n";
    const std::string gif = std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14);
    PutInCache("http://e2e.zvtest/", sjis, "html", T0);
    PutInCache("http://e2e.zvtest/sub/euc.html", euc, "html", T0);
    PutInCache("http://e2e.zvtest/jis.html", jis, "html", T0);
    PutInCache("http://e2e.zvtest/img/pic.gif", gif, "gif", T0);
    PutInCache("http://e2e.zvtest/cgi/find.cgi?k=1", "<html>found</html>\n", "html", T0);
    PutInCache("http://e2e.zvtest/dir/", "<html>dir</html>\n", "html", T0);
    PutInCache("http://e2e.zvtest/../../escape.html", "<html>out</html>\n", "html", T0);
    settings.xlatRebuild = 1;

    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        EXPECT_EQ(7u, jobs.cache.counters.c);
        ASSERT_EQ(1, jobs.ExecuteMarks());
    }
    std::string site = folder + "http$\\e2e.zvtest\\";
    const char* expected[] = {"index.html", "sub\\euc.html", "jis.html", "img\\pic.gif",
                              "cgi\\find.cgi$3fk=1.html", "dir\\index.html"};
    for (const char* name : expected) EXPECT_TRUE(FileExists(site + name)) << name;
    EXPECT_EQ(gif, ReadAll(site + "img\\pic.gif"));

    // Whatever the URL holds, everything lies below the rebuild folder.
    std::vector<std::string> all;
    ListFiles(base, all);
    EXPECT_EQ(7u, all.size());
    for (const std::string& f : all) EXPECT_EQ(0, f.compare(0, folder.size(), folder)) << f;

    int pages = 0, links = 0;
    for (const char* name : {"index.html", "sub\\euc.html", "jis.html"}) {
        std::string page = ReadAll(site + name);
        EXPECT_EQ(0u, page.size() % 512) << name;
        if (std::string(name) != "jis.html") {
            EXPECT_NE(std::string::npos, page.find("SHIFT_JIS")) << name;
        }
        ++pages;
        for (const std::string& link : LinksOf(page.substr(0, page.find("Original Block")))) {
            ++links;
            EXPECT_TRUE(FileExists(LocalTarget(site + name, link))) << name << ": " << link;
        }
    }
    EXPECT_EQ(7, links);
    std::string euc2 = ReadAll(site + "sub\\euc.html");
    EXPECT_NE(std::string::npos, euc2.find("\x93\xFA\x96\x7B\x8C\xEA"));

    // A fresh tree sees the translated files and puts their originals back.
    CRebuildJobs again(settings, files, cache, view, report, 0);
    ASSERT_EQ(1, again.BuildTrees());
    EXPECT_EQ(0u, again.cache.counters.c);
    int f = -1, i = -1, n = 0;
    ASSERT_TRUE(again.rebuild.FindByUrl("http://e2e.zvtest/index.html", &f, &i, &n));
    TreeItem* index = again.model.Item(f, i);
    EXPECT_TRUE(index->flags & ITEM_TRANSLATED);
    EXPECT_EQ(sjis.size(), index->size);
    ASSERT_EQ(1, RestoreOriginal(again.rebuild, again.rebuild.root, -1));
    EXPECT_EQ(sjis, ReadAll(site + "index.html"));
    EXPECT_EQ(euc, ReadAll(site + "sub\\euc.html"));
    EXPECT_EQ(jis, ReadAll(site + "jis.html"));
    EXPECT_FALSE(index->flags & ITEM_TRANSLATED);
}

TEST_F(EndToEnd, DeviceNamesAndTrailingDotsAreRebuiltLinkedAndReadBack) {
    const std::string page =
        "<html><body>\n"
        "<a href=\"con/aux.html\">a</a>\n"
        "<a href=\"http://dev.zvtest/nul.html\">n</a>\n"
        "<img src=\"/com1\">\n"
        "<a href=\"LPT9.txt\">l</a>\n"
        "<a href=\"dir./x.html\">d</a>\n"
        "</body></html>\n";
    PutInCache("http://dev.zvtest/", page, "html", T0);
    PutInCache("http://dev.zvtest/con/aux.html", "<html>aux</html>\n", "html", T0);
    PutInCache("http://dev.zvtest/nul.html", "<html>nul</html>\n", "html", T0);
    PutInCache("http://dev.zvtest/com1", "COM1", "", T0);
    PutInCache("http://dev.zvtest/LPT9.txt", "LPT9", "txt", T0);
    PutInCache("http://dev.zvtest/dir./x.html", "<html>x</html>\n", "html", T0);
    PutInCache("http://dev.zvtest/end. ", "END", "", T0);
    settings.xlatRebuild = 1;
    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        EXPECT_EQ(7u, jobs.cache.counters.c);
        ASSERT_EQ(1, jobs.ExecuteMarks());
    }
    EXPECT_EQ(0u, report.asked.size());
    std::string site = folder + "http$\\dev.zvtest\\";
    EXPECT_EQ("COM1", ReadAll(site + "$63om1"));
    EXPECT_EQ("LPT9", ReadAll(site + "$4cPT9.txt"));
    EXPECT_EQ("END", ReadAll(site + "end.$20"));
    for (const char* name : {"$63on\\$61ux.html", "$6eul.html", "dir$2e\\x.html"})
        EXPECT_TRUE(FileExists(site + name)) << name;
    std::vector<std::string> all;
    ListFiles(base, all);
    EXPECT_EQ(7u, all.size());

    std::string index = ReadAll(site + "index.html");
    int links = 0;
    for (const std::string& link : LinksOf(index.substr(0, index.find("Original Block")))) {
        ++links;
        EXPECT_TRUE(FileExists(LocalTarget(site + "index.html", link))) << link;
    }
    EXPECT_EQ(5, links);

    // The names read back as the URLs they came from: nothing is new, and the
    // translated page restores to the cached bytes.
    CRebuildJobs again(settings, files, cache, view, report, 0);
    ASSERT_EQ(1, again.BuildTrees());
    EXPECT_EQ(0u, again.cache.counters.c);
    int f = -1, i = -1, n = 0;
    for (const char* url : {"http://dev.zvtest/con/aux.html", "http://dev.zvtest/nul.html", "http://dev.zvtest/com1",
                            "http://dev.zvtest/LPT9.txt", "http://dev.zvtest/dir./x.html", "http://dev.zvtest/end. "})
        EXPECT_TRUE(again.rebuild.FindByUrl(url, &f, &i, &n)) << url;
    ASSERT_EQ(1, RestoreOriginal(again.rebuild, again.rebuild.root, -1));
    EXPECT_EQ(page, ReadAll(site + "index.html"));
}

TEST_F(EndToEnd, WriteBackRestoresOriginalsIntoTheCacheAndRenameOldKeepsTheOldFile) {
    const std::string page = "<html><a href=\"http://wb.zvtest/a.gif\">a</a></html>\n";
    PutInCache("http://wb.zvtest/", page, "html", T0);
    PutInCache("http://wb.zvtest/a.gif", "GIF-A", "gif", T0);
    settings.xlatRebuild = 1;
    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        ASSERT_EQ(1, jobs.ExecuteMarks());
    }
    ClearCache();
    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        int f = -1, i = -1, n = 0;
        ASSERT_TRUE(jobs.rebuild.FindByUrl("http://wb.zvtest/index.html", &f, &i, &n));
        jobs.rebuild.ToggleMarks(f, -1, MARK_C, MARK_C, false);
        ASSERT_EQ(1, jobs.ExecuteMarks());
    }
    char file[1024];
    ASSERT_TRUE(cache.GetLocalFile("http://wb.zvtest/", file, sizeof(file)));
    EXPECT_EQ(page, ReadAll(file));
    ASSERT_TRUE(cache.GetLocalFile("http://wb.zvtest/a.gif", file, sizeof(file)));
    EXPECT_EQ("GIF-A", ReadAll(file));

    // A newer cache file with RenameOld on leaves the old one under a dated name.
    ClearCache();
    PutInCache("http://wb.zvtest/a.gif", "GIF-B", "gif", T0 + 3600ULL * 10000000);
    settings.renameOld = 1;
    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        ASSERT_EQ(1, jobs.ExecuteMarks());
    }
    std::string site = folder + "http$\\wb.zvtest\\";
    EXPECT_EQ("GIF-B", ReadAll(site + "a.gif"));
    EXPECT_EQ("GIF-A", ReadAll(site + "a_03405.gif"));
}

TEST_F(EndToEnd, StyleSheetsQueryPagesAndDeclaredCodesRebuildRelativeAndRestore) {
    const std::string page =
        "<html><head><link rel=\"stylesheet\" href=\"css/site.css\"></head>\n"
        "<body><div style=\"background:url(img/d.gif)\">x</div>\n"
        "<a href=\"find.cgi?cat=nabe&amp;sort=new\">find</a></body></html>\n";
    const std::string sheet = "body { background: url(../img/bg.gif) }\r\np { background: url(/img/never.gif) }\r\n";
    // 土鍋の検索結果 in EUC-JP, too short for the judge, declared by header and META.
    const std::string found =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">"
        "<title>\xc5\xda\xc6\xe9\xa4\xce\xb8\xa1\xba\xf7\xb7\xeb\xb2\xcc</title></head></html>\n";
    const std::string gif = std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14);
    PutInCache("http://css.zvtest/", page, "html", T0);
    PutInCache("http://css.zvtest/css/site.css", sheet, "css", T0);
    PutInCache("http://css.zvtest/img/bg.gif", gif, "gif", T0);
    PutInCache("http://css.zvtest/img/d.gif", gif, "gif", T0);
    PutInCache("http://css.zvtest/find.cgi?cat=nabe&sort=new", found, "htm", T0,
               "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=EUC-JP\r\n\r\n");
    settings.xlatRebuild = 1;
    settings.mapping.fileProtocolType = 1;
    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        ASSERT_EQ(1, jobs.ExecuteMarks());
    }
    std::string site = folder + "http$\\css.zvtest\\";
    std::string index = ReadAll(site + "index.html");
    std::string css = ReadAll(site + "css\\site.css");
    EXPECT_EQ(0u, css.size() % 512);
    EXPECT_EQ(0u, css.find("body { background: url(\"../img/bg.gif\") }\r\np { background: url(/img/never.gif) }\r\n"))
        << css.substr(0, 200);
    EXPECT_NE(std::string::npos, index.find("<div style=\"background:url('img/d.gif')\">"));
    EXPECT_NE(std::string::npos, index.find("<link rel=\"stylesheet\" href=\"css/site.css\">"));
    // The query link names the file the mapping wrote, as a browser resolves it.
    EXPECT_NE(std::string::npos, index.find("<a href=\"find.cgi$3fcat=nabe%26sort=new.htm\">")) << index.substr(0, 600);
    EXPECT_TRUE(FileExists(site + "find.cgi$3fcat=nabe&sort=new.htm"));
    std::string query = ReadAll(site + "find.cgi$3fcat=nabe&sort=new.htm");
    EXPECT_NE(std::string::npos, query.find("\x93\x79\x93\xe7\x82\xcc\x8c\x9f\x8d\xf5\x8c\x8b\x89\xca"));
    EXPECT_NE(std::string::npos, query.find("charset=SHIFT_JIS"));

    // A fresh tree sees the translated sheet; the write-back gives the cache its bytes.
    ClearCache();
    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        int f = -1, i = -1, n = 0;
        ASSERT_TRUE(jobs.rebuild.FindByUrl("http://css.zvtest/css/site.css", &f, &i, &n));
        TreeItem* item = jobs.model.Item(f, i);
        EXPECT_TRUE(item->flags & ITEM_TRANSLATED);
        EXPECT_EQ(sheet.size(), item->size);
        jobs.rebuild.ToggleMarks(f, -1, MARK_C, MARK_C, false);
        ASSERT_EQ(1, jobs.ExecuteMarks());
    }
    char file[1024];
    ASSERT_TRUE(cache.GetLocalFile("http://css.zvtest/css/site.css", file, sizeof(file)));
    EXPECT_EQ(sheet, ReadAll(file));
    CRebuildJobs again(settings, files, cache, view, report, 0);
    ASSERT_EQ(1, again.BuildTrees());
    // The picture the sheet names but nobody cached becomes a ghost URL to load.
    ASSERT_EQ(1, AnalyzeLinks(again.cache, again.cache.root, -1));
    int f = -1, i = -1, n = 0;
    ASSERT_TRUE(again.cache.FindByUrl("http://css.zvtest/img/never.gif", &f, &i, &n));
    EXPECT_TRUE(again.model.Item(f, i)->IsGhost());
    ASSERT_EQ(1, RestoreOriginal(again.rebuild, again.rebuild.root, -1));
    EXPECT_EQ(sheet, ReadAll(site + "css\\site.css"));
    EXPECT_EQ(found, ReadAll(site + "find.cgi$3fcat=nabe&sort=new.htm"));
}

// Sheets served as text/css under names of scripts and queries: translated
// as sheets, found again by their envelope, restored and written back.
TEST_F(EndToEnd, StyleSheetsUnderAnyNameRebuildRestoreAndWriteBack) {
    const std::string gif = std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14);
    const std::string script = "body { background: url(img/bg.gif) }\r\n";
    const std::string query = "@import url(/style.php?v=3);\r\np { background: url(\"img/bg.gif\") }\r\n";
    const char* const urls[] = {"http://qs.zvtest/style.php?v=3", "http://qs.zvtest/css?family=Sans"};
    // A query's file takes the extension of its cache file.
    const char* const rebuilt[] = {"http://qs.zvtest/style.php?v=3.php", "http://qs.zvtest/css?family=Sans"};
    const std::string* const sheets[] = {&script, &query};
    PutInCache(urls[0], script, "php", T0, "HTTP/1.1 200 OK\r\nContent-Type: text/css\r\n\r\n");
    PutInCache(urls[1], query, "", T0, "HTTP/1.1 200 OK\r\nContent-Type: text/css; charset=Shift_JIS\r\n\r\n");
    PutInCache("http://qs.zvtest/img/bg.gif", gif, "gif", T0);
    settings.xlatRebuild = 1;
    settings.mapping.fileProtocolType = 1;
    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        ASSERT_EQ(1, jobs.ExecuteMarks());
    }
    std::string paths[2];
    ClearCache();
    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        int f = -1, i = -1, n = 0;
        for (int s = 0; s < 2; ++s) {
            ASSERT_TRUE(jobs.rebuild.FindByUrl(rebuilt[s], &f, &i, &n)) << rebuilt[s];
            TreeItem* item = jobs.model.Item(f, i);
            EXPECT_EQ(ITEM_TRANSLATED | ITEM_STYLE_SHEET,
                      item->flags & (ITEM_TRANSLATED | ITEM_STYLE_SHEET | ITEM_NO_ORIGINAL))
                << urls[s];
            EXPECT_EQ(sheets[s]->size(), item->size);
            char path[kPathBufferSize];
            ASSERT_TRUE(jobs.rebuild.EntryLocalPath(f, i, path));
            paths[s] = path;
            std::string file = ReadAll(path);
            EXPECT_EQ(0u, file.size() % 512);
            EXPECT_NE(std::string::npos, file.find("background: url(\"img/bg.gif\")")) << file.substr(0, 200);
        }
        jobs.rebuild.ToggleMarks(f, -1, MARK_C, MARK_C, false);
        ASSERT_EQ(1, jobs.ExecuteMarks());
    }
    for (int s = 0; s < 2; ++s) {
        char file[1024];
        ASSERT_TRUE(cache.GetLocalFile(urls[s], file, sizeof(file))) << urls[s];
        EXPECT_EQ(*sheets[s], ReadAll(file));
    }
    CRebuildJobs again(settings, files, cache, view, report, 0);
    ASSERT_EQ(1, again.BuildTrees());
    ASSERT_EQ(1, RestoreOriginal(again.rebuild, again.rebuild.root, -1));
    for (int s = 0; s < 2; ++s) EXPECT_EQ(*sheets[s], ReadAll(paths[s])) << paths[s];
}

TEST_F(EndToEnd, DeletesOnDiskAndInTheCacheFollowTheAnswer) {
    PutInCache("http://del.zvtest/keep.gif", "K", "gif", T0);
    PutInCache("http://del.zvtest/new.gif", "N", "gif", T0);
    std::string last = folder + "http$\\del.zvtest\\a\\b\\last.gif";
    for (const char* sub : {"http$", "http$\\del.zvtest", "http$\\del.zvtest\\a", "http$\\del.zvtest\\a\\b"})
        CreateDirectoryA((folder + sub).c_str(), nullptr);
    ASSERT_TRUE(WriteAll(last, "L"));
    auto markDeletes = [](CRebuildJobs& jobs) {
        int f = -1, i = -1, n = 0;
        ASSERT_TRUE(jobs.rebuild.FindByUrl("http://del.zvtest/a/b/last.gif", &f, &i, &n));
        jobs.rebuild.ToggleMarks(f, i, MARK_D, MARK_D, false);
        ASSERT_TRUE(jobs.cache.FindByUrl("http://del.zvtest/keep.gif", &f, &i, &n));
        jobs.cache.ToggleMarks(f, i, MARK_M, MARK_D, false);
    };
    report.answer = [](UINT id, const std::string&) { return id != IDS_ASK_DELETE; };
    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        markDeletes(jobs);
        ASSERT_EQ(1, jobs.ExecuteMarks());
    }
    EXPECT_TRUE(FileExists(last));
    char file[1024];
    EXPECT_TRUE(cache.GetLocalFile("http://del.zvtest/keep.gif", file, sizeof(file)));
    EXPECT_EQ("N", ReadAll(folder + "http$\\del.zvtest\\new.gif"));

    report.answer = nullptr;
    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        markDeletes(jobs);
        ASSERT_EQ(1, jobs.ExecuteMarks());
    }
    EXPECT_FALSE(FileExists(last));
    EXPECT_FALSE(FileExists(folder + "http$\\del.zvtest\\a"));
    EXPECT_TRUE(FileExists(folder + "http$\\del.zvtest\\new.gif"));
    EXPECT_TRUE(FileExists(folder));
    EXPECT_FALSE(cache.GetLocalFile("http://del.zvtest/keep.gif", file, sizeof(file)));
}

TEST_F(EndToEnd, RenameFileWithTimeAddsTheTimeWhenTheDateIsTaken) {
    std::string path = folder + "old.txt";
    ASSERT_TRUE(WriteAll(path, "1"));
    FILETIME t = MakeTime(Utc(1999, 12, 5, 13, 4, 9));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &t);
    CloseHandle(h);
    ASSERT_TRUE(WriteAll(folder + "old_99c05.txt", "taken"));
    EXPECT_TRUE(RenameFileWithTime(files, report, path.c_str()));
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ("1", ReadAll(folder + "old_99c05_130409.txt"));
}

}  // namespace

namespace {

// A URL below http://long.zvtest/ whose file lies at a path of `total`
// bytes below `folder`: folders of `segment` (cut to at most `longest`
// bytes each), then a file name with the extension.
std::string LongUrl(const std::string& folder, size_t total, const std::string& segment, size_t longest,
                    const char* ext) {
    const std::string site = "http$\\long.zvtest\\";
    size_t left = total - folder.size() - site.size();
    std::string rest;
    size_t tail = strlen(ext) + 2;
    while (left > longest + 1 + tail) {
        std::string name;
        while (name.size() + segment.size() <= longest) name += segment;
        rest += name + "/";
        left -= name.size() + 1;
    }
    rest += std::string(left - strlen(ext) - 1, 'f') + "." + ext;
    return "http://long.zvtest/" + rest;
}

}  // namespace

// Paths beyond MAX_PATH go through the wide calls, names too wide for file
// systems become chains of folders: each URL is rebuilt,
// reached by a translated link, read back to its URL from the names on
// disk, and restored and written back with its own bytes.
TEST_F(EndToEnd, LongPathsAndWideNamesAreRebuiltLinkedReadBackAndWrittenBack) {
    const std::string sjis = "\x83\x5C\x95\x5C";  // two characters with trail byte 0x5C
    struct Case {
        std::string url;
        std::string data;
        const char* ext;
    };
    std::vector<Case> cases;
    cases.push_back({LongUrl(folder, 200, "abcdefghij", 60, "gif"), "P200", "gif"});
    cases.push_back({LongUrl(folder, 260, "klmnopqrst", 100, "html"), "", "html"});
    cases.push_back({LongUrl(folder, 300, sjis, 80, "gif"), "P300", "gif"});
    cases.push_back({LongUrl(folder, 1000, "uvwxyz0123", 200, "gif"), "P1000", "gif"});
    cases.push_back({"http://long.zvtest/s/" + std::string(250, 'g') + ".gif", "S254", "gif"});
    cases.push_back({"http://long.zvtest/" + std::string(255, 'h') + "/x.gif", "S255", "gif"});
    // Wider names go into chains of folders.
    cases.push_back({"http://long.zvtest/w/" + std::string(252, 'i') + ".gif", "S256", "gif"});
    cases.push_back({"http://long.zvtest/w/" + std::string(396, 'j') + ".gif", "S400", "gif"});
    std::string wide;  // 127 characters with trail byte 0x5C: 254 bytes
    for (int k = 0; k < 127; ++k) wide += k % 2 ? "\x83\x5C" : "\x95\x5C";
    cases.push_back({"http://long.zvtest/j/" + wide + "/x.gif", "J254", "gif"});
    cases.push_back({"http://long.zvtest/j/" + wide + "k/x.gif", "J255", "gif"});
    cases.push_back({"http://long.zvtest/j/" + wide + sjis.substr(0, 2) + "/x.gif", "J256", "gif"});
    cases.push_back({"http://long.zvtest/j/" + wide + wide.substr(0, 146) + "/x.gif", "J400", "gif"});
    cases[1].data = "<html><body><a href=\"http://long.zvtest/\">top</a></body></html>\n";
    std::string page = "<html><body>\n";
    for (const Case& c : cases) page += "<a href=\"" + c.url + "\">x</a>\n";
    page += "</body></html>\n";
    PutInCache("http://long.zvtest/", page, "html", T0);
    for (const Case& c : cases) PutInCache(c.url, c.data, c.ext, T0);
    settings.xlatRebuild = 1;
    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        EXPECT_EQ(cases.size() + 1, jobs.cache.counters.c);
        ASSERT_EQ(1, jobs.ExecuteMarks());
        EXPECT_EQ(0, jobs.FailedFiles());
    }
    EXPECT_TRUE(report.asked.empty());
    EXPECT_TRUE(report.failures.empty());
    std::string site = folder + "http$\\long.zvtest\\";
    std::vector<std::string> paths;
    for (const Case& c : cases) {
        char local[1024];
        UrlToLocalPath(c.url.c_str(), local, sizeof(local), settings.mapping);
        paths.push_back(folder + local);
    }
    EXPECT_EQ(200u, paths[0].size());
    EXPECT_EQ(260u, paths[1].size());
    EXPECT_EQ(300u, paths[2].size());
    EXPECT_EQ(1000u, paths[3].size());
    EXPECT_NE(std::string::npos, paths[2].find(sjis));
    for (size_t n = 0; n < cases.size(); ++n) {
        if (cases[n].ext == std::string("html")) {
            EXPECT_EQ(0u, ReadAll(paths[n]).size() % 512) << "translated: " << paths[n];
        } else {
            EXPECT_EQ(cases[n].data, ReadAll(paths[n])) << paths[n];
        }
    }
    std::string index = ReadAll(site + "index.html");
    std::vector<std::string> links = LinksOf(index.substr(0, index.find("Original Block")));
    ASSERT_EQ(cases.size(), links.size());
    for (size_t n = 0; n < links.size(); ++n) EXPECT_EQ(paths[n], LocalTarget(site + "index.html", links[n]));

    CRebuildJobs again(settings, files, cache, view, report, 0);
    ASSERT_EQ(1, again.BuildTrees());
    EXPECT_EQ(0u, again.cache.counters.c) << "every name read back to its URL";
    int f = -1, i = -1, n = 0;
    for (const Case& c : cases) EXPECT_TRUE(again.rebuild.FindByUrl(c.url.c_str(), &f, &i, &n)) << c.url;
    ASSERT_EQ(1, RestoreOriginal(again.rebuild, again.rebuild.root, -1));
    EXPECT_EQ(page, ReadAll(site + "index.html"));
    EXPECT_EQ(cases[1].data, ReadAll(paths[1]));

    ClearCache();
    {
        CRebuildJobs back(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, back.BuildTrees());
        ASSERT_TRUE(back.rebuild.FindByUrl("http://long.zvtest/index.html", &f, &i, &n));
        back.rebuild.ToggleMarks(f, -1, MARK_C, MARK_C, false);
        ASSERT_EQ(1, back.ExecuteMarks());
        EXPECT_EQ(0, back.FailedFiles());
    }
    char file[1024];
    for (const Case& c : cases) {
        ASSERT_TRUE(cache.GetLocalFile(c.url.c_str(), file, sizeof(file))) << c.url;
        EXPECT_EQ(c.data, ReadAll(file)) << c.url;
    }
}

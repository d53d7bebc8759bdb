// A cache folder taken from an old disk, rebuilt with translation on: every
// local link resolves, restoring gives the cached bytes back, and the folder
// is the same to the byte afterwards. Then the command-line jobs on it.
#include "cache/win32/cachefolder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "base/messagenumbers.h"
#include "cache/tests/indexdat_writer.h"
#include "jobs/rebuildjobs.h"
#include "jobs/tests/win32/diskkit.h"
#include "jobs/treecommands.h"
#include "base/win32/win32desktop.h"
#include "mapping/mapping_settings.h"
#include "mapping/win32/win32_file_clock.h"
#include "tree/tests/testkit.h"

namespace {

using diskkit::ReadAll;
using diskkit::RemoveTree;
using diskkit::WriteAll;

const ULONGLONG T0 = Utc(2003, 4, 5, 6, 7, 8);

using diskkit::LinksOf;
using diskkit::LocalTarget;
using diskkit::RunProgram;

class CacheFolder : public ::testing::Test {
protected:
    void SetUp() override {
        settings.mapping.clock = &Win32FileClock();
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        base = std::string(temp) + "zvt_oldcache\\";
        RemoveTree(base);
        cacheFolder = base + "old disk\\Temporary Internet Files\\";
        content = cacheFolder + "Content.IE5\\";
        for (const std::string& f : {base, base + "old disk\\", cacheFolder, content, content + "ABCD1234\\",
                                     content + "EFGH5678\\", base + "rb\\"})
            CreateDirectoryA(f.substr(0, f.size() - 1).c_str(), nullptr);
        settings.rebuildFolders[0] = base + "rb\\";
    }
    void TearDown() override { RemoveTree(base); }

    // One cached URL: its file in a sub-folder and its record.
    void Put(const std::string& url, const std::string& file, int folder, const std::string& data) {
        IndexDatWriterEntry e;
        e.url = url;
        e.file = file;
        e.folder = folder;
        e.size = (DWORD)data.size();
        e.modified = T0;
        e.accessed = T0;
        entries.push_back(e);
        ASSERT_TRUE(WriteAll(content + writer.folders[folder] + "\\" + file, data));
        HANDLE h = CreateFileA((content + writer.folders[folder] + "\\" + file).c_str(), GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        FILETIME t = MakeTime(T0);
        SetFileTime(h, nullptr, nullptr, &t);
        CloseHandle(h);
    }
    // The warning row of the damaged record.
    std::string DamagedAt() const {
        char hex[16];
        snprintf(hex, sizeof hex, "%08lX", (unsigned long)writer.recordOffsets.back());
        return content + "index.dat (0x" + hex + ")";
    }
    void WriteIndex() {
        std::vector<BYTE> file = writer.Build(entries);
        // A record of zero blocks, as a damaged copy may hold.
        CIndexDatWriter::Put32(file, writer.recordOffsets.back() + 4, 0);
        ASSERT_TRUE(WriteAll(content + "index.dat", std::string(file.begin(), file.end())));
    }

    std::string base, cacheFolder, content;
    CIndexDatWriter writer;
    std::vector<IndexDatWriterEntry> entries;
    RebuildSettings settings;
    CWin32JobSystem files;
    CNullPaneView view;
    CRecordingReport report;
};

TEST_F(CacheFolder, RebuildsBrowsableSitesAndLeavesTheFolderAsItWas) {
    const std::string so = "\x83\x5c";
    const std::string index =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\"></head><body>\n"
        "<A HREF=\"sub/p.html\">p</A> <IMG SRC=\"/img/pic.gif\"> <A "
        "HREF=\"http://old.zvtest:8080/find.cgi?k=1\">q</A>\n"
        "<A HREF=\"" +
        so + ".html\">so</A> <A HREF=\"http://other.zvtest/\">other</A>\n</body></html>\n";
    const std::string page = "<html><A HREF=\"http://old.zvtest:8080/\">top</A></html>\n";
    const std::string gif = std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14);
    Put("http://old.zvtest:8080/", "index[1].htm", 0, index);
    Put("http://old.zvtest:8080/sub/p.html", "p[1].html", 1, page);
    Put("http://old.zvtest:8080/img/pic.gif", "pic[1].gif", 0, gif);
    Put("http://old.zvtest:8080/find.cgi?k=1", "find[1].html", 1, "<html>found</html>\n");
    Put("http://old.zvtest:8080/" + so + ".html", so + "[1].html", 0, "<html>so</html>\n");
    Put("http://other.zvtest/", "other[1].htm", 1, "<html>other</html>\n");
    Put("http://old.zvtest:8080/damaged.gif", "damaged[1].gif", 0, "D");
    WriteIndex();
    diskkit::FolderSnapshot before;
    diskkit::TakeSnapshot(cacheFolder, before);

    settings.xlatRebuild = 1;
    CWin32Files disk;
    std::unique_ptr<CIndexDatUrlCache> store = OpenCacheFolder(disk, cacheFolder);
    ASSERT_EQ(1u, store->IndexCount());
    {
        CRebuildJobs jobs(settings, files, *store, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        EXPECT_TRUE(report.Warned(DamagedAt(), IDS_WARN_CACHE_DAMAGED));
        EXPECT_EQ(6u, jobs.cache.counters.c);
        // Nothing may be deleted from (or moved out of) a read-only store.
        int f = -1, i = -1, n = 0;
        ASSERT_TRUE(jobs.cache.FindByUrl("http://old.zvtest:8080/img/pic.gif", &f, &i, &n));
        EXPECT_EQ(0, jobs.cache.model.Item(f, i)->allowed[SIDE_CACHE] & MARK_D);
        jobs.cache.ToggleMarks(f, i, MARK_M, MARK_M, false);
        EXPECT_EQ(MARK_C, jobs.cache.model.Item(f, i)->marks[SIDE_CACHE]);
        ASSERT_EQ(1, jobs.ExecuteMarks());
        EXPECT_EQ(0u, jobs.cache.counters.d);
    }
    diskkit::FolderSnapshot after;
    diskkit::TakeSnapshot(cacheFolder, after);
    EXPECT_TRUE(before == after);

    std::string site = base + "rb\\http$\\old.zvtest$3a8080\\";
    EXPECT_EQ(gif, ReadAll(site + "img\\pic.gif"));
    int links = 0;
    for (const char* name : {"index.html", "sub\\p.html"}) {
        std::string text = ReadAll(site + name);
        for (const std::string& link : LinksOf(text)) {
            ++links;
            EXPECT_NE("<missing>", ReadAll(LocalTarget(site + name, link))) << name << ": " << link;
        }
    }
    EXPECT_EQ(6, links);

    // A second tree over the same folder: nothing new; the rebuild side may
    // not be written back into the store; restoring gives the cached bytes.
    CRebuildJobs again(settings, files, *store, view, report, 0);
    ASSERT_EQ(1, again.BuildTrees());
    EXPECT_EQ(0u, again.cache.counters.c);
    int f = -1, i = -1, n = 0;
    ASSERT_TRUE(again.rebuild.FindByUrl("http://old.zvtest:8080/index.html", &f, &i, &n));
    EXPECT_EQ(0, again.model.Item(f, i)->allowed[SIDE_REBUILD] & MARK_C);
    ASSERT_EQ(1, RestoreOriginal(again.rebuild, again.rebuild.root, -1));
    EXPECT_EQ(index, ReadAll(site + "index.html"));
    EXPECT_EQ(page, ReadAll(site + "sub\\p.html"));
    diskkit::FolderSnapshot last;
    diskkit::TakeSnapshot(cacheFolder, last);
    EXPECT_TRUE(before == last);
}

TEST_F(CacheFolder, CommandJobsListAndRebuildAFolderAndRefuseWhatIsNoCache) {
    Put("http://old.zvtest:8080/", "index[1].htm", 0, "<html>top</html>\n");
    Put("http://old.zvtest/a\tb.gif", "ab[1].gif", 1, "AB");
    Put("http://old.zvtest/damaged.gif", "damaged[1].gif", 0, "D");
    WriteIndex();
    diskkit::FolderSnapshot before;
    diskkit::TakeSnapshot(cacheFolder, before);
    std::string log = base + "list.txt";
    std::string cache = "\"/cache:" + cacheFolder + "\"";

    ASSERT_EQ(0, RunProgram("/cachelist " + cache + " \"/log:" + log + "\""));
    std::string listing = ReadAll(log);
    EXPECT_EQ(0u, listing.find("http://old.zvtest:8080/\t" + content +
                               "ABCD1234\\index[1].htm\t17\t2003-04-05 06:07:08\r\n"
                               "http://old.zvtest/a%09b.gif\t" +
                               content +
                               "EFGH5678\\ab[1].gif\t2\t2003-04-05 06:07:08\r\n"
                               "! " +
                               DamagedAt() + " : "))
        << listing;

    EXPECT_EQ(2, RunProgram("/cachelist \"/cache:" + base + "nothing\\\""));
    EXPECT_EQ(2, RunProgram("/download " + cache));
    EXPECT_EQ(0, RunProgram("/rebuild \"/folder:" + base + "rb\\\" " + cache + " \"/log:" + log + "\""));
    EXPECT_EQ("<html>top</html>\n", ReadAll(base + "rb\\http$\\old.zvtest$3a8080\\index.html"));
    EXPECT_EQ("AB", ReadAll(base + "rb\\http$\\old.zvtest\\a$09b.gif"));
    diskkit::FolderSnapshot after;
    diskkit::TakeSnapshot(cacheFolder, after);
    EXPECT_TRUE(before == after);
}

}  // namespace

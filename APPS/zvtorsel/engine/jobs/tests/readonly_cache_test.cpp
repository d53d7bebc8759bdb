// A rebuild tree over a cache folder taken from another disk: copying out
// works as for the live cache; nothing is written into the folder's store.
#include <gtest/gtest.h>

#include <zlib.h>

#include "base/messagenumbers.h"
#include "cache/browsercachestore.h"
#include "cache/indexdatstore.h"
#include "cache/tests/browsercache_kit.h"
#include "cache/tests/indexdat_writer.h"
#include "tree/tests/fixture.h"

namespace {

const ULONGLONG T0 = Utc(2002, 8, 9, 10, 11, 12);

TEST(ReadOnlyCache, MarksThatWouldWriteIntoTheStoreAreNotAllowed) {
    CIndexDatWriter writer;
    std::vector<IndexDatWriterEntry> entries(3);
    const char* urls[] = {"http://old/a.gif", "http://old/gone.gif", "http://old/tool.exe"};
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i].url = urls[i];
        entries[i].file = "f" + std::to_string(i) + "[1]" + (i == 2 ? ".exe" : ".gif");
        entries[i].size = 1;
        entries[i].modified = T0;
    }
    CMemorySystem fs;
    const std::string content = "D:\\old\\Content.IE5\\";
    fs.AddFile(content + "ABCD1234\\f0[1].gif", "A", T0);  // f1 is missing from the copy
    fs.AddFile(content + "ABCD1234\\f2[1].exe", "X", T0);
    fs.AddFile("C:\\rb\\http$\\old\\old.gif", "O", T0);
    CIndexDatUrlCache store("D:\\old\\");
    ASSERT_TRUE(store.AddIndex(content + "index.dat", writer.Build(entries)));

    RebuildSettings settings;
    settings.rebuildFolders[0] = "C:\\rb\\";
    CNullPaneView view;
    CRecordingReport report;
    CRebuildJobs jobs(settings, fs, store, view, report, 0);
    ASSERT_EQ(1, jobs.BuildTrees());
    int f, i, n;
    // A missing file gets no delete mark; an executable is copied, not moved.
    ASSERT_TRUE(jobs.cache.FindByUrl("http://old/gone.gif", &f, &i, &n));
    EXPECT_EQ(0, jobs.model.Item(f, i)->marks[SIDE_CACHE]);
    EXPECT_EQ(0, jobs.model.Item(f, i)->allowed[SIDE_CACHE] & (MARK_C | MARK_D));
    ASSERT_TRUE(jobs.cache.FindByUrl("http://old/tool.exe", &f, &i, &n));
    EXPECT_EQ(MARK_C, jobs.model.Item(f, i)->marks[SIDE_CACHE]);
    jobs.cache.ToggleMarks(f, i, MARK_D, MARK_D, false);
    EXPECT_EQ(MARK_C, jobs.model.Item(f, i)->marks[SIDE_CACHE]);
    // Nothing on the rebuild side may be written back into the store.
    ASSERT_TRUE(jobs.rebuild.FindByUrl("http://old/old.gif", &f, &i, &n));
    jobs.rebuild.ToggleMarks(f, i, MARK_M, MARK_M, false);
    EXPECT_EQ(MARK_D, jobs.model.Item(f, i)->marks[SIDE_REBUILD]);
    jobs.rebuild.ToggleMarks(f, i, MARK_D, 0, false);

    ASSERT_EQ(1, jobs.ExecuteMarks());
    EXPECT_EQ("A", fs.Data("C:\\rb\\http$\\old\\a.gif"));
    EXPECT_EQ("X", fs.Data("C:\\rb\\http$\\old\\tool.exe"));
    EXPECT_EQ("X", fs.Data(content + "ABCD1234\\f2[1].exe"));
    EXPECT_EQ("O", fs.Data("C:\\rb\\http$\\old\\old.gif"));
    EXPECT_TRUE(report.asked.empty());
}

// Records where each copied entry left the step.
class CCountingReport : public CRecordingReport {
public:
    void EntryProgress(UINT, const char*, const char*, const JobCounts& c) override { counts.push_back(c); }
    std::vector<JobCounts> counts;
};

TEST(ReadOnlyCache, ABrowserCacheIsCopiedOutWithCountsAndItsBrokenBodiesNamedOnce) {
    using namespace browsercachekit;
    const std::string folder = "D:\\old\\Cache_Data\\";
    const std::string page = "<html><body>\x93\xfa\x96\x7b\x8c\xea</body></html>";
    const char gzipHead[] = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\n"
                            "Last-Modified: Sat, 05 Apr 2003 06:07:08 GMT\r\n";
    const char gifHead[] = "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\nLast-Modified: Sat, 05 Apr 2003 06:07:08 GMT\r\n";
    // Sound gzip header and trailer (length 9), broken data between them.
    std::vector<BYTE> broken = Bytes(std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10));
    broken.insert(broken.end(), 20, 0xff);
    for (BYTE b : {0, 0, 0, 0, 9, 0, 0, 0}) broken.push_back(b);
    CMemoryFiles storeFiles;
    CMemorySystem fs;
    const struct {
        const char* name;
        const char* url;
        const char* head;
        std::vector<BYTE> body;
    } entries[] = {{"1111111111111111_0", "https://jp.example/a.html", gzipHead, Gzip(page)},
                   {"2222222222222222_0", "https://jp.example/b.html", gzipHead, broken},
                   {"3333333333333333_0", "https://jp.example/c.gif", gifHead, Bytes("GIF89a-picture")}};
    // The entry files are the store's alone: the rebuild's file system need not see them.
    for (const auto& e : entries) {
        storeFiles.AddFile(folder + e.name, SimpleEntryFile(std::string("1/0/") + e.url, e.head, e.body, 13000000000000000ULL));
    }
    storeFiles.AddFolder(folder);
    CBrowserCacheStore store("D:\\old\\", storeFiles);
    store.AddSimpleCache(folder);

    RebuildSettings settings;
    settings.rebuildFolders[0] = "C:\\rb\\";
    CNullPaneView view;
    CCountingReport report;
    CRebuildJobs jobs(settings, fs, store, view, report, 0);
    ASSERT_EQ(1, jobs.BuildTrees());
    EXPECT_TRUE(report.warnings.empty()) << "the broken body is not decoded while the tree is built";
    ASSERT_EQ(1, jobs.ExecuteMarks());
    EXPECT_EQ(page, fs.Data("C:\\rb\\https$\\jp.example\\a.html"));
    EXPECT_EQ(std::string(broken.begin(), broken.end()), fs.Data("C:\\rb\\https$\\jp.example\\b.html"));
    EXPECT_EQ("GIF89a-picture", fs.Data("C:\\rb\\https$\\jp.example\\c.gif"));
    int named = 0;
    for (const auto& w : report.warnings) named += w.first == "https://jp.example/b.html" && w.second == IDS_WARN_CACHE_BODY_UNDECODED;
    EXPECT_EQ(1, named);

    // Each entry counts once, in order; the bytes add up to the step's total.
    ASSERT_EQ(3u, report.counts.size());
    ULONGLONG total = page.size() + 9 + strlen("GIF89a-picture");
    for (DWORD i = 0; i < 3; ++i) {
        EXPECT_EQ(i + 1, report.counts[i].done);
        EXPECT_EQ(3u, report.counts[i].total);
        EXPECT_EQ(total, report.counts[i].totalBytes);
    }
    EXPECT_EQ(total, report.counts[2].doneBytes);
    EXPECT_LT(report.counts[0].doneBytes, report.counts[1].doneBytes);
}

}  // namespace

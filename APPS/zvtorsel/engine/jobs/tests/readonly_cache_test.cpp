// A rebuild tree over a cache folder taken from another disk: copying out
// works as for the live cache; nothing is written into the folder's store.
#include <gtest/gtest.h>

#include "base/messagenumbers.h"
#include "cache/indexdatstore.h"
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

}  // namespace

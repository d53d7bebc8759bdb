#include "cache/indexdat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/messagenumbers.h"
#include "cache/cachelisting.h"
#include "cache/indexdatstore.h"
#include "cache/tests/indexdat_writer.h"

namespace {

const ULONGLONG kModified = 0x01c0123456789abcULL;
const ULONGLONG kAccessed = 0x01c3000000000000ULL;
// 2001-02-03 04:05:06 as a FAT date and time.
const DWORD kExpireFat = ((21u << 9) | (2u << 5) | 3u) | ((DWORD)((4u << 11) | (5u << 5) | 3u) << 16);

ULONGLONG Value(const FILETIME& t) { return ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime; }

std::vector<IndexDatWriterEntry> SampleEntries() {
    std::vector<IndexDatWriterEntry> e(8);
    e[0].url = "http://h/a.html";
    e[0].file = "a[1].html";
    e[0].size = 1234;
    e[0].modified = kModified;
    e[0].accessed = kAccessed;
    e[0].expireFat = kExpireFat;
    e[0].headers = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
    e[1].url = "http://h/find.cgi?q=a:b/c";
    e[1].file = "find[1].htm";
    e[1].folder = 1;
    e[2].url = "http://h/" + std::string(2000, 'x') + ".gif";
    e[2].file = "x[1].gif";
    e[3].url = "http://h/\x83\x5c/\x95\x5c.html";  // trail bytes 0x5C
    e[3].file = "\x95\x5c[1].html";
    e[4].url = "Visited: user@http://h/a.html";
    e[4].type = 0x00200001;
    e[5].kind = IndexDatWriterEntry::REDR;
    e[5].url = "http://h/moved";
    e[6].kind = IndexDatWriterEntry::LEAK;
    e[6].url = "http://h/gone.gif";
    e[6].file = "gone[1].gif";
    e[7].url = "http://h:8080/last.html";
    e[7].file = "last[1].html";
    return e;
}

TEST(IndexDat, ReadsUrlRecordsOfEveryVersionThroughTheHashChain) {
    struct Variant {
        const char* signature;
        bool v47;
        IndexDatVersion version;
    } variants[] = {
        {"Client UrlCache MMF Ver 5.2", false, INDEXDAT_52},
        {"Client UrlCache MMF Ver 4.7", true, INDEXDAT_47},
        {"WINE URLCache Ver 0.2012001", false, INDEXDAT_52},
    };
    std::vector<IndexDatWriterEntry> entries = SampleEntries();
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.signature);
        CIndexDatWriter writer;
        writer.signature = v.signature;
        writer.version47 = v.v47;
        writer.slotsPerTable = 3;  // three tables in a chain
        std::vector<BYTE> file = writer.Build(entries);
        CIndexDatReader reader;
        ASSERT_TRUE(reader.Parse(file.data(), file.size()));
        EXPECT_EQ(v.version, reader.Version());
        EXPECT_TRUE(reader.Damage().empty());
        ASSERT_EQ((std::vector<std::string>{"ABCD1234", "EFGH5678"}), reader.Folders());
        // Redirections and leaked records are no entries.
        ASSERT_EQ(6u, reader.Records().size());
        const IndexDatRecord& a = reader.Records()[0];
        EXPECT_STREQ("http://h/a.html", a.url);
        EXPECT_STREQ("a[1].html", a.fileName);
        EXPECT_EQ(0, a.folder);
        EXPECT_EQ(1234u, a.sizeLow);
        EXPECT_EQ(kModified, Value(a.lastModified));
        EXPECT_EQ(kAccessed, Value(a.lastAccess));
        EXPECT_EQ(entries[0].headers, std::string(a.headerInfo, a.headerInfoSize));
        if (!v.v47) {
            // 2001-02-03 04:05:06 UTC.
            EXPECT_EQ(126256467060000000ULL, Value(a.expire));
        }
        EXPECT_EQ(1, reader.Records()[1].folder);
        EXPECT_EQ(entries[2].url, reader.Records()[2].url);
        EXPECT_EQ(entries[3].url, reader.Records()[3].url);
        EXPECT_EQ(entries[3].file, reader.Records()[3].fileName);
        const IndexDatRecord& visited = reader.Records()[4];
        EXPECT_EQ(nullptr, visited.fileName);
        EXPECT_EQ(-1, visited.folder);
        EXPECT_EQ(0x00200001u, visited.entryType);
        EXPECT_STREQ("http://h:8080/last.html", reader.Records()[5].url);
    }
}

// Damaged copies: each gives the records it can prove and says where the rest failed.
class DamagedIndex : public ::testing::Test {
protected:
    DamagedIndex() {
        writer.slotsPerTable = 3;
        file = writer.Build(SampleEntries());
    }
    size_t TableAt(int n) const { return 0x4000 + (size_t)n * 128; }
    bool HasDamage(IndexDatDamage::Kind kind) const {
        for (const IndexDatDamage& d : reader.Damage())
            if (d.kind == kind) return true;
        return false;
    }
    CIndexDatWriter writer;
    std::vector<BYTE> file;
    CIndexDatReader reader;
};

TEST_F(DamagedIndex, ChainsThatLoopOrLeaveTheFileEndInDamage) {
    CIndexDatWriter::Put32(file, TableAt(1) + 8, (DWORD)TableAt(0));  // second table leads back
    ASSERT_TRUE(reader.Parse(file.data(), file.size()));
    EXPECT_TRUE(HasDamage(IndexDatDamage::CHAIN_LOOP));
    EXPECT_EQ(5u, reader.Records().size());  // two tables of three slots, one a redirection

    CIndexDatWriter::Put32(file, TableAt(0) + 8, (DWORD)TableAt(0));  // the first to itself
    ASSERT_TRUE(reader.Parse(file.data(), file.size()));
    EXPECT_TRUE(HasDamage(IndexDatDamage::CHAIN_LOOP));
    EXPECT_EQ(3u, reader.Records().size());

    CIndexDatWriter::Put32(file, TableAt(0) + 8, 0x7ffff000);
    ASSERT_TRUE(reader.Parse(file.data(), file.size()));
    EXPECT_TRUE(HasDamage(IndexDatDamage::OFFSET_OUTSIDE));
}

TEST_F(DamagedIndex, BadRecordsAreSkippedAndTheRestIsRead) {
    CIndexDatWriter::Put32(file, TableAt(0) + 16 + 4, 0x7fffff80);  // first slot past the end
    CIndexDatWriter::Put32(file, writer.recordOffsets[1] + 4, 0);   // record of zero blocks
    file[writer.recordOffsets[2] + 56] = 7;                         // sub-folder out of range
    size_t last = writer.recordOffsets[7];
    memset(file.data() + last + 0x68, 'y', 128 * 2 - 0x68);  // URL without its end
    ASSERT_TRUE(reader.Parse(file.data(), file.size()));
    EXPECT_TRUE(HasDamage(IndexDatDamage::OFFSET_OUTSIDE));
    EXPECT_TRUE(HasDamage(IndexDatDamage::EMPTY_RECORD));
    EXPECT_TRUE(HasDamage(IndexDatDamage::FOLDER_OUT_OF_RANGE));
    EXPECT_TRUE(HasDamage(IndexDatDamage::BAD_STRING));
    ASSERT_EQ(3u, reader.Records().size());
    // The file of an entry whose folder is unknown cannot be named.
    EXPECT_EQ(nullptr, reader.Records()[0].fileName);
    EXPECT_EQ(-1, reader.Records()[0].folder);
    EXPECT_EQ(SampleEntries()[2].url, reader.Records()[0].url);
}

TEST_F(DamagedIndex, GarbageGivesAWarningsListOfReadableLength) {
    CIndexDatWriter oneTable;  // 510 slots
    std::vector<BYTE> garbage = oneTable.Build(SampleEntries());
    for (size_t slot = 0; slot < 510; ++slot) {
        CIndexDatWriter::Put32(garbage, 0x4000 + 16 + slot * 8, 0x40);
        CIndexDatWriter::Put32(garbage, 0x4000 + 20 + slot * 8, 0x7fffff80);
    }
    CIndexDatUrlCache cache("C:\\old\\");
    ASSERT_TRUE(cache.AddIndex("C:\\old\\index.dat", garbage));
    ASSERT_EQ(CIndexDatReader::kMaxDamageRows + 1, cache.Damage().size());
    EXPECT_EQ("C:\\old\\index.dat (+410)", cache.Damage().back().where);
}

TEST_F(DamagedIndex, EveryTruncationGivesOnlyWholeRecords) {
    std::vector<IndexDatWriterEntry> entries = SampleEntries();
    for (size_t cut = 0; cut <= file.size(); cut += 40) {
        SCOPED_TRACE(cut);
        std::vector<BYTE> copy(file.begin(), file.begin() + cut);  // exact size: ASan sees overreads
        if (!reader.Parse(copy.data(), copy.size())) {
            EXPECT_LT(cut, 76u);
            continue;
        }
        for (const IndexDatRecord& r : reader.Records()) {
            bool known = false;
            for (const IndexDatWriterEntry& e : entries) known |= e.url == r.url;
            EXPECT_TRUE(known);
        }
        if (cut < file.size()) {
            EXPECT_FALSE(reader.Damage().empty());
        }
    }
    std::vector<BYTE> other(file);
    memcpy(other.data(), "Client UrlCache MMF Ver 6.0", 28);
    EXPECT_FALSE(reader.Parse(other.data(), other.size()));
}

TEST(IndexDatStore, WalksEveryIndexWithFilesInTheirSubFoldersAndWritesNothing) {
    CIndexDatWriter writer;
    std::vector<IndexDatWriterEntry> entries = SampleEntries();
    std::vector<BYTE> content = writer.Build(entries);
    std::vector<BYTE> damaged = content;
    CIndexDatWriter::Put32(damaged, 0x4000 + 8, 0x4000);

    CIndexDatUrlCache cache("D:\\old\\Temporary Internet Files\\");
    EXPECT_TRUE(cache.AddIndex("D:\\old\\Temporary Internet Files\\Content.IE5\\index.dat", content));
    EXPECT_FALSE(cache.AddIndex("D:\\old\\x\\index.dat", std::vector<BYTE>(100, 0)));
    EXPECT_TRUE(cache.AddIndex("D:\\old\\History.IE5\\index.dat", damaged));
    EXPECT_EQ(2u, cache.IndexCount());
    EXPECT_TRUE(cache.ReadOnly());
    EXPECT_STREQ("D:\\old\\Temporary Internet Files\\", cache.SourceFolder());
    ASSERT_EQ(2u, cache.Damage().size());
    EXPECT_EQ("D:\\old\\x\\index.dat", cache.Damage()[0].where);
    EXPECT_EQ((UINT)IDS_WARN_CACHE_UNREADABLE, cache.Damage()[0].message);
    EXPECT_EQ("D:\\old\\History.IE5\\index.dat (0x00004000)", cache.Damage()[1].where);
    EXPECT_EQ((UINT)IDS_WARN_CACHE_DAMAGED, cache.Damage()[1].message);

    std::vector<std::string> walked;
    UrlCacheEntry e;
    for (bool more = cache.FindFirst(e); more; more = cache.FindNext(e))
        walked.push_back(std::string(e.sourceUrl) + "|" + (e.localFile ? e.localFile : "-"));
    cache.FindClose();
    ASSERT_EQ(12u, walked.size());
    EXPECT_EQ("http://h/a.html|D:\\old\\Temporary Internet Files\\Content.IE5\\ABCD1234\\a[1].html", walked[0]);
    EXPECT_EQ("http://h/find.cgi?q=a:b/c|D:\\old\\Temporary Internet Files\\Content.IE5\\EFGH5678\\find[1].htm",
              walked[1]);
    EXPECT_EQ("Visited: user@http://h/a.html|-", walked[4]);
    EXPECT_EQ("http://h/a.html|D:\\old\\History.IE5\\ABCD1234\\a[1].html", walked[6]);
    EXPECT_FALSE(cache.FindNext(e));

    char path[128];
    EXPECT_TRUE(cache.GetLocalFile("http://h:8080/last.html", path, sizeof path));
    EXPECT_STREQ("D:\\old\\Temporary Internet Files\\Content.IE5\\ABCD1234\\last[1].html", path);
    EXPECT_FALSE(cache.GetLocalFile("http://h:8080/last.html", path, 10));
    EXPECT_FALSE(cache.GetLocalFile("http://h/none", path, sizeof path));
    EXPECT_FALSE(cache.DeleteEntry("http://h/a.html"));
    EXPECT_FALSE(cache.CreateEntry("http://h/n.html", 0, "html", path, sizeof path));
    FILETIME t = {0, 0};
    EXPECT_FALSE(cache.CommitEntry("http://h/n.html", "C:\\x", t, t, "html"));
}

}  // namespace

namespace {

TEST(CacheListing, LinesHaveFourColumnsWithUtcTimes) {
    UrlCacheEntry e = {};
    e.sourceUrl = "http://h/a\tb\r\n.html";
    e.localFile = "C:\\c\\a[1].html";
    e.sizeLow = 4294967295u;
    // 2000-02-29 23:59:58 UTC, a leap day.
    ULONGLONG t = 125963423980000000ULL;
    e.lastModified.dwLowDateTime = (DWORD)t;
    e.lastModified.dwHighDateTime = (DWORD)(t >> 32);
    EXPECT_EQ("http://h/a%09b%0D%0A.html\tC:\\c\\a[1].html\t4294967295\t2000-02-29 23:59:58", CacheListingLine(e));
    e.localFile = nullptr;
    e.lastModified = FILETIME{0, 0};
    e.sizeLow = 0;
    EXPECT_EQ("http://h/a%09b%0D%0A.html\t\t0\t", CacheListingLine(e));
    // The last FAT time the engine keeps, 2107-12-31 11:59:58.
    e.lastModified =
        FatDateTimeToFileTime(((127u << 9) | (12u << 5) | 31u) | ((DWORD)((11u << 11) | (59u << 5) | 29u) << 16));
    EXPECT_EQ("http://h/a%09b%0D%0A.html\t\t0\t2107-12-31 11:59:58", CacheListingLine(e));
}

}  // namespace

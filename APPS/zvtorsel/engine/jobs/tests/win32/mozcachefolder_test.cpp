// Mozilla disk caches of version 1 (the real Firefox 3.5 and Firefox 4
// folders of cache/tests/data) placed in the profiles of an old disk: found
// from the profile, the cache folder or a folder above them, listed and
// rebuilt with their gzip bodies decoded, and the disk the same to the byte
// and to the second afterwards.
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

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
using fixturetree::MakeFolders;

using diskkit::ReadAll;
using diskkit::RemoveTree;
using diskkit::RunProgram;

std::string Gunzip(const std::string& bytes) {
    z_stream z = {};
    inflateInit2(&z, 31);
    std::string out(1 << 20, '\0');
    z.next_in = (Bytef*)bytes.data();
    z.avail_in = (uInt)bytes.size();
    z.next_out = (Bytef*)&out[0];
    z.avail_out = (uInt)out.size();
    int result = inflate(&z, Z_FINISH);
    out.resize(result == Z_STREAM_END ? z.total_out : 0);
    inflateEnd(&z);
    return out;
}

const char kScript[] = "http$\\ssl.gstatic.com\\gb\\js\\sem_c87908b20b80e337d7767b3e66715ee0.js";

class MozillaCacheFolder : public ::testing::Test {
protected:
    void SetUp() override {
        settings.mapping.clock = &Win32FileClock();
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        base = std::string(temp) + "zvt_mozcache\\";
        RemoveTree(base);
        FILETIME old = MakeTime(Utc(2014, 8, 7, 6, 5, 4));
        disk = base + "Documents and Settings\\";
        hanako = disk + "hanako\\Application Data\\Mozilla\\Firefox\\Profiles\\x9y8z7.default\\";
        taro = disk + "taro\\Local Settings\\Application Data\\Mozilla\\Firefox\\Profiles\\ab12.default\\";
        CopyTree(Fixtures() + "firefox-cache1\\", hanako + "Cache\\", old);
        CopyTree(Fixtures() + "firefox3-cache\\", taro + "Cache\\", old);
        settings.rebuildFolders[0] = base + "rb\\";
        MakeFolders(base + "rb\\");
    }
    void TearDown() override { RemoveTree(base); }

    std::string base, disk, hanako, taro;
    RebuildSettings settings;
    CWin32JobSystem files;
    CNullPaneView view;
    CRecordingReport report;
};

TEST_F(MozillaCacheFolder, ProfileOrCacheFolderRebuildsTheDecodedBodiesAndLeavesTheDiskAsItWas) {
    std::string script = Gunzip(ReadAll(hanako + "Cache\\E\\1B\\DCD2Fd01"));
    ASSERT_LT(20631u, script.size());
    for (const std::string& folder : {hanako, hanako + "Cache\\"}) {
        SCOPED_TRACE(folder);
        RemoveTree(base + "rb\\");
        MakeFolders(base + "rb\\");
        diskkit::FolderSnapshot before, after;
        diskkit::TakeSnapshot(disk, before);
        std::vector<CacheDamage> why;
        std::unique_ptr<IUrlCache> store = OpenUrlCache(files, folder, why);
        ASSERT_TRUE(store);
        EXPECT_TRUE(why.empty());
        EXPECT_TRUE(store->ReadOnly());
        {
            CRebuildJobs jobs(settings, files, *store, view, report, 0);
            ASSERT_EQ(1, jobs.BuildTrees());
            ASSERT_EQ(1, jobs.ExecuteMarks());
        }
        EXPECT_EQ(script, ReadAll(base + "rb\\" + kScript));
        diskkit::TakeSnapshot(disk, after);
        EXPECT_TRUE(before == after);
    }
    // The dirty map is said once per opening.
    size_t mapRows = 0;
    for (const auto& w : report.warnings) mapRows += w.first.find("_CACHE_MAP_") != std::string::npos;
    EXPECT_EQ(2u, mapRows);
}

TEST_F(MozillaCacheFolder, CommandJobsListEveryUserAndRebuildOneCache) {
    diskkit::FolderSnapshot before, after;
    diskkit::TakeSnapshot(disk, before);
    std::string log = base + "list.txt";
    ASSERT_EQ(0, RunProgram("/cachelist \"/cache:" + disk + "hanako\\Application Data\" \"/log:" + log + "\""));
    std::string listing = ReadAll(log);
    EXPECT_NE(std::string::npos, listing.find("http://ssl.gstatic.com/gb/js/sem_c87908b20b80e337d7767b3e66715ee0.js\t" +
                                              hanako + "Cache\\E\\1B\\DCD2Fd01\t")) << listing;
    EXPECT_NE(std::string::npos, listing.find("http://clients1.google.com/generate_204\t")) << listing;

    // A cache without its map: the bodies its block files hold are found by
    // their content, the rest named in warning rows.
    RunProgram("/cachelist \"/cache:" + taro.substr(0, taro.size() - 13) + "\" \"/log:" + log + "\"");
    listing = ReadAll(log);
    EXPECT_NE(std::string::npos, listing.find("http://start.mozilla.org/en-US/img/firefox-logo.png\t" + taro +
                                              "Cache\\_CACHE_002_\t1663\t"))
        << listing;
    EXPECT_NE(std::string::npos, listing.find("! " + taro + "Cache\\_CACHE_001_ (0x3800) http://ocsp.digicert.com/ : "));

    EXPECT_EQ(0, RunProgram("/rebuild \"/folder:" + base + "rb\\\" \"/cache:" + hanako + "Cache\" \"/log:" + log + "\""));
    EXPECT_EQ(Gunzip(ReadAll(hanako + "Cache\\E\\1B\\DCD2Fd01")), ReadAll(base + "rb\\" + kScript));
    diskkit::TakeSnapshot(disk, after);
    EXPECT_TRUE(before == after);
}

}  // namespace

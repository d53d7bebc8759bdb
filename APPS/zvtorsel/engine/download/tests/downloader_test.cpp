#include "download/downloader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "cache/memcache.h"
#include "tree/tests/testkit.h"

namespace {

const char kFolder[] = "C:\\rb\\";
const char kList[] = "C:\\rb\\download.lst";

class CRecordingView : public IDownloadView {
public:
    void RowState(int row, DownloadState state) override { states[row].push_back(state); }
    void ShowRow(int row) override { shown.push_back(row); }
    void SlotTexts(int slot, const char* status, const char* progress) override {
        last[slot] = std::string(status) + "|" + progress;
    }
    void Refresh() override { ++refreshes; }

    std::map<int, std::vector<DownloadState>> states;
    std::vector<int> shown;
    std::map<int, std::string> last;
    std::atomic<int> refreshes{0};
};

// Answers from a table of URLs; anything else fails. Counts every fetch.
class CFakeFetcher : public IUrlFetcher {
public:
    void Arm(int slot) override { cancel[slot] = 0; }
    void Cancel(int slot) override { cancel[slot] = 1; }
    bool IsCancelled(int slot) const override { return cancel[slot] != 0; }
    void Fetch(int slot, const char* url, char* file, DWORD cap) override {
        {
            std::lock_guard<std::mutex> hold(mutex);
            fetched.push_back(url);
        }
        if (onFetch) onFetch(slot, url);
        auto it = answers.find(url);
        if (it != answers.end() && !IsCancelled(slot)) snprintf(file, cap, "%s", it->second.c_str());
    }

    std::atomic<int> cancel[kMaxDownloadThreads] = {};
    std::map<std::string, std::string> answers;
    std::vector<std::string> fetched;
    std::mutex mutex;
    std::function<void(int, const char*)> onFetch;
};

class Downloader : public ::testing::Test {
protected:
    void WriteList(const std::vector<std::string>& urls, int entry = -1) {
        files.AddFolder("C:\\rb");
        files.WriteProfileString(kList, "download", "entry",
                                 std::to_string(entry < 0 ? (int)urls.size() : entry).c_str());
        std::string text;
        for (size_t n = 0; n < urls.size(); ++n) {
            if (urls[n].empty()) continue;
            files.WriteProfileString(kList, "download", ("url" + std::to_string(n)).c_str(), urls[n].c_str());
            text += "url" + std::to_string(n) + "=" + urls[n] + "\r\n";
        }
        // The memory file system keeps profile values apart from file data:
        // give the list file the size its keys would have.
        files.AddFile(kList, text, 0);
    }
    std::string Key(int n) {
        char value[1024];
        files.ReadProfileString(kList, "download", ("url" + std::to_string(n)).c_str(), value, sizeof(value));
        return value;
    }
    void RunWorkers(CDownloader& d, int count) {
        std::vector<std::thread> threads;
        for (int slot = 0; slot < count; ++slot) fetcher.Arm(slot);
        for (int slot = 0; slot < count; ++slot) threads.emplace_back([&d, slot] { d.Work(slot); });
        for (auto& t : threads) t.join();
    }

    CMemorySystem files;
    CMemoryUrlCache cache;
    CFakeFetcher fetcher;
    CRecordingView view;
};

TEST_F(Downloader, LoadsNonEmptyKeysBelowEntryWithTheirKeyNumbers) {
    WriteList({"http://h/a.htm", "", "http://h/c.gif", "http://h/beyond.htm"}, 3);
    CDownloader d(kFolder, files, cache, fetcher, view);
    d.Load();
    ASSERT_EQ(2, d.RowCount());
    EXPECT_EQ("http://h/c.gif", d.RowUrl(1));
    EXPECT_EQ(2, d.RowKey(1));

    // A damaged count reads the keys there are, without a loop to two billion.
    files.WriteProfileString(kList, "download", "entry", "2147483647");
    d.Load();
    EXPECT_EQ(3, d.RowCount());

    CMemorySystem empty;
    CDownloader none("C:\\nowhere\\", empty, cache, fetcher, view);
    none.Load();
    EXPECT_EQ(0, none.RowCount());
    EXPECT_FALSE(none.RowsLeft());
}

TEST_F(Downloader, FetchesFolderAndQueryUrlsAndRecordsEachResult) {
    WriteList({"http://h/d/index.html", "http://h/s.cgi?k=1.htm", "http://h/missing.gif", "http://h/D/INDEX.HTM"});
    fetcher.answers = {{"http://h/d/", "C:\\cache\\d[1]"},
                       {"http://h/s.cgi?k=1", "C:\\cache\\s[1].htm"},
                       {"http://h/D/", "C:\\cache\\D[1]"}};
    CDownloader d(kFolder, files, cache, fetcher, view);
    d.SetEndTexts("end", "stopped");
    d.Load();
    RunWorkers(d, 1);

    EXPECT_EQ((std::vector<std::string>{"http://h/d/", "http://h/s.cgi?k=1", "http://h/missing.gif", "http://h/D/"}),
              fetcher.fetched);
    EXPECT_EQ(DOWNLOAD_FETCHED, d.RowState(0));
    EXPECT_EQ(DOWNLOAD_FETCHED, d.RowState(1));
    EXPECT_EQ(DOWNLOAD_FAILED, d.RowState(2));
    EXPECT_EQ((std::vector<DownloadState>{DOWNLOAD_FETCHING, DOWNLOAD_FAILED}), view.states[2]);
    for (int n = 0; n < 4; ++n) EXPECT_EQ("", Key(n)) << n;
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), view.shown);
    EXPECT_EQ("end|", view.last[0]);
    EXPECT_EQ(4, d.NextIndex());
}

TEST_F(Downloader, MovesTheNewFileToTheCacheEntrysNameOnlyWhenThatFileIsGone) {
    WriteList({"http://h/a.htm", "http://h/b.htm"});
    fetcher.answers = {{"http://h/a.htm", "C:\\cache\\new_a.htm"}, {"http://h/b.htm", "C:\\cache\\new_b.htm"}};
    files.AddFolder("C:\\cache");
    files.AddFile("C:\\cache\\new_a.htm", "A", 0);
    files.AddFile("C:\\cache\\new_b.htm", "B", 0);
    files.AddFile("C:\\cache\\old_b.htm", "old", 0);
    CMemoryUrlCache::Entry a;
    a.url = "http://h/a.htm";
    a.localFile = "C:\\cache\\old_a.htm";
    cache.Put(a);
    CMemoryUrlCache::Entry b = a;
    b.url = "http://h/b.htm";
    b.localFile = "C:\\cache\\old_b.htm";
    cache.Put(b);

    CDownloader d(kFolder, files, cache, fetcher, view);
    d.Load();
    RunWorkers(d, 1);
    EXPECT_EQ("A", files.Data("C:\\cache\\old_a.htm"));
    EXPECT_FALSE(files.Exists("C:\\cache\\new_a.htm"));
    EXPECT_EQ("old", files.Data("C:\\cache\\old_b.htm"));
    EXPECT_EQ("B", files.Data("C:\\cache\\new_b.htm"));
}

TEST_F(Downloader, FiveWorkersHandOutEveryRowExactlyOnceOverTwoRuns) {
    for (int round = 0; round < 50; ++round) {
        std::vector<std::string> urls;
        for (int i = 0; i < 37; ++i) urls.push_back("http://h/" + std::to_string(i) + ".gif");
        files.Clear();
        WriteList(urls);
        fetcher.fetched.clear();
        fetcher.answers.clear();
        for (const std::string& u : urls) fetcher.answers[u] = "C:\\c\\" + u.substr(9);
        // The first run is stopped after some rows; the second continues.
        std::atomic<int> seen{0};
        fetcher.onFetch = [&](int, const char*) {
            if (++seen == 10)
                for (int s = 0; s < kMaxDownloadThreads; ++s) fetcher.Cancel(s);
        };
        CDownloader d(kFolder, files, cache, fetcher, view);
        d.Load();
        RunWorkers(d, 5);
        int afterFirst = d.NextIndex();
        ASSERT_GE(afterFirst, 10);
        fetcher.onFetch = nullptr;
        RunWorkers(d, 5);
        ASSERT_EQ(37, d.NextIndex());
        std::set<std::string> unique(fetcher.fetched.begin(), fetcher.fetched.end());
        ASSERT_EQ(37u, fetcher.fetched.size()) << "round " << round;
        ASSERT_EQ(37u, unique.size());
        // Rows aborted by the stop keep their state and their keys.
        int fetching = 0;
        for (int r = 0; r < 37; ++r) {
            if (d.RowState(r) == DOWNLOAD_FETCHING) {
                ++fetching;
                EXPECT_EQ(d.RowUrl(r), Key(d.RowKey(r)));
            } else {
                EXPECT_EQ(DOWNLOAD_FETCHED, d.RowState(r));
                EXPECT_EQ("", Key(d.RowKey(r)));
            }
        }
        EXPECT_GE(fetching, 1);
        EXPECT_LE(fetching, kMaxDownloadThreads);
    }
}

TEST_F(Downloader, SurplusWorkersEndAtOnceAndProgressStopsOnCancel) {
    WriteList({"http://h/only.htm"});
    fetcher.answers = {{"http://h/only.htm", "C:\\c\\only.htm"}};
    CDownloader d(kFolder, files, cache, fetcher, view);
    d.SetEndTexts("end", "stopped");
    d.Load();
    RunWorkers(d, 5);
    for (int slot = 0; slot < 5; ++slot) EXPECT_EQ("end|", view.last[slot]) << slot;
    EXPECT_EQ(1u, fetcher.fetched.size());

    EXPECT_TRUE(d.Progress(2, 512, 2048));
    EXPECT_EQ("end|512 / 2048", view.last[2]);
    fetcher.Cancel(2);
    EXPECT_FALSE(d.Progress(2, 1024, 2048));
    EXPECT_EQ("end|512 / 2048", view.last[2]);
}

TEST(DownloadSettings, ThreadCountIsClamped) {
    EXPECT_EQ(1, ClampThreadCount(0));
    EXPECT_EQ(1, ClampThreadCount(-3));
    EXPECT_EQ(3, ClampThreadCount(3));
    EXPECT_EQ(5, ClampThreadCount(9));
}

}  // namespace

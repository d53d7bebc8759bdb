// Downloader throughput: 200 URLs of 50 KB from the loopback server, fetched
// by the workers with 1 and with 5 threads, beside a plain sequential loop of
// URLDownloadToCacheFileA in the same run. Run it through run_with_server.sh:
//   run_with_server.sh wine-run.sh download_bench.exe
#include <stdio.h>
#include <urlmon.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cache/win32/wininetcache.h"
#include "download/tests/win32/loopback.h"
#include "download/win32/downloadworkers.h"
#include "jobs/tests/win32/diskkit.h"
#include "base/win32/win32desktop.h"

namespace {

const int kUrls = 200;

class CCountingView : public IDownloadView {
public:
    void RowState(int, DownloadState state) override { fetched += state == DOWNLOAD_FETCHED; }
    void ShowRow(int) override {}
    void SlotTexts(int, const char*, const char*) override {}
    void Refresh() override {}
    int fetched = 0;
};

std::vector<std::string> Urls(const char* run) {
    std::vector<std::string> urls;
    for (int i = 0; i < kUrls; ++i) urls.push_back(loopback::Base() + "/blob/" + run + std::to_string(i) + ".bin");
    return urls;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// Seconds for the workers to fetch the list with `threads` threads; -1 on a failure.
double TimeWorkers(const std::string& folder, int threads, const char* run) {
    diskkit::ClearCache();
    loopback::WriteList(folder, Urls(run));
    CWin32JobSystem files;
    CWinInetUrlCache cache;
    CCountingView view;
    CDownloadWorkers workers;
    CDownloader downloader(folder, files, cache, workers, view);
    workers.Attach(downloader);
    downloader.Load();
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    bool failed = false;
    if (workers.Start(threads, failed) != threads) return -1;
    while (workers.AnyRunning()) Sleep(1);
    QueryPerformanceCounter(&end);
    workers.Finish();
    return view.fetched == kUrls ? Seconds(start, end) : -1;
}

double TimePlainLoop(const char* run) {
    diskkit::ClearCache();
    std::vector<std::string> urls = Urls(run);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    int fetched = 0;
    for (const std::string& url : urls) {
        char file[1024] = "";
        fetched += SUCCEEDED(URLDownloadToCacheFileA(nullptr, url.c_str(), file, sizeof(file), 0, nullptr)) && file[0];
    }
    QueryPerformanceCounter(&end);
    return fetched == kUrls ? Seconds(start, end) : -1;
}

// The middle value; a failed run (-1) sorts first.
double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    if (loopback::Base().empty()) {
        fprintf(stderr, "ZV_HTTP_PORT is not set: run through run_with_server.sh\n");
        return 2;
    }
    CoInitialize(nullptr);
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + "zvt_dlbench\\";
    CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);

    // Three rounds in rotating order, each on an emptied cache; medians count,
    // as the machine's load and the cache's growth move single runs a lot.
    std::vector<double> plain, one, five;
    for (int round = 0; round < 3; ++round) {
        std::string tag = "r" + std::to_string(round);
        for (int k = 0; k < 3; ++k) {
            switch ((round + k) % 3) {
                case 0:
                    plain.push_back(TimePlainLoop((tag + "p").c_str()));
                    break;
                case 1:
                    one.push_back(TimeWorkers(folder, 1, (tag + "a").c_str()));
                    break;
                default:
                    five.push_back(TimeWorkers(folder, 5, (tag + "b").c_str()));
                    break;
            }
        }
    }
    double p = Median(plain), o = Median(one), f = Median(five);
    printf("%d URLs of 50 KB from 127.0.0.1, median of 3 runs\n", kUrls);
    printf("plain URLDownloadToCacheFileA loop : %.3f s\n", p);
    printf("workers, 1 thread                  : %.3f s (%.2fx the plain loop's time)\n", o, o / p);
    printf("workers, 5 threads                 : %.3f s (%.2fx the plain loop's time)\n", f, f / p);
    printf("speed-up 5 threads over 1          : %.2fx\n", o / f);

    diskkit::ClearCache();
    diskkit::RemoveTree(folder);
    CoUninitialize();
    return p > 0 && o > 0 && f > 0 ? 0 : 1;
}

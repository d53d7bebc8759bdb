// Section DownLoad as a job's record: how many workers fetch and whether the
// dial-up line is hung up after the last URL. The downloader and the settings
// both take the worker limit from here.
#pragma once

const int kMaxDownloadThreads = 5;

struct DownloadSettings {
    int threads = 1;  // ThreadEntry, 1 to 5
    bool disconnect = false;
};

// The thread count of the settings, clamped to 1 ... 5.
inline int ClampThreadCount(int value) {
    return value < 1 ? 1 : value > kMaxDownloadThreads ? kMaxDownloadThreads : value;
}

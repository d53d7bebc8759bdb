#include "downloader.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/messagenumbers.h"
#include "jobs/execute.h"
#include "tree/treemodel.h"

namespace {
const char kSection[] = "download";
}

#ifdef _WIN32
CDownloadLock::CDownloadLock() { InitializeCriticalSection(&section_); }
CDownloadLock::~CDownloadLock() { DeleteCriticalSection(&section_); }
void CDownloadLock::Enter() { EnterCriticalSection(&section_); }
void CDownloadLock::Leave() { LeaveCriticalSection(&section_); }
#else
CDownloadLock::CDownloadLock() {}
CDownloadLock::~CDownloadLock() {}
void CDownloadLock::Enter() { mutex_.lock(); }
void CDownloadLock::Leave() { mutex_.unlock(); }
#endif

unsigned DownloadStateText(DownloadState state) {
    switch (state) {
        case DOWNLOAD_FETCHING:
            return IDS_DL_FETCHING;
        case DOWNLOAD_FETCHED:
            return IDS_DL_FETCHED;
        case DOWNLOAD_FAILED:
            return IDS_NO_TIME;
        default:
            return 0;
    }
}

CDownloader::CDownloader(const std::string& rebuildFolder, const JobSystem& system, IUrlCache& cache,
                         IUrlFetcher& fetcher, IDownloadView& view)
    : listPath_(rebuildFolder), files_(system.files), profiles_(system.profiles), cache_(cache), fetcher_(fetcher), view_(view) {
    if (!listPath_.empty() && listPath_.back() != '\\' && listPath_.back() != '/') listPath_ += '\\';
    listPath_ += "download.lst";
}

void CDownloader::SetEndTexts(const char* finished, const char* cancelled) {
    finishedText_ = finished;
    cancelledText_ = cancelled;
}

void CDownloader::Load() {
    rows_.clear();
    next_ = 0;
    char value[kDownloadUrlSize];
    if (!profiles_.ReadProfileString(listPath_.c_str(), kSection, "entry", value, sizeof(value))) value[0] = 0;
    int count = atoi(value);
    // A damaged count must not keep the loop reading for ages: every key of
    // a list takes at least "urlN=x" and a line end in the file.
    DirEntry info;
    if (!files_.GetFileInfo(listPath_.c_str(), info)) return;
    if (count > (int)(info.size / 7) + 1) count = (int)(info.size / 7) + 1;
    for (int n = 0; n < count; ++n) {
        char key[16];
        snprintf(key, sizeof(key), "url%d", n);
        if (!profiles_.ReadProfileString(listPath_.c_str(), kSection, key, value, sizeof(value))) continue;
        if (value[0]) rows_.push_back(Row{value, n, DOWNLOAD_WAITING});
    }
}

DownloadState CDownloader::RowState(int row) {
    lock_.Enter();
    DownloadState state = rows_[row].state;
    lock_.Leave();
    return state;
}

int CDownloader::NextIndex() {
    lock_.Enter();
    int next = next_;
    lock_.Leave();
    return next;
}

void CDownloader::SetRowState(int row, DownloadState state) {
    rows_[row].state = state;
    view_.RowState(row, state);
}

int CDownloader::NextUrl(int slot, char* url, size_t cap) {
    if (next_ >= (int)rows_.size()) return -1;
    int row = next_;
    view_.ShowRow(row);
    const std::string& mapped = rows_[row].url;
    slots_[slot].status = mapped;
    slots_[slot].progress.clear();
    view_.SlotTexts(slot, slots_[slot].status.c_str(), "");
    SetRowState(row, DOWNLOAD_FETCHING);
    WriteBackUrl(mapped.c_str(), url, cap);
    ++next_;
    return row;
}

void CDownloader::FinishUrl(int row, const char* url, const char* file) {
    if (file[0]) {
        // The cache may list the URL with another file than the one just
        // written (an older entry kept its name); put the new data there.
        char entryFile[kDownloadUrlSize];
        DirEntry info;
        if (cache_.GetLocalFile(url, entryFile, sizeof(entryFile)) && entryFile[0] &&
            CompareNoCase(entryFile, file) != 0 && !files_.GetFileInfo(entryFile, info))
            files_.MoveFileTo(file, entryFile);
        SetRowState(row, DOWNLOAD_FETCHED);
    } else {
        SetRowState(row, DOWNLOAD_FAILED);
    }
    char key[16];
    snprintf(key, sizeof(key), "url%d", rows_[row].key);
    profiles_.WriteProfileString(listPath_.c_str(), kSection, key, nullptr);
}

bool CDownloader::Progress(int slot, unsigned long done, unsigned long total) {
    if (fetcher_.IsCancelled(slot)) return false;
    char text[48];
    snprintf(text, sizeof(text), "%lu / %lu", done, total);
    lock_.Enter();
    slots_[slot].progress = text;
    view_.SlotTexts(slot, slots_[slot].status.c_str(), text);
    lock_.Leave();
    view_.Refresh();
    return true;
}

void CDownloader::Work(int slot) {
    while (!fetcher_.IsCancelled(slot)) {
        char url[kDownloadUrlSize];
        lock_.Enter();
        int row = NextUrl(slot, url, sizeof(url));
        lock_.Leave();
        if (row < 0) break;
        view_.Refresh();
        char file[kDownloadUrlSize] = "";
        fetcher_.Fetch(slot, url, file, sizeof(file));
        if (fetcher_.IsCancelled(slot)) break;
        lock_.Enter();
        FinishUrl(row, url, file);
        lock_.Leave();
        view_.Refresh();
    }
    lock_.Enter();
    slots_[slot].status = fetcher_.IsCancelled(slot) ? cancelledText_ : finishedText_;
    slots_[slot].progress.clear();
    view_.SlotTexts(slot, slots_[slot].status.c_str(), "");
    lock_.Leave();
    view_.Refresh();
}

void CDownloader::CancelAll() {
    for (int slot = 0; slot < kMaxDownloadThreads; ++slot) fetcher_.Cancel(slot);
}

void CDownloader::FlushList() {
    lock_.Enter();
    profiles_.FlushProfile(listPath_.c_str());
    lock_.Leave();
}

// The downloader: fetches the URLs of "download.lst" into the URL cache with
// up to five workers. One lock guards the rows' states, the next index, the
// per-thread texts and the list file; the download itself runs outside it.
// The dialog and the command-line job drive the same object.
#pragma once
#include <string>
#include <vector>

#include "base/jobsystem.h"
#include "cache/urlcache.h"
#include "download/downloadsettings.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

// The list file and its URLs live in buffers of this size.
const int kDownloadUrlSize = 1024;

enum DownloadState {
    DOWNLOAD_WAITING,   // not handed out yet (empty state text)
    DOWNLOAD_FETCHING,  // "DL中..."
    DOWNLOAD_FETCHED,   // "DL済"
    DOWNLOAD_FAILED,    // "なし"
};

// How the downloader shows its work. The first three are called with the lock
// held, from any worker thread; they only update what is shown and must not
// wait for the thread that owns the windows to take the lock.
class IDownloadView {
public:
    virtual ~IDownloadView() {}
    virtual void RowState(int row, DownloadState state) = 0;
    // The row being handed out, to be scrolled into view.
    virtual void ShowRow(int row) = 0;
    // Status and progress texts of one worker slot.
    virtual void SlotTexts(int slot, const char* status, const char* progress) = 0;
    // Called without the lock after a change: repaint.
    virtual void Refresh() = 0;
};

// The network side of the workers: one cancel flag per slot and the download
// of one URL into the cache.
class IUrlFetcher {
public:
    virtual ~IUrlFetcher() {}
    // Clears the slot's cancel flag before its worker starts.
    virtual void Arm(int slot) = 0;
    virtual void Cancel(int slot) = 0;
    virtual bool IsCancelled(int slot) const = 0;
    // Downloads url into the cache; file (cap bytes) receives the cache file's
    // path, or stays empty when the download failed or was aborted.
    virtual void Fetch(int slot, const char* url, char* file, DWORD cap) = 0;
};

class CDownloader;

// The worker threads of a run as the dialog and the command-line job see
// them: started for a downloader, watched and finished.
class IDownloadWorkers : public IUrlFetcher {
public:
    // The downloader the workers serve; set before Start.
    virtual void Attach(CDownloader& owner) = 0;
    // Starts count workers (clamped to 1 ... 5); when a thread cannot be
    // created the slots already started are cancelled and `failed` is set.
    // Returns the number of threads started.
    virtual int Start(int count, bool& failed) = 0;
    // True while a worker thread has not ended.
    virtual bool AnyRunning() const = 0;
    // After the last worker ended: frees the threads and flushes the list file.
    virtual void Finish() = 0;
};

class CDownloadLock {
public:
    CDownloadLock();
    ~CDownloadLock();
    CDownloadLock(const CDownloadLock&) = delete;
    CDownloadLock& operator=(const CDownloadLock&) = delete;
    void Enter();
    void Leave();

private:
#ifdef _WIN32
    CRITICAL_SECTION section_;
#else
    std::mutex mutex_;
#endif
};

class CDownloader {
public:
    // rebuildFolder ends with "\"; the list file is "download.lst" in it.
    CDownloader(const std::string& rebuildFolder, const JobSystem& system, IUrlCache& cache, IUrlFetcher& fetcher,
                IDownloadView& view);

    // Reads the rows of the list file: every non-empty "url%d" below "entry".
    void Load();
    const std::string& ListPath() const { return listPath_; }
    int RowCount() const { return (int)rows_.size(); }
    // Rows never change after Load, so their URLs are read without the lock.
    const std::string& RowUrl(int row) const { return rows_[row].url; }
    int RowKey(int row) const { return rows_[row].key; }
    DownloadState RowState(int row);
    // The number of rows handed out so far.
    int NextIndex();
    bool RowsLeft() { return NextIndex() < RowCount(); }

    void Lock() { lock_.Enter(); }
    void Unlock() { lock_.Leave(); }

    // Hands the next row to slot: -1 when none is left; else the row, with the
    // URL to fetch (the mapped URL turned back into a network URL) in url.
    // Called with the lock held.
    int NextUrl(int slot, char* url, size_t cap);
    // Records the result of row (file empty: failed) and removes its key from
    // the list file. Called with the lock held.
    void FinishUrl(int row, const char* url, const char* file);
    // A progress report of slot's download: false when it is to be aborted.
    bool Progress(int slot, unsigned long done, unsigned long total);
    // The worker of one slot: fetches rows until none is left or it is cancelled.
    void Work(int slot);
    void CancelAll();
    // Writes the list file's changes through to disk.
    void FlushList();

    // Status and progress texts of slot; the caller holds the lock.
    const std::string& SlotStatus(int slot) const { return slots_[slot].status; }
    const std::string& SlotProgress(int slot) const { return slots_[slot].progress; }
    // The texts a worker leaves in its slot when it ends (strings 69 and 66).
    void SetEndTexts(const char* finished, const char* cancelled);

private:
    struct Row {
        std::string url;
        int key;
        DownloadState state;
    };
    struct Slot {
        std::string status;
        std::string progress;
    };
    void SetRowState(int row, DownloadState state);

    std::string listPath_;
    IFiles& files_;
    IProfileFiles& profiles_;
    IUrlCache& cache_;
    IUrlFetcher& fetcher_;
    IDownloadView& view_;
    CDownloadLock lock_;
    std::vector<Row> rows_;
    int next_ = 0;
    Slot slots_[kMaxDownloadThreads];
    std::string finishedText_, cancelledText_;
};

// The state texts of the list (string numbers of the program's table): 0 for
// a row not handed out yet.
unsigned DownloadStateText(DownloadState state);

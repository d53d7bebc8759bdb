#include "downloadjob.h"

#include "afxwin.h"
#include "cache/win32/wininetcache.h"
#include "console.h"
#include "download/win32/dialup.h"
#include "download/win32/downloadworkers.h"
#include "base/win32/win32desktop.h"
#include "profilestore.h"
#include "resource.h"
#include "settings.h"

namespace {

// One line per handled URL: its state text and the URL.
class CConsoleDownloadView : public IDownloadView {
public:
    explicit CConsoleDownloadView(CConsoleOutput& out) : out_(out) {}
    void Attach(CDownloader& downloader) { downloader_ = &downloader; }
    void RowState(int row, DownloadState state) override {
        if (state == DOWNLOAD_FETCHING) return;
        std::string line = MessageLine(DownloadStateText(state), nullptr) + " " + downloader_->RowUrl(row);
        if (state == DOWNLOAD_FAILED)
            out_.Failure(line);
        else
            out_.Line(line.c_str());
    }
    void ShowRow(int) override {}
    void SlotTexts(int, const char*, const char*) override {}
    void Refresh() override {}

private:
    CConsoleOutput& out_;
    CDownloader* downloader_ = nullptr;
};

}  // namespace

int RunDownloadJob(CWinApp& app, const CommandLine& options) {
    CConsoleOutput out;
    if (!out.Open(options.log)) return EXIT_BAD_ARGUMENTS;
    CAppProfileStore store(app);
    DownloadSettings settings;
    ReadDownloadSettings(store, settings);
    if (options.threads) settings.threads = ClampThreadCount(options.threads);
    std::string folder = options.folder;
    if (folder.empty()) {
        RebuildSettings rebuild;
        ReadRebuildSettings(app, rebuild);
        folder = rebuild.rebuildFolders[0];
    }

    CWin32JobSystem files;
    CWinInetUrlCache cache;
    CDownloadWorkers workers;
    CConsoleDownloadView view(out);
    CDownloader downloader(folder, files, cache, workers, view);
    view.Attach(downloader);
    workers.Attach(downloader);
    downloader.SetEndTexts(MessageLine(IDS_DL_FINISHED, nullptr).c_str(), MessageLine(IDS_DL_STOP, nullptr).c_str());
    downloader.Load();
    if (downloader.RowCount() == 0) {
        out.Line(MessageLine(IDS_DL_NO_URL, nullptr).c_str());
        return EXIT_FINISHED;
    }

    bool failed = false;
    int started = workers.Start(settings.threads, failed);
    if (failed) out.Line(MessageLine(IDS_NO_THREAD, nullptr).c_str());
    // The same 500 ms poll of the workers' exit codes as the dialog's timer.
    while (workers.AnyRunning()) Sleep(500);
    workers.Finish();
    if (settings.disconnect && HangUpDialUp() == HANGUP_NO_LIBRARY)
        out.Line(MessageLine(IDS_NO_RASAPI, nullptr).c_str());
    if (started == 0 || failed) return out.Finish(EXIT_STOPPED);
    return out.Finish(downloader.RowsLeft() ? EXIT_STOPPED : EXIT_FINISHED);
}

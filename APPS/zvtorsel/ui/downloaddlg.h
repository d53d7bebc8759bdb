// "ダウンロード": fetches the URLs of "download.lst" of the rebuild folder into
// the URL cache with one to five workers, one row per URL, one status and one
// progress text per worker. The workers update the list and the texts through
// IDownloadView with the downloader's lock held, carried over to this thread
// by the worker dialog base; this thread never waits for that lock while they
// run, so their sent messages always get through.
#pragma once
#include <string>

#include "afxworkerdlg.h"
#include "cache/win32/wininetcache.h"
#include "download/downloader.h"
#include "base/win32/win32desktop.h"
#include "settings/sections.h"

class CDownloadDlg : public CWorkerDialog, public IDownloadView {
public:
    // rebuildFolder: the current rebuild folder, ending with "\"; workers
    // fetch for the dialog's downloader and outlive the dialog.
    CDownloadDlg(CWnd* parent, const char* rebuildFolder, IDownloadWorkers& workers);

    // The number of URLs handed out, for "発見数" after the dialog returned IDOK.
    int GetFoundCount() { return downloader_.NextIndex(); }

    void RowState(int row, DownloadState state) override;
    void ShowRow(int row) override;
    void SlotTexts(int slot, const char* status, const char* progress) override;
    void Refresh() override;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnTimer(UINT_PTR id) override;
    void OnWorkerRefresh() override;

private:
    int CheckedThreads() const;
    void ShowIdleSlotTexts();
    void OpenRowFile(int row);

    CWin32JobSystem files_;
    CWinInetUrlCache cache_;
    IDownloadWorkers& workers_;
    CDownloader downloader_;
    DownloadSettings settings_;
    HWND list_ = nullptr;
    bool running_ = false;
    bool started_ = false;
};

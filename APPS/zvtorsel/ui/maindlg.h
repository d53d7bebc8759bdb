// The program's main dialog: the rebuild folder and the buttons that start
// every function.
#pragma once
#include <string>

#include "afxwin.h"
#include "reportresult.h"
#include "tree/treepane.h"

class CMainDlg : public CDialog {
public:
    explicit CMainDlg(CWinApp& app);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnCancel() override { OnExit(); }
    BOOL OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void OnBrowse();
    void OnRebuildTree();
    void OnStartBrowser();
    void OnCreateList();
    void OnOpenList();
    void OnKeywordSearch();
    void OnOpenKeywordResult();
    void OnPictureScan();
    void OnOpenPictureResult();
    void OnDownload();
    void OnOptions();
    void OnHelp();
    void OnExit();
    void OpenMakerLink(int id);

    // The dialogs other parts of the program provide; each returns true when
    // the dialog ended with OK and filled the result.
    bool RunNoticeDialog(bool& noMoreNotice);
    bool RunAddressListDialog(ReportResult& result);
    bool RunKeywordSearchDialog(ReportResult& result);
    bool RunPictureScanDialog(ReportResult& result);
    bool RunDownloadDialog(ReportResult& result);
    bool RunOptionsDialog(RebuildSettings& settings);

    // Reads the folder edit, tidies it and stores it as RebuildFolder.
    void SaveFolder();
    void SetStatus(const char* text);
    void SetStatus(UINT id);
    // "%s : %s" of a label string and a count with thousands separators.
    void SetCountStatus(UINT labelId, DWORD count);
    // Opens `file` in `folder` with the shell; string failId when it fails.
    void OpenPage(const std::string& folder, const char* file, UINT failId);
    const std::string& FolderPath(int number) const;

    CWinApp& app_;
    RebuildSettings settings_;
    HICON icon_ = nullptr;
    HFONT linkFont_ = nullptr;
    int baseFolderNo_ = 0;
    int listFolder_ = 0;
    int keywordFolder_ = 0;
    int pictureFolder_ = 0;
    std::string keywordResult_;
    std::string pictureResult_;
};

// Dialog 107 "画像データ検索": the picture scan's settings, its source of
// folders (a search folder or a keyword result page), and the run in a
// worker thread that writes the picture list page.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "afxworkerdlg.h"
#include "pictures/picturescan.h"
#include "tree/treepane.h"

// What the main dialog reads back after the dialog ended with 1.
struct PictureScanOutcome {
    bool stopped = false;
    int pictures = 0;
    int folderNo = 0;      // the rebuild folder that received the page
    std::string pageName;  // file name inside that folder
};

class CPictureScanDlg : public CWorkerDialog, private IPictureScanReport {
public:
    // folders: the rebuild folder list (number 0 the current one).
    CPictureScanDlg(const RebuildSettings& folders, CWnd* parent = nullptr);

    // "生成HTML書式(&O)": the opener edits the page colours and switches
    // (dialog 108); the button is disabled when none is set.
    std::function<bool(PictureScanSettings&)> editFormat;

    const PictureScanOutcome& Outcome() const { return outcome_; }

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    int RunWorker() override;
    void OnWorkerEnd(int result) override;

private:
    // IPictureScanReport, called by the worker.
    void Status(const char* text) override;
    void Progress(const char* text) override;
    void Message(UINT id, const char* arg) override;

    void FillFolders();
    void FillConditions();
    void ReadControls();
    void UpdateEnabling();
    void UpdateThumbSizes();
    void PickNameFont();
    void BrowseFolder();
    int ChosenFolder() const;

    RebuildSettings folders_;
    PictureScanSettings settings_;
    std::vector<std::string> resultPages_;
    std::string searchFolder_;
    int condition_ = 0;  // row of the condition combo: 0 the search folder
    PictureScanOutcome outcome_;
};

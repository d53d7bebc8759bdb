// The Rebuild Tree window: both sides of the rebuild tree with their marks,
// the warnings list, and the buttons that carry the marks out.
#pragma once
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "afxworkerdlg.h"
#include "base/jobreport.h"
#include "cache/urlcache.h"
#include "jobs/rebuildjobs.h"
#include "base/win32/win32desktop.h"
#include "panecontrols.h"
#include "profilestore.h"
#include "rebuildtreetargets.h"
#include "settings/sections.h"
#include "treeimages.h"
#include "windowlogic/menurules.h"
#include "windowlogic/treelayout.h"

class CRebuildTreeDlg : public CWorkerDialog, private IJobReport {
public:
    CRebuildTreeDlg(CWinApp& app, const RebuildSettings& settings, int historyPrefixLength, CWnd* parent);
    ~CRebuildTreeDlg() override;
    // After DoModal: file operations of the last execution that failed.
    int FailedFiles() const { return jobs_ ? jobs_->FailedFiles() : 0; }

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnOK() override;
    void OnCancel() override;
    void OnSize(UINT type, int width, int height) override;
    void OnDestroy() override;
    BOOL OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    int RunWorker() override;
    void OnWorkerEnd(int result) override;
    void OnCancelRequest() override;
    void OnWorkerRefresh() override { RefreshStatus(); }

private:
    enum Job { kBuildJob = 1, kExecuteJob = 2, kArchiveJob = 3 };

    // IJobReport, called by the jobs from either thread.
    void StatusText(const char* text) override;
    void EntryProgress(UINT id, const char* url, const char* statusText, const JobCounts& counts) override;
    void StatusMessage(UINT id) override;
    void Warning(const char* path, UINT id) override;
    bool Ask(UINT id, const char* arg) override;
    void Notify(UINT id, const char* arg) override;
    void End(int) override {}

    bool StartJob(Job job);
    void OnJobDone(Job job, int result);
    void SetBusy(bool busy);
    void RefreshStatus();
    void AddWarning(const char* path, const char* text);
    void FillLoadList();

    // Mouse, menus and commands.
    int SideOfControl(HWND control) const;
    bool TargetAtCursor(HWND control, TreeTarget& target, UINT& hit);
    BOOL OnClick(HWND control, bool right);
    BOOL OnDoubleClick(HWND control);
    void ToggleGroup(const TreeTarget& target, BYTE group, bool ghostOnly);
    void ShowContextMenu(const TreeTarget& target);
    MenuTarget MenuTargetOf(const TreeTarget& target) const;
    void RunCommand(UINT command);
    void OnMenuSelect(UINT item, UINT flags, HMENU menu);
    BOOL OnBeginLabelEdit(int side, int folder, int item);
    void OnEndLabelEdit(const TreeTarget& target, const char* text, LRESULT* accept);
    void ShowFolder(int side, int folder);
    // The base folder dialog; true with the chosen rebuild folder number.
    bool RunBaseFolderDialog(int current, int& chosen);
    void OnChangeBaseFolder(const TreeTarget& target);

    // Save as WARC (rebuildtreearchive.cpp).
    std::string TargetLabel(const TreeTarget& target) const;
    bool ChooseWarcFile(const std::string& suggested, std::string& path);
    void OnSaveWarc(const TreeTarget& target);
    int RunArchive();
    void OnArchiveDone();

    // Opens the store of the setting CacheFolder; false (having said why)
    // when the folder cannot be read.
    bool OpenCache();

    // Layout.
    void CaptureBottomControls();
    void LayOut();
    // Without a saved placement: a size that shows the captions of the trees.
    void OpenAtFirstSize();
    Box PaneArea() const;
    void MoveControl(int id, const Box& box);

    CAppProfileStore store_;
    RebuildSettings settings_;
    int historyPrefixLength_;
    TreeWindowLayout layout_;
    TreeMetrics metrics_;
    TreeImageLists images_;
    HMENU menus_[2] = {nullptr, nullptr};

    CWin32JobSystem files_;
    std::unique_ptr<IUrlCache> cache_;
    CPaneControls view_;
    std::unique_ptr<CRebuildJobs> jobs_;
    CTreePane* panes_[2] = {nullptr, nullptr};
    HWND trees_[2] = {nullptr, nullptr};
    HWND lists_[2] = {nullptr, nullptr};

    ArchiveRequest archive_;

    volatile bool busy_ = false;
    Job job_ = kBuildJob;
    bool layoutApplied_ = false;
    std::vector<std::pair<int, int>> pendingExpands_;
    TreeTarget menuTarget_;
    int labelEditRetry_ = 0;

    // Bottom controls: their distance from the client's right and bottom edges.
    struct Anchor {
        int id;
        RECT rect;
    };
    std::vector<Anchor> anchors_;
    int clientWidth_ = 0, clientHeight_ = 0;  // when the anchors were taken
    int lastWidth_ = 0, lastHeight_ = 0;      // at the last layout
    int buttonGroupWidth_ = 0;
    int statusTop_ = 0;
};

// The rebuild tree's view of the engine: the tree and list controls of both
// sides. The engine calls it from the worker thread while a job runs (the
// controls then update through cross-thread messages) and from the dialog's
// thread otherwise.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "tree/paneview.h"
#include "tree/treepane.h"
#include "treeimages.h"

// Sent to the dialog when the status texts changed (wParam, lParam unused).
const UINT WM_TREE_STATUS = 0x0501;

class CPaneControls : public IPaneView {
public:
    void Attach(HWND dialog, HWND trees[2], HWND lists[2], const TreeImageLists& images);
    void SetPanes(CTreePane* rebuild, CTreePane* cache) {
        panes_[SIDE_REBUILD] = rebuild;
        panes_[SIDE_CACHE] = cache;
    }
    void SetRootTexts(const char* rebuild, const char* cache, const char* history, const char* noTime);

    void FolderInserted(int side, int folder) override;
    void FolderRemoved(int side, int folder) override;
    void ExpandFolder(int side, int folder) override;
    void RedrawFolder(int side, int folder) override;
    void RefreshList(int side, int folder) override;
    void StatusLineChanged(int side, const char* text) override;

    // Fills the list of a side with the rows of its shown folder.
    void FillList(int side);
    // Pictures of every row of a side's list after marks changed.
    void RedrawListRows(int side);
    // Whether a tree item shows an expand button (after its folder was read).
    void UpdateChildrenButton(int side, int folder);
    // Selects (and shows) a folder's tree item.
    void SelectFolder(int side, int folder);
    std::string StatusLine(int side);

    // Folders the worker asked to expand before they were read: the dialog
    // reads and expands them when the job has ended.
    std::vector<std::pair<int, int>> TakePendingExpands();

    // Status changes from the worker reach the dialog at most this often.
    void NotifyStatus(bool force);

private:
    bool OnDialogThread() const { return GetCurrentThreadId() == dialogThread_; }
    void SetTreeImages(int side, int folder);
    void SetRowImages(int side, int row, int folder, int item);
    const TreeItem* FolderItem(int folder) const;

    HWND dialog_ = nullptr;
    DWORD dialogThread_ = 0;
    HWND trees_[2] = {nullptr, nullptr};
    HWND lists_[2] = {nullptr, nullptr};
    CTreePane* panes_[2] = {nullptr, nullptr};
    std::string rootTexts_[3];
    std::string noTime_;
    std::mutex lock_;
    std::string statusLines_[2];
    DWORD lastNotify_ = 0;
    std::vector<std::pair<int, int>> pendingExpands_;
};

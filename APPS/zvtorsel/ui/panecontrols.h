// The rebuild tree's view of the engine: the tree and list controls of both
// sides. The engine calls it from the worker thread while a job runs and from
// the dialog's thread otherwise. The worker never waits for the controls: its
// tree changes are queued with everything they show and carried out by the
// dialog's thread in order, and the lists are refilled when the job ends.
#pragma once
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "tree/paneview.h"
#include "tree/treepane.h"
#include "treeimages.h"
#include "windowmessages.h"

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
    // The tree item of a folder (dialog's thread), null when it has none.
    HTREEITEM TreeItemOf(int side, int folder) const;
    // Carries out the queued tree changes (dialog's thread).
    void Drain();
    // After a job (dialog's thread): sorts the folders the job added to and
    // draws every folder's pictures from the model once.
    void FinishJob();
    std::string StatusLine(int side);

    // Folders the worker asked to expand before they were read: the dialog
    // reads and expands them when the job has ended.
    std::vector<std::pair<int, int>> TakePendingExpands();

    // While a job builds the trees, the controls do not repaint per entry.
    void HoldRedraw(bool hold);

    // Status changes from the worker reach the dialog at most this often.
    void NotifyStatus(bool force);

private:
    struct TreeOp {
        enum Kind { INSERT, REMOVE, EXPAND, PICTURES } kind;
        int side, folder, parent;
        std::string text;
        int icon;
        UINT state;
        bool button;
    };
    bool OnDialogThread() const { return GetCurrentThreadId() == dialogThread_; }
    // Runs the change now on the dialog's thread (after those queued), else queues it.
    void Submit(TreeOp op);
    void Apply(const TreeOp& op);
    void ForgetBelow(int side, HTREEITEM item);
    TreeOp PicturesOp(int side, int folder);
    void FolderPictures(int side, int folder, int& icon, UINT& state);
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
    volatile bool redrawHeld_ = false;
    std::vector<std::pair<int, int>> pendingExpands_;
    std::vector<TreeOp> queue_;
    bool drainPosted_ = false;
    std::vector<HTREEITEM> items_[2];  // by folder index; dialog's thread only
    std::vector<HTREEITEM> unsorted_[2];  // parents the worker appended to
};

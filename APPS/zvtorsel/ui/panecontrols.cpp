#include "panecontrols.h"

#include <algorithm>

#include "windowlogic/markimages.h"

namespace {
const DWORD kNotifyInterval = 100;  // milliseconds
}

void CPaneControls::Attach(HWND dialog, HWND trees[2], HWND lists[2], const TreeImageLists& images) {
    dialog_ = dialog;
    dialogThread_ = GetWindowThreadProcessId(dialog, nullptr);
    for (int side = 0; side < 2; ++side) {
        trees_[side] = trees[side];
        lists_[side] = lists[side];
        SendMessageA(trees[side], TVM_SETIMAGELIST, TVSIL_NORMAL, (LPARAM)images.icons);
        SendMessageA(trees[side], TVM_SETIMAGELIST, TVSIL_STATE, (LPARAM)images.treeStates);
        SendMessageA(lists[side], LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)images.icons);
        SendMessageA(lists[side], LVM_SETIMAGELIST, LVSIL_STATE, (LPARAM)images.listStates);
    }
}

void CPaneControls::SetRootTexts(const char* rebuild, const char* cache, const char* history, const char* noTime) {
    rootTexts_[0] = rebuild;
    rootTexts_[1] = cache;
    rootTexts_[2] = history;
    noTime_ = noTime;
}

const TreeItem* CPaneControls::FolderItem(int folder) const {
    CFolderTree& model = panes_[0]->model;
    FolderNode* node = model.Node(folder);
    if (!node || node->parent < 0) return nullptr;
    return model.Item(node->parent, node->itemInParent);
}

void CPaneControls::FolderInserted(int side, int folder) {
    CTreePane* pane = panes_[side];
    FolderNode* node = pane->model.Node(folder);
    if (!node) return;
    TreeOp op = PicturesOp(side, folder);
    op.kind = TreeOp::INSERT;
    op.parent = node->parent;
    if (node->parent >= 0) {
        const TreeItem* item = FolderItem(folder);
        op.text = item ? item->name : std::string();
    } else {
        op.text = side == SIDE_REBUILD ? rootTexts_[0] : folder == pane->historyRoot ? rootTexts_[2] : rootTexts_[1];
        std::vector<int> roots = pane->Roots();
        for (size_t i = 0; i < roots.size() && i < pane->rootCaptions.size(); ++i)
            if (roots[i] == folder) op.text = pane->rootCaptions[i];
    }
    // Not read yet: the button promises entries the tree does not hold.
    op.button = node->state != FOLDER_READ;
    Submit(op);
}

void CPaneControls::FolderRemoved(int side, int folder) {
    TreeOp op = {TreeOp::REMOVE, side, folder, -1, std::string(), 0, 0, false};
    Submit(op);
}

void CPaneControls::ExpandFolder(int side, int folder) {
    FolderNode* node = panes_[side]->model.Node(folder);
    if (!node) return;
    if (node->state != FOLDER_READ && !OnDialogThread()) {
        std::lock_guard<std::mutex> hold(lock_);
        pendingExpands_.emplace_back(side, folder);
        return;
    }
    TreeOp op = {TreeOp::EXPAND, side, folder, -1, std::string(), 0, 0, false};
    Submit(op);
}

std::vector<std::pair<int, int>> CPaneControls::TakePendingExpands() {
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<std::pair<int, int>> pending;
    pending.swap(pendingExpands_);
    return pending;
}

CPaneControls::TreeOp CPaneControls::PicturesOp(int side, int folder) {
    TreeOp op = {TreeOp::PICTURES, side, folder, -1, std::string(), 0, 0, false};
    const TreeItem* item = FolderItem(folder);
    BYTE allowed = item ? item->allowed[side] : (BYTE)MARK_ALL;
    BYTE marks = item ? item->marks[side] : 0;
    if (!item) {
        // A root has no entry of its own: its picture follows its summary.
        if (FolderNode* node = panes_[side]->model.Node(folder))
            for (TreeItem* child : node->items)
                if (child) marks |= child->marks[side] & (MARK_M | MARK_L);
    }
    op.icon = IconImageFor(item ? ICON_FOLDER : ICON_ROOT, marks, item && item->IsGhost(), true,
                           item && item->IsFailed());
    op.state = INDEXTOSTATEIMAGEMASK(item ? StateImageFor(allowed, marks, true) : STATE_NO_BOX);
    return op;
}

void CPaneControls::RedrawFolder(int side, int folder) {
    // Summaries change with every entry of a job: FinishJob draws them once.
    if (!OnDialogThread()) return;
    Submit(PicturesOp(side, folder));
    FolderNode* node = panes_[side]->model.Node(folder);
    if (!node || node->parent < 0 || node->parent != panes_[side]->shownFolder) return;
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = node->itemInParent;
    int row = (int)SendMessageA(lists_[side], LVM_FINDITEMA, (WPARAM)-1, (LPARAM)&find);
    if (row >= 0) SetRowImages(side, row, node->parent, node->itemInParent);
}

void CPaneControls::Submit(TreeOp op) {
    if (OnDialogThread()) {
        Drain();
        Apply(op);
        return;
    }
    std::lock_guard<std::mutex> hold(lock_);
    queue_.push_back(std::move(op));
    if (!drainPosted_) {
        drainPosted_ = true;
        PostMessageA(dialog_, WM_TREE_DRAIN, 0, 0);
    }
}

void CPaneControls::Drain() {
    std::vector<TreeOp> ops;
    {
        std::lock_guard<std::mutex> hold(lock_);
        ops.swap(queue_);
        drainPosted_ = false;
    }
    for (const TreeOp& op : ops) Apply(op);
}

void CPaneControls::FinishJob() {
    Drain();
    for (int side = 0; side < 2; ++side) {
        std::vector<HTREEITEM>& parents = unsorted_[side];
        std::sort(parents.begin(), parents.end());
        parents.erase(std::unique(parents.begin(), parents.end()), parents.end());
        for (HTREEITEM parent : parents) SendMessageA(trees_[side], TVM_SORTCHILDREN, FALSE, (LPARAM)parent);
        parents.clear();
        // A folder inserted before the job read it got a button; read now,
        // it keeps one only when it holds folders.
        for (int folder = 0; folder < (int)items_[side].size(); ++folder) {
            if (!items_[side][folder]) continue;
            Apply(PicturesOp(side, folder));
            FolderNode* node = panes_[side]->model.Node(folder);
            if (node && node->state == FOLDER_READ) UpdateChildrenButton(side, folder);
        }
    }
}

HTREEITEM CPaneControls::TreeItemOf(int side, int folder) const {
    const std::vector<HTREEITEM>& items = items_[side];
    return folder >= 0 && folder < (int)items.size() ? items[folder] : nullptr;
}

void CPaneControls::ForgetBelow(int side, HTREEITEM item) {
    for (HTREEITEM child = (HTREEITEM)SendMessageA(trees_[side], TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item); child;
         child = (HTREEITEM)SendMessageA(trees_[side], TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)child)) {
        ForgetBelow(side, child);
        TVITEMA tv = {};
        tv.mask = TVIF_HANDLE | TVIF_PARAM;
        tv.hItem = child;
        if (SendMessageA(trees_[side], TVM_GETITEMA, 0, (LPARAM)&tv)) {
            int folder = (int)tv.lParam;
            if (TreeItemOf(side, folder) == child) items_[side][folder] = nullptr;
        }
    }
}

void CPaneControls::Apply(const TreeOp& op) {
    HWND tree = trees_[op.side];
    std::vector<HTREEITEM>& items = items_[op.side];
    HTREEITEM item = TreeItemOf(op.side, op.folder);
    switch (op.kind) {
    case TreeOp::INSERT: {
        HTREEITEM parent = op.parent >= 0 ? TreeItemOf(op.side, op.parent) : TVI_ROOT;
        if (!parent) return;
        TVINSERTSTRUCTA insert = {};
        insert.hParent = parent;
        // The worker's folders are appended and sorted once when the job ends.
        insert.hInsertAfter = op.parent >= 0 && !redrawHeld_ ? TVI_SORT : TVI_LAST;
        if (op.parent >= 0 && redrawHeld_) unsorted_[op.side].push_back(parent);
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
        insert.item.pszText = const_cast<char*>(op.text.c_str());
        insert.item.lParam = op.folder;
        insert.item.iImage = insert.item.iSelectedImage = op.icon;
        insert.item.state = op.state;
        insert.item.stateMask = TVIS_STATEIMAGEMASK;
        if (op.button) {
            insert.item.mask |= TVIF_CHILDREN;
            insert.item.cChildren = 1;
        }
        if ((int)items.size() <= op.folder) items.resize(op.folder + 1, nullptr);
        items[op.folder] = (HTREEITEM)SendMessageA(tree, TVM_INSERTITEMA, 0, (LPARAM)&insert);
        break;
    }
    case TreeOp::REMOVE:
        if (!item) return;
        ForgetBelow(op.side, item);
        items[op.folder] = nullptr;
        SendMessageA(tree, TVM_DELETEITEM, 0, (LPARAM)item);
        break;
    case TreeOp::EXPAND:
        if (item) SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)item);
        break;
    case TreeOp::PICTURES: {
        if (!item) return;
        TVITEMA tv = {};
        tv.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
        tv.hItem = item;
        tv.iImage = tv.iSelectedImage = op.icon;
        tv.state = op.state;
        tv.stateMask = TVIS_STATEIMAGEMASK;
        SendMessageA(tree, TVM_SETITEMA, 0, (LPARAM)&tv);
        break;
    }
    }
}

void CPaneControls::RefreshList(int side, int folder) {
    // The worker's changes reach the lists when the job ends.
    if (OnDialogThread() && folder == panes_[side]->shownFolder) FillList(side);
}

void CPaneControls::SetRowImages(int side, int row, int folder, int item) {
    LVITEMA lv = {};
    lv.mask = LVIF_IMAGE | LVIF_STATE;
    lv.iItem = row;
    lv.stateMask = LVIS_STATEIMAGEMASK;
    if (item < 0) {
        lv.iImage = IconIndex(ICON_UP, OVERLAY_NONE);
        lv.state = INDEXTOSTATEIMAGEMASK(STATE_NO_BOX);
    } else {
        const TreeItem* it = panes_[side]->model.Item(folder, item);
        if (!it) return;
        int base = IconBaseOfKind(it->kind);
        lv.iImage = IconImageFor(base, it->marks[side], it->IsGhost(), it->IsFolder(), it->IsFailed());
        lv.state = INDEXTOSTATEIMAGEMASK(StateImageFor(it->allowed[side], it->marks[side], it->IsFolder()));
    }
    SendMessageA(lists_[side], LVM_SETITEMA, 0, (LPARAM)&lv);
}

void CPaneControls::FillList(int side) {
    CTreePane* pane = panes_[side];
    HWND list = lists_[side];
    bool held = redrawHeld_;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    int folder = pane->shownFolder;
    if (folder >= 0) {
        std::vector<ListRow> rows;
        pane->ListRows(folder, rows);
        SendMessageA(list, LVM_SETITEMCOUNT, rows.size(), LVSICF_NOINVALIDATEALL);
        RowText text;
        for (size_t i = 0; i < rows.size(); ++i) {
            pane->RowTexts(folder, rows[i], noTime_.c_str(), text);
            LVITEMA lv = {};
            lv.mask = LVIF_TEXT | LVIF_PARAM;
            lv.iItem = (int)i;
            lv.pszText = const_cast<char*>(text.name.c_str());
            lv.lParam = rows[i].item;
            int row = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&lv);
            if (row < 0) continue;
            lv.mask = LVIF_TEXT;
            lv.iItem = row;
            lv.iSubItem = 1;
            lv.pszText = const_cast<char*>(text.size.c_str());
            SendMessageA(list, LVM_SETITEMA, 0, (LPARAM)&lv);
            lv.iSubItem = 2;
            lv.pszText = const_cast<char*>(text.time.c_str());
            SendMessageA(list, LVM_SETITEMA, 0, (LPARAM)&lv);
            SetRowImages(side, row, folder, rows[i].item);
        }
    }
    if (!held) {
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }
}

void CPaneControls::RedrawListRows(int side) {
    int folder = panes_[side]->shownFolder;
    int count = (int)SendMessageA(lists_[side], LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < count; ++row) {
        LVITEMA lv = {};
        lv.mask = LVIF_PARAM;
        lv.iItem = row;
        if (SendMessageA(lists_[side], LVM_GETITEMA, 0, (LPARAM)&lv)) SetRowImages(side, row, folder, (int)lv.lParam);
    }
}

void CPaneControls::UpdateChildrenButton(int side, int folder) {
    FolderNode* node = panes_[side]->model.Node(folder);
    HTREEITEM item = TreeItemOf(side, folder);
    if (!node || !item) return;
    bool hasFolders = false;
    for (TreeItem* it : node->items)
        if (it && it->IsFolder()) hasFolders = true;
    TVITEMA tv = {};
    tv.mask = TVIF_HANDLE | TVIF_CHILDREN;
    tv.hItem = item;
    tv.cChildren = hasFolders ? 1 : 0;
    SendMessageA(trees_[side], TVM_SETITEMA, 0, (LPARAM)&tv);
}

void CPaneControls::SelectFolder(int side, int folder) {
    HTREEITEM item = TreeItemOf(side, folder);
    if (!item) return;
    HWND tree = trees_[side];
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, (LPARAM)item);
    // Showing the end of a long text (a cache folder's caption) scrolls the
    // tree sideways, out of sight of every picture, box and button: it goes
    // back to its left edge unless the item's text would start beyond the pane.
    SendMessageA(tree, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    RECT text, client;
    *(HTREEITEM*)&text = item;
    if (SendMessageA(tree, TVM_GETITEMRECT, TRUE, (LPARAM)&text) && GetClientRect(tree, &client) &&
        text.left >= client.right) {
        SendMessageA(tree, TVM_ENSUREVISIBLE, 0, (LPARAM)item);
    }
}

void CPaneControls::StatusLineChanged(int side, const char* text) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        statusLines_[side] = text ? text : "";
    }
    NotifyStatus(false);
}

std::string CPaneControls::StatusLine(int side) {
    std::lock_guard<std::mutex> hold(lock_);
    return statusLines_[side];
}

void CPaneControls::HoldRedraw(bool hold) {
    redrawHeld_ = hold;
    for (int side = 0; side < 2; ++side) {
        for (HWND control : {trees_[side], lists_[side]}) {
            SendMessageA(control, WM_SETREDRAW, hold ? FALSE : TRUE, 0);
            if (!hold) InvalidateRect(control, nullptr, TRUE);
        }
    }
}

void CPaneControls::NotifyStatus(bool force) {
    // Every entry changes the counters; the window repaints a few times a second.
    DWORD now = GetTickCount();
    if (!force && !OnDialogThread() && now - lastNotify_ < kNotifyInterval) return;
    lastNotify_ = now;
    SendMessageA(dialog_, WM_TREE_STATUS, 0, 0);
}

#include "panecontrols.h"

#include "ui/markimages.h"

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
    HTREEITEM parent = TVI_ROOT;
    std::string text;
    if (node->parent >= 0) {
        FolderNode* parentNode = pane->model.Node(node->parent);
        if (!parentNode || !parentNode->handle[side]) return;
        parent = (HTREEITEM)parentNode->handle[side];
        const TreeItem* item = FolderItem(folder);
        text = item ? item->name : std::string();
    } else {
        text = side == SIDE_REBUILD ? rootTexts_[0] : folder == pane->historyRoot ? rootTexts_[2] : rootTexts_[1];
    }
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = node->parent >= 0 ? TVI_SORT : TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    insert.item.pszText = const_cast<char*>(text.c_str());
    insert.item.lParam = folder;
    insert.item.cChildren = node->state != FOLDER_READ ? 1 : 0;
    HTREEITEM handle = (HTREEITEM)SendMessageA(trees_[side], TVM_INSERTITEMA, 0, (LPARAM)&insert);
    node->handle[side] = handle;
    if (handle) SetTreeImages(side, folder);
    if (parent != TVI_ROOT) {
        TVITEMA button = {};
        button.mask = TVIF_CHILDREN | TVIF_HANDLE;
        button.hItem = parent;
        button.cChildren = 1;
        SendMessageA(trees_[side], TVM_SETITEMA, 0, (LPARAM)&button);
    }
}

void CPaneControls::FolderRemoved(int side, int folder) {
    FolderNode* node = panes_[side]->model.Node(folder);
    if (!node || !node->handle[side]) return;
    SendMessageA(trees_[side], TVM_DELETEITEM, 0, (LPARAM)node->handle[side]);
    node->handle[side] = nullptr;
}

void CPaneControls::ExpandFolder(int side, int folder) {
    FolderNode* node = panes_[side]->model.Node(folder);
    if (!node || !node->handle[side]) return;
    if (node->state != FOLDER_READ && !OnDialogThread()) {
        std::lock_guard<std::mutex> hold(lock_);
        pendingExpands_.emplace_back(side, folder);
        return;
    }
    SendMessageA(trees_[side], TVM_EXPAND, TVE_EXPAND, (LPARAM)node->handle[side]);
}

std::vector<std::pair<int, int>> CPaneControls::TakePendingExpands() {
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<std::pair<int, int>> pending;
    pending.swap(pendingExpands_);
    return pending;
}

void CPaneControls::SetTreeImages(int side, int folder) {
    FolderNode* node = panes_[side]->model.Node(folder);
    if (!node || !node->handle[side]) return;
    const TreeItem* item = FolderItem(folder);
    BYTE allowed = item ? item->allowed[side] : (BYTE)MARK_ALL;
    BYTE marks = item ? item->marks[side] : 0;
    if (!item) {
        // A root has no entry of its own: its picture follows its summary.
        for (TreeItem* child : node->items)
            if (child) marks |= child->marks[side] & (MARK_M | MARK_L);
    }
    int base = item ? ICON_FOLDER : ICON_ROOT;
    int icon = IconImageFor(base, marks, item && item->IsGhost(), true);
    TVITEMA tv = {};
    tv.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    tv.hItem = (HTREEITEM)node->handle[side];
    tv.iImage = tv.iSelectedImage = icon;
    tv.state = INDEXTOSTATEIMAGEMASK(item ? StateImageFor(allowed, marks, true) : STATE_NO_BOX);
    tv.stateMask = TVIS_STATEIMAGEMASK;
    SendMessageA(trees_[side], TVM_SETITEMA, 0, (LPARAM)&tv);
}

void CPaneControls::RedrawFolder(int side, int folder) {
    SetTreeImages(side, folder);
    FolderNode* node = panes_[side]->model.Node(folder);
    if (!node || node->parent < 0 || node->parent != panes_[side]->shownFolder) return;
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = node->itemInParent;
    int row = (int)SendMessageA(lists_[side], LVM_FINDITEMA, (WPARAM)-1, (LPARAM)&find);
    if (row >= 0) SetRowImages(side, row, node->parent, node->itemInParent);
}

void CPaneControls::RefreshList(int side, int folder) {
    if (folder == panes_[side]->shownFolder) FillList(side);
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
        lv.iImage = IconImageFor(base, it->marks[side], it->IsGhost(), it->IsFolder());
        lv.state = INDEXTOSTATEIMAGEMASK(StateImageFor(it->allowed[side], it->marks[side], it->IsFolder()));
    }
    SendMessageA(lists_[side], LVM_SETITEMA, 0, (LPARAM)&lv);
}

void CPaneControls::FillList(int side) {
    CTreePane* pane = panes_[side];
    HWND list = lists_[side];
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
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
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
    if (!node || !node->handle[side]) return;
    bool hasFolders = false;
    for (TreeItem* it : node->items)
        if (it && it->IsFolder()) hasFolders = true;
    TVITEMA tv = {};
    tv.mask = TVIF_HANDLE | TVIF_CHILDREN;
    tv.hItem = (HTREEITEM)node->handle[side];
    tv.cChildren = hasFolders ? 1 : 0;
    SendMessageA(trees_[side], TVM_SETITEMA, 0, (LPARAM)&tv);
}

void CPaneControls::SelectFolder(int side, int folder) {
    FolderNode* node = panes_[side]->model.Node(folder);
    if (!node || !node->handle[side]) return;
    SendMessageA(trees_[side], TVM_SELECTITEM, TVGN_CARET, (LPARAM)node->handle[side]);
    SendMessageA(trees_[side], TVM_ENSUREVISIBLE, 0, (LPARAM)node->handle[side]);
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

void CPaneControls::NotifyStatus(bool force) {
    // Every entry changes the counters; the window repaints a few times a second.
    DWORD now = GetTickCount();
    if (!force && !OnDialogThread() && now - lastNotify_ < kNotifyInterval) return;
    lastNotify_ = now;
    SendMessageA(dialog_, WM_TREE_STATUS, 0, 0);
}

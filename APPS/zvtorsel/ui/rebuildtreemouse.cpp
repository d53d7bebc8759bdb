// Mouse actions, context menus, commands and label editing of the rebuild
// tree window. All of them are ignored while a job runs.
#include <windows.h>
#include <shellapi.h>

#include "appstate.h"
#include "helppage.h"
#include "changefolderdlg.h"
#include "jobs/treecommands.h"
#include "translate/css_scanner.h"
#include "pictureviewdlg.h"
#include "sourceviewdlg.h"
#include "messages.h"
#include "rebuildtreedlg.h"
#include "resource.h"

namespace {

enum Hit { HIT_NONE, HIT_STATE, HIT_ICON, HIT_LABEL };

bool KeyDown(int key) { return GetKeyState(key) < 0; }

class WaitCursor {
public:
    WaitCursor() : old_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() { SetCursor(old_); }

private:
    HCURSOR old_;
};

}  // namespace

int CRebuildTreeDlg::SideOfControl(HWND control) const {
    for (int side = 0; side < 2; ++side)
        if (control == trees_[side] || control == lists_[side]) return side;
    return -1;
}

bool CRebuildTreeDlg::TargetAtCursor(HWND control, TreeTarget& target, UINT& hit) {
    target = TreeTarget();
    hit = HIT_NONE;
    int side = SideOfControl(control);
    if (side < 0) return false;
    DWORD pos = GetMessagePos();
    POINT point = {(short)LOWORD(pos), (short)HIWORD(pos)};
    ScreenToClient(control, &point);
    CTreePane* pane = panes_[side];
    target.side = side;
    if (control == trees_[side]) {
        TVHITTESTINFO info = {};
        info.pt = point;
        HTREEITEM item = (HTREEITEM)::SendMessageA(control, TVM_HITTEST, 0, (LPARAM)&info);
        if (!item) return false;
        TVITEMA tv = {};
        tv.mask = TVIF_PARAM | TVIF_HANDLE;
        tv.hItem = item;
        if (!::SendMessageA(control, TVM_GETITEMA, 0, (LPARAM)&tv)) return false;
        target.folder = (int)tv.lParam;
        if (info.flags & TVHT_ONITEMSTATEICON) hit = HIT_STATE;
        else if (info.flags & TVHT_ONITEMICON) hit = HIT_ICON;
        else if (info.flags & TVHT_ONITEMLABEL) hit = HIT_LABEL;
        return pane->model.Node(target.folder) != nullptr;
    }
    LVHITTESTINFO info = {};
    info.pt = point;
    int row = (int)::SendMessageA(control, LVM_SUBITEMHITTEST, 0, (LPARAM)&info);
    if (row < 0) return false;
    LVITEMA lv = {};
    lv.mask = LVIF_PARAM;
    lv.iItem = row;
    if (!::SendMessageA(control, LVM_GETITEMA, 0, (LPARAM)&lv)) return false;
    target.fromList = true;
    target.row = row;
    target.listFolder = pane->shownFolder;
    target.listItem = (int)lv.lParam;
    if (info.flags & LVHT_ONITEMSTATEICON) hit = HIT_STATE;
    else if (info.flags & LVHT_ONITEMICON) hit = HIT_ICON;
    else if (info.flags & LVHT_ONITEMLABEL) hit = HIT_LABEL;
    if (target.listItem < 0) {
        target.folder = target.listFolder;  // ".." has no marks and no menu
        return true;
    }
    const TreeItem* it = pane->model.Item(target.listFolder, target.listItem);
    if (!it) return false;
    if (it->IsFolder()) {
        target.folder = it->Child();
        target.item = -1;
    } else {
        target.folder = target.listFolder;
        target.item = target.listItem;
    }
    return true;
}

void CRebuildTreeDlg::ToggleGroup(const TreeTarget& t, BYTE group, bool ghostOnly) {
    CTreePane* pane = panes_[t.side];
    const TreeItem* it = t.item >= 0 ? pane->model.Item(t.folder, t.item) : nullptr;
    BYTE marks = 0;
    if (t.item >= 0) {
        if (!it) return;
        marks = it->marks[t.side];
    } else {
        FolderNode* node = pane->model.Node(t.folder);
        if (!node) return;
        const TreeItem* own = node->parent >= 0 ? pane->model.Item(node->parent, node->itemInParent) : nullptr;
        if (own) {
            marks = own->marks[t.side];
        } else {
            for (TreeItem* child : node->items)
                if (child) marks |= child->marks[t.side];
        }
    }
    bool has = (group & MARK_L) ? (marks & MARK_L) != 0 : (marks & group) == group;
    pane->ToggleMarks(t.folder, t.item, group, has ? 0 : group, ghostOnly);
    view_.RedrawListRows(t.side);
    RefreshStatus();
}

BOOL CRebuildTreeDlg::OnClick(HWND control, bool right) {
    if (busy_) return TRUE;
    TreeTarget t;
    UINT hit;
    if (!TargetAtCursor(control, t, hit)) return FALSE;
    bool upRow = t.fromList && t.listItem < 0;
    if (!right) {
        if (upRow) return FALSE;
        if (hit == HIT_STATE) {
            ToggleGroup(t, MARK_C, false);
            return TRUE;
        }
        if (hit == HIT_LABEL) {
            if (KeyDown(VK_CONTROL)) ToggleGroup(t, MARK_C, false);
            else if (KeyDown(VK_MENU)) ToggleGroup(t, MARK_D, false);
            else if (KeyDown(VK_SHIFT)) ToggleGroup(t, MARK_M, false);
            else return FALSE;
            return TRUE;
        }
        return FALSE;
    }
    if (upRow) return TRUE;
    if (hit == HIT_STATE) {
        ToggleGroup(t, MARK_D, false);
    } else if (hit == HIT_ICON) {
        BYTE group = (t.side == SIDE_REBUILD && settings_.cacheBackDL) ? MARK_LC : MARK_L;
        ToggleGroup(t, group, KeyDown(VK_SHIFT));
    } else {
        ShowContextMenu(t);
    }
    return TRUE;
}

BOOL CRebuildTreeDlg::OnDoubleClick(HWND control) {
    if (busy_) return TRUE;
    TreeTarget t;
    UINT hit;
    if (!TargetAtCursor(control, t, hit)) return FALSE;
    // A quick second click on a check box is a second toggle, not an opening.
    if (hit == HIT_STATE) return OnClick(control, false);
    if (!t.fromList) return FALSE;
    int shown = OpenRow(*panes_[t.side], t.listFolder, ListRow{t.listItem});
    if (shown >= 0) view_.SelectFolder(t.side, shown);
    return TRUE;
}

MenuTarget CRebuildTreeDlg::MenuTargetOf(const TreeTarget& t) const {
    CTreePane* pane = panes_[t.side];
    const TreeItem* it = nullptr;
    if (t.item >= 0) {
        it = pane->model.Item(t.folder, t.item);
    } else if (FolderNode* node = pane->model.Node(t.folder)) {
        if (node->parent >= 0) it = pane->model.Item(node->parent, node->itemInParent);
    }
    MenuTarget m = {t.side, t.item < 0, false, MARK_ALL, KIND_FOLDER, 0};
    if (it) {
        m.ghost = it->IsGhost();
        m.allowed = it->allowed[t.side];
        m.kind = it->kind;
        m.flags = it->flags;
        m.styleSheet = !it->IsFolder() && IsStyleSheetItem(*it);
    }
    return m;
}

void CRebuildTreeDlg::ShowContextMenu(const TreeTarget& t) {
    HMENU popup = GetSubMenu(menus_[t.side], t.item < 0 ? 1 : 0);
    if (!popup) return;
    MenuTarget m = MenuTargetOf(t);
    int count = GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        UINT command = GetMenuItemID(popup, i);
        if (command == 0 || command == (UINT)-1) continue;
        EnableMenuItem(popup, command, MF_BYCOMMAND | (CommandEnabled(command, m) ? MF_ENABLED : MF_GRAYED));
    }
    menuTarget_ = t;
    DWORD pos = GetMessagePos();
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, (short)LOWORD(pos), (short)HIWORD(pos), 0, m_hWnd,
                   nullptr);
}

void CRebuildTreeDlg::OnMenuSelect(UINT item, UINT flags, HMENU menu) {
    if (flags == 0xFFFF && !menu) {
        RefreshStatus();  // the menu closed: the job's text comes back
        return;
    }
    if ((flags & MF_POPUP) || (flags & MF_SEPARATOR) || item == 0) return;
    char help[256];
    if (AfxLoadString(item, help, sizeof(help))) SetDlgItemText(IDC_RT_STATUS, help);
}

void CRebuildTreeDlg::ShowFolder(int side, int folder) {
    CTreePane* pane = panes_[side];
    FolderNode* node = pane->model.Node(folder);
    if (!node) return;
    if (node->state != FOLDER_READ) {
        pane->LoadFolder(folder);
        view_.UpdateChildrenButton(side, folder);
    }
    pane->shownFolder = folder;
    view_.FillList(side);
}

void CRebuildTreeDlg::RunCommand(UINT command) {
    TreeTarget t = menuTarget_;
    if (busy_ || t.side < 0) return;
    CTreePane* pane = panes_[t.side];
    CRebuildPane& rebuild = jobs_->rebuild;
    if (IsMarkCommand(command)) {
        BYTE group = MarkGroupOf(command);
        if (group == MARK_L && t.side == SIDE_REBUILD && settings_.cacheBackDL) group = MARK_LC;
        ToggleGroup(t, group, command == CMD_MARK_L_GHOSTS);
        return;
    }
    switch (command) {
    case CMD_ANALYZE_LINKS: {
        WaitCursor wait;
        AnalyzeLinks(*pane, t.folder, t.item);
        break;
    }
    case CMD_OPEN:
        if (t.fromList) {
            int shown = OpenRow(*pane, t.listFolder, ListRow{t.listItem});
            if (shown >= 0) view_.SelectFolder(t.side, shown);
        }
        return;
    case CMD_CONVERT_CODE:
    case CMD_TRANSLATE_ADDRESSES:
    case CMD_RESTORE_ORIGINAL: {
        if (t.side != SIDE_REBUILD) return;
        WaitCursor wait;
        if (command == CMD_CONVERT_CODE) ConvertCharacterCode(rebuild, t.folder, t.item);
        else if (command == CMD_TRANSLATE_ADDRESSES) TranslateAddresses(rebuild, t.folder, t.item);
        else RestoreOriginal(rebuild, t.folder, t.item);
        break;
    }
    case CMD_VIEW_SOURCE:
    case CMD_VIEW_PICTURE: {
        if (!t.fromList || t.listItem < 0) return;
        char path[kPathBufferSize], title[kPathBufferSize];
        if (!pane->RowLocalPath(t.listFolder, ListRow{t.listItem}, path)) return;
        if (!pane->RowUrl(t.listFolder, ListRow{t.listItem}, title)) lstrcpynA(title, path, sizeof(title));
        if (command == CMD_VIEW_SOURCE) {
            CViewSrcDlg viewer(title, path, this);
            viewer.DoModal();
        } else {
            CViewPicDlg viewer(title, path, this);
            viewer.DoModal();
        }
        return;
    }
    case CMD_RENAME:
        if (t.side != SIDE_REBUILD) return;
        if (t.fromList) {
            ::SetFocus(lists_[t.side]);
            ::SendMessageA(lists_[t.side], LVM_EDITLABELA, t.row, 0);
        } else if (HTREEITEM item = view_.TreeItemOf(t.side, t.folder)) {
            ::SetFocus(trees_[t.side]);
            ::SendMessageA(trees_[t.side], TVM_EDITLABELA, 0, (LPARAM)item);
        }
        return;
    case CMD_CHANGE_BASE_FOLDER:
        if (t.side == SIDE_REBUILD) OnChangeBaseFolder(t);
        return;
    default: return;
    }
    view_.FillList(t.side);
    RefreshStatus();
}

bool CRebuildTreeDlg::RunBaseFolderDialog(int current, int& chosen) {
    CChangeFolderDlg dialog(this, settings_, current);
    if (dialog.DoModal() != IDOK) return false;
    chosen = dialog.chosen;
    return chosen >= 0 && chosen < kRebuildFolderCount && chosen != current;
}

void CRebuildTreeDlg::OnChangeBaseFolder(const TreeTarget& t) {
    FolderNode* node = jobs_->model.Node(t.folder);
    if (!node) return;
    int chosen = node->rebuildNo;
    if (!RunBaseFolderDialog(node->rebuildNo, chosen)) return;
    WaitCursor wait;
    ChangeBaseFolder(jobs_->rebuild, t.folder, chosen);
    view_.FillList(SIDE_REBUILD);
    RefreshStatus();
}

BOOL CRebuildTreeDlg::OnBeginLabelEdit(int side, int folder, int item) {
    if (busy_ || side != SIDE_REBUILD) return TRUE;
    const TreeItem* it = nullptr;
    CTreePane* pane = panes_[side];
    if (item >= 0) {
        it = pane->model.Item(folder, item);
    } else if (FolderNode* node = pane->model.Node(folder)) {
        if (node->parent >= 0) it = pane->model.Item(node->parent, node->itemInParent);
    }
    // Roots, "..", and ghosts (which have no file) keep their names.
    return !it || it->IsGhost();
}

BOOL CRebuildTreeDlg::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
    NMHDR* header = (NMHDR*)lParam;
    int side = SideOfControl(header->hwndFrom);
    if (side < 0) return FALSE;
    CTreePane* pane = panes_[side];
    switch (header->code) {
    case NM_CLICK:
    case NM_RCLICK:
        *result = OnClick(header->hwndFrom, header->code == NM_RCLICK);
        return TRUE;
    case NM_DBLCLK:
        *result = OnDoubleClick(header->hwndFrom);
        return TRUE;
    case TVN_SELCHANGEDA: {
        NMTREEVIEWA* tv = (NMTREEVIEWA*)lParam;
        if (!busy_ && tv->itemNew.hItem) ShowFolder(side, (int)tv->itemNew.lParam);
        *result = 0;
        return TRUE;
    }
    case TVN_ITEMEXPANDINGA: {
        NMTREEVIEWA* tv = (NMTREEVIEWA*)lParam;
        int folder = (int)tv->itemNew.lParam;
        if (tv->action & TVE_EXPAND) {
            FolderNode* node = pane->model.Node(folder);
            if (busy_) {
                pendingExpands_.emplace_back(side, folder);
            } else if (node) {
                if (node->state != FOLDER_READ) pane->LoadFolder(folder);
                view_.UpdateChildrenButton(side, folder);
            }
        }
        *result = FALSE;
        return TRUE;
    }
    case LVN_COLUMNCLICK: {
        if (busy_) return FALSE;
        NMLISTVIEW* lv = (NMLISTVIEW*)lParam;
        pane->sortKey = NextSortKey(pane->sortKey, lv->iSubItem);
        view_.FillList(side);
        *result = 0;
        return TRUE;
    }
    case TVN_BEGINLABELEDITA: {
        NMTVDISPINFOA* info = (NMTVDISPINFOA*)lParam;
        *result = OnBeginLabelEdit(side, (int)info->item.lParam, -1);
        return TRUE;
    }
    case LVN_BEGINLABELEDITA: {
        NMLVDISPINFOA* info = (NMLVDISPINFOA*)lParam;
        int item = (int)info->item.lParam;
        *result = item < 0 ? TRUE : OnBeginLabelEdit(side, pane->shownFolder, item);
        return TRUE;
    }
    case TVN_ENDLABELEDITA: {
        NMTVDISPINFOA* info = (NMTVDISPINFOA*)lParam;
        TreeTarget t;
        t.side = side;
        t.folder = (int)info->item.lParam;
        OnEndLabelEdit(t, info->item.pszText, result);
        return TRUE;
    }
    case LVN_ENDLABELEDITA: {
        NMLVDISPINFOA* info = (NMLVDISPINFOA*)lParam;
        TreeTarget t;
        t.side = side;
        t.fromList = true;
        t.row = info->item.iItem;
        t.listFolder = pane->shownFolder;
        LVITEMA lv = {};
        lv.mask = LVIF_PARAM;
        lv.iItem = t.row;
        ::SendMessageA(header->hwndFrom, LVM_GETITEMA, 0, (LPARAM)&lv);
        t.listItem = (int)lv.lParam;
        OnEndLabelEdit(t, info->item.pszText, result);
        return TRUE;
    }
    }
    return FALSE;
}

void CRebuildTreeDlg::OnEndLabelEdit(const TreeTarget& t, const char* text, LRESULT* accept) {
    *accept = FALSE;
    if (!text || busy_) return;
    CRebuildPane& rebuild = jobs_->rebuild;
    int folder, item;
    if (t.fromList) {
        folder = t.listFolder;
        item = t.listItem;
    } else {
        FolderNode* node = rebuild.model.Node(t.folder);
        if (!node || node->parent < 0) return;
        folder = node->parent;
        item = node->itemInParent;
    }
    int done = RenameEntry(rebuild, folder, item, text);
    if (done == RENAME_DONE) {
        *accept = TRUE;
        PostMessage(WM_TREE_REFILL, t.side);
    } else if (done == RENAME_NAME_TAKEN) {
        LPARAM where = t.fromList ? (LPARAM)t.row : (LPARAM)view_.TreeItemOf(t.side, t.folder);
        PostMessage(WM_TREE_EDIT_AGAIN, t.fromList ? 1 : 0, where);
    }
}

BOOL CRebuildTreeDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    int id = LOWORD(wParam);
    Divider divider;
    switch (id) {
    case IDC_RT_SIDES_VSPLIT:
    case IDC_RT_SIDES_HSPLIT: divider = DIVIDER_SIDES; break;
    case IDC_RT_REBUILD_VSPLIT: divider = DIVIDER_REBUILD; break;
    case IDC_RT_CACHE_VSPLIT: divider = DIVIDER_CACHE; break;
    case IDC_RT_WARNING_HSPLIT: divider = DIVIDER_WARNINGS; break;
    case IDC_RT_ARRANGE:
        layout_.dividers.arrangement = IsDlgButtonChecked(IDC_RT_ARRANGE) ? ARRANGE_STACKED : ARRANGE_SIDE_BY_SIDE;
        LayOut();
        return TRUE;
    case IDC_RT_HELP:
        OpenHelpPage(m_hWnd, HELP_REBUILD_TREE);
        return TRUE;
    case IDM_SAVE_WARC:
        if (HIWORD(wParam) == 0 && lParam == 0) OnSaveWarc(menuTarget_);
        return TRUE;
    default:
        if (id >= (int)CMD_ANALYZE_LINKS && id <= (int)CMD_CHANGE_BASE_FOLDER) {
            if (HIWORD(wParam) == 0 && lParam == 0) RunCommand(id);
            return TRUE;
        }
        return CDialog::OnCommand(wParam, lParam);
    }
    DragDivider(layout_.dividers, divider, (int)lParam, PaneArea(), metrics_);
    LayOut();
    return TRUE;
}

#include "rebuildtreedlg.h"

#include <shellapi.h>

#include "appstate.h"
#include "cache/win32/cachefolder.h"
#include "messages.h"
#include "profilestore.h"
#include "resource.h"
#include "windowmessages.h"
#include "zvcore32.h"

namespace {

bool IsContinueQuestion(UINT id) {
    return id == IDS_ASK_RENAME_OLD || id == IDS_ASK_MAKE_FOLDER || (id >= IDS_ASK_WRITE_BACK && id <= IDS_ASK_MOVE_FILE);
}

}  // namespace

CRebuildTreeDlg::CRebuildTreeDlg(CWinApp& app, const RebuildSettings& settings, int historyPrefixLength, CWnd* parent)
    : CWorkerDialog(IDD_REBUILD_TREE, parent, WM_TREE_STATUS),
      store_(app),
      settings_(settings),
      historyPrefixLength_(historyPrefixLength) {
    ReadTreeWindowLayout(store_, layout_);
}

CRebuildTreeDlg::~CRebuildTreeDlg() {
    jobs_.reset();
    DestroyTreeImages(images_);
    for (HMENU& menu : menus_)
        if (menu) DestroyMenu(menu);
}

BOOL CRebuildTreeDlg::OnInitDialog() {
    HICON icon = LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_PROGRAM));
    SendMessage(WM_SETICON, ICON_BIG, (LPARAM)icon);
    SendMessage(WM_SETICON, ICON_SMALL, (LPARAM)icon);
    trees_[SIDE_REBUILD] = GetDlgItem(IDC_RT_REBUILD_TREE);
    trees_[SIDE_CACHE] = GetDlgItem(IDC_RT_CACHE_TREE);
    lists_[SIDE_REBUILD] = GetDlgItem(IDC_RT_REBUILD_LIST);
    lists_[SIDE_CACHE] = GetDlgItem(IDC_RT_CACHE_LIST);
    images_ = CreateTreeImages();
    menus_[SIDE_REBUILD] = LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MENU_REBUILD));
    menus_[SIDE_CACHE] = LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MENU_CACHE));

    const UINT columnIds[3] = {IDS_COLUMN_NAME, IDS_COLUMN_SIZE, IDS_COLUMN_TIME};
    const int widths[3] = {110, 60, 120};
    const int formats[3] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_LEFT};
    for (HWND list : lists_) {
        ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, 0);
        for (int c = 0; c < 3; ++c) {
            std::string title = AfxLoadText(columnIds[c]).c_str();
            LVCOLUMNA column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
            column.fmt = formats[c];
            column.cx = widths[c];
            column.pszText = &title[0];
            column.iSubItem = c;
            ::SendMessageA(list, LVM_INSERTCOLUMNA, c, (LPARAM)&column);
        }
    }

    if (!OpenCache()) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    view_.Attach(m_hWnd, trees_, lists_, images_);
    std::string rebuildRoot = AfxLoadText(IDS_ROOT_REBUILD).c_str(), historyRoot = AfxLoadText(IDS_ROOT_HISTORY).c_str();
    std::string cacheRoot = CacheRootCaption(*cache_, AfxLoadText(IDS_ROOT_CACHE), AfxLoadText(IDS_CACHE_FOLDER_CAPTION));
    view_.SetRootTexts(rebuildRoot.c_str(), cacheRoot.c_str(), historyRoot.c_str(), App().noneText);
    jobs_.reset(new CRebuildJobs(settings_, files_, *cache_, view_, *this, historyPrefixLength_));
    panes_[SIDE_REBUILD] = &jobs_->rebuild;
    panes_[SIDE_CACHE] = &jobs_->cache;
    view_.SetPanes(panes_[SIDE_REBUILD], panes_[SIDE_CACHE]);
    panes_[SIDE_REBUILD]->sortKey = layout_.rebuildSort;
    panes_[SIDE_CACHE]->sortKey = layout_.cacheSort;
    jobs_->ReadDownloadList();
    FillLoadList();

    CheckDlgButton(IDC_RT_ARRANGE, layout_.dividers.arrangement == ARRANGE_STACKED ? BST_CHECKED : BST_UNCHECKED);
    CaptureBottomControls();
    DefaultDividers(layout_.dividers, PaneArea(), metrics_);
    LayOut();

    if (!StartJob(kBuildJob)) {
        ShowResourceMessage(IDS_NO_THREAD);
        EndDialog(IDCANCEL);
        return TRUE;
    }
    PostMessage(WM_TREE_APPLY_LAYOUT);
    return TRUE;
}

bool CRebuildTreeDlg::OpenCache() {
    std::vector<CacheDamage> why;
    cache_ = OpenUrlCache(files_, settings_.cacheFolder, why);
    if (cache_) return true;
    std::string text;
    for (const CacheDamage& damage : why) text += damage.where + "\n" + AfxLoadText(damage.message).c_str() + "\n";
    ShowMessage(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void CRebuildTreeDlg::FillLoadList() {
    HWND box = GetDlgItem(IDC_RT_LOAD_LIST);
    ::SendMessageA(box, LB_RESETCONTENT, 0, 0);
    for (const std::string& url : jobs_->loadList) ::SendMessageA(box, LB_ADDSTRING, 0, (LPARAM)url.c_str());
}

// ---- Jobs ------------------------------------------------------------------------

bool CRebuildTreeDlg::StartJob(Job job) {
    job_ = job;
    jobs_->rebuild.cancel = 0;
    jobs_->cache.cancel = 0;
    SetBusy(true);
    if (StartWorker()) return true;
    SetBusy(false);
    return false;
}

int CRebuildTreeDlg::RunWorker() {
    switch (job_) {
    case kBuildJob: return jobs_->BuildTrees();
    case kArchiveJob: return RunArchive();
    default: return jobs_->ExecuteMarks();
    }
}

void CRebuildTreeDlg::OnWorkerEnd(int result) { OnJobDone(job_, result); }

void CRebuildTreeDlg::OnCancelRequest() { jobs_->Cancel(); }

void CRebuildTreeDlg::StatusText(const char* text) { SetWorkerText(IDC_RT_STATUS, text); }

// The counts first: a long URL would push them out of the status line.
void CRebuildTreeDlg::EntryProgress(UINT, const char*, const char* statusText, const JobCounts& counts) {
    SetWorkerText(IDC_RT_STATUS, (JobCountsText(counts) + "  " + statusText).c_str());
}

// Step messages are few and must not be skipped.
void CRebuildTreeDlg::StatusMessage(UINT id) { SetWorkerText(IDC_RT_STATUS, AfxLoadText(id).c_str(), true); }

void CRebuildTreeDlg::Warning(const char* path, UINT id) {
    CString text = AfxLoadText(id).c_str();
    ::SendMessageA(m_hWnd, WM_TREE_WARNING, (WPARAM)(path ? path : ""), (LPARAM)text.c_str());
}

bool CRebuildTreeDlg::Ask(UINT id, const char* arg) {
    if (settings_.hideWarning && IsContinueQuestion(id)) return true;
    return WorkerMessageBox(AfxLoadText(id, arg).c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void CRebuildTreeDlg::Notify(UINT id, const char* arg) { WorkerMessageBox(AfxLoadText(id, arg).c_str(), MB_OK); }

void CRebuildTreeDlg::SetBusy(bool busy) {
    busy_ = busy;
    view_.HoldRedraw(busy);
    ::EnableWindow(GetDlgItem(IDOK), !busy);
    ::ShowWindow(GetDlgItem(IDC_RT_BUSY), busy ? SW_SHOW : SW_HIDE);
}

void CRebuildTreeDlg::OnJobDone(Job job, int result) {
    view_.FinishJob();
    SetBusy(false);
    if (job == kBuildJob && !result) {
        EndDialog(IDCANCEL);
        return;
    }
    if (job == kArchiveJob) OnArchiveDone();
    if (job == kExecuteJob) {
        FillLoadList();
        if (jobs_->EndsDialog()) {
            EndDialog(1);
            return;
        }
    }
    // Folders expanded during the job are read now that the model is free.
    std::vector<std::pair<int, int>> pending = view_.TakePendingExpands();
    pending.insert(pending.end(), pendingExpands_.begin(), pendingExpands_.end());
    pendingExpands_.clear();
    for (const auto& folder : pending) {
        CTreePane* pane = panes_[folder.first];
        FolderNode* node = pane->model.Node(folder.second);
        if (!node) continue;
        if (node->state != FOLDER_READ) pane->LoadFolder(folder.second);
        view_.UpdateChildrenButton(folder.first, folder.second);
        view_.ExpandFolder(folder.first, folder.second);
    }
    for (int side = 0; side < 2; ++side) {
        CTreePane* pane = panes_[side];
        if (!pane->model.Node(pane->shownFolder)) pane->shownFolder = pane->root;
        view_.SelectFolder(side, pane->shownFolder);
        view_.FillList(side);
    }
    RefreshStatus();
}

void CRebuildTreeDlg::OnOK() {
    if (busy_) return;
    HWND warnings = GetDlgItem(IDC_RT_WARNINGS);
    ::SendMessageA(warnings, LVM_DELETEALLITEMS, 0, 0);
    if (!StartJob(kExecuteJob)) ShowResourceMessage(IDS_NO_THREAD);
}

void CRebuildTreeDlg::OnCancel() {
    if (busy_) {
        RequestCancel();
        return;
    }
    EndDialog(IDCANCEL);
}

void CRebuildTreeDlg::RefreshStatus() {
    std::string captions[2] = {AfxLoadText(IDS_ROOT_REBUILD).c_str(), AfxLoadText(IDS_ROOT_CACHE).c_str()};
    SetDlgItemText(IDC_RT_REBUILD_CAPTION, (captions[0] + view_.StatusLine(SIDE_REBUILD)).c_str());
    SetDlgItemText(IDC_RT_CACHE_CAPTION, (captions[1] + view_.StatusLine(SIDE_CACHE)).c_str());
    PaintWorkerTexts();
}

void CRebuildTreeDlg::AddWarning(const char* path, const char* text) {
    HWND warnings = GetDlgItem(IDC_RT_WARNINGS);
    if (!layout_.dividers.warningsShown) {
        const UINT titles[2] = {IDS_COLUMN_URL, IDS_COLUMN_WARNING};
        for (int c = 0; c < 2; ++c) {
            std::string title = AfxLoadText(titles[c]).c_str();
            LVCOLUMNA column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            column.cx = 256;
            column.pszText = &title[0];
            column.iSubItem = c;
            ::SendMessageA(warnings, LVM_INSERTCOLUMNA, c, (LPARAM)&column);
        }
        layout_.dividers.warningsShown = true;
        ::ShowWindow(warnings, SW_SHOW);
        ::ShowWindow(GetDlgItem(IDC_RT_WARNING_HSPLIT), SW_SHOW);
        LayOut();
    }
    LVITEMA row = {};
    row.mask = LVIF_TEXT;
    row.iItem = 0;
    row.pszText = const_cast<char*>(path);
    int index = (int)::SendMessageA(warnings, LVM_INSERTITEMA, 0, (LPARAM)&row);
    if (index < 0) return;
    row.iItem = index;
    row.iSubItem = 1;
    row.pszText = const_cast<char*>(text);
    ::SendMessageA(warnings, LVM_SETITEMA, 0, (LPARAM)&row);
}

BOOL CRebuildTreeDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (msg) {
    case WM_TREE_APPLY_LAYOUT: {
        if (layoutApplied_) return TRUE;
        layoutApplied_ = true;
        if (layout_.sizeX && layout_.sizeY) {
            WINDOWPLACEMENT placement = {};
            placement.length = sizeof(placement);
            GetWindowPlacement(m_hWnd, &placement);
            placement.rcNormalPosition = {layout_.posX, layout_.posY, layout_.posX + layout_.sizeX,
                                          layout_.posY + layout_.sizeY};
            placement.showCmd = layout_.cmdShow == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
            SetWindowPlacement(m_hWnd, &placement);
        } else {
            OpenAtFirstSize();
        }
        TreeWindowLayout saved;
        ReadTreeWindowLayout(store_, saved);
        TreeDividers& d = layout_.dividers;
        if (saved.dividers.hSplit) d.hSplit = saved.dividers.hSplit;
        if (saved.dividers.vSplit) d.vSplit = saved.dividers.vSplit;
        if (saved.dividers.rebuildVSplit) d.rebuildVSplit = saved.dividers.rebuildVSplit;
        if (saved.dividers.cacheVSplit) d.cacheVSplit = saved.dividers.cacheVSplit;
        LayOut();
        *result = 0;
        return TRUE;
    }
    case WM_TREE_DRAIN:
        view_.Drain();
        *result = 0;
        return TRUE;
    case WM_TREE_WARNING:
        AddWarning((const char*)wParam, (const char*)lParam);
        *result = 0;
        return TRUE;
    case WM_TREE_EDIT_AGAIN:
        if (wParam) {
            ::SetFocus(lists_[SIDE_REBUILD]);
            ::SendMessageA(lists_[SIDE_REBUILD], LVM_EDITLABELA, (WPARAM)lParam, 0);
        } else {
            ::SetFocus(trees_[SIDE_REBUILD]);
            ::SendMessageA(trees_[SIDE_REBUILD], TVM_EDITLABELA, 0, lParam);
        }
        *result = 0;
        return TRUE;
    case WM_TREE_REFILL:
        if (!busy_) view_.FillList((int)wParam);
        *result = 0;
        return TRUE;
    case WM_MENUSELECT:
        OnMenuSelect(LOWORD(wParam), HIWORD(wParam), (HMENU)lParam);
        *result = 0;
        return TRUE;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = (MINMAXINFO*)lParam;
        info->ptMinTrackSize.x = 360;
        info->ptMinTrackSize.y = 260;
        *result = 0;
        return TRUE;
    }
    }
    return CWorkerDialog::OnMessage(msg, wParam, lParam, result);
}

void CRebuildTreeDlg::OnDestroy() {
    if (!jobs_) return;  // ended before it was shown: the stored layout stays
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    if (GetWindowPlacement(m_hWnd, &placement)) {
        const RECT& r = placement.rcNormalPosition;
        layout_.posX = r.left;
        layout_.posY = r.top;
        layout_.sizeX = r.right - r.left;
        layout_.sizeY = r.bottom - r.top;
        layout_.cmdShow = placement.showCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    }
    if (panes_[SIDE_REBUILD]) layout_.rebuildSort = panes_[SIDE_REBUILD]->sortKey;
    if (panes_[SIDE_CACHE]) layout_.cacheSort = panes_[SIDE_CACHE]->sortKey;
    WriteTreeWindowLayout(store_, layout_);
}

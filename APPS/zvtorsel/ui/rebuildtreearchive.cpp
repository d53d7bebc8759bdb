// The Rebuild Tree's "save as WARC" command: the cache side's entry, folder
// or whole cache written as one web archive by the engine of /warc:, in the
// window's worker with the progress and warnings of the other jobs.
#include <windows.h>
#include <commdlg.h>

#include "afxwin.h"
#include "archive/win32/warcfile.h"
#include "archivejob.h"
#include "jobs/treecommands.h"
#include "messages.h"
#include "rebuildtreedlg.h"
#include "resource.h"
#include "zvcore32.h"

namespace {

std::string CountText(UINT id, size_t count) { return AfxLoadText(id, AfxFormatCount((DWORD)count).c_str()).c_str(); }

}  // namespace

std::string CRebuildTreeDlg::TargetLabel(const TreeTarget& t) const {
    CTreePane* pane = panes_[t.side];
    const TreeItem* it = nullptr;
    if (t.item >= 0) {
        it = pane->model.Item(t.folder, t.item);
    } else if (FolderNode* node = pane->model.Node(t.folder)) {
        if (node->parent >= 0) it = pane->model.Item(node->parent, node->itemInParent);
    }
    return it ? it->name : std::string();
}

// The common save dialog; the filter's rows are "|"-separated in the string
// table, which holds no NUL.
bool CRebuildTreeDlg::ChooseWarcFile(const std::string& suggested, std::string& path) {
    char file[MAX_PATH];
    lstrcpynA(file, suggested.c_str(), sizeof(file));
    std::string filter = AfxLoadText(IDS_WARC_SAVE_FILTER).c_str();
    for (char& c : filter)
        if (c == '|') c = 0;
    filter.push_back(0);
    std::string title = AfxLoadText(IDS_WARC_SAVE_TITLE).c_str();
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameA(&ofn)) return false;
    path = WarcFileNameOf(file, ofn.nFilterIndex == 2);
    return true;
}

void CRebuildTreeDlg::OnSaveWarc(const TreeTarget& t) {
    if (busy_ || t.side != SIDE_CACHE) return;
    CTreePane* pane = panes_[SIDE_CACHE];
    std::string path;
    if (!ChooseWarcFile(WarcSuggestedName(TargetLabel(t), zvGetDBCSLeadTable()), path)) return;
    archive_ = ArchiveRequest();
    archive_.path = path;
    archive_.whole = t.item < 0 && t.folder == pane->root;
    if (!archive_.whole) {
        std::vector<std::string> urls;
        EntryUrlsOf(*pane, t.folder, t.item, urls);
        archive_.urls.insert(urls.begin(), urls.end());
    }
    ::SendMessageA(GetDlgItem(IDC_RT_WARNINGS), LVM_DELETEALLITEMS, 0, 0);
    SetDlgItemText(IDC_RT_STATUS, AfxLoadText(IDS_WARC_WRITING, path.c_str()).c_str());
    if (!StartJob(kArchiveJob)) ShowResourceMessage(IDS_NO_THREAD);
}

int CRebuildTreeDlg::RunArchive() {
    WarcJobHooks hooks;
    hooks.progress = [this](size_t records) { StatusText(CountText(IDS_WARC_PROGRESS, records).c_str()); };
    hooks.cancelled = [this] { return CancelRequested(); };
    if (!archive_.whole) hooks.wanted = [this](const char* url) { return archive_.urls.count(url) != 0; };
    archive_.result =
        WriteWarcFile(files_, *cache_, archive_.path, WarcSettingsOf(settings_.cacheFolder), hooks, *this, archive_.counts);
    StatusMessage(IDS_READY);
    return archive_.result == WARC_DONE;
}

void CRebuildTreeDlg::OnArchiveDone() {
    std::string text;
    switch (archive_.result) {
    case WARC_DONE:
        text = std::string(AfxLoadText(IDS_WARC_SAVED, archive_.path.c_str()).c_str()) + "\n" +
               CountText(IDS_WARC_DONE, archive_.counts.records);
        if (archive_.counts.unreadable) text += "\n" + CountText(IDS_WARC_LEFT_UNREADABLE, archive_.counts.unreadable);
        if (archive_.counts.notResponse)
            text += "\n" + CountText(IDS_WARC_LEFT_NOT_RESPONSE, archive_.counts.notResponse);
        break;
    case WARC_CANCELLED: text = AfxLoadText(IDS_WARC_CANCELLED).c_str(); break;
    default: text = AfxLoadText(IDS_WARC_WRITE_FAILED, archive_.path.c_str()).c_str(); break;
    }
    WorkerMessageBox(text.c_str(), archive_.result == WARC_DONE ? MB_OK | MB_ICONINFORMATION : MB_OK | MB_ICONEXCLAMATION);
    archive_.urls.clear();
}

#include "sourceviewdlg.h"

#include <vector>

#include "base/win32/win32files.h"
#include "dlgmessage.h"
#include "mapping/mapping_settings.h"
#include "pictures/viewerlogic.h"
#include "profilestore.h"
#include "resource.h"
#include "translate/html_translator.h"

namespace {

// The translator's messages as message boxes of the program.
class CBoxMessages : public IMessageRoutine {
public:
    int ShowResourceMessage(UINT id, const char* arg) override { return ShowPictureMessage(id, arg); }
};

}  // namespace

CViewSrcDlg::CViewSrcDlg(const char* title, const char* path, CWnd* parent)
    : CDialog(IDD_VIEW_SOURCE, parent), title_(title ? title : ""), path_(path ? path : "") {}

bool CViewSrcDlg::LoadText() {
    CBoxMessages messages;
    CWin32Files files;
    const MappingSettings mapping;
    CHtmlTranslator translator(files, &messages, mapping);
    if (!translator.AllocBuffers(kBuffersAll)) {
        ShowPictureMessage(IDS_NO_MEMORY_CONVERT);
        return false;
    }
    // LoadHtml shows message 44 itself when the file cannot be read.
    if (!translator.LoadHtml(path_.c_str(), TRUE)) return false;
    std::vector<char> text(kSourceViewCapacity);
    PrepareSourceText(translator.ConvertedText(), (size_t)translator.ConvertedLength(), text.data(), text.size(),
                      mapping.leadTable);
    SendDlgItemMessage(IDC_SOURCE_TEXT, EM_LIMITTEXT, kSourceViewCapacity);
    SetDlgItemText(IDC_SOURCE_TEXT, text.data());
    translator.Release();
    return true;
}

void CViewSrcDlg::RestorePlacement() {
    CWinApp* app = AfxGetApp();
    if (!app) return;
    CAppProfileStore store(*app);
    ViewerWindowPlace stored;
    ReadViewerWindowPlace(store, kSourceViewerSection, stored);
    if (stored.sizeX == 0 || stored.sizeY == 0) return;
    WINDOWPLACEMENT place = {};
    place.length = sizeof(place);
    GetWindowPlacement(m_hWnd, &place);
    place.showCmd = stored.cmdShow;
    place.rcNormalPosition.left = stored.posX;
    place.rcNormalPosition.top = stored.posY;
    place.rcNormalPosition.right = stored.posX + stored.sizeX;
    place.rcNormalPosition.bottom = stored.posY + stored.sizeY;
    SetWindowPlacement(m_hWnd, &place);
}

BOOL CViewSrcDlg::OnInitDialog() {
    SetWindowText(title_.c_str());
    white_ = (HBRUSH)GetStockObject(WHITE_BRUSH);
    if (!LoadText()) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    loaded_ = true;
    RestorePlacement();
    RECT client;
    GetClientRect(m_hWnd, &client);
    OnSize(SIZE_RESTORED, client.right, client.bottom);
    return TRUE;
}

void CViewSrcDlg::OnSize(UINT, int width, int height) {
    HWND edit = GetDlgItem(IDC_SOURCE_TEXT);
    if (edit) MoveWindow(edit, 0, 0, width, height, TRUE);
}

BOOL CViewSrcDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
    if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLOREDIT) {
        SetBkColor((HDC)wParam, RGB(255, 255, 255));
        *result = (LRESULT)white_;
        return TRUE;
    }
    if (msg == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && !activated_) {
        // The caret at the start, nothing selected, scrolled to it.
        activated_ = true;
        HWND edit = GetDlgItem(IDC_SOURCE_TEXT);
        SetFocus(edit);
        ::SendMessageA(edit, EM_SETSEL, 0, 0);
        ::SendMessageA(edit, EM_SCROLLCARET, 0, 0);
        *result = 0;
        return TRUE;
    }
    return FALSE;
}

void CViewSrcDlg::OnDestroy() {
    CWinApp* app = AfxGetApp();
    if (!app || !loaded_) return;
    WINDOWPLACEMENT place = {};
    place.length = sizeof(place);
    if (!GetWindowPlacement(m_hWnd, &place)) return;
    const RECT& r = place.rcNormalPosition;
    ViewerWindowPlace stored;
    stored.cmdShow = (int)place.showCmd;
    stored.posX = r.left;
    stored.posY = r.top;
    stored.sizeX = r.right - r.left;
    stored.sizeY = r.bottom - r.top;
    CAppProfileStore store(*app);
    WriteViewerWindowPlace(store, kSourceViewerSection, stored);
}

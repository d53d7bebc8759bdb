#include "sourceviewdlg.h"

#include <vector>

#include "dlgmessage.h"
#include "mapping/mapping_settings.h"
#include "pictures/viewerlogic.h"
#include "resource.h"
#include "translate/html_translator.h"

namespace {

const char kSection[] = "ViewSrc";

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
    CHtmlTranslator translator(nullptr, &messages);
    if (!translator.AllocBuffers(kBuffersAll)) {
        ShowPictureMessage(IDS_NO_MEMORY_CONVERT);
        return false;
    }
    // LoadHtml shows message 44 itself when the file cannot be read.
    if (!translator.LoadHtml(path_.c_str(), TRUE)) return false;
    std::vector<char> text(kSourceViewCapacity);
    PrepareSourceText(translator.ConvertedText(), (size_t)translator.ConvertedLength(), text.data(), text.size(),
                      MappingSettings::Process().leadTable);
    SendDlgItemMessage(IDC_SOURCE_TEXT, EM_LIMITTEXT, kSourceViewCapacity);
    SetDlgItemText(IDC_SOURCE_TEXT, text.data());
    translator.Release();
    return true;
}

void CViewSrcDlg::RestorePlacement() {
    CWinApp* app = AfxGetApp();
    if (!app) return;
    int sizeX = (int)app->GetProfileInt(kSection, "SizeX", 0), sizeY = (int)app->GetProfileInt(kSection, "SizeY", 0);
    if (sizeX == 0 || sizeY == 0) return;
    WINDOWPLACEMENT place = {};
    place.length = sizeof(place);
    GetWindowPlacement(m_hWnd, &place);
    place.showCmd = app->GetProfileInt(kSection, "CmdShow", SW_SHOWNORMAL);
    place.rcNormalPosition.left = (int)app->GetProfileInt(kSection, "PosX", 0);
    place.rcNormalPosition.top = (int)app->GetProfileInt(kSection, "PosY", 0);
    place.rcNormalPosition.right = place.rcNormalPosition.left + sizeX;
    place.rcNormalPosition.bottom = place.rcNormalPosition.top + sizeY;
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
    app->WriteProfileInt(kSection, "CmdShow", (int)place.showCmd);
    app->WriteProfileInt(kSection, "PosX", r.left);
    app->WriteProfileInt(kSection, "PosY", r.top);
    app->WriteProfileInt(kSection, "SizeX", r.right - r.left);
    app->WriteProfileInt(kSection, "SizeY", r.bottom - r.top);
}

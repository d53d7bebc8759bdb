#include "htmlformatdlg.h"

#include <commctrl.h>
#include <commdlg.h>

#include "helppage.h"
#include "resource.h"

namespace {

// The chooser's sixteen custom colours last for the program's run.
COLORREF g_customColours[16] = {
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
};

}  // namespace

CHtmlFormatDlg::CHtmlFormatDlg(CWnd* parent, PageFormat& format, bool titlesApply)
    : CDialog(IDD_HTML_FORMAT, parent), format_(format), edited_(format), titlesApply_(titlesApply) {
    // The start-up registers the list view classes only; the slider needs its own.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
}

BOOL CHtmlFormatDlg::OnInitDialog() {
    // A stored colour is 0xRRGGBB; stray high bits are dropped, not carried into pages.
    for (DWORD* colour : {&edited_.textColor, &edited_.linkColor, &edited_.backColor}) *colour &= 0xFFFFFF;
    SendDlgItemMessage(IDC_FMT_FONT_SIZE, TBM_SETRANGE, TRUE, MAKELPARAM(kFontSliderMin, kFontSliderMax));
    SendDlgItemMessage(IDC_FMT_FONT_SIZE, TBM_SETPOS, TRUE, FontSizeToSlider(edited_.fontSize));
    CheckDlgButton(IDC_FMT_TITLE, edited_.title ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(edited_.sortType == 1 ? IDC_FMT_SORT_TITLE : IDC_FMT_SORT_URL, BST_CHECKED);
    CheckDlgButton(IDC_FMT_LINE_SPACE, edited_.lineSpace ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_FMT_UNORDERED_LIST, edited_.unorderedList ? BST_CHECKED : BST_UNCHECKED);
    if (!titlesApply_) CloseTitleGap();
    FollowTitleCheck();
    return TRUE;
}

BOOL CHtmlFormatDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
        case IDC_FMT_TEXT_COLOR:
            ChooseColour(IDC_FMT_TEXT_SWATCH);
            return TRUE;
        case IDC_FMT_LINK_COLOR:
            ChooseColour(IDC_FMT_LINK_SWATCH);
            return TRUE;
        case IDC_FMT_BACK_COLOR:
            ChooseColour(IDC_FMT_BACK_SWATCH);
            return TRUE;
        case IDC_FMT_TITLE:
            if (HIWORD(wParam) == BN_CLICKED) FollowTitleCheck();
            return TRUE;
        case IDHELP:
            OpenHelpPage(m_hWnd, HELP_HTML_FORMAT);
            return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

DWORD* CHtmlFormatDlg::ColourOfSwatch(int swatchId) {
    switch (swatchId) {
        case IDC_FMT_TEXT_SWATCH:
            return &edited_.textColor;
        case IDC_FMT_LINK_SWATCH:
            return &edited_.linkColor;
        case IDC_FMT_BACK_SWATCH:
            return &edited_.backColor;
    }
    return nullptr;
}

void CHtmlFormatDlg::ChooseColour(int swatchId) {
    DWORD* colour = ColourOfSwatch(swatchId);
    CHOOSECOLORA choice = {};
    choice.lStructSize = sizeof(choice);
    choice.hwndOwner = m_hWnd;
    choice.rgbResult = SwapRedBlue(*colour);
    choice.lpCustColors = g_customColours;
    choice.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorA(&choice)) return;
    *colour = SwapRedBlue(choice.rgbResult);
    InvalidateRect(GetDlgItem(swatchId), nullptr, TRUE);
}

// The swatches are owner-drawn statics filled with their colour.
BOOL CHtmlFormatDlg::OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
    if (message != WM_DRAWITEM) return FALSE;
    const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lParam;
    DWORD* colour = ColourOfSwatch((int)item->CtlID);
    if (!colour) return FALSE;
    HBRUSH brush = CreateSolidBrush(SwapRedBlue(*colour));
    FillRect(item->hDC, &item->rcItem, brush);
    DeleteObject(brush);
    FrameRect(item->hDC, &item->rcItem, (HBRUSH)GetStockObject(BLACK_BRUSH));
    *result = TRUE;
    return TRUE;
}

// Hides the title switch and the sort order and moves what lies below them
// up, so that the picture list's variant shows no empty band.
void CHtmlFormatDlg::CloseTitleGap() {
    RECT title, below;
    GetWindowRect(GetDlgItem(IDC_FMT_TITLE), &title);
    GetWindowRect(GetDlgItem(IDC_FMT_LINE_SPACE), &below);
    int gap = below.top - title.top;
    for (int id : {IDC_FMT_TITLE, IDC_FMT_SORT_URL, IDC_FMT_SORT_TITLE}) ::ShowWindow(GetDlgItem(id), SW_HIDE);
    for (int id : {IDC_FMT_LINE_SPACE, IDC_FMT_UNORDERED_LIST, IDOK, IDCANCEL, IDHELP}) {
        HWND item = GetDlgItem(id);
        RECT r;
        GetWindowRect(item, &r);
        MapWindowPoints(nullptr, m_hWnd, (POINT*)&r, 2);
        SetWindowPos(item, nullptr, r.left, r.top - gap, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT frame;
    ::GetWindowRect(m_hWnd, &frame);
    SetWindowPos(m_hWnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top - gap,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CHtmlFormatDlg::FollowTitleCheck() {
    bool sortable = titlesApply_ && IsDlgButtonChecked(IDC_FMT_TITLE) == BST_CHECKED;
    ::EnableWindow(GetDlgItem(IDC_FMT_SORT_URL), sortable);
    ::EnableWindow(GetDlgItem(IDC_FMT_SORT_TITLE), sortable);
}

void CHtmlFormatDlg::OnOK() {
    edited_.fontSize = SliderToFontSize((int)SendDlgItemMessage(IDC_FMT_FONT_SIZE, TBM_GETPOS));
    if (titlesApply_) {
        edited_.title = IsDlgButtonChecked(IDC_FMT_TITLE) == BST_CHECKED;
        edited_.sortType = IsDlgButtonChecked(IDC_FMT_SORT_TITLE) == BST_CHECKED ? 1 : 0;
    }
    edited_.lineSpace = IsDlgButtonChecked(IDC_FMT_LINE_SPACE) == BST_CHECKED;
    edited_.unorderedList = IsDlgButtonChecked(IDC_FMT_UNORDERED_LIST) == BST_CHECKED;
    format_ = edited_;
    CDialog::OnOK();
}

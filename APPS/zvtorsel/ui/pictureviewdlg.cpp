#include "pictureviewdlg.h"

#include <string.h>

#include <vector>

#include "dlgmessage.h"
#include "picturesettings.h"
#include "profilestore.h"
#include "resource.h"

namespace {

// The file is read into a buffer this much longer, zero-filled, so that
// decoders that read a little past the end find zeros.
const DWORD kReadSlack = 2048;

bool IsIndexed(DWORD format) { return format <= ZVFMT_8BIT_16C || format == ZVFMT_RLE4 || format == ZVFMT_RLE8; }

}  // namespace

CViewPicDlg::CViewPicDlg(const char* title, const char* path, CWnd* parent)
    : CDialog(IDD_VIEW_PICTURE, parent), title_(title ? title : ""), path_(path ? path : "") {
    memset(&surfaceInfo_, 0, sizeof(surfaceInfo_));
}

CViewPicDlg::~CViewPicDlg() {
    if (surface_) zvDeleteDibSurface(surface_);
}

bool CViewPicDlg::MakeSurface(HZVDIB dib, const DibInfo& info) {
    const bool palette = IsIndexed(info.format) && info.colors && info.colorCount;
    const int bits = palette || zvGdiGetStatus(2) < 9 ? 8 : 24;
    surfaceInfo_.size = DIBSURFACEINFO_SIZE;
    surface_ = zvCreateDibSurface((int)info.width, (int)info.height, bits, &surfaceInfo_);
    if (!surface_) {
        AfxMessageBox("Could not open a DibSurface.");
        return false;
    }
    WORD xlat[256];
    const void* table = nullptr;
    if (bits == 8 && palette) {
        int count = info.colorCount > 256 ? 256 : (int)info.colorCount;
        zvSetDibSurfaceColorTable(surface_, info.colors, count);
        zvUpdateDibSurfacePalette(surface_, FALSE);
        zvMakeXlatTable(xlat, info.colors, count, surfaceInfo_.colors, (int)surfaceInfo_.colorCount, FALSE);
        table = xlat;
    } else if (info.format & 1) {
        table = info.colors;
    }
    const bool runLength = info.format >= ZVFMT_RLE4 && info.format <= ZVFMT_RLE8_16C;
    BYTE* target = surfaceInfo_.topRow;
    LONG targetStep = surfaceInfo_.rowStep;
    const BYTE* source = info.topRow;
    if (runLength) {
        // Runs come in stored order: bottom-up data fills from the last row.
        source = info.bits;
        if (info.flags & DIBF_BOTTOMUP) {
            target = surfaceInfo_.topRow + (ptrdiff_t)(info.height - 1) * surfaceInfo_.rowStep;
            targetStep = -surfaceInfo_.rowStep;
        }
    }
    zvCopyDIBits(target, source, (int)info.width, (int)info.height, targetStep, info.rowStep, table,
                 surfaceInfo_.format, info.format);
    (void)dib;
    return true;
}

bool CViewPicDlg::OpenPicture() {
    HANDLE file = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ShowPictureMessage(IDS_CANNOT_READ, path_.c_str());
        return false;
    }
    DWORD high = 0, size = GetFileSize(file, &high);
    std::vector<BYTE> data;
    bool ok = size != INVALID_FILE_SIZE && high == 0 && size < 0x7FFFFFFF - kReadSlack;
    if (ok && size > 0) {
        try {
            data.assign((size_t)size + kReadSlack, 0);
        } catch (...) {
            CloseHandle(file);
            ShowPictureMessage(IDS_NO_MEMORY_VIEW);
            return false;
        }
        DWORD got = 0;
        ok = ReadFile(file, data.data(), size, &got, nullptr) && got == size;
    }
    CloseHandle(file);
    if (!ok) {
        ShowPictureMessage(IDS_CANNOT_READ, path_.c_str());
        return false;
    }
    if (size == 0) return false;

    CSpiPlugins plugins(LoadedSpiTable());
    std::vector<BYTE> packed;
    DibInfo info;
    HZVDIB dib = DecodeForViewer(data.data(), size, &plugins, packed, info);
    if (!dib) {
        ShowPictureMessage(IDS_NOT_A_PICTURE);
        return false;
    }
    width_ = (int)info.width;
    height_ = (int)info.height;
    ok = MakeSurface(dib, info);
    zvDeleteDIBitmap(dib);
    return ok;
}

void CViewPicDlg::PlaceWindow() {
    ViewerWindowPlace stored;
    if (CWinApp* app = AfxGetApp()) {
        CAppProfileStore store(*app);
        ReadViewerWindowPlace(store, kPictureViewerSection, stored);
    }
    int show = stored.cmdShow, x = stored.posX, y = stored.posY;
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    frame_.frameWidth = 2 * GetSystemMetrics(SM_CXFRAME);
    frame_.frameHeight = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
    frame_.vScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
    frame_.hScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
    ViewerPlacement p = PlacePictureWindow(x, y, width_, height_, frame_, work.left, work.top, work.right, work.bottom);
    bars_ = p.bars;
    placing_ = true;
    WINDOWPLACEMENT place = {};
    place.length = sizeof(place);
    GetWindowPlacement(m_hWnd, &place);
    // A normal window stays hidden until the dialog manager shows it, placed
    // and with its bars: shown here, it would appear half set up.
    place.showCmd = show == SW_SHOWMINIMIZED || show == SW_SHOWMAXIMIZED ? show : SW_HIDE;
    place.rcNormalPosition = {p.x, p.y, p.x + p.width, p.y + p.height};
    SetWindowPlacement(m_hWnd, &place);
    placing_ = false;
    UpdateBars();
}

void CViewPicDlg::UpdateBars() {
    RECT window;
    GetWindowRect(m_hWnd, &window);
    bars_ = DecideBars(window.right - window.left, window.bottom - window.top, width_, height_, frame_);
    ShowScrollBar(m_hWnd, SB_HORZ, bars_.horizontal);
    ShowScrollBar(m_hWnd, SB_VERT, bars_.vertical);
    RECT client;
    GetClientRect(m_hWnd, &client);
    scrollX_ = bars_.horizontal ? ClampScroll(scrollX_, width_, client.right) : 0;
    scrollY_ = bars_.vertical ? ClampScroll(scrollY_, height_, client.bottom) : 0;
    SCROLLINFO si = {sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    if (bars_.horizontal) {
        si.nMax = width_ - 1;
        si.nPage = (UINT)client.right;
        si.nPos = scrollX_;
        SetScrollInfo(m_hWnd, SB_HORZ, &si, TRUE);
    }
    if (bars_.vertical) {
        si.nMax = height_ - 1;
        si.nPage = (UINT)client.bottom;
        si.nPos = scrollY_;
        SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
    }
    Invalidate(FALSE);
}

void CViewPicDlg::Scroll(int bar, int code) {
    RECT client;
    GetClientRect(m_hWnd, &client);
    const bool horizontal = bar == SB_HORZ;
    int& position = horizontal ? scrollX_ : scrollY_;
    const int page = horizontal ? client.right : client.bottom;
    const int extent = horizontal ? width_ : height_;
    SCROLLINFO si = {sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(m_hWnd, bar, &si);
    int next = position;
    switch (code) {
        case SB_LINEUP:
            next -= 1;
            break;
        case SB_LINEDOWN:
            next += 1;
            break;
        case SB_PAGEUP:
            next -= page;
            break;
        case SB_PAGEDOWN:
            next += page;
            break;
        case SB_TOP:
            next = 0;
            break;
        case SB_BOTTOM:
            next = extent;
            break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            next = si.nTrackPos;
            break;
        default:
            return;
    }
    next = ClampScroll(next, extent, page);
    if (next == position) return;
    position = next;
    si.fMask = SIF_POS;
    si.nPos = position;
    SetScrollInfo(m_hWnd, bar, &si, TRUE);
    Invalidate(FALSE);
}

void CViewPicDlg::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    RECT client;
    GetClientRect(m_hWnd, &client);
    int w = client.right < width_ - scrollX_ ? client.right : width_ - scrollX_;
    int h = client.bottom < height_ - scrollY_ ? client.bottom : height_ - scrollY_;
    if (surface_ && w > 0 && h > 0) zvDrawDibSurfaceEx(surface_, dc, 0, 0, w, h, scrollX_, scrollY_, w, h, SRCCOPY);
    // The part beyond the picture (a window wider than it while shrinking).
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    RECT right = {w > 0 ? w : 0, 0, client.right, client.bottom},
         below = {0, h > 0 ? h : 0, client.right, client.bottom};
    FillRect(dc, &right, face);
    FillRect(dc, &below, face);
    EndPaint(m_hWnd, &ps);
}

BOOL CViewPicDlg::OnInitDialog() {
    SetWindowText(title_.c_str());
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    bool opened = OpenPicture();
    SetCursor(previous);
    if (!opened) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    PlaceWindow();
    return TRUE;
}

void CViewPicDlg::OnSize(UINT type, int, int) {
    if (!surface_ || placing_ || type == SIZE_MINIMIZED) return;
    UpdateBars();
}

BOOL CViewPicDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (msg) {
        case WM_PAINT:
            Paint();
            *result = 0;
            return TRUE;
        case WM_ERASEBKGND:
            *result = 1;
            return TRUE;
        case WM_HSCROLL:
        case WM_VSCROLL:
            Scroll(msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wParam));
            *result = 0;
            return TRUE;
        case WM_GETMINMAXINFO: {
            if (!surface_) return FALSE;
            MINMAXINFO* limits = (MINMAXINFO*)lParam;
            int minW, minH, maxW, maxH;
            PictureWindowLimits(width_, height_, frame_, bars_, &minW, &minH, &maxW, &maxH);
            limits->ptMinTrackSize = {minW, minH};
            limits->ptMaxTrackSize = {maxW, maxH};
            *result = 0;
            return TRUE;
        }
        case WM_QUERYNEWPALETTE:
        case WM_PALETTECHANGED:
            if (!surface_ || (msg == WM_PALETTECHANGED && (HWND)wParam == m_hWnd)) return FALSE;
            if (zvRealizeDibSurfacePalette(surface_, m_hWnd, msg == WM_PALETTECHANGED)) Invalidate(FALSE);
            *result = TRUE;
            return TRUE;
        case WM_DISPLAYCHANGE:
            zvChangedDisplay((int)wParam, (DWORD)lParam);
            return FALSE;
    }
    return FALSE;
}

void CViewPicDlg::OnDestroy() {
    if (surface_) zvDeleteDibSurface(surface_);
    surface_ = nullptr;
    CWinApp* app = AfxGetApp();
    if (!app || width_ == 0) return;
    WINDOWPLACEMENT place = {};
    place.length = sizeof(place);
    if (!GetWindowPlacement(m_hWnd, &place)) return;
    ViewerWindowPlace stored;
    stored.cmdShow = (int)place.showCmd;
    stored.posX = place.rcNormalPosition.left;
    stored.posY = place.rcNormalPosition.top;
    CAppProfileStore store(*app);
    WriteViewerWindowPlace(store, kPictureViewerSection, stored);
}

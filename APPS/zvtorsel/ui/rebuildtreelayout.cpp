// Laying out the rebuild tree window: the panes by the dividers, the
// controls at the bottom by the edges they keep their distance from.
#include "rebuildtreedlg.h"
#include "resource.h"

namespace {

const int kBottomIds[] = {IDC_RT_STATUS, IDC_RT_ARRANGE, IDOK, IDCANCEL, IDC_RT_HELP, IDC_RT_BUSY};
const int kMargin = 4;

Box ToBox(const RECT& r) { return Box{r.left, r.top, r.right, r.bottom}; }

}  // namespace

void CRebuildTreeDlg::CaptureBottomControls() {
    RECT client;
    GetClientRect(m_hWnd, &client);
    clientWidth_ = lastWidth_ = client.right;
    clientHeight_ = lastHeight_ = client.bottom;
    anchors_.clear();
    for (int id : kBottomIds) {
        RECT r;
        ::GetWindowRect(GetDlgItem(id), &r);
        MapWindowPoints(nullptr, m_hWnd, (POINT*)&r, 2);
        anchors_.push_back(Anchor{id, r});
        if (id == IDC_RT_STATUS) statusTop_ = r.top;
    }
    RECT ok, help;
    ::GetWindowRect(GetDlgItem(IDOK), &ok);
    ::GetWindowRect(GetDlgItem(IDC_RT_HELP), &help);
    buttonGroupWidth_ = help.right - ok.left;
    RECT caption = {0, 0, 0, 10};
    MapDialogRect(m_hWnd, &caption);
    metrics_.caption = caption.bottom;
}

Box CRebuildTreeDlg::PaneArea() const {
    int dy = lastHeight_ - clientHeight_;
    return Box{kMargin, kMargin, lastWidth_ - kMargin, statusTop_ + dy - kMargin};
}

void CRebuildTreeDlg::OpenAtFirstSize() {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    RECT window;
    if (!GetMonitorInfoA(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !::GetWindowRect(m_hWnd, &window))
        return;
    Box b = FirstOpeningBox(ToBox(window), ToBox(monitor.rcWork));
    ::MoveWindow(m_hWnd, b.left, b.top, b.Width(), b.Height(), TRUE);
}

void CRebuildTreeDlg::MoveControl(int id, const Box& b) {
    ::MoveWindow(GetDlgItem(id), b.left, b.top, b.Width() > 0 ? b.Width() : 0, b.Height() > 0 ? b.Height() : 0, TRUE);
}

void CRebuildTreeDlg::OnSize(UINT type, int width, int height) {
    if (type == SIZE_MINIMIZED || anchors_.empty()) return;
    GrowDividers(layout_.dividers, width - lastWidth_, height - lastHeight_);
    lastWidth_ = width;
    lastHeight_ = height;
    LayOut();
}

void CRebuildTreeDlg::LayOut() {
    int dx = lastWidth_ - clientWidth_, dy = lastHeight_ - clientHeight_;
    int groupLeft = 0;
    for (const Anchor& a : anchors_) {
        if (a.id == IDOK) groupLeft = a.rect.left;
    }
    int newGroupLeft = (lastWidth_ - buttonGroupWidth_) / 2;
    for (const Anchor& a : anchors_) {
        Box b = ToBox(a.rect);
        b.top += dy;
        b.bottom += dy;
        switch (a.id) {
        case IDC_RT_STATUS: b.right += dx; break;
        case IDC_RT_ARRANGE:
        case IDC_RT_BUSY:
            b.left += dx;
            b.right += dx;
            break;
        default:  // the three buttons stay centred as a group
            b.left += newGroupLeft - groupLeft;
            b.right += newGroupLeft - groupLeft;
            break;
        }
        MoveControl(a.id, b);
    }

    Box area = PaneArea();
    TreeDividers& d = layout_.dividers;
    ClampDividers(d, area, metrics_);
    TreeBoxes boxes = LayOutTree(d, area, metrics_);
    MoveControl(IDC_RT_REBUILD_CAPTION, boxes.rebuildCaption);
    MoveControl(IDC_RT_REBUILD_TREE, boxes.rebuildTree);
    MoveControl(IDC_RT_REBUILD_VSPLIT, boxes.rebuildSplit);
    MoveControl(IDC_RT_REBUILD_LIST, boxes.rebuildList);
    MoveControl(IDC_RT_CACHE_CAPTION, boxes.cacheCaption);
    MoveControl(IDC_RT_CACHE_TREE, boxes.cacheTree);
    MoveControl(IDC_RT_CACHE_VSPLIT, boxes.cacheSplit);
    MoveControl(IDC_RT_CACHE_LIST, boxes.cacheList);
    bool stacked = d.arrangement == ARRANGE_STACKED;
    ::ShowWindow(GetDlgItem(IDC_RT_SIDES_VSPLIT), stacked ? SW_HIDE : SW_SHOW);
    ::ShowWindow(GetDlgItem(IDC_RT_SIDES_HSPLIT), stacked ? SW_SHOW : SW_HIDE);
    if (stacked)
        MoveControl(IDC_RT_SIDES_HSPLIT, boxes.sidesHSplit);
    else
        MoveControl(IDC_RT_SIDES_VSPLIT, boxes.sidesVSplit);
    if (d.warningsShown) {
        MoveControl(IDC_RT_WARNING_HSPLIT, boxes.warningSplit);
        MoveControl(IDC_RT_WARNINGS, boxes.warnings);
    }
    // Moved controls keep the bits of where they were; the lists would show
    // stale columns after a change of arrangement.
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

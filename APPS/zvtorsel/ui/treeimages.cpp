#include "treeimages.h"

#include "windowlogic/markimages.h"

namespace {

const int kSize = 16;
const COLORREF kMask = RGB(255, 0, 255);

class Canvas {
public:
    Canvas() {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, kSize, kSize);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        font_ = CreateFontA(-10, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
        oldFont_ = SelectObject(dc_, font_);
        SetBkMode(dc_, TRANSPARENT);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() {
        SelectObject(dc_, oldFont_);
        SelectObject(dc_, old_);
        DeleteObject(font_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    void Clear(COLORREF background = kMask) { Fill(0, 0, kSize, kSize, background); }
    void Fill(int l, int t, int r, int b, COLORREF color) {
        RECT rect = {l, t, r, b};
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc_, &rect, brush);
        DeleteObject(brush);
    }
    void Frame(int l, int t, int r, int b, COLORREF color) {
        Fill(l, t, r, t + 1, color);
        Fill(l, b - 1, r, b, color);
        Fill(l, t, l + 1, b, color);
        Fill(r - 1, t, r, b, color);
    }
    void Line(int x0, int y0, int x1, int y1, COLORREF color, int width = 2) {
        HPEN pen = CreatePen(PS_SOLID, width, color);
        HGDIOBJ old = SelectObject(dc_, pen);
        MoveToEx(dc_, x0, y0, nullptr);
        LineTo(dc_, x1, y1);
        SelectObject(dc_, old);
        DeleteObject(pen);
    }
    void Letter(const char* text, int l, int t, int r, int b, COLORREF color) {
        RECT rect = {l, t, r, b};
        SetTextColor(dc_, color);
        DrawTextA(dc_, text, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    void AddTo(HIMAGELIST list) {
        SelectObject(dc_, old_);
        ImageList_AddMasked(list, bitmap_, kMask);
        SelectObject(dc_, bitmap_);
    }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    HFONT font_;
    HGDIOBJ oldFont_;
};

const COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255), kGrey = RGB(160, 160, 160);

void DrawState(Canvas& c, int state, COLORREF background) {
    c.Clear(background);
    if (state == STATE_NO_BOX) return;
    c.Fill(2, 2, 14, 14, state == STATE_MIXED ? RGB(200, 200, 200) : kWhite);
    c.Frame(2, 2, 14, 14, kBlack);
    if (state == STATE_C || state == STATE_M) {
        c.Line(4, 8, 7, 11, RGB(0, 140, 0));
        c.Line(7, 11, 12, 4, RGB(0, 140, 0));
    }
    if (state == STATE_D || state == STATE_M) {
        c.Line(4, 4, 12, 12, RGB(220, 0, 0));
        c.Line(12, 4, 4, 12, RGB(220, 0, 0));
    }
    if (state == STATE_MIXED) c.Fill(5, 5, 11, 11, RGB(110, 110, 110));
}

void DrawFolder(Canvas& c, COLORREF body, COLORREF edge) {
    c.Fill(1, 4, 7, 6, body);
    c.Frame(1, 3, 7, 6, edge);
    c.Fill(1, 5, 15, 14, body);
    c.Frame(1, 5, 15, 14, edge);
}

void DrawPage(Canvas& c, COLORREF edge, const char* letter, COLORREF letterColor) {
    c.Fill(3, 1, 13, 15, kWhite);
    c.Frame(3, 1, 13, 15, edge);
    if (letter) c.Letter(letter, 3, 2, 13, 15, letterColor);
}

void DrawBase(Canvas& c, int base, bool ghost) {
    COLORREF edge = ghost ? kGrey : kBlack;
    switch (base) {
    case ICON_UP:
        DrawFolder(c, ghost ? kWhite : RGB(255, 230, 120), edge);
        c.Line(8, 12, 8, 7, RGB(0, 0, 200));
        c.Line(5, 9, 8, 6, RGB(0, 0, 200));
        c.Line(11, 9, 8, 6, RGB(0, 0, 200));
        break;
    case ICON_ROOT:
        c.Fill(1, 3, 15, 13, ghost ? kWhite : RGB(90, 120, 200));
        c.Frame(1, 3, 15, 13, edge);
        c.Fill(3, 10, 6, 12, RGB(0, 220, 0));
        break;
    case ICON_FOLDER: DrawFolder(c, ghost ? kWhite : RGB(255, 210, 80), edge); break;
    case ICON_EXECUTABLE: DrawPage(c, edge, "E", ghost ? kGrey : RGB(160, 0, 160)); break;
    case ICON_SYSTEM: DrawPage(c, edge, "S", ghost ? kGrey : RGB(100, 100, 100)); break;
    case ICON_ARCHIVE: DrawPage(c, edge, "Z", ghost ? kGrey : RGB(150, 90, 0)); break;
    case ICON_PICTURE:
        DrawPage(c, edge, nullptr, 0);
        c.Fill(5, 5, 11, 11, ghost ? RGB(220, 220, 220) : RGB(0, 160, 220));
        c.Fill(5, 9, 11, 11, ghost ? RGB(200, 200, 200) : RGB(0, 170, 0));
        break;
    case ICON_HTML: DrawPage(c, edge, "H", ghost ? kGrey : RGB(0, 0, 200)); break;
    default: DrawPage(c, edge, nullptr, 0); break;
    }
}

// The load mark: a small badge at the bottom right; grey when mixed.
void DrawLoadBadge(Canvas& c, bool mixed) {
    c.Fill(8, 8, 16, 16, mixed ? RGB(200, 200, 200) : RGB(255, 255, 0));
    c.Frame(8, 8, 16, 16, mixed ? kGrey : RGB(200, 0, 0));
    c.Letter("L", 8, 8, 16, 16, mixed ? RGB(90, 90, 90) : RGB(200, 0, 0));
}

// An entry that is not rebuilt: a red cross at the bottom right.
void DrawFailedBadge(Canvas& c) {
    c.Fill(8, 8, 16, 16, kWhite);
    c.Frame(8, 8, 16, 16, RGB(200, 0, 0));
    c.Line(10, 10, 14, 14, RGB(200, 0, 0));
    c.Line(14, 10, 10, 14, RGB(200, 0, 0));
}

}  // namespace

TreeImageLists CreateTreeImages() {
    TreeImageLists lists;
    lists.treeStates = ImageList_Create(kSize, kSize, ILC_COLOR24 | ILC_MASK, STATE_IMAGE_COUNT + 1, 0);
    lists.listStates = ImageList_Create(kSize, kSize, ILC_COLOR24 | ILC_MASK, STATE_IMAGE_COUNT, 0);
    lists.icons = ImageList_Create(kSize, kSize, ILC_COLOR24 | ILC_MASK, ICON_BASE_COUNT * OVERLAY_COUNT, 0);
    Canvas canvas;
    canvas.Clear();
    canvas.AddTo(lists.treeStates);
    // List views draw state images without their mask: those get the
    // list's own background instead.
    for (int state = 1; state <= STATE_IMAGE_COUNT; ++state) {
        DrawState(canvas, state, kMask);
        canvas.AddTo(lists.treeStates);
        DrawState(canvas, state, GetSysColor(COLOR_WINDOW));
        canvas.AddTo(lists.listStates);
    }
    for (int overlay = 0; overlay < OVERLAY_COUNT; ++overlay) {
        bool ghost = overlay == OVERLAY_GHOST || overlay == OVERLAY_GHOST_L;
        for (int base = 0; base < ICON_BASE_COUNT; ++base) {
            canvas.Clear();
            DrawBase(canvas, base, ghost);
            if (overlay == OVERLAY_L || overlay == OVERLAY_GHOST_L) DrawLoadBadge(canvas, false);
            if (overlay == OVERLAY_L_MIXED) DrawLoadBadge(canvas, true);
            if (overlay == OVERLAY_FAILED) DrawFailedBadge(canvas);
            canvas.AddTo(lists.icons);
        }
    }
    return lists;
}

void DestroyTreeImages(TreeImageLists& lists) {
    if (lists.treeStates) ImageList_Destroy(lists.treeStates);
    if (lists.listStates) ImageList_Destroy(lists.listStates);
    if (lists.icons) ImageList_Destroy(lists.icons);
    lists = TreeImageLists();
}

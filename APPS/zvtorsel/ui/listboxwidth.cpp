#include "listboxwidth.h"

#include <vector>

void FitListBoxScrollWidth(HWND list) {
    HDC dc = GetDC(list);
    if (!dc) return;
    HGDIOBJ oldFont = SelectObject(dc, (HFONT)SendMessageA(list, WM_GETFONT, 0, 0));
    LONG widest = 0;
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int row = 0; row < count; ++row) {
        LRESULT length = SendMessageA(list, LB_GETTEXTLEN, (WPARAM)row, 0);
        if (length <= 0) continue;
        std::vector<char> text((size_t)length + 1);
        SendMessageA(list, LB_GETTEXT, (WPARAM)row, (LPARAM)text.data());
        SIZE size;
        if (GetTextExtentPoint32A(dc, text.data(), (int)length, &size) && size.cx > widest) widest = size.cx;
    }
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
    // A few pixels for the row's inner margin.
    SendMessageA(list, LB_SETHORIZONTALEXTENT, (WPARAM)(widest + 6), 0);
}

void FitListBoxRowHeight(HWND list) {
    HDC dc = GetDC(list);
    if (!dc) return;
    HGDIOBJ oldFont = SelectObject(dc, (HFONT)SendMessageA(list, WM_GETFONT, 0, 0));
    TEXTMETRICA metrics;
    BOOL measured = GetTextMetricsA(dc, &metrics);
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
    if (!measured) return;
    // One pixel row below the cell for the underscore, whose stroke some
    // fonts draw on the cell's last row.
    LRESULT wanted = metrics.tmHeight + metrics.tmExternalLeading + 1;
    if (SendMessageA(list, LB_GETITEMHEIGHT, 0, 0) < wanted) SendMessageA(list, LB_SETITEMHEIGHT, 0, wanted);
}

// Window placement helpers: they work on the normal (restored) rectangle, so
// they also hold for a minimised or maximised window.
#include "zvcore32_win32.h"
#include "zvwinhelpers.h"

namespace {

bool MoveNormalRect(HWND window, int left, int top) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(window, &placement)) return false;
    RECT& r = placement.rcNormalPosition;
    int width = r.right - r.left, height = r.bottom - r.top;
    r.left = left;
    r.top = top;
    r.right = left + width;
    r.bottom = top + height;
    return SetWindowPlacement(window, &placement) != FALSE;
}

}  // namespace

ZV_EXPORT(ULONGLONG) zvGetWindowPosi(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(window, &placement)) return 0;
    return ((ULONGLONG)(DWORD)placement.rcNormalPosition.top << 32) | (DWORD)placement.rcNormalPosition.left;
}

ZV_EXPORT(BOOL) zvSetWindowPosi(HWND window, int left, int top) { return MoveNormalRect(window, left, top); }

ZV_EXPORT(BOOL) zvCenterWindowPosi(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(window, &placement)) return FALSE;
    const RECT& r = placement.rcNormalPosition;
    int left = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
    return MoveNormalRect(window, left, top);
}

// The splitter window classes: a strip that reports mouse drags to its parent.
#include "zvcore32_win32.h"
#include "zvwinhelpers.h"

namespace {

const char kHClass[] = "zvHSplitter";
const char kVClass[] = "zvVSplitter";
const int kDraggingLong = 0;

bool g_registered = false;
UINT g_notifyMessage = WM_COMMAND;

LRESULT DragProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, bool horizontal) {
    switch (msg) {
    case WM_LBUTTONDOWN:
        if (!GetWindowLongA(window, kDraggingLong)) {
            SetCapture(window);
            SetWindowLongA(window, kDraggingLong, 1);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (GetWindowLongA(window, kDraggingLong)) {
            // A horizontal bar moves up and down: it reports y; a vertical one x.
            int position = horizontal ? (short)HIWORD(lParam) : (short)LOWORD(lParam);
            SendMessageA(GetParent(window), g_notifyMessage, (WPARAM)GetDlgCtrlID(window), (LPARAM)position);
        }
        return 0;
    case WM_LBUTTONUP:
        if (GetWindowLongA(window, kDraggingLong)) {
            SetWindowLongA(window, kDraggingLong, 0);
            ReleaseCapture();
        }
        return 0;
    case WM_CAPTURECHANGED:
        // Capture taken away (another window, a menu): the drag is over.
        if ((HWND)lParam != window) SetWindowLongA(window, kDraggingLong, 0);
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

LRESULT CALLBACK HSplitterProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DragProc(window, msg, wParam, lParam, true);
}

LRESULT CALLBACK VSplitterProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DragProc(window, msg, wParam, lParam, false);
}

void RegisterOne(const char* name, WNDPROC proc, int cursorId, LPCSTR fallbackCursor) {
    WNDCLASSA wc = {};
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = sizeof(LONG);
    wc.hInstance = g_zvInstance;
    wc.hCursor = LoadCursorA(g_zvInstance, MAKEINTRESOURCEA(cursorId));
    if (!wc.hCursor) wc.hCursor = LoadCursorA(nullptr, fallbackCursor);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

}  // namespace

ZV_EXPORT(UINT) zvInitSplitterEx(UINT message) {
    if (!g_registered) {
        RegisterOne(kHClass, HSplitterProc, ZV_IDC_HSPLITTER, IDC_SIZENS);
        RegisterOne(kVClass, VSplitterProc, ZV_IDC_VSPLITTER, IDC_SIZEWE);
        g_registered = true;
        g_notifyMessage = message ? message : WM_COMMAND;
    }
    return g_notifyMessage;
}

ZV_EXPORT(void) zvInitSplitter(void) { zvInitSplitterEx(0); }

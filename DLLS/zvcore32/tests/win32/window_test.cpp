// Splitter classes and window placement: needs a display.
#include <windows.h>

#include <gtest/gtest.h>

#include "zvcore32.h"

namespace {

struct Drag {
    UINT message = 0;
    WPARAM id = 0;
    LPARAM position = 0;
    int count = 0;
};
Drag g_drag;

LRESULT CALLBACK ParentProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) {
        g_drag.message = msg;
        g_drag.id = wParam;
        g_drag.position = lParam;
        ++g_drag.count;
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

HWND MakeParent() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "zvSplitterTestParent";
    RegisterClassA(&wc);
    return CreateWindowA("zvSplitterTestParent", "parent", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

TEST(Splitter, ReportsDragsInItsOwnCoordinates) {
    EXPECT_EQ((UINT)WM_COMMAND, zvInitSplitterEx(0));
    EXPECT_EQ((UINT)WM_COMMAND, zvInitSplitterEx(WM_APP)) << "the first message stays in force";
    zvInitSplitter();

    HWND parent = MakeParent();
    ASSERT_TRUE(parent);
    HWND h = CreateWindowA("zvHSplitter", "", WS_CHILD | WS_VISIBLE, 0, 100, 400, 4, parent, (HMENU)77, nullptr,
                           nullptr);
    HWND v = CreateWindowA("zvVSplitter", "", WS_CHILD | WS_VISIBLE, 200, 0, 4, 100, parent, (HMENU)78, nullptr,
                           nullptr);
    ASSERT_TRUE(h && v);
    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(nullptr, "zvHSplitter", &wc)) << "a global class";
    EXPECT_TRUE(wc.style & CS_GLOBALCLASS);

    g_drag = Drag();
    SendMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(5, 9));
    EXPECT_EQ(0, g_drag.count) << "no report before the button goes down";
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 1));
    EXPECT_EQ(1, GetWindowLongA(h, 0));
    SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, (WORD)-12));
    EXPECT_EQ(1, g_drag.count);
    EXPECT_EQ(77u, g_drag.id);
    EXPECT_EQ(-12, (int)g_drag.position) << "the signed y of a horizontal bar";
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 1));
    EXPECT_EQ(0, GetWindowLongA(h, 0));

    SendMessageA(v, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 5));
    SendMessageA(v, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(33, 60));
    EXPECT_EQ(78u, g_drag.id);
    EXPECT_EQ(33, (int)g_drag.position) << "the x of a vertical bar";
    SendMessageA(v, WM_LBUTTONUP, 0, 0);
    DestroyWindow(parent);
}

TEST(WindowPlacement, MovesTheNormalRectangleAlsoWhenMinimised) {
    HWND window = MakeParent();
    ASSERT_TRUE(window);
    ASSERT_TRUE(zvSetWindowPosi(window, 30, 40));
    ULONGLONG position = zvGetWindowPosi(window);
    EXPECT_EQ(30u, (DWORD)position);
    EXPECT_EQ(40u, (DWORD)(position >> 32));

    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(zvCenterWindowPosi(window));
    position = zvGetWindowPosi(window);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 400) / 2, (int)(DWORD)position);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 300) / 2, (int)(DWORD)(position >> 32));
    ShowWindow(window, SW_RESTORE);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(400, r.right - r.left) << "the size is kept";
    DestroyWindow(window);
}

TEST(FolderPicker, WideVariantIsNotAvailable) {
    WCHAR path[MAX_PATH];
    EXPECT_FALSE(zvBrowseFolderW(nullptr, L"t", path, L"C:\\"));
    EXPECT_EQ(0x7A768001u, zvGetErrCode());
}

}  // namespace

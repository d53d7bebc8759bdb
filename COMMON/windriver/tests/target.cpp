// A window with one control of each kind the driver reads, for the driver's
// own test. It runs as a process of its own, so every read crosses processes.
// Pressing button 1, a menu command or a click on the list writes what
// happened into edit 2.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

namespace {

const char kTitle[] = "ドライバ試験";
HMENU popup;

HWND Child(HWND parent, const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, (HMENU)(INT_PTR)id,
                           GetModuleHandleA(nullptr), nullptr);
}

void Fill(HWND window) {
    Child(window, "BUTTON", "押す", BS_PUSHBUTTON, 1, 10, 10, 80, 24);
    Child(window, "EDIT", "", WS_BORDER | ES_AUTOHSCROLL, 2, 100, 10, 250, 24);
    Child(window, "BUTTON", "確認", BS_AUTOCHECKBOX, 3, 10, 40, 80, 24);
    HWND list = Child(window, "LISTBOX", "", WS_BORDER | LBS_NOTIFY, 4, 10, 70, 120, 60);
    SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)"表示");
    SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)"能力");
    HWND combo = Child(window, "COMBOBOX", "", CBS_DROPDOWNLIST, 5, 140, 70, 120, 100);
    SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)"一");
    SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)"二");
    Child(window, "BUTTON", "無効", BS_PUSHBUTTON | WS_DISABLED, 8, 270, 70, 80, 24);

    HWND view = Child(window, WC_LISTVIEWA, "", WS_BORDER | LVS_REPORT, 6, 10, 140, 340, 100);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 150;
    column.pszText = (char*)"名前";
    SendMessageA(view, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    column.pszText = (char*)"ｻｲｽﾞ";
    SendMessageA(view, LVM_INSERTCOLUMNA, 1, (LPARAM)&column);
    const char* names[] = {"..", "ソース.htm", "index.html"};
    for (int row = 0; row < 3; ++row) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row;
        item.iImage = row + 10;
        item.pszText = (char*)names[row];
        SendMessageA(view, LVM_INSERTITEMA, 0, (LPARAM)&item);
        char size[16];
        snprintf(size, sizeof(size), "%d", row * 1000);
        item.mask = LVIF_TEXT;
        item.iSubItem = 1;
        item.pszText = size;
        SendMessageA(view, LVM_SETITEMTEXTA, row, (LPARAM)&item);
    }

    HWND tree = Child(window, WC_TREEVIEWA, "", WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES, 7, 10, 250, 340, 120);
    TVINSERTSTRUCTA insert = {};
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE;
    insert.item.pszText = (char*)"再構築フォルダ";
    insert.item.iImage = 3;
    HTREEITEM root = (HTREEITEM)SendMessageA(tree, TVM_INSERTITEMA, 0, (LPARAM)&insert);
    insert.hParent = root;
    insert.item.pszText = (char*)"http$";
    SendMessageA(tree, TVM_INSERTITEMA, 0, (LPARAM)&insert);
    insert.item.pszText = (char*)"表";
    insert.item.iImage = 5;
    SendMessageA(tree, TVM_INSERTITEMA, 0, (LPARAM)&insert);
}

void Report(HWND window, const char* what, int value) {
    char text[128];
    snprintf(text, sizeof(text), "%s %d%s%s%s", what, value, GetKeyState(VK_SHIFT) < 0 ? " shift" : "",
             GetKeyState(VK_CONTROL) < 0 ? " ctrl" : "", GetKeyState(VK_MENU) < 0 ? " alt" : "");
    SetDlgItemTextA(window, 2, text);
}

LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
    case WM_CREATE:
        Fill(window);
        return 0;
    case WM_COMMAND:
        if (LOWORD(w) == 1 || LOWORD(w) == 8) Report(window, "pressed", LOWORD(w));
        if (LOWORD(w) >= 200) Report(window, "menu", LOWORD(w));
        return 0;
    case WM_NOTIFY: {
        NMHDR* header = (NMHDR*)l;
        if (header->idFrom == 6 && (header->code == NM_CLICK || header->code == NM_RCLICK))
            Report(window, header->code == NM_CLICK ? "left" : "right", ((NMITEMACTIVATE*)l)->iItem);
        return 0;
    }
    case WM_CONTEXTMENU: {
        int command = TrackPopupMenu(GetSubMenu(popup, 0), TPM_RETURNCMD | TPM_RIGHTBUTTON, 200, 200, 0, window,
                                     nullptr);
        if (command) PostMessageA(window, WM_COMMAND, command, 0);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, msg, w, l);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    popup = LoadMenuA(instance, MAKEINTRESOURCEA(120));
    WNDCLASSA cls = {};
    cls.lpfnWndProc = WindowProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    cls.lpszClassName = "windriver_target";
    RegisterClassA(&cls);
    HWND window = CreateWindowExA(0, cls.lpszClassName, kTitle, WS_OVERLAPPEDWINDOW, 50, 50, 380, 420, nullptr,
                                  nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 7;
}

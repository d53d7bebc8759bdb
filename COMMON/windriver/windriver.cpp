#include "windriver.h"

#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

namespace windriver {

namespace {

const UINT kSendTimeoutMs = 5000;
const int kPollMs = 30;

LRESULT SendWithTimeout(HWND window, UINT msg, WPARAM w, LPARAM l, UINT timeoutMs = kSendTimeoutMs) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, msg, w, l, SMTO_NORMAL, timeoutMs, &result)) return 0;
    return (LRESULT)result;
}

// Memory inside the process that owns a window, for the control messages
// whose arguments are pointers (list and tree views are not marshalled).
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, SIZE_T size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) base_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    ~RemoteBuffer() {
        if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    bool Ok() const { return base_ != nullptr; }
    char* At(SIZE_T offset) const { return (char*)base_ + offset; }
    bool Write(SIZE_T offset, const void* data, SIZE_T bytes) {
        SIZE_T done = 0;
        return offset + bytes <= size_ && WriteProcessMemory(process_, At(offset), data, bytes, &done) && done == bytes;
    }
    bool Read(SIZE_T offset, void* data, SIZE_T bytes) {
        SIZE_T done = 0;
        return offset + bytes <= size_ && ReadProcessMemory(process_, At(offset), data, bytes, &done) && done == bytes;
    }
    std::string ReadText(SIZE_T offset, SIZE_T capacity) {
        std::string text(capacity, '\0');
        if (!Read(offset, &text[0], capacity)) return std::string();
        text.resize(strnlen(text.c_str(), capacity));
        return text;
    }

private:
    HANDLE process_ = nullptr;
    void* base_ = nullptr;
    SIZE_T size_;
};

const SIZE_T kTextCapacity = 1024;

struct WindowQuery {
    const char* title;
    DWORD processId;
    HWND owner;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    WindowQuery* query = (WindowQuery*)param;
    if (!IsWindowVisible(window)) return TRUE;
    if (query->owner && GetWindow(window, GW_OWNER) != query->owner) return TRUE;
    if (query->processId) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != query->processId) return TRUE;
    }
    char title[512];
    GetWindowTextA(window, title, sizeof(title));
    if (strcmp(title, query->title) != 0) return TRUE;
    query->found = window;
    return FALSE;
}

HWND PollForWindow(WindowQuery query, int timeoutMs) {
    for (int waited = 0;; waited += kPollMs) {
        query.found = nullptr;
        EnumWindows(MatchWindow, (LPARAM)&query);
        if (query.found || waited >= timeoutMs) return query.found;
        Sleep(kPollMs);
    }
}

bool Usable(HWND control) { return control && IsWindowVisible(control) && IsWindowEnabled(control); }

// Holds or releases the modifiers and waits until the desktop's key state
// shows them: a focus event of the X server that arrives meanwhile resets
// Wine's key state, so a key that did not stick is pressed again.
void PressKeys(unsigned modifiers, bool down) {
    const WORD keys[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
    for (int i = 0; i < 3; ++i) {
        if (!(modifiers & (1u << i))) continue;
        for (int attempt = 0; attempt < 20; ++attempt) {
            INPUT input = {};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = keys[i];
            input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
            SendInput(1, &input, sizeof(input));
            Sleep(kPollMs);
            if ((GetAsyncKeyState(keys[i]) < 0) == down) break;
        }
    }
}

// Moves the cursor to the screen point and waits until the window is the one
// that a click there reaches: on a loaded machine a window just shown may not
// be on the desktop's stack yet, or the pointer not moved, and the click
// would land elsewhere.
bool WaitUntilUnderCursor(HWND window, POINT point, int timeoutMs) {
    for (int waited = 0;; waited += kPollMs) {
        SetCursorPos(point.x, point.y);
        POINT at = {-1, -1};
        HWND under = WindowFromPoint(point);
        if (GetCursorPos(&at) && at.x == point.x && at.y == point.y && (under == window || IsChild(window, under)))
            return true;
        if (waited >= timeoutMs) return false;
        Sleep(kPollMs);
    }
}

// Wine's cross-process marshalling garbles the ANSI list box texts, so the
// items travel as UTF-16 and are converted here.
std::vector<std::string> Items(HWND dialog, int id, UINT countMsg, UINT lengthMsg, UINT textMsg) {
    std::vector<std::string> items;
    HWND control = Item(dialog, id);
    if (!control) return items;
    int count = (int)SendWithTimeout(control, countMsg, 0, 0);
    for (int i = 0; i < count; ++i) {
        DWORD_PTR length = 0;
        if (!SendMessageTimeoutW(control, lengthMsg, i, 0, SMTO_NORMAL, kSendTimeoutMs, &length) ||
            (int)length < 0)
            length = 0;
        std::wstring wide(length + 1, L'\0');
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(control, textMsg, i, (LPARAM)&wide[0], SMTO_NORMAL, kSendTimeoutMs, &copied);
        wide.resize(wcsnlen(wide.c_str(), length));
        int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), (int)wide.size(), nullptr, 0, nullptr, nullptr);
        std::string text(bytes, '\0');
        if (bytes) WideCharToMultiByte(CP_ACP, 0, wide.c_str(), (int)wide.size(), &text[0], bytes, nullptr, nullptr);
        items.push_back(text);
    }
    return items;
}

bool WriteBmp(const std::string& path, int width, int height, const std::vector<BYTE>& pixels) {
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + (DWORD)pixels.size();
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = fwrite(&file, sizeof(file), 1, out) == 1 && fwrite(&info, sizeof(info), 1, out) == 1 &&
              fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
    return fclose(out) == 0 && ok;
}

// Keyboard steps to `command` in `menu`: Down presses to its item (separators
// are skipped by the menu, greyed items are not), then Right into a submenu
// or Enter. A popup opens with no item selected, a submenu with its first.
bool PathTo(HMENU menu, UINT command, bool firstSelected, std::vector<WORD>& keys) {
    int count = GetMenuItemCount(menu);
    int steps = 0;
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU;
        if (!GetMenuItemInfoA(menu, i, TRUE, &info)) return false;
        if (info.fType & MFT_SEPARATOR) continue;
        std::vector<WORD> here(firstSelected ? steps : steps + 1, VK_DOWN);
        ++steps;
        if (info.hSubMenu) {
            here.push_back(VK_RIGHT);
            std::vector<WORD> below;
            if (PathTo(info.hSubMenu, command, true, below)) {
                here.insert(here.end(), below.begin(), below.end());
                keys = here;
                return true;
            }
        } else if (info.wID == command) {
            here.push_back(VK_RETURN);
            keys = here;
            return true;
        }
    }
    return false;
}

}  // namespace

// ---- Programs ---------------------------------------------------------------

bool Start(const std::string& commandLine, Program& out, const char* folder) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    out.process = info.hProcess;
    out.id = info.dwProcessId;
    return true;
}

int WaitForExit(Program& program, int timeoutMs) {
    if (!program.process) return -1;
    if (WaitForSingleObject(program.process, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(program.process, &code);
    return (int)code;
}

namespace {
BOOL CALLBACK CloseWindowOf(HWND window, LPARAM processId) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == (DWORD)processId && IsWindowVisible(window)) PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}
}  // namespace

void Stop(Program& program, int graceMs) {
    if (!program.process) return;
    EnumWindows(CloseWindowOf, (LPARAM)program.id);
    if (WaitForSingleObject(program.process, graceMs) != WAIT_OBJECT_0) {
        TerminateProcess(program.process, 255);
        WaitForSingleObject(program.process, 5000);
    }
    CloseHandle(program.process);
    program.process = nullptr;
    program.id = 0;
}

// ---- Finding windows ------------------------------------------------------------

HWND WaitForWindow(const char* title, int timeoutMs, DWORD processId) {
    return PollForWindow({title, processId, nullptr, nullptr}, timeoutMs);
}

HWND WaitForOwnedWindow(HWND owner, const char* title, int timeoutMs) {
    return PollForWindow({title, 0, owner, nullptr}, timeoutMs);
}

bool WaitForGone(HWND window, int timeoutMs) {
    for (int waited = 0; IsWindow(window); waited += kPollMs) {
        if (waited >= timeoutMs) return false;
        Sleep(kPollMs);
    }
    return true;
}

void Settle(HWND window) {
    // Two round trips: the first lets the thread reach its message loop, the
    // second runs after what was posted before it.
    SendWithTimeout(window, WM_NULL, 0, 0);
    Sleep(kPollMs);
    SendWithTimeout(window, WM_NULL, 0, 0);
}

bool CloseByFrame(HWND window) { return IsWindow(window) && PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

// ---- Controls -------------------------------------------------------------------

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

std::string Text(HWND window) {
    if (!window) return std::string();
    int length = (int)SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(length + 1, '\0');
    SendWithTimeout(window, WM_GETTEXT, length + 1, (LPARAM)&text[0]);
    text.resize(strnlen(text.c_str(), length));
    return text;
}

std::string ItemText(HWND dialog, int id) { return Text(Item(dialog, id)); }

bool SetItemText(HWND dialog, int id, const char* text) {
    HWND control = Item(dialog, id);
    return control && SendWithTimeout(control, WM_SETTEXT, 0, (LPARAM)text);
}

bool IsEnabled(HWND dialog, int id) {
    HWND control = Item(dialog, id);
    return control && IsWindowEnabled(control);
}

bool IsVisible(HWND dialog, int id) {
    HWND control = Item(dialog, id);
    return control && IsWindowVisible(control);
}

bool IsChecked(HWND dialog, int id) {
    HWND control = Item(dialog, id);
    return control && SendWithTimeout(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool Press(HWND dialog, int id) {
    HWND control = Item(dialog, id);
    if (!Usable(control)) return false;
    SendWithTimeout(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)control, 500);
    return true;
}

bool SetCheck(HWND dialog, int id, bool checked) {
    HWND control = Item(dialog, id);
    if (!Usable(control)) return false;
    if (IsChecked(dialog, id) != checked) SendWithTimeout(control, BM_CLICK, 0, 0, 500);
    return IsChecked(dialog, id) == checked;
}

std::vector<std::string> ListBoxItems(HWND dialog, int id) {
    return Items(dialog, id, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

std::vector<std::string> ComboItems(HWND dialog, int id) {
    return Items(dialog, id, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

void SelectCombo(HWND dialog, int id, int row) {
    HWND control = Item(dialog, id);
    if (!control) return;
    SendWithTimeout(control, CB_SETCURSEL, row, 0);
    SendWithTimeout(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)control, 500);
}

// ---- Mouse and keys ---------------------------------------------------------------

void Click(HWND window, int x, int y, unsigned modifiers, bool right, bool twice) {
    // A window of an earlier test may lie above this one: bring it up first,
    // as a user would. The X server's focus events that follow reset Wine's
    // key state, so they must have passed before the modifiers go down.
    HWND top = GetAncestor(window, GA_ROOT);
    if (GetForegroundWindow() != top) {
        SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(top);
        Settle(top);
        Sleep(300);
        Settle(top);
    }
    Settle(top);
    POINT point = {x, y};
    ClientToScreen(window, &point);
    WaitUntilUnderCursor(window, point, 5000);
    PressKeys(modifiers, true);
    for (int i = 0; i < (twice ? 2 : 1); ++i) {
        INPUT clicks[2] = {};
        clicks[0].type = clicks[1].type = INPUT_MOUSE;
        clicks[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
        clicks[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
        SendInput(2, clicks, sizeof(INPUT));
    }
    PressKeys(modifiers, false);
    Settle(window);
}

void ClickItem(HWND dialog, int id, unsigned modifiers, bool right) {
    HWND control = Item(dialog, id);
    if (!control) return;
    RECT rect;
    GetClientRect(control, &rect);
    Click(control, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2, modifiers, right);
}

void Key(WORD virtualKey, unsigned modifiers) {
    PressKeys(modifiers, true);
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = virtualKey;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    PressKeys(modifiers, false);
    Sleep(kPollMs);
}

// ---- List views and tree views (across processes) ------------------------------------

int ListViewCount(HWND list) { return (int)SendWithTimeout(list, LVM_GETITEMCOUNT, 0, 0); }

std::string ListViewText(HWND list, int row, int column) {
    RemoteBuffer remote(list, sizeof(LVITEMA) + kTextCapacity);
    if (!remote.Ok()) return std::string();
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = remote.At(sizeof(LVITEMA));
    item.cchTextMax = (int)kTextCapacity;
    char empty = 0;
    remote.Write(sizeof(LVITEMA), &empty, 1);
    if (!remote.Write(0, &item, sizeof(item))) return std::string();
    SendWithTimeout(list, LVM_GETITEMTEXTA, row, (LPARAM)remote.At(0));
    return remote.ReadText(sizeof(LVITEMA), kTextCapacity);
}

std::vector<std::string> ListViewColumn(HWND list, int column) {
    std::vector<std::string> texts;
    int count = ListViewCount(list);
    for (int row = 0; row < count; ++row) texts.push_back(ListViewText(list, row, column));
    return texts;
}

bool ListViewItemRect(HWND list, int row, int code, RECT& rect) {
    RemoteBuffer remote(list, sizeof(RECT));
    RECT request = {code, 0, 0, 0};
    if (!remote.Ok() || !remote.Write(0, &request, sizeof(request))) return false;
    if (!SendWithTimeout(list, LVM_GETITEMRECT, row, (LPARAM)remote.At(0))) return false;
    return remote.Read(0, &rect, sizeof(rect));
}

namespace {
bool ListViewItem(HWND list, int row, UINT mask, LVITEMA& item) {
    RemoteBuffer remote(list, sizeof(LVITEMA));
    item = LVITEMA();
    item.mask = mask;
    item.iItem = row;
    item.stateMask = (UINT)-1;
    if (!remote.Ok() || !remote.Write(0, &item, sizeof(item))) return false;
    if (!SendWithTimeout(list, LVM_GETITEMA, 0, (LPARAM)remote.At(0))) return false;
    return remote.Read(0, &item, sizeof(item));
}

bool TreeItem(HWND tree, HTREEITEM handle, UINT mask, TVITEMA& item, std::string* text) {
    RemoteBuffer remote(tree, sizeof(TVITEMA) + kTextCapacity);
    item = TVITEMA();
    item.mask = mask | (text ? TVIF_TEXT : 0);
    item.hItem = handle;
    item.stateMask = (UINT)-1;
    if (text) {
        item.pszText = remote.At(sizeof(TVITEMA));
        item.cchTextMax = (int)kTextCapacity;
        char empty = 0;
        remote.Write(sizeof(TVITEMA), &empty, 1);
    }
    if (!remote.Ok() || !remote.Write(0, &item, sizeof(item))) return false;
    if (!SendWithTimeout(tree, TVM_GETITEMA, 0, (LPARAM)remote.At(0))) return false;
    if (text) *text = remote.ReadText(sizeof(TVITEMA), kTextCapacity);
    return remote.Read(0, &item, sizeof(item));
}
}  // namespace

int ListViewImage(HWND list, int row) {
    LVITEMA item;
    return ListViewItem(list, row, LVIF_IMAGE, item) ? item.iImage : -1;
}

int ListViewState(HWND list, int row, UINT mask) {
    return (int)SendWithTimeout(list, LVM_GETITEMSTATE, row, mask);
}

HTREEITEM TreeRoot(HWND tree) { return (HTREEITEM)SendWithTimeout(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0); }

std::vector<HTREEITEM> TreeChildren(HWND tree, HTREEITEM parent) {
    std::vector<HTREEITEM> children;
    HTREEITEM child = parent ? (HTREEITEM)SendWithTimeout(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)parent)
                             : TreeRoot(tree);
    while (child) {
        children.push_back(child);
        child = (HTREEITEM)SendWithTimeout(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)child);
    }
    return children;
}

std::string TreeText(HWND tree, HTREEITEM item) {
    TVITEMA data;
    std::string text;
    return TreeItem(tree, item, 0, data, &text) ? text : std::string();
}

HTREEITEM TreeFind(HWND tree, HTREEITEM parent, const char* text) {
    for (HTREEITEM child : TreeChildren(tree, parent))
        if (TreeText(tree, child) == text) return child;
    return nullptr;
}

bool TreeSelect(HWND tree, HTREEITEM item) {
    return SendWithTimeout(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item) != 0;
}

bool TreeExpand(HWND tree, HTREEITEM item) {
    return SendWithTimeout(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)item) != 0;
}

bool TreeItemRect(HWND tree, HTREEITEM item, bool textOnly, RECT& rect) {
    RemoteBuffer remote(tree, sizeof(RECT));
    RECT request = {};
    static_assert(sizeof(HTREEITEM) <= sizeof(RECT), "the item handle travels in the rectangle");
    memcpy(&request, &item, sizeof(item));
    if (!remote.Ok() || !remote.Write(0, &request, sizeof(request))) return false;
    if (!SendWithTimeout(tree, TVM_GETITEMRECT, textOnly, (LPARAM)remote.At(0))) return false;
    return remote.Read(0, &rect, sizeof(rect));
}

int TreeImage(HWND tree, HTREEITEM item) {
    TVITEMA data;
    return TreeItem(tree, item, TVIF_IMAGE, data, nullptr) ? data.iImage : -1;
}

UINT TreeState(HWND tree, HTREEITEM item, UINT mask) {
    return (UINT)SendWithTimeout(tree, TVM_GETITEMSTATE, (WPARAM)item, mask);
}

bool TreeHasButton(HWND tree, HTREEITEM item) {
    RemoteBuffer remote(tree, sizeof(TVITEMA));
    TVITEMA request = {};
    request.mask = TVIF_HANDLE | TVIF_CHILDREN;
    request.hItem = item;
    if (!remote.Write(0, &request, sizeof(request))) return false;
    if (!SendWithTimeout(tree, TVM_GETITEMA, 0, (LPARAM)remote.At(0))) return false;
    TVITEMA answer = {};
    return remote.Read(0, &answer, sizeof(answer)) && answer.cChildren != 0;
}

// ---- Menus and message boxes -----------------------------------------------------------

HWND WaitForPopupMenu(int timeoutMs) {
    for (int waited = 0;; waited += kPollMs) {
        HWND menu = FindWindowA("#32768", nullptr);
        if ((menu && IsWindowVisible(menu)) || waited >= timeoutMs) return menu && IsWindowVisible(menu) ? menu : nullptr;
        Sleep(kPollMs);
    }
}

HMENU LoadProgramMenu(const char* path, int id) {
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return nullptr;
    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(id));
    FreeLibrary(module);
    return menu;
}

bool ChooseMenuItem(HMENU layout, UINT command) {
    std::vector<WORD> keys;
    if (!layout || !PathTo(layout, command, false, keys) || !WaitForPopupMenu()) return false;
    for (WORD key : keys) Key(key);
    return true;
}

void CloseMenu() {
    for (int i = 0; i < 4 && FindWindowA("#32768", nullptr); ++i) Key(VK_ESCAPE);
}

int MenuItemState(HMENU menu, UINT command) {
    UINT state = GetMenuState(menu, command, MF_BYCOMMAND);
    return state == (UINT)-1 ? -1 : (int)(state & (MF_GRAYED | MF_DISABLED | MF_CHECKED));
}

std::string MessageText(HWND box) {
    // The message of a message box is its static control 0xFFFF.
    return ItemText(box, 0xFFFF);
}

namespace {

struct BoxQuery {
    const char* text;
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM param) {
    BoxQuery* query = (BoxQuery*)param;
    char className[16];
    if (!IsWindowVisible(window) || !GetClassNameA(window, className, sizeof className) ||
        strcmp(className, "#32770") != 0)
        return TRUE;
    if (query->processId) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != query->processId) return TRUE;
    }
    if (!GetDlgItem(window, 0xFFFF) || MessageText(window) != query->text) return TRUE;
    query->found = window;
    return FALSE;
}

}  // namespace

HWND WaitForMessageBox(const char* text, int timeoutMs, DWORD processId) {
    for (int waited = 0;; waited += kPollMs) {
        BoxQuery query = {text, processId, nullptr};
        EnumWindows(MatchBox, (LPARAM)&query);
        if (query.found || waited >= timeoutMs) return query.found;
        Sleep(kPollMs);
    }
}

// ---- Screenshots ------------------------------------------------------------------------

bool SaveScreenshot(HWND window, const std::string& path) {
    // The window may still be placing itself and painting: let it finish
    // both before its rectangle is taken.
    Settle(window);
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Settle(window);
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        SIZE_T stride = ((SIZE_T)width * 3 + 3) & ~(SIZE_T)3;
        const BYTE* pixels = (const BYTE*)bits;
        std::vector<BYTE> copy(pixels, pixels + stride * height);
        bool blank = true;
        for (int y = 0; y < height && blank; ++y)
            for (int x = 0; x < width && blank; ++x)
                blank = memcmp(&copy[y * stride + x * 3], &copy[0], 3) == 0;
        ok = !blank && WriteBmp(path, width, height, copy);
        SelectObject(memory, old);
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

std::string ScreenshotFolder() {
    // <build>\bin\program.exe -> <build>\screenshots\ (the path functions
    // walk double-byte characters).
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, sizeof(module) - 1);
    PathRemoveFileSpecA(module);
    PathRemoveFileSpecA(module);
    std::string folder = module;
    folder += "\\screenshots\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

}  // namespace windriver

// Drives windows of another process (or of this one) as a user would: finds
// them by title, presses controls by identifier, reads texts and the items
// of list boxes, combo boxes, list views, tree views and menus, clicks with
// the mouse and modifier keys, and saves screenshots. Window tests of every
// module use it; it is built for the Windows builds only (target zvwindriver).
// Texts are Shift_JIS byte strings as the program's own.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace windriver {

// ---- Programs ---------------------------------------------------------------

struct Program {
    HANDLE process = nullptr;
    DWORD id = 0;
};
// Starts commandLine (working folder `folder` when given); false when it cannot start.
bool Start(const std::string& commandLine, Program& out, const char* folder = nullptr);
// The exit code, or -1 when the program is still running after timeoutMs.
int WaitForExit(Program& program, int timeoutMs);
// Closes the program's windows, then ends it when it does not end by itself.
void Stop(Program& program, int graceMs = 3000);

// ---- Finding windows ------------------------------------------------------------

// A visible top-level window with exactly this title (of process `processId`
// when non-zero), waiting up to timeoutMs; null when none appears.
HWND WaitForWindow(const char* title, int timeoutMs = 10000, DWORD processId = 0);
// Like WaitForWindow, for a window owned by `owner` (a dialog or message box it opened).
HWND WaitForOwnedWindow(HWND owner, const char* title, int timeoutMs = 10000);
// True once the window no longer exists, within timeoutMs.
bool WaitForGone(HWND window, int timeoutMs = 10000);
// Waits until `window`'s thread has processed every message sent or posted so far.
void Settle(HWND window);
// Closes a window as its frame's close box does (posted, so a message box
// the window opens on closing does not block the driver); false when the
// window does not exist.
bool CloseByFrame(HWND window);

// ---- Controls -------------------------------------------------------------------

HWND Item(HWND dialog, int id);
std::string Text(HWND window);
std::string ItemText(HWND dialog, int id);
bool SetItemText(HWND dialog, int id, const char* text);
bool IsEnabled(HWND dialog, int id);
bool IsVisible(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
// Clicks a push button: sends its command and waits until the handler has
// returned or 500 ms have passed (a modal window it opens does not block the
// driver). False, and nothing sent, for a missing, hidden or disabled control.
bool Press(HWND dialog, int id);
// Sets a check box or radio button as a click would (state and notification);
// false for a missing, hidden or disabled control.
bool SetCheck(HWND dialog, int id, bool checked);
// Items of a list box or combo box.
std::vector<std::string> ListBoxItems(HWND dialog, int id);
std::vector<std::string> ComboItems(HWND dialog, int id);
// Selects a combo box row as a user's choice would (with CBN_SELCHANGE).
void SelectCombo(HWND dialog, int id, int row);

// ---- Mouse and keys ---------------------------------------------------------------

enum Modifier { NO_KEYS = 0, SHIFT = 1, CONTROL = 2, ALT = 4 };
// A real mouse click at client point (x, y) of `window`, with the modifier
// keys held (SendInput: the target sees the click and the key state).
void Click(HWND window, int x, int y, unsigned modifiers = NO_KEYS, bool right = false, bool twice = false);
// Clicks the centre of a control.
void ClickItem(HWND dialog, int id, unsigned modifiers = NO_KEYS, bool right = false);
// Types a virtual key (with modifiers) into the focused window.
void Key(WORD virtualKey, unsigned modifiers = NO_KEYS);

// ---- List views and tree views (across processes) ------------------------------------

int ListViewCount(HWND list);
// Text of one cell.
std::string ListViewText(HWND list, int row, int column);
// Every row's text in one column.
std::vector<std::string> ListViewColumn(HWND list, int column);
// LVIR_* rectangle of a row in the list's client coordinates.
bool ListViewItemRect(HWND list, int row, int code, RECT& rect);
int ListViewImage(HWND list, int row);
int ListViewState(HWND list, int row, UINT mask);

HTREEITEM TreeRoot(HWND tree);
std::vector<HTREEITEM> TreeChildren(HWND tree, HTREEITEM parent);
std::string TreeText(HWND tree, HTREEITEM item);
// The child of `parent` with this text, or null.
HTREEITEM TreeFind(HWND tree, HTREEITEM parent, const char* text);
bool TreeSelect(HWND tree, HTREEITEM item);
bool TreeExpand(HWND tree, HTREEITEM item);
// Label rectangle (textOnly) or whole row, in the tree's client coordinates.
bool TreeItemRect(HWND tree, HTREEITEM item, bool textOnly, RECT& rect);
int TreeImage(HWND tree, HTREEITEM item);
UINT TreeState(HWND tree, HTREEITEM item, UINT mask);
// Whether the item shows an expand button (its children count is not 0).
bool TreeHasButton(HWND tree, HTREEITEM item);

// ---- Menus and message boxes -----------------------------------------------------------

// Wine keeps menus per process: another process's HMENU cannot be read. The
// layout of a program's menu is therefore read from its file, and an open
// popup menu is driven with the keyboard, as a user would.

// The popup menu window that is open now (class "#32768"), waiting up to timeoutMs.
HWND WaitForPopupMenu(int timeoutMs = 5000);
// Menu resource `id` of the program file `path` (the caller destroys it).
HMENU LoadProgramMenu(const char* path, int id);
// Chooses `command` in the open popup menu whose layout is `layout` (a
// submenu of LoadProgramMenu's result): arrow keys to the item, through
// submenus, then Enter. False when the layout lacks the command or no
// popup menu is open. A greyed item is reached but does nothing, as for a user.
bool ChooseMenuItem(HMENU layout, UINT command);
// Closes the open popup menus without choosing.
void CloseMenu();
// MF_GRAYED / MF_DISABLED / MF_CHECKED bits of a command in a menu of this
// process (or its submenus); -1 when absent.
int MenuItemState(HMENU menu, UINT command);
// The text of a message box (its static control).
std::string MessageText(HWND box);
// A visible message box of process `processId` (any when 0) whose text is
// `text`, waiting up to timeoutMs; null when none appears. Found by its text:
// without a window manager its title may not be its owner's.
HWND WaitForMessageBox(const char* text, int timeoutMs = 10000, DWORD processId = 0);

// ---- Screenshots ------------------------------------------------------------------------

// Saves the window as it is on screen to `path` (24-bit BMP); false when it
// cannot, or when the picture is a single colour (a blank window).
bool SaveScreenshot(HWND window, const std::string& path);
// The folder for screenshots of the test run: "<build>\screenshots\", made when missing.
std::string ScreenshotFolder();

}  // namespace windriver

// The folder picker.
#include <shlobj.h>

#include "zvbrowsestart.h"
#include "zvcore32_win32.h"
#include "zvwinhelpers.h"

namespace {

int CALLBACK SelectInitial(HWND dialog, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED && data) SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

}  // namespace

ZV_EXPORT(BOOL) zvBrowseFolderA(HWND owner, const char* title, char* path, const char* initial) {
    zvSetErrCode(ZVERR_NONE);
    if (!path) return zvFail(ZVERR_BAD_ARGUMENT);
    char start[MAX_PATH];
    if (!zvBrowseStartFolder(initial, start, sizeof(start))) start[0] = '\0';

    char display[MAX_PATH];
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pszDisplayName = display;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = SelectInitial;
    info.lParam = start[0] ? (LPARAM)start : 0;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (!chosen) return FALSE;

    char folder[MAX_PATH];
    BOOL found = SHGetPathFromIDListA(chosen, folder);
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
        allocator->Free(chosen);
        allocator->Release();
    }
    if (!found) return zvFail(ZVERR_GONE);
    lstrcpynA(path, folder, MAX_PATH);
    return TRUE;
}

ZV_EXPORT(BOOL) zvBrowseFolderW(HWND, const WCHAR*, WCHAR*, const WCHAR*) { return zvFail(ZVERR_NOT_AVAILABLE); }

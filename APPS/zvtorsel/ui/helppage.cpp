#include "helppage.h"

#include <shellapi.h>

#include <string>

#include "afxwin.h"
#include "resource.h"
#include "zvcore32.h"

namespace {

const char* const kPageNames[HELP_PAGE_COUNT] = {
    "zvtorsel.htm", "diffver.htm",  "rbldtree.htm", "locallst.htm", "localkwd.htm",
    "localpic.htm", "download.htm", "options.htm",  "htmlfmt.htm",  "setspi.htm",
};

std::string& Folder() {
    static std::string folder;
    return folder;
}

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    if (length == 0 || length >= sizeof(path)) return std::string();
    path[length] = 0;
    // The library's scan knows double-byte names: a trail byte 0x5C is no separator.
    const char* name = zvScanFileNameA(path);
    return name ? std::string(path, (size_t)(name - path)) : std::string();
}

}  // namespace

const char* HelpPageFileName(HelpPage page) {
    return page >= 0 && page < HELP_PAGE_COUNT ? kPageNames[page] : kPageNames[HELP_MAIN];
}

const char* HelpFolder() {
    if (Folder().empty()) Folder() = ProgramFolder();
    return Folder().c_str();
}

void SetHelpFolder(const char* folder) {
    Folder() = folder ? folder : "";
    if (!Folder().empty() && Folder().back() != '\\' && Folder().back() != '/') Folder() += '\\';
}

bool OpenHelpPage(HWND owner, HelpPage page) {
    if (page < 0 || page >= HELP_PAGE_COUNT) page = HELP_MAIN;
    // The full path: a bare name would also be looked for in the current folder.
    std::string path = std::string(HelpFolder()) + kPageNames[page];
    HINSTANCE result = ShellExecuteA(owner, nullptr, path.c_str(), nullptr, HelpFolder(), SW_SHOWNORMAL);
    if ((INT_PTR)result > 32) return true;
    AfxMessageBox((UINT)(IDS_HELP_MISSING_FIRST + page), MB_OK | MB_ICONEXCLAMATION);
    return false;
}

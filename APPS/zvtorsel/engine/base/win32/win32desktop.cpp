#include "base/win32/win32desktop.h"

#include <windows.h>
#include <shellapi.h>
#include <wchar.h>

#include "base/win32/widepath.h"

DWORD CWin32Desktop::ReadProfileString(const char* file, const char* section, const char* key, char* out,
                                       DWORD cap) {
    return GetPrivateProfileStringA(section, key, "", out, cap, file);
}

bool CWin32Desktop::WriteProfileString(const char* file, const char* section, const char* key, const char* value) {
    return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

void CWin32Desktop::FlushProfile(const char* file) { WritePrivateProfileStringA(nullptr, nullptr, nullptr, file); }

namespace {

// The shell starts nothing beyond MAX_PATH, in the "\\?\" form or not: such
// a path goes by its short name, where the volume keeps short names; empty
// when even that is too long.
std::wstring ShellPath(const char* path) {
    std::wstring wide = WidePath(path);
    if (wide.compare(0, 4, L"\\\\?\\") != 0) return wide;
    DWORD n = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (n == 0) return std::wstring();
    std::wstring brief(n, L'\0');
    if (GetShortPathNameW(wide.c_str(), &brief[0], n) >= n) return std::wstring();
    brief.resize(wcslen(brief.c_str()));
    if (brief.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        brief = L"\\\\" + brief.substr(8);
    else if (brief.compare(0, 4, L"\\\\?\\") == 0)
        brief.erase(0, 4);
    return brief.size() < MAX_PATH ? brief : std::wstring();
}

}  // namespace

bool CWin32Desktop::ShellOpen(const char* folder, const char* file) {
    std::wstring wideFile = ShellPath(file);
    if (wideFile.empty()) return false;
    // A working folder that cannot be given is left out.
    std::wstring wideFolder = ShellPath(folder);
    HINSTANCE result = ShellExecuteW(nullptr, nullptr, wideFile.c_str(), nullptr,
                                     wideFolder.empty() ? nullptr : wideFolder.c_str(), SW_SHOWNORMAL);
    return (INT_PTR)result > 32;
}

void CWin32Desktop::CurrentTime(FILETIME& out) { GetSystemTimeAsFileTime(&out); }

#include "base/win32/win32desktop.h"

#include <windows.h>
#include <shellapi.h>

DWORD CWin32Desktop::ReadProfileString(const char* file, const char* section, const char* key, char* out,
                                       DWORD cap) {
    return GetPrivateProfileStringA(section, key, "", out, cap, file);
}

bool CWin32Desktop::WriteProfileString(const char* file, const char* section, const char* key, const char* value) {
    return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

void CWin32Desktop::FlushProfile(const char* file) { WritePrivateProfileStringA(nullptr, nullptr, nullptr, file); }

bool CWin32Desktop::ShellOpen(const char* folder, const char* file) {
    HINSTANCE result = ShellExecuteA(nullptr, nullptr, file, nullptr, folder, SW_SHOWNORMAL);
    return (INT_PTR)result > 32;
}

void CWin32Desktop::CurrentTime(FILETIME& out) { GetSystemTimeAsFileTime(&out); }

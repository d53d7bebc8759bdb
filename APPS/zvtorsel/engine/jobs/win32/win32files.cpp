#include "win32files.h"

#include <windows.h>
#include <shellapi.h>
#include <string.h>

#include "zvfiletime.h"
#include "zvpath.h"

bool CWin32FileSystem::ListFolder(const char* folder, std::vector<DirEntry>& out) {
    out.clear();
    std::string pattern = folder;
    pattern += "*.*";
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        if (strcmp(data.cFileName, ".") == 0 || strcmp(data.cFileName, "..") == 0) continue;
        DirEntry e;
        e.name = data.cFileName;
        e.attributes = data.dwFileAttributes;
        e.size = data.nFileSizeLow;
        e.lastWrite = data.ftLastWriteTime;
        out.push_back(std::move(e));
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return true;
}

bool CWin32FileSystem::GetFileInfo(const char* path, DirEntry& out) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    out.name = data.cFileName;
    out.attributes = data.dwFileAttributes;
    out.size = data.nFileSizeLow;
    out.lastWrite = data.ftLastWriteTime;
    return true;
}

bool CWin32FileSystem::CopyFileTo(const char* from, const char* to) {
    return ::CopyFileA(from, to, FALSE) != FALSE;
}

bool CWin32FileSystem::MoveFileTo(const char* from, const char* to) {
    return ::MoveFileA(from, to) != FALSE;
}

bool CWin32FileSystem::RemoveFile(const char* path) { return ::DeleteFileA(path) != FALSE; }

bool CWin32FileSystem::RemoveFolder(const char* path) {
    return ::RemoveDirectoryA(path) != FALSE;
}

bool CWin32FileSystem::MakeDirectories(const char* path) {
    return zvMakeDirectoriesA(path) != FALSE;
}

bool CWin32FileSystem::SetFileTime(const char* path, const FILETIME& time) {
    return zvSetFileTimeA(path, &time) != FALSE;
}

bool CWin32FileSystem::RenameFile(const char* path, const char* newName) {
    return zvRenameFileA(path, newName) != FALSE;
}

bool CWin32FileSystem::MakeUniquePath(const char* path, int flags, char* out, DWORD cap) {
    char unique[MAX_PATH + 1];
    if (!zvMakeUniqPathA(unique, path, nullptr, flags)) return false;
    size_t n = strlen(unique);
    if (n + 1 > cap) return false;
    memcpy(out, unique, n + 1);
    return true;
}

bool CWin32FileSystem::ShellOpen(const char* folder, const char* file) {
    HINSTANCE result = ShellExecuteA(nullptr, nullptr, file, nullptr, folder, SW_SHOWNORMAL);
    return (INT_PTR)result > 32;
}

void CWin32FileSystem::CurrentTime(FILETIME& out) { GetSystemTimeAsFileTime(&out); }

DWORD CWin32FileSystem::ReadProfileString(const char* file, const char* section, const char* key,
                                          char* out, DWORD cap) {
    return GetPrivateProfileStringA(section, key, "", out, cap, file);
}

bool CWin32FileSystem::WriteProfileString(const char* file, const char* section, const char* key,
                                          const char* value) {
    return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

void CWin32FileSystem::FlushProfile(const char* file) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file);
}

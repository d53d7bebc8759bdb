#include "win32files.h"

#include <windows.h>
#include <shellapi.h>
#include <string.h>

#include "jobs/win32/temporaryfile.h"
#include "jobs/win32/widepath.h"
#include "zvfiletime.h"
#include "zvpath.h"

// Every path goes through the wide calls, so paths beyond MAX_PATH work.
bool CWin32FileSystem::ListFolder(const char* folder, std::vector<DirEntry>& out) {
    out.clear();
    std::string pattern = folder;
    pattern += "*.*";
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(WidePath(pattern.c_str()).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0) continue;
        DirEntry e;
        e.name = AnsiName(data.cFileName);
        e.attributes = data.dwFileAttributes;
        e.size = data.nFileSizeLow;
        e.lastWrite = data.ftLastWriteTime;
        out.push_back(std::move(e));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

// A plain attribute query: much cheaper than a directory search, and it
// does not take wildcards in the name as a pattern.
bool CWin32FileSystem::GetFileInfo(const char* path, DirEntry& out) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) return false;
    const char* name = zvScanFileNameA(path);
    out.name = name ? name : path;
    out.attributes = data.dwFileAttributes;
    out.size = data.nFileSizeLow;
    out.lastWrite = data.ftLastWriteTime;
    return true;
}

bool CWin32FileSystem::CopyFileTo(const char* from, const char* to) {
    return ::CopyFileW(WidePath(from).c_str(), WidePath(to).c_str(), FALSE) != FALSE;
}

namespace {

// An existing file is replaced only by a complete new one: the data goes to
// a temporary file beside the target, which takes its place only when
// complete, so a full disk, a kill or a failed read never leaves a part of a
// file, and an existing file stays as it was. fill writes the data into the
// open file; the last-write time is set on the same handle, so the file is
// not opened a second time.
template <typename Fill>
bool ReplaceFile(const char* to, const FILETIME& time, Fill fill) {
    // Replacing by a move would pass over the read-only attribute.
    std::wstring target = WidePath(to);
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    char temporary[kTemporaryPathSize];
    HANDLE out = CreateTemporaryBeside(to, temporary, sizeof(temporary));
    if (out == INVALID_HANDLE_VALUE) return false;
    bool ok = fill(out);
    FILETIME fat = time;
    if (ok) ok = ::SetFileTime(out, nullptr, nullptr, &fat) != FALSE;
    if (!CloseHandle(out)) ok = false;
    std::wstring wideTemporary = WidePath(temporary);
    if (ok) ok = MoveFileExW(wideTemporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    if (!ok) ::DeleteFileW(wideTemporary.c_str());
    return ok;
}

}  // namespace

bool CWin32FileSystem::CopyFileWithTime(const char* from, const char* to, const FILETIME& time) {
    HANDLE in = CreateFileW(WidePath(from).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE) return false;
    bool ok = ReplaceFile(to, time, [in](HANDLE out) {
        static const DWORD kChunk = 65536;
        std::vector<char> buffer(kChunk);
        for (;;) {
            DWORD got = 0, written = 0;
            if (!ReadFile(in, buffer.data(), kChunk, &got, nullptr)) return false;
            if (got == 0) return true;
            if (!WriteFile(out, buffer.data(), got, &written, nullptr) || written != got) return false;
        }
    });
    CloseHandle(in);
    return ok;
}

bool CWin32FileSystem::WriteFileWithTime(const char* to, const BYTE* data, size_t size, const FILETIME& time) {
    return ReplaceFile(to, time, [data, size](HANDLE out) {
        size_t done = 0;
        while (done < size) {
            DWORD chunk = (DWORD)(size - done > (1u << 30) ? (1u << 30) : size - done), written = 0;
            if (!WriteFile(out, data + done, chunk, &written, nullptr) || written != chunk) return false;
            done += chunk;
        }
        return true;
    });
}

bool CWin32FileSystem::MoveFileTo(const char* from, const char* to) {
    return ::MoveFileW(WidePath(from).c_str(), WidePath(to).c_str()) != FALSE;
}

bool CWin32FileSystem::RemoveFile(const char* path) { return ::DeleteFileW(WidePath(path).c_str()) != FALSE; }

bool CWin32FileSystem::RemoveFolder(const char* path) {
    return ::RemoveDirectoryW(WidePath(path).c_str()) != FALSE;
}

// Folder by folder from the top, so that every level may be a long path.
bool CWin32FileSystem::MakeDirectories(const char* path) {
    const char* name = zvScanFileNameA(path);
    if (!name || name == path) return false;
    std::string folder(path, (size_t)(name - path) - 1);
    std::wstring wide = WidePath(folder.c_str());
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!MakeDirectories(folder.c_str())) return false;
    return CreateDirectoryW(wide.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool CWin32FileSystem::SetFileTime(const char* path, const FILETIME& time) {
    return zvSetFileTimeW(WidePath(path).c_str(), &time) != FALSE;
}

bool CWin32FileSystem::RenameFile(const char* path, const char* newName) {
    const char* name = zvScanFileNameA(path);
    if (!name) return false;
    std::string to(path, (size_t)(name - path));
    to += newName;
    return ::MoveFileW(WidePath(path).c_str(), WidePath(to.c_str()).c_str()) != FALSE;
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

// Path operations that touch the file system.
#include <stdio.h>
#include <string.h>

#include <string>

#include "zvchartables.h"
#include "zvcore32_win32.h"
#include "zvfiletime.h"
#include "zvpath.h"

namespace {

inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Position of the last separator and of the character before it, walking
// whole characters; -1 when absent.
struct LastSeparator {
    int at = -1;
    int before = -1;
};

LastSeparator FindLastSeparator(const char* path) {
    LastSeparator result;
    int previous = -1;
    for (int i = 0; path[i];) {
        if (IsSeparator(path[i])) {
            result.at = i;
            result.before = previous;
        }
        previous = i;
        i += zvCharLen(path + i);
    }
    return result;
}

// Appends text to the candidate in out; false when it would not fit in MAX_PATH.
bool Append(char* out, int& length, const char* text, int textLength) {
    if (length + textLength >= MAX_PATH) return false;
    memcpy(out + length, text, (size_t)textLength);
    length += textLength;
    out[length] = 0;
    return true;
}

// Builds stem + suffix + extension tail into out and reports whether it is free.
// Returns -1 when the candidate does not fit.
int TryCandidate(char* out, const std::string& stem, const std::string& suffix, const std::string& tail) {
    int length = 0;
    out[0] = 0;
    if (!Append(out, length, stem.data(), (int)stem.size()) ||
        !Append(out, length, suffix.data(), (int)suffix.size()) ||
        !Append(out, length, tail.data(), (int)tail.size())) {
        return -1;
    }
    return Exists(out) ? 0 : 1;
}

bool MakeDirectories(std::string& path) {
    LastSeparator sep = FindLastSeparator(path.c_str());
    if (sep.at < 0) return zvFail(ZVERR_BAD_ARGUMENT);
    if (sep.before < 0 || path[(size_t)sep.before] == ':' || IsSeparator(path[(size_t)sep.before])) return true;
    char kept = path[(size_t)sep.at];
    path[(size_t)sep.at] = 0;
    const char* folder = path.c_str();
    if (CreateDirectoryA(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
        path[(size_t)sep.at] = kept;
        return true;
    }
    std::string parent(folder);
    bool ok = MakeDirectories(parent) &&
              (CreateDirectoryA(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    if (!ok) zvSetErrCode(ZVERR_CANNOT_CREATE_FOLDER);
    path[(size_t)sep.at] = kept;
    return ok;
}

}  // namespace

ZV_EXPORT(BOOL) zvMakeUniqPathA(char* out, const char* path, const FILETIME* time, int flags) {
    if (!out || !path) return zvFail(ZVERR_BAD_ARGUMENT);
    FILETIME stamp;
    if (time) {
        stamp = *time;
    } else {
        HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return zvFail(ZVERR_CANNOT_OPEN);
        BOOL got = GetFileTime(file, nullptr, nullptr, &stamp);
        CloseHandle(file);
        if (!got) return zvFail(ZVERR_CANNOT_OPEN);
    }
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&stamp, &local) || !FileTimeToSystemTime(&local, &st)) {
        return zvFail(ZVERR_BAD_ARGUMENT);
    }

    const char* extension = zvFindExtension(path);
    std::string stem = extension ? std::string(path, (size_t)(extension - 1 - path)) : std::string(path);
    std::string tail = extension ? std::string(".") + extension : std::string();
    std::string suffix;
    char piece[32];

    if (flags & (ZV_UNIQ_DATE | ZV_UNIQ_DATE_ALT)) {
        snprintf(piece, sizeof piece, "_%02d%x%02d", st.wYear % 100, st.wMonth, st.wDay);
        suffix += piece;
        if (!(flags & (ZV_UNIQ_SKIP_TESTS | ZV_UNIQ_TIME_NO_TEST))) {
            int free = TryCandidate(out, stem, suffix, tail);
            if (free < 0) return zvFail(ZVERR_BAD_ARGUMENT);
            if (free) return TRUE;
        }
    }
    if (flags & (ZV_UNIQ_TIME | ZV_UNIQ_TIME_NO_TEST)) {
        snprintf(piece, sizeof piece, "_%02d%02d%02d", st.wHour, st.wMinute, st.wSecond);
        suffix += piece;
        if (!(flags & ZV_UNIQ_SKIP_TESTS)) {
            int free = TryCandidate(out, stem, suffix, tail);
            if (free < 0) return zvFail(ZVERR_BAD_ARGUMENT);
            if (free) return TRUE;
        }
    }
    // The counter ends at a free name in any real folder; the bound only
    // guards against a file system that claims every name exists.
    for (int counter = 1; counter < 1000000; ++counter) {
        snprintf(piece, sizeof piece, "(%d)", counter);
        int free = TryCandidate(out, stem, suffix + piece, tail);
        if (free < 0) return zvFail(ZVERR_BAD_ARGUMENT);
        if (free) return TRUE;
    }
    out[0] = 0;
    return zvFail(ZVERR_TARGET_EXISTS);
}

ZV_EXPORT(BOOL) zvMakeDirectoriesA(const char* path) {
    if (!path) return zvFail(ZVERR_BAD_ARGUMENT);
    std::string copy(path);
    return MakeDirectories(copy) ? TRUE : FALSE;
}

ZV_EXPORT(BOOL) zvRenameFileA(const char* path, const char* newName) {
    if (!path || !newName) return zvFail(ZVERR_BAD_ARGUMENT);
    LastSeparator sep = FindLastSeparator(path);
    if (sep.at < 0) return zvFail(ZVERR_BAD_ARGUMENT);
    std::string folder(path, (size_t)sep.at + 1);
    std::string target = folder + newName;
    std::string temporary = folder + "zvcore32.tmp";

    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(target.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        return zvFail(ZVERR_TARGET_EXISTS);
    }
    if (!MoveFileA(path, temporary.c_str())) return zvFail(ZVERR_RENAME);
    if (!MoveFileA(temporary.c_str(), target.c_str())) {
        MoveFileA(temporary.c_str(), path);
        return zvFail(ZVERR_RENAME);
    }
    return TRUE;
}

ZV_EXPORT(BOOL) zvSetFileTimeA(const char* path, const FILETIME* t) {
    if (!path || !t || (t->dwLowDateTime == 0 && t->dwHighDateTime == 0)) return zvFail(ZVERR_BAD_ARGUMENT);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return zvFail(ZVERR_CANNOT_OPEN_RW);
    BOOL ok = SetFileTime(file, nullptr, nullptr, t);
    CloseHandle(file);
    return ok ? TRUE : zvFail(ZVERR_WRITE);
}

ZV_EXPORT(BOOL) zvSetFileTimeW(const WCHAR* path, const FILETIME* t) {
    if (!path || !t || (t->dwLowDateTime == 0 && t->dwHighDateTime == 0)) return zvFail(ZVERR_BAD_ARGUMENT);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return zvFail(ZVERR_CANNOT_OPEN_RW);
    BOOL ok = SetFileTime(file, nullptr, nullptr, t);
    CloseHandle(file);
    return ok ? TRUE : zvFail(ZVERR_WRITE);
}

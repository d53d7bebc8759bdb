// Path operations that touch the file system, for 8-bit (lead-byte aware)
// and 16-bit strings alike.
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include <string>

#include "zvchartables.h"
#include "zvcore32_win32.h"
#include "zvfiletime.h"
#include "zvpath.h"

namespace {

struct Narrow {
    typedef char Char;
    typedef std::string String;
    static int CharLen(const char* p) { return zvCharLen(p); }
    static bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }
    static HANDLE Open(const char* path, DWORD access, DWORD share) {
        return CreateFileA(path, access, share, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    static BOOL CreateFolder(const char* path) { return CreateDirectoryA(path, nullptr); }
    static BOOL Move(const char* from, const char* to) { return MoveFileA(from, to); }
    static bool Found(const char* path) {
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA(path, &data);
        if (search == INVALID_HANDLE_VALUE) return false;
        FindClose(search);
        return true;
    }
    static const char* Extension(const char* path) { return zvFindExtension(path); }
    static String Widen(const char* ascii) { return ascii; }
    static size_t Room(const char*) { return MAX_PATH; }
};

struct Wide {
    typedef WCHAR Char;
    typedef std::wstring String;
    static int CharLen(const WCHAR*) { return 1; }
    static bool Exists(const WCHAR* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }
    static HANDLE Open(const WCHAR* path, DWORD access, DWORD share) {
        return CreateFileW(path, access, share, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    static BOOL CreateFolder(const WCHAR* path) { return CreateDirectoryW(path, nullptr); }
    static BOOL Move(const WCHAR* from, const WCHAR* to) { return MoveFileW(from, to); }
    static bool Found(const WCHAR* path) {
        WIN32_FIND_DATAW data;
        HANDLE search = FindFirstFileW(path, &data);
        if (search == INVALID_HANDLE_VALUE) return false;
        FindClose(search);
        return true;
    }
    static const WCHAR* Extension(const WCHAR* path) {
        const WCHAR* found = nullptr;
        for (const WCHAR* p = path; *p; ++p) {
            if (*p == '.') found = p + 1;
            if (*p == '\\' || *p == '/') found = nullptr;
        }
        return found;
    }
    static String Widen(const char* ascii) {
        String s;
        for (; *ascii; ++ascii) s += (WCHAR)(BYTE)*ascii;
        return s;
    }
    // A path in the "\\?\" form goes on to the longest path Windows takes.
    static size_t Room(const WCHAR* path) {
        return wcsncmp(path, L"\\\\?\\", 4) == 0 ? ZV_LONG_PATH_UNITS : MAX_PATH;
    }
};

template <typename Char>
inline bool IsSeparator(Char c) {
    return c == '\\' || c == '/';
}

// Position of the last separator and of the character before it, walking
// whole characters; -1 when absent.
struct LastSeparator {
    int at = -1;
    int before = -1;
};

template <typename T>
LastSeparator FindLastSeparator(const typename T::Char* path) {
    LastSeparator result;
    int previous = -1;
    for (int i = 0; path[i];) {
        if (IsSeparator(path[i])) {
            result.at = i;
            result.before = previous;
        }
        previous = i;
        i += T::CharLen(path + i);
    }
    return result;
}

// Writes stem + suffix + tail into out (`room` units) and reports whether
// that name is free: 1 free, 0 taken, -1 too long for out.
template <typename T>
int TryCandidate(typename T::Char* out, size_t room, const typename T::String& stem, const typename T::String& suffix,
                 const typename T::String& tail) {
    typename T::String name = stem + suffix + tail;
    if (name.size() >= room) return -1;
    memcpy(out, name.c_str(), (name.size() + 1) * sizeof(typename T::Char));
    return T::Exists(out) ? 0 : 1;
}

template <typename T>
BOOL MakeUniqPath(typename T::Char* out, const typename T::Char* path, const FILETIME* time, int flags) {
    typedef typename T::String String;
    if (!out || !path) return zvFail(ZVERR_BAD_ARGUMENT);
    FILETIME stamp;
    if (time) {
        stamp = *time;
    } else {
        HANDLE file = T::Open(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE);
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

    const size_t room = T::Room(path);
    const typename T::Char* extension = T::Extension(path);
    String stem = extension ? String(path, (size_t)(extension - 1 - path)) : String(path);
    String tail = extension ? T::Widen(".") + extension : String();
    String suffix;
    char piece[32];

    if (flags & (ZV_UNIQ_DATE | ZV_UNIQ_DATE_ALT)) {
        snprintf(piece, sizeof piece, "_%02d%x%02d", st.wYear % 100, st.wMonth, st.wDay);
        suffix += T::Widen(piece);
        if (!(flags & (ZV_UNIQ_SKIP_TESTS | ZV_UNIQ_TIME_NO_TEST))) {
            int free = TryCandidate<T>(out, room, stem, suffix, tail);
            if (free < 0) return zvFail(ZVERR_BAD_ARGUMENT);
            if (free) return TRUE;
        }
    }
    if (flags & (ZV_UNIQ_TIME | ZV_UNIQ_TIME_NO_TEST)) {
        snprintf(piece, sizeof piece, "_%02d%02d%02d", st.wHour, st.wMinute, st.wSecond);
        suffix += T::Widen(piece);
        if (!(flags & ZV_UNIQ_SKIP_TESTS)) {
            int free = TryCandidate<T>(out, room, stem, suffix, tail);
            if (free < 0) return zvFail(ZVERR_BAD_ARGUMENT);
            if (free) return TRUE;
        }
    }
    // The counter ends at a free name in any real folder; the bound only
    // guards against a file system that claims every name exists.
    for (int counter = 1; counter < 1000000; ++counter) {
        snprintf(piece, sizeof piece, "(%d)", counter);
        int free = TryCandidate<T>(out, room, stem, suffix + T::Widen(piece), tail);
        if (free < 0) return zvFail(ZVERR_BAD_ARGUMENT);
        if (free) return TRUE;
    }
    out[0] = 0;
    return zvFail(ZVERR_TARGET_EXISTS);
}

template <typename T>
bool MakeDirectories(typename T::String& path) {
    LastSeparator sep = FindLastSeparator<T>(path.c_str());
    if (sep.at < 0) return zvFail(ZVERR_BAD_ARGUMENT);
    if (sep.before < 0 || path[(size_t)sep.before] == ':' || IsSeparator(path[(size_t)sep.before])) return true;
    typename T::String folder = path.substr(0, (size_t)sep.at);
    if (T::CreateFolder(folder.c_str()) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
    typename T::String parent = folder;
    bool ok = MakeDirectories<T>(parent) &&
              (T::CreateFolder(folder.c_str()) || GetLastError() == ERROR_ALREADY_EXISTS);
    if (!ok) zvSetErrCode(ZVERR_CANNOT_CREATE_FOLDER);
    return ok;
}

template <typename T>
BOOL RenameFile(const typename T::Char* path, const typename T::Char* newName) {
    typedef typename T::String String;
    if (!path || !newName) return zvFail(ZVERR_BAD_ARGUMENT);
    LastSeparator sep = FindLastSeparator<T>(path);
    if (sep.at < 0) return zvFail(ZVERR_BAD_ARGUMENT);
    String folder(path, (size_t)sep.at + 1);
    String target = folder + newName;
    String temporary = folder + T::Widen("zvcore32.tmp");
    if (T::Found(target.c_str())) return zvFail(ZVERR_TARGET_EXISTS);
    if (!T::Move(path, temporary.c_str())) return zvFail(ZVERR_RENAME);
    if (!T::Move(temporary.c_str(), target.c_str())) {
        T::Move(temporary.c_str(), path);
        return zvFail(ZVERR_RENAME);
    }
    return TRUE;
}

template <typename T>
BOOL SetFileTimeOf(const typename T::Char* path, const FILETIME* t) {
    if (!path || !t || (t->dwLowDateTime == 0 && t->dwHighDateTime == 0)) return zvFail(ZVERR_BAD_ARGUMENT);
    HANDLE file = T::Open(path, GENERIC_WRITE, FILE_SHARE_READ);
    if (file == INVALID_HANDLE_VALUE) return zvFail(ZVERR_CANNOT_OPEN_RW);
    BOOL ok = SetFileTime(file, nullptr, nullptr, t);
    CloseHandle(file);
    return ok ? TRUE : zvFail(ZVERR_WRITE);
}

}  // namespace

ZV_EXPORT(BOOL) zvMakeUniqPathA(char* out, const char* path, const FILETIME* time, int flags) {
    return MakeUniqPath<Narrow>(out, path, time, flags);
}

ZV_EXPORT(BOOL) zvMakeUniqPathW(WCHAR* out, const WCHAR* path, const FILETIME* time, int flags) {
    return MakeUniqPath<Wide>(out, path, time, flags);
}

ZV_EXPORT(BOOL) zvMakeDirectoriesA(const char* path) {
    if (!path) return zvFail(ZVERR_BAD_ARGUMENT);
    std::string copy(path);
    return MakeDirectories<Narrow>(copy) ? TRUE : FALSE;
}

ZV_EXPORT(BOOL) zvMakeDirectoriesW(const WCHAR* path) {
    if (!path) return zvFail(ZVERR_BAD_ARGUMENT);
    std::wstring copy(path);
    return MakeDirectories<Wide>(copy) ? TRUE : FALSE;
}

ZV_EXPORT(BOOL) zvRenameFileA(const char* path, const char* newName) { return RenameFile<Narrow>(path, newName); }

ZV_EXPORT(BOOL) zvRenameFileW(const WCHAR* path, const WCHAR* newName) { return RenameFile<Wide>(path, newName); }

ZV_EXPORT(BOOL) zvSetFileTimeA(const char* path, const FILETIME* t) { return SetFileTimeOf<Narrow>(path, t); }

ZV_EXPORT(BOOL) zvSetFileTimeW(const WCHAR* path, const FILETIME* t) { return SetFileTimeOf<Wide>(path, t); }

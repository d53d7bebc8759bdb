#include "base/win32/win32files.h"

#include <windows.h>
#include <string.h>

#include <vector>

#include "base/temporaryname.h"
#include "base/win32/widepath.h"
#include "zvfiletime.h"
#include "zvpath.h"

static_assert(kTemporaryPathSize >= 1024 + kTemporaryNameSize, "room for the temporary name");

namespace {

DirEntry EntryOf(const char* name, DWORD attributes, DWORD sizeLow, DWORD sizeHigh, const FILETIME& lastWrite) {
    DirEntry e;
    e.name = name;
    e.attributes = attributes;
    e.size = sizeLow;
    e.sizeHigh = sizeHigh;
    e.lastWrite = lastWrite;
    return e;
}

class CWin32ReadFile : public IReadFile {
public:
    explicit CWin32ReadFile(HANDLE file) : file_(file) {}
    ~CWin32ReadFile() override { CloseHandle(file_); }
    CWin32ReadFile(const CWin32ReadFile&) = delete;
    CWin32ReadFile& operator=(const CWin32ReadFile&) = delete;

    ULONGLONG Length() override {
        LARGE_INTEGER size;
        return GetFileSizeEx(file_, &size) ? (ULONGLONG)size.QuadPart : 0;
    }
    bool Read(void* buffer, DWORD size, DWORD* got) override {
        *got = 0;
        return ReadFile(file_, buffer, size, got, nullptr) != FALSE;
    }
    bool ReadAt(ULONGLONG offset, void* buffer, DWORD size, DWORD* got) override {
        *got = 0;
        LARGE_INTEGER at;
        at.QuadPart = (LONGLONG)offset;
        return SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) && ReadFile(file_, buffer, size, got, nullptr);
    }

private:
    HANDLE file_;
};

// Another process that has the target open (a browser showing the page, a
// virus scanner, a viewer) makes the replacing rename fail for as long as it
// holds it: the rename is tried again for about a second before it fails.
bool RenameOver(const std::wstring& from, const std::wstring& to) {
    const int kTries = 20;
    const DWORD kPauseMs = 50;
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
        DWORD error = GetLastError();
        bool held = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
        if (!held || attempt == kTries) {
            SetLastError(error);
            return false;
        }
        Sleep(kPauseMs);
    }
}

// The one place where a file is replaced: the bytes go to a temporary file
// beside the target ("$$zvt????????.tmp", which a rebuild folder's listing
// skips), whose time is set on the same handle; only a complete, closed
// temporary is renamed over the target. A kill leaves at most a temporary.
class CWin32ReplacingFile : public IReplacingFile {
public:
    CWin32ReplacingFile(HANDLE file, std::wstring temporary, std::wstring target)
        : file_(file), temporary_(std::move(temporary)), target_(std::move(target)) {}
    ~CWin32ReplacingFile() override {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        if (!committed_) DeleteFileW(temporary_.c_str());
    }
    CWin32ReplacingFile(const CWin32ReplacingFile&) = delete;
    CWin32ReplacingFile& operator=(const CWin32ReplacingFile&) = delete;

    bool Write(const void* data, size_t size) override {
        if (file_ == INVALID_HANDLE_VALUE || failed_) return false;
        const BYTE* p = (const BYTE*)data;
        while (size) {
            DWORD chunk = size > (1u << 30) ? (1u << 30) : (DWORD)size, written = 0;
            if (!WriteFile(file_, p, chunk, &written, nullptr) || written != chunk) {
                failed_ = true;
                return false;
            }
            p += chunk;
            size -= chunk;
        }
        return true;
    }
    bool Commit(const FILETIME* lastWrite) override {
        if (file_ == INVALID_HANDLE_VALUE || failed_) return false;
        bool ok = !lastWrite || ::SetFileTime(file_, nullptr, nullptr, lastWrite);
        if (!CloseHandle(file_)) ok = false;
        file_ = INVALID_HANDLE_VALUE;
        committed_ = ok && RenameOver(temporary_, target_);
        return committed_;
    }

private:
    HANDLE file_;
    std::wstring temporary_, target_;
    bool failed_ = false;
    bool committed_ = false;
};

// A new, empty file named by FormatTemporaryName in target's folder, opened
// for writing; its path in out.
HANDLE CreateTemporaryBeside(const char* target, char* out, size_t outSize) {
    const char* name = zvScanFileNameA(target);
    size_t folderLength = name ? (size_t)(name - target) : 0;
    if (folderLength + kTemporaryNameSize > outSize) return INVALID_HANDLE_VALUE;
    memcpy(out, target, folderLength);
    static LONG counter = 0;
    unsigned long seed = GetCurrentProcessId() * 0x10001UL + GetTickCount();
    for (int attempt = 0; attempt < 64; ++attempt) {
        unsigned long serial = seed + (unsigned long)InterlockedIncrement(&counter) * 0x9E3779B1UL;
        FormatTemporaryName(serial, out + folderLength, outSize - folderLength);
        HANDLE h = CreateFileW(WidePath(out).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (h != INVALID_HANDLE_VALUE) return h;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    out[0] = 0;
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool CWin32Files::ListFolder(const char* folder, std::vector<DirEntry>& out) {
    out.clear();
    std::string pattern = folder;
    pattern += "*.*";
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(WidePath(pattern.c_str()).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0) continue;
        out.push_back(EntryOf(AnsiName(data.cFileName).c_str(), data.dwFileAttributes, data.nFileSizeLow,
                              data.nFileSizeHigh, data.ftLastWriteTime));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

// A plain attribute query: much cheaper than a directory search, and it
// does not take wildcards in the name as a pattern.
bool CWin32Files::GetFileInfo(const char* path, DirEntry& out) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) return false;
    const char* name = zvScanFileNameA(path);
    out = EntryOf(name ? name : path, data.dwFileAttributes, data.nFileSizeLow, data.nFileSizeHigh,
                  data.ftLastWriteTime);
    return true;
}

std::unique_ptr<IReadFile> CWin32Files::OpenRead(const char* path) {
    // Shared for deleting too: a browser may hold its cache files so.
    HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::unique_ptr<IReadFile>(new CWin32ReadFile(h));
}

std::unique_ptr<IReplacingFile> CWin32Files::CreateReplacing(const char* path) {
    // Replacing by a move would pass over the read-only attribute.
    std::wstring target = WidePath(path);
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return nullptr;
    char temporary[kTemporaryPathSize];
    HANDLE h = CreateTemporaryBeside(path, temporary, sizeof(temporary));
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::unique_ptr<IReplacingFile>(new CWin32ReplacingFile(h, WidePath(temporary), std::move(target)));
}

bool CWin32Files::CopyFileTo(const char* from, const char* to) {
    return ::CopyFileW(WidePath(from).c_str(), WidePath(to).c_str(), FALSE) != FALSE;
}

bool CWin32Files::CopyFileWithTime(const char* from, const char* to, const FILETIME& time) {
    std::unique_ptr<IReadFile> in = OpenRead(from);
    if (!in) return false;
    std::unique_ptr<IReplacingFile> out = CreateReplacing(to);
    if (!out) return false;
    static const DWORD kChunk = 65536;
    std::vector<char> buffer(kChunk);
    for (;;) {
        DWORD got = 0;
        if (!in->Read(buffer.data(), kChunk, &got)) return false;
        if (got == 0) break;
        if (!out->Write(buffer.data(), got)) return false;
    }
    return out->Commit(&time);
}

bool CWin32Files::MoveFileTo(const char* from, const char* to) {
    return ::MoveFileW(WidePath(from).c_str(), WidePath(to).c_str()) != FALSE;
}

bool CWin32Files::RenameFile(const char* path, const char* newName) {
    const char* name = zvScanFileNameA(path);
    if (!name) return false;
    std::string to(path, (size_t)(name - path));
    to += newName;
    return ::MoveFileW(WidePath(path).c_str(), WidePath(to.c_str()).c_str()) != FALSE;
}

bool CWin32Files::RemoveFile(const char* path) { return ::DeleteFileW(WidePath(path).c_str()) != FALSE; }

bool CWin32Files::RemoveFolder(const char* path) { return ::RemoveDirectoryW(WidePath(path).c_str()) != FALSE; }

// Folder by folder from the top, so that every level may be a long path.
bool CWin32Files::MakeDirectories(const char* path) {
    const char* name = zvScanFileNameA(path);
    if (!name || name == path) return false;
    std::string folder(path, (size_t)(name - path) - 1);
    std::wstring wide = WidePath(folder.c_str());
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!MakeDirectories(folder.c_str())) return false;
    return CreateDirectoryW(wide.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool CWin32Files::SetFileTime(const char* path, const FILETIME& time) {
    return zvSetFileTimeW(WidePath(path).c_str(), &time) != FALSE;
}

// Through the wide form, as the rebuild writes files beyond MAX_PATH; a
// path near it takes that form too, as the date, time and counter lengthen it.
bool CWin32Files::MakeUniquePath(const char* path, int flags, char* out, DWORD cap) {
    std::wstring wide = WidePath(path, 32);
    if (wide.empty()) return false;
    std::vector<WCHAR> unique(ZV_LONG_PATH_UNITS);
    if (!zvMakeUniqPathW(unique.data(), wide.c_str(), nullptr, flags)) return false;
    std::string narrow = AnsiPath(unique.data());
    if (narrow.empty() || narrow.size() + 1 > cap) return false;
    memcpy(out, narrow.c_str(), narrow.size() + 1);
    return true;
}

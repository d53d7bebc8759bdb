// The file operation engine: the caller's side. The caller's thread does the
// file work and reports to the progress window with SendMessage, which also
// keeps every display update in step with the dialog thread.
#include <process.h>
#include <string.h>

#include <new>
#include <string>

#include "fileop_record.h"
#include "zvfiletime.h"
#include "zvpath.h"

namespace {

const DWORD kFlushInterval = 1048576;
// Progress within a file is reported at most this often (milliseconds); the
// window cannot show more, and each report waits for the window's thread.
const DWORD kProgressInterval = 50;

struct Narrow {
    typedef char Char;
    typedef std::string String;
    static std::wstring Show(const char* text) {
        int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        std::wstring wide(size > 0 ? (size_t)size : 1, L'\0');
        MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], size);
        wide.resize(wcslen(wide.c_str()));
        return wide;
    }
    static DWORD Attributes(const char* path) { return GetFileAttributesA(path); }
    static BOOL SetAttributes(const char* path, DWORD attributes) { return SetFileAttributesA(path, attributes); }
    static HANDLE Open(const char* path, DWORD access, DWORD share, DWORD creation, DWORD flags) {
        return CreateFileA(path, access, share, nullptr, creation, flags, nullptr);
    }
    static BOOL Delete(const char* path) { return DeleteFileA(path); }
    static BOOL Move(const char* from, const char* to, DWORD flags) { return MoveFileExA(from, to, flags); }
    static BOOL TempFile(const char* folder, char* out) { return GetTempFileNameA(folder, "zvf", 0, out) != 0; }
    static BOOL MakeDirectories(const char* path) { return zvMakeDirectoriesA(path); }
    static BOOL MakeUniqPath(char* out, const char* path, const FILETIME* time, int flags) {
        return zvMakeUniqPathA(out, path, time, flags);
    }
    static BOOL Rename(const char* path, const char* name) { return zvRenameFileA(path, name); }
    static const char* FileName(const char* path) { return zvScanFileNameA(path); }
};

struct Wide {
    typedef WCHAR Char;
    typedef std::wstring String;
    static std::wstring Show(const WCHAR* text) { return text; }
    static DWORD Attributes(const WCHAR* path) { return GetFileAttributesW(path); }
    static BOOL SetAttributes(const WCHAR* path, DWORD attributes) { return SetFileAttributesW(path, attributes); }
    static HANDLE Open(const WCHAR* path, DWORD access, DWORD share, DWORD creation, DWORD flags) {
        return CreateFileW(path, access, share, nullptr, creation, flags, nullptr);
    }
    static BOOL Delete(const WCHAR* path) { return DeleteFileW(path); }
    static BOOL Move(const WCHAR* from, const WCHAR* to, DWORD flags) { return MoveFileExW(from, to, flags); }
    static BOOL TempFile(const WCHAR* folder, WCHAR* out) { return GetTempFileNameW(folder, L"zvf", 0, out) != 0; }
    static BOOL MakeDirectories(const WCHAR* path) { return zvMakeDirectoriesW(path); }
    static BOOL MakeUniqPath(WCHAR* out, const WCHAR* path, const FILETIME* time, int flags) {
        return zvMakeUniqPathW(out, path, time, flags);
    }
    static BOOL Rename(const WCHAR* path, const WCHAR* name) { return zvRenameFileW(path, name); }
    static const WCHAR* FileName(const WCHAR* path) { return zvScanFileNameW(path); }
};

bool IsValid(const zvFileOpRecord* op) { return op && op->tag == ZV_FILEOP_TAG; }

ULONGLONG Join(DWORD low, DWORD high) { return ((ULONGLONG)high << 32) | low; }

ULONGLONG TimeValue(const FILETIME& t) { return Join(t.dwLowDateTime, t.dwHighDateTime); }

void Notify(zvFileOpRecord* op, unsigned message, WPARAM wParam = 0) {
    HWND window = op->window;
    if (window) SendMessageW(window, message, wParam, (LPARAM)op);
}

// Waits without blocking the messages that other threads send to this one
// (the progress window's owner lives here and is told when it is disabled).
template <typename Done>
bool PumpUntil(zvFileOpRecord* op, Done done) {
    while (!done()) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        if (MsgWaitForMultipleObjects(1, &op->thread, FALSE, 5, QS_SENDMESSAGE) == WAIT_OBJECT_0) return done();
    }
    return true;
}

HZVFILEOP CreateFileOp(HWND owner, int flags) {
    zvFileOpRecord* op = new (std::nothrow) zvFileOpRecord;
    if (!op) {
        zvSetErrCode(ZVERR_OUT_OF_MEMORY);
        return nullptr;
    }
    op->owner = owner;
    op->createFlags = flags;
    unsigned threadId = 0;
    op->thread = (HANDLE)_beginthreadex(nullptr, 0, zvFileOpDialogThread, op, 0, &threadId);
    if (!op->thread) {
        delete op;
        zvSetErrCode(ZVERR_THREAD);
        return nullptr;
    }
    op->threadId = threadId;
    bool ready = PumpUntil(op, [op] { return op->window != nullptr; });
    if (ready) {
        PostMessageW(op->window, ZV_FOM_STARTED, 0, (LPARAM)op);
        ready = PumpUntil(op, [op] { return op->busy == 0; });
    }
    if (!ready) {
        // The dialog could not be made; its thread has ended.
        WaitForSingleObject(op->thread, INFINITE);
        CloseHandle(op->thread);
        op->tag = 0;
        delete op;
        zvSetErrCode(ZVERR_GONE);
        return nullptr;
    }
    return op;
}

struct SourceInfo {
    DWORD attributes = 0;
    FILETIME created = {}, accessed = {}, written = {};
    ULONGLONG size = 0;
};

template <typename T>
bool Examine(const typename T::Char* path, SourceInfo& info) {
    HANDLE file = T::Open(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0);
    if (file == INVALID_HANDLE_VALUE) return zvFail(ZVERR_CANNOT_OPEN);
    BY_HANDLE_FILE_INFORMATION data;
    BOOL got = GetFileInformationByHandle(file, &data);
    CloseHandle(file);
    if (!got || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return zvFail(ZVERR_CANNOT_OPEN);
    info.attributes = data.dwFileAttributes;
    info.created = data.ftCreationTime;
    info.accessed = data.ftLastAccessTime;
    info.written = data.ftLastWriteTime;
    info.size = Join(data.nFileSizeLow, data.nFileSizeHigh);
    return true;
}

template <typename T>
bool DeleteWithAttributes(const typename T::Char* path, DWORD attributes, DWORD code) {
    T::SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
    if (T::Delete(path)) return true;
    T::SetAttributes(path, attributes);
    return zvFail(code);
}

// The same file under two names (also through a different spelling).
template <typename T>
bool SameFile(const typename T::Char* a, const typename T::Char* b) {
    BY_HANDLE_FILE_INFORMATION infoA, infoB;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE fileA = T::Open(a, 0, share, OPEN_EXISTING, 0);
    HANDLE fileB = T::Open(b, 0, share, OPEN_EXISTING, 0);
    bool same = fileA != INVALID_HANDLE_VALUE && fileB != INVALID_HANDLE_VALUE &&
                GetFileInformationByHandle(fileA, &infoA) && GetFileInformationByHandle(fileB, &infoB) &&
                infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
                infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow &&
                (infoA.nFileIndexHigh | infoA.nFileIndexLow) != 0;
    if (fileA != INVALID_HANDLE_VALUE) CloseHandle(fileA);
    if (fileB != INVALID_HANDLE_VALUE) CloseHandle(fileB);
    return same;
}

// Copies the source into a temporary file beside the target and puts it in
// place only when data, times and attributes are complete, so that a failed
// or aborted copy never costs the file that was there.
template <typename T>
bool CopyData(zvFileOpRecord* op, const typename T::Char* source, const typename T::Char* target,
              const SourceInfo& info, bool replace) {
    typedef typename T::Char Char;
    typename T::String folder(target);
    const Char* name = T::FileName(target);
    folder.resize(name ? (size_t)(name - target) : 0);
    if (folder.empty()) folder.push_back('.');
    Char temporary[MAX_PATH];
    if (!T::TempFile(folder.c_str(), temporary)) return zvFail(ZVERR_WRITE);
    HANDLE out = T::Open(temporary, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN);
    if (out == INVALID_HANDLE_VALUE) {
        T::Delete(temporary);
        return zvFail(ZVERR_WRITE);
    }
    HANDLE in = T::Open(source, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    DWORD failure = in == INVALID_HANDLE_VALUE ? ZVERR_READ : ZVERR_NONE;
    DWORD sinceFlush = 0;
    while (failure == ZVERR_NONE) {
        if (op->abort) {
            failure = ZVERR_ABORTED;
            break;
        }
        DWORD got = 0, written = 0;
        if (!ReadFile(in, op->block, sizeof op->block, &got, nullptr)) {
            failure = ZVERR_READ;
            break;
        }
        if (got == 0) break;
        if (!WriteFile(out, op->block, got, &written, nullptr) || written != got) {
            failure = ZVERR_WRITE;
            break;
        }
        op->fileDone += got;
        DWORD now = GetTickCount();
        if (now - op->progressAt >= kProgressInterval) {
            op->progressAt = now;
            Notify(op, ZV_FOM_FILE_PROGRESS);
        }
        sinceFlush += got;
        if (sinceFlush >= kFlushInterval) {
            sinceFlush -= kFlushInterval;
            Notify(op, ZV_FOM_CAPTION, ZV_FO_CAPTION_FLUSHING);
            FlushFileBuffers(out);
            Notify(op, ZV_FOM_CAPTION, (WPARAM)op->operation);
        }
    }
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    // The whole file, whatever the last paced report showed.
    if (failure == ZVERR_NONE) Notify(op, ZV_FOM_FILE_PROGRESS);
    if (failure == ZVERR_NONE &&
        (!SetFileTime(out, &info.created, &info.accessed, &info.written) || !FlushFileBuffers(out))) {
        failure = ZVERR_WRITE;
    }
    if (!CloseHandle(out) && failure == ZVERR_NONE) failure = ZVERR_WRITE;
    if (failure == ZVERR_NONE && !T::Move(temporary, target, replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
        failure = ZVERR_WRITE;
    }
    if (failure != ZVERR_NONE) {
        T::Delete(temporary);
        return zvFail(failure);
    }
    if (!T::SetAttributes(target, info.attributes & ~(DWORD)FILE_ATTRIBUTE_DIRECTORY)) return zvFail(ZVERR_WRITE);
    return true;
}

// Applies the collision policy to an existing target. On return `target`
// holds the name to write (a unique one for the incoming file) and `replace`
// tells whether the file there may be replaced.
template <typename T>
bool ResolveCollision(zvFileOpRecord* op, typename T::Char* target,
                      const SourceInfo& info, int flags, bool& replace) {
    typedef typename T::Char Char;
    replace = false;
    const int uniqFlags = (int)((unsigned)flags >> 16);
    ULONGLONG targetTime = 0;
    const int policy = flags & ZV_FOE_POLICY_MASK;
    if (policy == ZV_FO_EXISTS_RENAME_OLDER || policy == ZV_FO_EXISTS_RENAME_NEWER) {
        SourceInfo existing;
        if (!Examine<T>(target, existing)) return false;
        targetTime = TimeValue(existing.written);
    }
    Char unique[MAX_PATH];
    switch (zvFileOpCollision(policy, TimeValue(info.written), targetTime)) {
    case ZV_FO_COLLISION_FAIL:
        return zvFail(ZVERR_TARGET_EXISTS);
    case ZV_FO_COLLISION_OVERWRITE:
        replace = true;
        return true;
    case ZV_FO_COLLISION_RENAME_INCOMING:
        if (!T::MakeUniqPath(unique, target, &info.written, uniqFlags)) return false;
        memcpy(target, unique, sizeof unique);
        op->target = T::Show(target);
        Notify(op, ZV_FOM_ENTRY);
        return true;
    case ZV_FO_COLLISION_RENAME_EXISTING: {
        if (!T::MakeUniqPath(unique, target, nullptr, uniqFlags)) return false;
        const Char* bare = T::FileName(unique);
        return T::Rename(target, bare ? bare : unique) != FALSE;
    }
    default:
        return zvFail(ZVERR_BAD_ARGUMENT);
    }
}

template <typename T>
bool MoveOrCopy(zvFileOpRecord* op, bool move, const typename T::Char* source, const typename T::Char* targetName,
                const SourceInfo& info, int flags) {
    typedef typename T::Char Char;
    size_t length = std::char_traits<Char>::length(targetName);
    if (length >= MAX_PATH) return zvFail(ZVERR_BAD_ARGUMENT);
    Char target[MAX_PATH];
    memcpy(target, targetName, (length + 1) * sizeof(Char));

    bool replace = false;
    if (T::Attributes(target) == INVALID_FILE_ATTRIBUTES) {
        if (!T::MakeDirectories(target)) return false;
    } else {
        if (!ResolveCollision<T>(op, target, info, flags, replace)) return false;
        // Overwriting a file with itself would end in deleting it for a move.
        if (replace && SameFile<T>(source, target)) {
            op->fileDone = op->fileSize;
            Notify(op, ZV_FOM_FILE_PROGRESS);
            return true;
        }
    }
    if (move && T::Move(source, target, replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
        op->fileDone = op->fileSize;
        Notify(op, ZV_FOM_FILE_PROGRESS);
        return true;
    }
    if (!CopyData<T>(op, source, target, info, replace)) return false;
    return !move || DeleteWithAttributes<T>(source, info.attributes, ZVERR_MOVE_SOURCE_DELETE);
}

template <typename T>
BOOL Operate(HZVFILEOP op, INT_PTR operation, const typename T::Char* source, const typename T::Char* target,
             int flags) {
    if (!IsValid(op)) return zvFail(ZVERR_BAD_HANDLE);
    if (op->abort) return zvFail(ZVERR_ABORTED);
    if (!op->window || !IsWindow(op->window)) return zvFail(ZVERR_GONE);
    const bool captionOnly = operation >= ZV_FO_FIRST_CAPTION_TEXT;
    const bool needsTarget = operation == ZV_FO_MOVE || operation == ZV_FO_COPY || operation == ZV_FO_RENAME;
    if ((!captionOnly && (operation < ZV_FO_MOVE || operation > ZV_FO_RENAME)) || !source ||
        (needsTarget && !target) || (flags & ZV_FOE_POLICY_MASK) > ZV_FO_EXISTS_RENAME_NEWER) {
        return zvFail(ZVERR_BAD_ARGUMENT);
    }

    op->operation = operation;
    op->kind = ZV_FOK_ENTRY | (target ? ZV_FOK_HAS_TARGET : 0);
    if (captionOnly) {
        op->kind |= ZV_FOK_CAPTION_TEXT;
        op->captionText = T::Show((const typename T::Char*)operation);
    } else if (operation == ZV_FO_DELETE) {
        op->kind = ZV_FOK_ENTRY | ZV_FOK_DELETE;
    } else {
        op->kind |= operation == ZV_FO_COPY ? ZV_FOK_COPY : ZV_FOK_MOVE;
    }
    op->source = T::Show(source);
    op->target = (op->kind & ZV_FOK_HAS_TARGET) ? T::Show(target) : std::wstring();
    op->fileSize = 0;
    op->fileDone = 0;
    Notify(op, ZV_FOM_ENTRY);

    SourceInfo info;
    if (!(captionOnly && (flags & ZV_FOE_NO_SOURCE))) {
        if (!Examine<T>(source, info)) return FALSE;
        op->fileSize = info.size;
        Notify(op, ZV_FOM_FILE_SIZE);
    }

    if (operation == ZV_FO_DELETE) {
        if (!DeleteWithAttributes<T>(source, info.attributes, ZVERR_CANNOT_DELETE)) return FALSE;
        op->fileDone = op->fileSize;
        Notify(op, ZV_FOM_FILE_PROGRESS);
    } else if (!captionOnly) {
        if (!MoveOrCopy<T>(op, operation != ZV_FO_COPY, source, target, info, flags)) return FALSE;
    }

    if (!(flags & ZV_FOE_NO_COUNT)) {
        if (flags & ZV_FOE_BACKWARDS) {
            op->filesDone -= 1;
            op->bytesDone -= info.size;
        } else {
            op->filesDone += 1;
            op->bytesDone += info.size;
        }
        Notify(op, ZV_FOM_COUNTS);
    }
    return TRUE;
}

}  // namespace

ZV_EXPORT(HZVFILEOP) zvCreateFileOpA(HWND owner, int flags) { return CreateFileOp(owner, flags); }

ZV_EXPORT(HZVFILEOP) zvCreateFileOpW(HWND owner, int flags) { return CreateFileOp(owner, flags); }

ZV_EXPORT(BOOL) zvSetFileOpEntry(HZVFILEOP op, int totalFiles, int filesDone, DWORD totalBytesLow,
                                 DWORD totalBytesHigh, DWORD bytesDoneLow, DWORD bytesDoneHigh) {
    if (!IsValid(op)) return zvFail(ZVERR_BAD_HANDLE);
    op->totalFiles = totalFiles;
    op->filesDone = filesDone;
    op->totalBytes = Join(totalBytesLow, totalBytesHigh);
    op->bytesDone = Join(bytesDoneLow, bytesDoneHigh);
    Notify(op, ZV_FOM_TOTALS);
    Notify(op, ZV_FOM_COUNTS);
    return TRUE;
}

ZV_EXPORT(BOOL) zvOperateFileOpA(HZVFILEOP op, INT_PTR operation, const char* source, const char* target,
                                 int flags) {
    return Operate<Narrow>(op, operation, source, target, flags);
}

ZV_EXPORT(BOOL) zvOperateFileOpW(HZVFILEOP op, INT_PTR operation, const WCHAR* source, const WCHAR* target,
                                 int flags) {
    return Operate<Wide>(op, operation, source, target, flags);
}

ZV_EXPORT(BOOL) zvCloseFileOp(HZVFILEOP op) {
    if (!IsValid(op)) return zvFail(ZVERR_BAD_HANDLE);
    Notify(op, ZV_FOM_CLOSE);
    PumpUntil(op, [] { return false; });
    CloseHandle(op->thread);
    op->tag = 0;
    delete op;
    return TRUE;
}

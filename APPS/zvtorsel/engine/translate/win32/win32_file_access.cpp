#include "translate/win32/win32_file_access.h"

#include <windows.h>
#include <string.h>

#include "jobs/win32/temporaryfile.h"
#include "jobs/win32/widepath.h"
#include "zvfiletime.h"
#include "zvpath.h"

namespace {

class Win32Files : public IHtmlFileAccess {
public:
    void* OpenRead(const char* path) override {
        HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : h;
    }

    DWORD FileLength(void* file) override {
        DWORD high = 0;
        DWORD low = GetFileSize((HANDLE)file, &high);
        return high ? 0xFFFFFFFF : low;
    }

    DWORD Read(void* file, void* buffer, DWORD size) override {
        DWORD got = 0;
        return ReadFile((HANDLE)file, buffer, size, &got, nullptr) ? got : 0;
    }

    void Close(void* file) override { CloseHandle((HANDLE)file); }

    bool WriteFile(const char* path, const FilePiece* pieces, int count,
                   const FILETIME& lastWrite) override {
        // The new content goes to a temporary file beside the target, which
        // replaces the target only when it is complete: a full disk or a
        // read-only target leaves the old file as it was. Replacing by a move
        // would pass over the read-only attribute, so that is checked first.
        std::wstring target = WidePath(path);
        DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
            return false;
        char temp[kTemporaryPathSize];
        HANDLE h = CreateTemporaryBeside(path, temp, sizeof temp);
        if (h == INVALID_HANDLE_VALUE) return false;
        bool ok = WriteAll(h, pieces, count);
        if (ok && (lastWrite.dwLowDateTime || lastWrite.dwHighDateTime))
            ok = zvSetFileTimeW(WidePath(temp).c_str(), &lastWrite) != 0;
        std::wstring wideTemp = WidePath(temp);
        if (ok) ok = MoveFileExW(wideTemp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
        if (!ok) DeleteFileW(wideTemp.c_str());
        return ok;
    }

private:
    // Writes every piece and closes h.
    static bool WriteAll(HANDLE h, const FilePiece* pieces, int count) {
        bool ok = true;
        for (int i = 0; i < count && ok; ++i) {
            const char* p = (const char*)pieces[i].data;
            size_t left = pieces[i].length;
            while (left && ok) {
                DWORD chunk = left > 0x10000000 ? 0x10000000 : (DWORD)left;
                DWORD written = 0;
                ok = ::WriteFile(h, p, chunk, &written, nullptr) && written == chunk;
                p += chunk;
                left -= chunk;
            }
        }
        return CloseHandle(h) && ok;
    }
};

}  // namespace

IHtmlFileAccess* Win32FileAccess() {
    static Win32Files files;
    return &files;
}

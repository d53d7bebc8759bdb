// The text reader's file calls on Win32.
#include "zvcore32_win32.h"
#include "zvtextfile.h"

namespace {

void* Open(const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

BOOL Read(void* file, void* buffer, DWORD size, DWORD* done) {
    return ReadFile(static_cast<HANDLE>(file), buffer, size, done, nullptr);
}

BOOL Seek(void* file, DWORD offset) {
    LONG high = 0;
    DWORD low = SetFilePointer(static_cast<HANDLE>(file), (LONG)offset, &high, FILE_BEGIN);
    return low != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR;
}

void Close(void* file) { CloseHandle(static_cast<HANDLE>(file)); }

const ZvFileIo g_systemIo = {Open, Read, Seek, Close};

}  // namespace

const ZvFileIo* zvSystemFileIo(void) { return &g_systemIo; }

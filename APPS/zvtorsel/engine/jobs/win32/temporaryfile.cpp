#include "jobs/win32/temporaryfile.h"

#include <string.h>

#include "jobs/temporaryname.h"
#include "jobs/win32/widepath.h"
#include "zvpath.h"

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
        HANDLE h = CreateFileW(WidePath(out).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) return h;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    out[0] = 0;
    return INVALID_HANDLE_VALUE;
}

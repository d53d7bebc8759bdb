#include "download/win32/dialup.h"

#include <windows.h>

namespace {

// The connection record of the dial-up service's oldest interface: 412 bytes
// in 32-bit programs; a 64-bit build passes the size of its own layout.
struct RasConnection {
    DWORD size;
    HANDLE connection;
    char entryName[257];
    char deviceType[17];
    char deviceName[129];
};
#ifndef _WIN64
static_assert(sizeof(RasConnection) == 412, "the 32-bit connection record is 412 bytes");
#endif

typedef DWORD(WINAPI* RasEnumConnectionsProc)(RasConnection*, DWORD*, DWORD*);
typedef DWORD(WINAPI* RasHangUpProc)(HANDLE);

}  // namespace

HangUpResult HangUpDialUp(const char* library) {
    HMODULE ras = LoadLibraryA(library);
    if (!ras) return HANGUP_NO_LIBRARY;
    HangUpResult result = HANGUP_NOTHING;
    RasEnumConnectionsProc enumerate = (RasEnumConnectionsProc)(void*)GetProcAddress(ras, "RasEnumConnectionsA");
    if (enumerate) {
        RasConnection record = {};
        record.size = sizeof(record);
        DWORD bytes = sizeof(record), count = 0;
        // With two or more connections one record is too small and nothing is hung up.
        if (enumerate(&record, &bytes, &count) == 0 && count >= 1) {
            RasHangUpProc hangUp = (RasHangUpProc)(void*)GetProcAddress(ras, "RasHangUpA");
            if (hangUp && hangUp(record.connection) == 0) result = HANGUP_DONE;
        }
    }
    FreeLibrary(ras);
    return result;
}

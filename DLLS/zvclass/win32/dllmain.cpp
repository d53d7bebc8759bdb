#include <windows.h>

#include "afxwin.h"
#include "zvclass_internal.h"

namespace {

AFX_EXTENSION_MODULE g_extension = {FALSE, nullptr};
HINSTANCE g_instance;

int LoadOwnString(UINT id, char* buffer, int size) { return LoadStringA(g_instance, id, buffer, size); }

}  // namespace

// The library's own table first: the program may use the same numbers.
void zvclassShowMessage(UINT messageId) {
    char text[256];
    if (LoadStringA(g_instance, messageId, text, sizeof text) > 0) {
        AfxMessageBox(text, 0, 0);
    } else {
        AfxMessageBox(messageId, 0, 0);
    }
}

bool zvclassFileTimeToLocal(const FILETIME& time, SYSTEMTIME& out) {
    FILETIME local;
    return FileTimeToLocalFileTime(&time, &local) && FileTimeToSystemTime(&local, &out);
}

void zvclassCurrentLocalTime(SYSTEMTIME& out) { GetLocalTime(&out); }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        if (!AfxInitExtensionModule(g_extension, instance)) return FALSE;
        zvclassLoadFormats(LoadOwnString);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        AfxTermExtensionModule(g_extension);
    }
    return TRUE;
}

#include <windows.h>

#include "afxwin.h"
#include "zvclass_internal.h"

namespace {

AFX_EXTENSION_MODULE g_extension = {FALSE, nullptr};
HINSTANCE g_instance;

int LoadOwnString(UINT id, char* buffer, int size) { return LoadStringA(g_instance, id, buffer, size); }

}  // namespace

void zvclassShowMessage(UINT messageId) { AfxMessageBox(messageId, 0, 0); }

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

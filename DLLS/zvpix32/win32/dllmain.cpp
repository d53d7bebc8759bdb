#include <windows.h>

#include "zvpix32_win32.h"

HINSTANCE g_zvPixInstance;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_zvPixInstance = instance;
        zvGdiAttach();
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        zvGdiDetach();
    }
    return TRUE;
}

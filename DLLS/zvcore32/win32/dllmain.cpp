#include <windows.h>

#include "zvchartables.h"
#include "zvcore32_win32.h"

HINSTANCE g_zvInstance;

static int SystemIsLeadByte(BYTE b) { return IsDBCSLeadByte(b); }

static BYTE SystemLower(BYTE b) {
    return (BYTE)(UINT_PTR)CharLowerA((LPSTR)(UINT_PTR)b);
}

static BYTE SystemUpper(BYTE b) {
    return (BYTE)(UINT_PTR)CharUpperA((LPSTR)(UINT_PTR)b);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_zvInstance = instance;
        zvSetErrCode(ZVERR_NONE);
        zvBuildCharTables(SystemIsLeadByte, SystemLower, SystemUpper);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

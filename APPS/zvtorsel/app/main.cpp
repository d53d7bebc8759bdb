#include <windows.h>

#include "zvcore32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr, "z.v Torsel Sitekeeper", "z.v Torsel Sitekeeper", MB_OK);
    return (int)zvGetErrCode();
}

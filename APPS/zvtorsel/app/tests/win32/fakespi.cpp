// A stand-in image plug-in with the two entry points, for the plug-in table tests.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI GetPictureInfo(LPSTR, long, unsigned int, void*) { return 0; }
extern "C" __declspec(dllexport) int WINAPI GetPicture(LPSTR, long, unsigned int, HANDLE*, HANDLE*, FARPROC, long) {
    return 0;
}

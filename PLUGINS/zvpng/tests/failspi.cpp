// A Susie plug-in that decodes only data beginning with "OK": anything else
// fails, so the host's retry 128 bytes further on can be seen. It answers
// with a 1 x 1 picture whose colour is the byte after "OK", and counts calls.
#include <string.h>
#include <windows.h>

#define SPI_EXPORT(type) extern "C" __declspec(dllexport) type WINAPI

namespace {
int g_calls = 0;
}

SPI_EXPORT(int) GetPluginInfo(int, LPSTR buffer, int length) {
    if (length > 0) lstrcpynA(buffer, "00IN", length);
    return 4;
}

SPI_EXPORT(int) GetPictureInfo(LPCSTR, LONG_PTR, unsigned, void*) {
    ++g_calls;
    return 2;
}

SPI_EXPORT(int) GetPicture(LPCSTR data, LONG_PTR length, unsigned, HLOCAL* header, HLOCAL* bits, FARPROC, LONG_PTR) {
    ++g_calls;
    if (length < 3 || data[0] != 'O' || data[1] != 'K') return 2;
    *header = LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + 4);
    *bits = LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, 4);
    BITMAPINFOHEADER* h = (BITMAPINFOHEADER*)*header;
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = 1;
    h->biHeight = 1;
    h->biPlanes = 1;
    h->biBitCount = 8;
    h->biClrUsed = 1;
    ((BYTE*)(h + 1))[1] = (BYTE)data[2];
    return 0;
}

// For the tests: plug-in calls since the last query.
SPI_EXPORT(int) TakeCallCount() {
    int calls = g_calls;
    g_calls = 0;
    return calls;
}

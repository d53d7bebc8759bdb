// Line reader for ANSI text files with any of the four line-end conventions.
#pragma once
#include "zvtypes.h"

ZV_EXPORT(HANDLE) zvOpenTextFileA(LPCSTR path);
// 1 and the next line (no line end, zero-terminated) in line; 0 at the end
// of the file or on error. A line too long for size leaves the reader where
// it was, so it can be read again with a larger buffer.
ZV_EXPORT(BOOL) zvReadTextFileA(HANDLE file, LPSTR line, int size);
ZV_EXPORT(BOOL) zvCloseTextFile(HANDLE file);

// The reader reaches the file system only through this.
struct ZvFileIo {
    void* (*open)(const char* path);  // read-only, read sharing; null on failure
    BOOL (*read)(void* file, void* buffer, DWORD size, DWORD* done);
    BOOL (*seek)(void* file, DWORD offset);
    void (*close)(void* file);
};

// The system's file calls (win32/ or host/).
const ZvFileIo* zvSystemFileIo(void);
// zvOpenTextFileA over another file interface (tests inject failures).
HANDLE zvOpenTextFileWithIo(const ZvFileIo* io, LPCSTR path);

// The text reader's file calls on the host, through stdio.
#include <stdio.h>

#include "zvtextfile.h"

namespace {

void* Open(const char* path) { return fopen(path, "rb"); }

BOOL Read(void* file, void* buffer, DWORD size, DWORD* done) {
    FILE* f = static_cast<FILE*>(file);
    *done = (DWORD)fread(buffer, 1, size, f);
    return !ferror(f);
}

BOOL Seek(void* file, DWORD offset) { return fseek(static_cast<FILE*>(file), (long)offset, SEEK_SET) == 0; }

void Close(void* file) { fclose(static_cast<FILE*>(file)); }

const ZvFileIo g_systemIo = {Open, Read, Seek, Close};

}  // namespace

const ZvFileIo* zvSystemFileIo(void) { return &g_systemIo; }

// File access of the translator, kept behind an interface so that the
// engine needs no OS calls and tests and benchmarks can work in memory.
#pragma once
#include <stddef.h>

#include "zvtypes.h"

struct FilePiece {
    const void* data;
    size_t length;
};

class IHtmlFileAccess {
public:
    virtual ~IHtmlFileAccess() {}

    // Opens path for reading; null when it cannot be opened.
    virtual void* OpenRead(const char* path) = 0;
    // Length of the open file in bytes.
    virtual DWORD FileLength(void* file) = 0;
    // Reads up to size bytes; returns the number read (0 at the end or on error).
    virtual DWORD Read(void* file, void* buffer, DWORD size) = 0;
    virtual void Close(void* file) = 0;

    // Writes the pieces in order as the whole content of path and sets its
    // last-write time. The old file is replaced only once everything was
    // written and the time set: on failure it stays as it was.
    virtual bool WriteFile(const char* path, const FilePiece* pieces, int count,
                           const FILETIME& lastWrite) = 0;
};

// The file access used when a translator is given none (Win32FileAccess()
// on the target, set up at start-up).
IHtmlFileAccess* DefaultHtmlFileAccess();
void SetDefaultHtmlFileAccess(IHtmlFileAccess* access);

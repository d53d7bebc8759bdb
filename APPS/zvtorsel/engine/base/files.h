// How the engine touches files. Every job, test, fuzz target and benchmark
// reads and writes through IFiles: CWin32Files (base/win32/win32files.h) on
// the system, CMemoryFiles (base/memoryfiles.h) in memory. Paths are ANSI
// (code page 932) with "\" separators; folders end with "\" where a folder
// is asked for.
//
// Reading is bounded: a whole file only up to a cap, anything larger through
// OpenRead in pieces. Writing replaces a file only when the new one is
// complete: the bytes go to a temporary file beside the target, which takes
// its place by a rename, so a full disk, a read-only target or a kill leaves
// the old file whole.
#pragma once
#include <stddef.h>

#include <memory>
#include <string>
#include <vector>

#include "zvtypes.h"

struct DirEntry {
    std::string name;
    DWORD attributes = 0;
    DWORD size = 0;  // the low 32 bits; sizeHigh the rest
    DWORD sizeHigh = 0;
    FILETIME lastWrite = {0, 0};

    bool IsFolder() const { return (attributes & 0x10) != 0; }
    ULONGLONG FullSize() const { return ((ULONGLONG)sizeHigh << 32) | size; }
};

struct FilePiece {
    const void* data;
    size_t length;
};

// A file open for reading; closed when destroyed.
class IReadFile {
public:
    virtual ~IReadFile() {}
    virtual ULONGLONG Length() = 0;
    // Up to size bytes from where the last read ended; false on error, else
    // *got the bytes read (0 at the end).
    virtual bool Read(void* buffer, DWORD size, DWORD* got) = 0;
    // Up to size bytes at offset; false on error, else *got the bytes read
    // (0 past the end). The next Read goes on after them.
    virtual bool ReadAt(ULONGLONG offset, void* buffer, DWORD size, DWORD* got) = 0;
};

// A new content being written for one path. The target changes only in
// Commit; destroyed without it, the temporary goes and the target stays.
class IReplacingFile {
public:
    virtual ~IReplacingFile() {}
    virtual bool Write(const void* data, size_t size) = 0;
    // Gives the new file its last-write time (null: the time of writing) and
    // puts it in the target's place.
    virtual bool Commit(const FILETIME* lastWrite) = 0;
};

class IFiles {
public:
    virtual ~IFiles() {}
    // The entries of folder (a path ending with "\"), "." and ".." left out.
    virtual bool ListFolder(const char* folder, std::vector<DirEntry>& out) = 0;
    // Attributes, size and last-write time of one file or folder; false when
    // it is missing.
    virtual bool GetFileInfo(const char* path, DirEntry& out) = 0;
    // Null when path cannot be opened. Files may be opened and read from
    // several threads at once, each handle on one thread.
    virtual std::unique_ptr<IReadFile> OpenRead(const char* path) = 0;
    // Null when no temporary file can be made beside path, or path is
    // read-only or a folder.
    virtual std::unique_ptr<IReplacingFile> CreateReplacing(const char* path) = 0;

    // A plain copy: content and the source's time, the destination overwritten.
    virtual bool CopyFileTo(const char* from, const char* to) = 0;
    // A copy through a temporary beside the destination, given time.
    virtual bool CopyFileWithTime(const char* from, const char* to, const FILETIME& time) = 0;
    virtual bool MoveFileTo(const char* from, const char* to) = 0;
    // Renames path to a new bare name in the same folder.
    virtual bool RenameFile(const char* path, const char* newName) = 0;
    virtual bool RemoveFile(const char* path) = 0;
    virtual bool RemoveFolder(const char* path) = 0;
    // Creates every folder above the last component of path.
    virtual bool MakeDirectories(const char* path) = 0;
    virtual bool SetFileTime(const char* path, const FILETIME& time) = 0;
    // A free name for path made from its last-write date and time (flag bits
    // of the unique-path maker); false when none can be made.
    virtual bool MakeUniquePath(const char* path, int flags, char* out, DWORD cap) = 0;
};

// A whole file of at most cap bytes; false when it cannot be read or is larger.
bool ReadWholeFile(IFiles& files, const char* path, std::vector<BYTE>& out, size_t cap);
// The same into a block of the file's length that is not cleared first
// (the large files a reader takes whole), a large file's two halves read at
// once; *length gets the length.
bool ReadWholeFile(IFiles& files, const char* path, std::unique_ptr<BYTE[]>& out, size_t* length, size_t cap);
// Up to size bytes at offset of one file; false when it cannot be opened or read.
bool ReadFileAt(IFiles& files, const char* path, ULONGLONG offset, void* buffer, DWORD size, DWORD* got);
// Writes the pieces in order as the whole new content of path (through
// CreateReplacing); lastWrite null keeps the time of writing.
bool WriteWholeFile(IFiles& files, const char* path, const FilePiece* pieces, int count, const FILETIME* lastWrite);
bool WriteWholeFile(IFiles& files, const char* path, const void* data, size_t size, const FILETIME* lastWrite);

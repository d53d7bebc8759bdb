// The file operations of the rebuild engine, kept behind an interface so the
// engine stays free of system calls.
#pragma once
#include <string>
#include <vector>

#include "zvtypes.h"

struct DirEntry {
    std::string name;
    DWORD attributes = 0;
    DWORD size = 0;
    FILETIME lastWrite = {0, 0};
};

class IFileSystem {
public:
    virtual ~IFileSystem() {}
    // Lists the entries of folder (a path ending with "\"), "." and ".." left out.
    virtual bool ListFolder(const char* folder, std::vector<DirEntry>& out) = 0;
    // Attributes, size and last-write time of one file; false when it is missing.
    virtual bool GetFileInfo(const char* path, DirEntry& out) = 0;
    virtual bool CopyFileTo(const char* from, const char* to) = 0;
    // A copy that overwrites the destination and gives it the last-write time.
    virtual bool CopyFileWithTime(const char* from, const char* to, const FILETIME& time) = 0;
    // Writes size bytes as the file to, replacing it only when complete, and
    // gives it the last-write time.
    virtual bool WriteFileWithTime(const char* to, const BYTE* data, size_t size, const FILETIME& time) = 0;
    virtual bool MoveFileTo(const char* from, const char* to) = 0;
    virtual bool RemoveFile(const char* path) = 0;
    virtual bool RemoveFolder(const char* path) = 0;
    // Creates every folder above the last component of path.
    virtual bool MakeDirectories(const char* path) = 0;
    virtual bool SetFileTime(const char* path, const FILETIME& time) = 0;
    // Renames path to a new bare name in the same folder.
    virtual bool RenameFile(const char* path, const char* newName) = 0;
    // A free name for path made from its last-write date and time (flag bits of
    // the unique-path maker); false when none can be made.
    virtual bool MakeUniquePath(const char* path, int flags, char* out, DWORD cap) = 0;
    // Starts a file with the shell's default verb; false when that fails.
    virtual bool ShellOpen(const char* folder, const char* file) = 0;
    virtual void CurrentTime(FILETIME& out) = 0;

    // Private profile files ("download.lst"). A null value removes the key.
    virtual DWORD ReadProfileString(const char* file, const char* section, const char* key, char* out, DWORD cap) = 0;
    virtual bool WriteProfileString(const char* file, const char* section, const char* key, const char* value) = 0;
    virtual void FlushProfile(const char* file) = 0;
};

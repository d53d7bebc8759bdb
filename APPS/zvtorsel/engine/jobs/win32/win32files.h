// The rebuild engine's file operations on the Win32 file API and zvcore32.
#pragma once
#include "base/filesystem.h"

class CWin32FileSystem : public IFileSystem {
public:
    bool ListFolder(const char* folder, std::vector<DirEntry>& out) override;
    bool GetFileInfo(const char* path, DirEntry& out) override;
    bool CopyFileTo(const char* from, const char* to) override;
    bool CopyFileWithTime(const char* from, const char* to, const FILETIME& time) override;
    bool WriteFileWithTime(const char* to, const BYTE* data, size_t size, const FILETIME& time) override;
    bool MoveFileTo(const char* from, const char* to) override;
    bool RemoveFile(const char* path) override;
    bool RemoveFolder(const char* path) override;
    bool MakeDirectories(const char* path) override;
    bool SetFileTime(const char* path, const FILETIME& time) override;
    bool RenameFile(const char* path, const char* newName) override;
    bool MakeUniquePath(const char* path, int flags, char* out, DWORD cap) override;
    bool ShellOpen(const char* folder, const char* file) override;
    void CurrentTime(FILETIME& out) override;
    DWORD ReadProfileString(const char* file, const char* section, const char* key, char* out,
                            DWORD cap) override;
    bool WriteProfileString(const char* file, const char* section, const char* key,
                            const char* value) override;
    void FlushProfile(const char* file) override;
};

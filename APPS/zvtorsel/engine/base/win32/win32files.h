// The engine's files on the Win32 file API. Every path goes through the wide
// calls, so paths beyond MAX_PATH work.
#pragma once
#include "base/files.h"

class CWin32Files : public IFiles {
public:
    bool ListFolder(const char* folder, std::vector<DirEntry>& out) override;
    bool GetFileInfo(const char* path, DirEntry& out) override;
    std::unique_ptr<IReadFile> OpenRead(const char* path) override;
    std::unique_ptr<IReplacingFile> CreateReplacing(const char* path) override;
    bool CopyFileTo(const char* from, const char* to) override;
    bool CopyFileWithTime(const char* from, const char* to, const FILETIME& time) override;
    bool MoveFileTo(const char* from, const char* to) override;
    bool RenameFile(const char* path, const char* newName) override;
    bool RemoveFile(const char* path) override;
    bool RemoveFolder(const char* path) override;
    bool MakeDirectories(const char* path) override;
    bool SetFileTime(const char* path, const FILETIME& time) override;
    bool MakeUniquePath(const char* path, int flags, char* out, DWORD cap) override;
};

// Room for the path of a temporary file beside any target path that the
// engine makes (its paths live in buffers of 1024 bytes).
enum { kTemporaryPathSize = 1024 + 20 };

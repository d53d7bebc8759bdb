// The engine's files in memory, for tests, fuzz targets and benchmarks:
// Windows-style paths ("\" or "/", case-blind, double-byte characters of
// code page 932 kept whole), folders made by the files below them, and
// failures on request. Files may be opened and read from several threads at
// once; everything else belongs to one.
#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/files.h"

class CMemoryFiles : public IFiles {
public:
    void AddFile(const std::string& path, const std::string& data, ULONGLONG time = 0);
    void AddFile(const std::string& path, const std::vector<BYTE>& data, ULONGLONG time = 0);
    void AddFolder(const std::string& path);
    bool Exists(const std::string& path) const;
    bool IsFolder(const std::string& path) const;
    // Contents of a file; empty when it is missing.
    std::string Data(const std::string& path) const;
    std::vector<BYTE> Bytes(const std::string& path) const;
    // The contents of a file to read or change in place; a missing file is
    // made empty first.
    std::string& Content(const std::string& path);
    ULONGLONG Time(const std::string& path) const;
    // The highest offset read of a file, and the bytes read of it in all.
    ULONGLONG HighestByteRead(const std::string& path) const;
    ULONGLONG BytesRead(const std::string& path) const;
    // Every file's path as it was last written.
    std::vector<std::string> FilePaths() const;
    // Whether path's parent folder is there (a drive always is).
    bool ParentExists(const std::string& path) const;

    // Writes, copies and moves to these paths fail; every write fails with
    // failWrites, MakeDirectories with failMakeDirectories.
    std::vector<std::string> failCopyTo;
    bool failWrites = false;
    bool failMakeDirectories = false;
    // The largest piece asked of one read and given to one write, of any file.
    size_t largestRead = 0, largestWrite = 0;
    // Smaller values make Read hand out short pieces.
    size_t readChunk = (size_t)-1;
    int opens = 0;   // files opened for reading
    int writes = 0;  // replacements begun

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
    // The name with "_old" before its extension, when that is free.
    bool MakeUniquePath(const char* path, int flags, char* out, DWORD cap) override;

private:
    struct Node {
        std::string path;
        bool folder = false;
        std::string data;
        ULONGLONG time = 0;
        ULONGLONG highestRead = 0, bytesRead = 0;
    };
    class Reader;
    class Replacement;
    static std::string Key(const std::string& path);
    bool WriteRefused(const std::string& path) const;
    std::map<std::string, Node> nodes_;
    // Readers may work on several threads at once, as the real files allow.
    std::unique_ptr<std::mutex> readLock_ = std::make_unique<std::mutex>();
};

FILETIME MakeTime(ULONGLONG v);
ULONGLONG TimeValue(const FILETIME& t);

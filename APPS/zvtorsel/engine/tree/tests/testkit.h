// Test doubles of the rebuild engine: a recording job report and an
// in-memory file system with Windows-style, case-blind paths.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/filesystem.h"
#include "base/jobreport.h"

class CRecordingReport : public IJobReport {
public:
    void StatusText(const char* text) override { statuses.push_back(text); }
    void StatusMessage(UINT id) override { messages.push_back(id); }
    void Warning(const char* path, UINT id) override { warnings.push_back({path, id}); }
    void Failure(const char* path, UINT id) override { failures.push_back({path, id}); }
    bool Ask(UINT id, const char* arg) override {
        asked.push_back(id);
        return answer ? answer(id, arg ? arg : "") : true;
    }
    void Notify(UINT id, const char*) override { notified.push_back(id); }
    void End(int result) override { ends.push_back(result); }

    bool Warned(const std::string& path, UINT id) const {
        for (const auto& w : warnings)
            if (w.first == path && w.second == id) return true;
        return false;
    }

    std::vector<std::string> statuses;
    std::vector<UINT> messages;
    std::vector<std::pair<std::string, UINT>> warnings;
    std::vector<std::pair<std::string, UINT>> failures;
    std::vector<UINT> asked;
    std::vector<UINT> notified;
    std::vector<int> ends;
    std::function<bool(UINT, const std::string&)> answer;
};

class CMemoryFileSystem : public IFileSystem {
public:
    void AddFile(const std::string& path, const std::string& data, ULONGLONG time);
    void AddFolder(const std::string& path);
    bool Exists(const std::string& path) const;
    bool IsFolder(const std::string& path) const;
    std::string Data(const std::string& path) const;
    ULONGLONG Time(const std::string& path) const;
    // Paths whose copy (as destination) fails.
    std::vector<std::string> failCopyTo;
    bool failMakeDirectories = false;

    bool ListFolder(const char* folder, std::vector<DirEntry>& out) override;
    bool GetFileInfo(const char* path, DirEntry& out) override;
    bool CopyFileTo(const char* from, const char* to) override;
    bool CopyFileWithTime(const char* from, const char* to, const FILETIME& time) override {
        return CopyFileTo(from, to) && SetFileTime(to, time);
    }
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
    void FlushProfile(const char*) override {}

    std::vector<std::string> opened;

private:
    struct Node {
        std::string path;
        bool folder = false;
        std::string data;
        ULONGLONG time = 0;
    };
    static std::string Key(const std::string& path);
    bool ParentExists(const std::string& path) const;
    std::map<std::string, Node> nodes_;
    std::map<std::string, std::map<std::string, std::string>> profiles_;
};

FILETIME MakeTime(ULONGLONG v);
ULONGLONG TimeValue(const FILETIME& t);
// UTC file time of a calendar time (the tests run with local time = UTC).
ULONGLONG Utc(int year, int month, int day, int hour, int minute, int second);

// A job's whole machine in memory, for tests and fuzz targets: CMemoryFiles
// and, beside them, profile files, a shell that records what it was asked to
// open and a fixed clock.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "base/jobsystem.h"
#include "base/memoryfiles.h"

// Serves wherever files alone or a whole job system is asked for. Profile
// values live beside the files; a written one grows its file as a real one
// would.
class CMemorySystem : public CMemoryFiles, public IProfileFiles, public IShell, public IClock, public JobSystem {
public:
    CMemorySystem() : JobSystem{*this, *this, *this, *this} {}
    CMemorySystem(const CMemorySystem&) = delete;
    CMemorySystem& operator=(const CMemorySystem&) = delete;
    // Empties files and profiles.
    void Clear();

    DWORD ReadProfileString(const char* file, const char* section, const char* key, char* out, DWORD cap) override;
    bool WriteProfileString(const char* file, const char* section, const char* key, const char* value) override;
    void FlushProfile(const char*) override {}
    bool ShellOpen(const char* folder, const char* file) override;
    // 2020-01-02 03:04:05 UTC.
    void CurrentTime(FILETIME& out) override;

    std::vector<std::string> opened;

private:
    std::map<std::string, std::map<std::string, std::string>> profiles_;
};


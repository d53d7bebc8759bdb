// Profile files, shell and clock of the system, and the whole machine of a
// job on it.
#pragma once
#include "base/jobsystem.h"
#include "base/win32/win32files.h"

class CWin32Desktop : public IProfileFiles, public IShell, public IClock {
public:
    DWORD ReadProfileString(const char* file, const char* section, const char* key, char* out, DWORD cap) override;
    bool WriteProfileString(const char* file, const char* section, const char* key, const char* value) override;
    void FlushProfile(const char* file) override;
    bool ShellOpen(const char* folder, const char* file) override;
    void CurrentTime(FILETIME& out) override;
};

// Serves wherever files alone or a whole job system is asked for.
class CWin32JobSystem : public CWin32Files, public CWin32Desktop, public JobSystem {
public:
    CWin32JobSystem() : JobSystem{*this, *this, *this, *this} {}
    CWin32JobSystem(const CWin32JobSystem&) = delete;
    CWin32JobSystem& operator=(const CWin32JobSystem&) = delete;
};

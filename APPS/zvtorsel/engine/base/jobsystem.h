// What a job uses of the machine besides its settings: files (base/files.h),
// private profile files, the shell and the clock, each behind an interface of
// its own so that a reader of files sees nothing else. CWin32JobSystem
// (base/win32/win32desktop.h) is the system's; tests make theirs in memory.
#pragma once
#include "base/files.h"
#include "zvtypes.h"

// Private profile files ("download.lst").
class IProfileFiles {
public:
    virtual ~IProfileFiles() {}
    virtual DWORD ReadProfileString(const char* file, const char* section, const char* key, char* out, DWORD cap) = 0;
    // A null value removes the key.
    virtual bool WriteProfileString(const char* file, const char* section, const char* key, const char* value) = 0;
    virtual void FlushProfile(const char* file) = 0;
};

class IShell {
public:
    virtual ~IShell() {}
    // Starts a file with the shell's default verb; false when that fails.
    virtual bool ShellOpen(const char* folder, const char* file) = 0;
};

class IClock {
public:
    virtual ~IClock() {}
    virtual void CurrentTime(FILETIME& out) = 0;
};

struct JobSystem {
    IFiles& files;
    IProfileFiles& profiles;
    IShell& shell;
    IClock& clock;
};

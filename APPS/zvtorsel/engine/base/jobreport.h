// How a rebuild job reports. The dialog implements it with its private
// messages, the unattended run with standard output, tests with a recorder.
// Texts of the program's string table travel as their numbers.
#pragma once
#include "zvtypes.h"

// Where a copy, move or delete step stands: the entries it reached (the one
// at hand included) and their bytes, of all it will reach.
struct JobCounts {
    DWORD done = 0, total = 0;
    ULONGLONG doneBytes = 0, totalBytes = 0;
};

class IJobReport {
public:
    virtual ~IJobReport() {}
    virtual void StatusText(const char* text) = 0;
    // One file of a copy, move or delete step: the window shows statusText
    // with the counts; a command line prints message id filled with the URL
    // as the cache keeps it, and the counts every so many entries.
    virtual void EntryProgress(UINT id, const char* url, const char* statusText, const JobCounts& counts) {
        (void)id;
        (void)url;
        (void)counts;
        StatusText(statusText);
    }
    virtual void StatusMessage(UINT id) = 0;
    // One row of the warnings list: the place and the message.
    virtual void Warning(const char* path, UINT id) = 0;
    // A row about an entry that is not rebuilt: a warning row that the
    // command line counts as a failed entry.
    virtual void Failure(const char* path, UINT id) { Warning(path, id); }
    // A yes/no question; arg fills the message's %s. True for Yes.
    virtual bool Ask(UINT id, const char* arg) = 0;
    // A message with an OK button only.
    virtual void Notify(UINT id, const char* arg) = 0;
    virtual void End(int result) = 0;
};

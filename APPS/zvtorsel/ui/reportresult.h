// What a report dialog (address list, keyword search, picture scan,
// download) hands back to the main dialog when it ends with OK.
#pragma once
#include <windows.h>

#include <string>

struct ReportResult {
    bool stopped = false;    // the user stopped the job
    bool failed = false;     // the job could not write its page (a message said why)
    DWORD found = 0;         // pages listed, or hits found
    DWORD searched = 0;      // pages searched (keyword search)
    int folderNumber = 0;    // the rebuild folder the job used
    std::string resultFile;  // the page written (keyword and picture search)
};

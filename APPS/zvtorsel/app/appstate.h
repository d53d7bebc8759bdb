// Process-wide values set at start-up and read by the dialogs.
#pragma once
#include <string>

#include "afxwin.h"

struct AppState {
    CString noneText;           // string 26
    CString addressListTitle;   // string 50
    CString localPictureTitle;  // string 55
    std::string programFolder;  // the program's own folder, ending with "\"
    int historyPrefixLength = 0;
};

AppState& App();
// Loads the strings, the program folder and the history prefix length.
void InitAppState();

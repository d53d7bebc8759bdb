// The help pages beside the program, opened by every "ヘルプ(&H)" button.
#pragma once
#include <windows.h>

// In the order of their "... が見つかりません。" messages (strings 78 to 87).
enum HelpPage {
    HELP_MAIN,           // zvtorsel.htm
    HELP_NOTICE,         // diffver.htm
    HELP_REBUILD_TREE,   // rbldtree.htm
    HELP_LOCAL_LIST,     // locallst.htm
    HELP_LOCAL_KEYWORD,  // localkwd.htm
    HELP_LOCAL_PICTURE,  // localpic.htm
    HELP_DOWNLOAD,       // download.htm
    HELP_OPTIONS,        // options.htm
    HELP_HTML_FORMAT,    // htmlfmt.htm
    HELP_SET_SPI,        // setspi.htm
    HELP_PAGE_COUNT
};

const char* HelpPageFileName(HelpPage page);

// The folder the pages are opened in: the program's own folder unless set
// (tests point it elsewhere). Ends with "\".
const char* HelpFolder();
void SetHelpFolder(const char* folder);

// Opens the page with the shell; when that fails, shows the page's message
// and returns false.
bool OpenHelpPage(HWND owner, HelpPage page);

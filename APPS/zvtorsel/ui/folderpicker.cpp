#include "folderpicker.h"

#include "zvcore32.h"

bool BrowseForFolder(HWND owner, const char* title, std::string& folder) {
    char chosen[MAX_PATH];
    if (!zvBrowseFolderA(owner, title, chosen, folder.c_str())) return false;
    folder = chosen;
    return true;
}

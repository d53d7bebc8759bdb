// The one folder picker of the program's dialogs: the library's, started in
// the folder given.
#pragma once
#include <windows.h>

#include <string>

// Shows the picker with `title`, starting in `folder`; true with the chosen
// folder in `folder`, false when the user cancelled.
bool BrowseForFolder(HWND owner, const char* title, std::string& folder);

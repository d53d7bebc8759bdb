// Window driver additions for windows without buttons (the viewers).
#pragma once
#include <windows.h>

namespace windriver {

// Closes a window as its frame's close box does (posted, so a message box
// the window opens on closing does not block the driver); false when the
// window does not exist.
bool CloseByFrame(HWND window);

}  // namespace windriver

#include "windriver_pictures.h"

namespace windriver {

bool CloseByFrame(HWND window) { return IsWindow(window) && PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

}  // namespace windriver

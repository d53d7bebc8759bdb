// Shared by the Win32-only sources of zvcore32.
#pragma once
#include <windows.h>

#include "zverror.h"

extern HINSTANCE g_zvInstance;

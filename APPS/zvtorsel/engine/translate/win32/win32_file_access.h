// The translator's file access through the Win32 file API.
#pragma once
#include "translate/file_access.h"

// Start-up installs it: SetDefaultHtmlFileAccess(Win32FileAccess());
IHtmlFileAccess* Win32FileAccess();

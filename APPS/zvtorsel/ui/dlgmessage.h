// Message boxes of the picture dialogs: string `id` of the program's table
// with its %s (or %d) filled, captioned with the program's name.
#pragma once
#include <windows.h>

int ShowPictureMessage(UINT id, const char* arg = nullptr, UINT type = MB_OK | MB_ICONEXCLAMATION);
int ShowPictureMessageNumber(UINT id, int number, UINT type = MB_OK | MB_ICONEXCLAMATION);

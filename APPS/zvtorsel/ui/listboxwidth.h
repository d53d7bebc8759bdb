// Lets a list box with a horizontal scroll bar scroll to the end of its longest row.
#pragma once
#include <windows.h>

void FitListBoxScrollWidth(HWND list);

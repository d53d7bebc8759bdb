// Lets a list box with a horizontal scroll bar scroll to the end of its longest row.
#pragma once
#include <windows.h>

void FitListBoxScrollWidth(HWND list);

// Makes the rows of a list box tall enough that what is drawn at the bottom
// of a character cell (the underscore of "index_j") is not cut off.
void FitListBoxRowHeight(HWND list);

// Every message box of the program, captioned with the program's title.
#pragma once
#include <windows.h>

#include <string>

#include "base/jobreport.h"

extern const char kProgramTitle[];

// Where a copy, move or delete step stands, as the window and the command
// line show it: entries and kilobytes done of all.
std::string JobCountsText(const JobCounts& counts);

// Shows text with AfxMessageBox; returns the button pressed.
int ShowMessage(const char* text, UINT type = MB_OK);
// The same with string `id` of the program's table.
int ShowResourceMessage(UINT id, UINT type = MB_OK);
// String `id` with its %s filled by arg (arg may be null for a plain string).
int ShowResourceMessage(UINT id, const char* arg, UINT type);

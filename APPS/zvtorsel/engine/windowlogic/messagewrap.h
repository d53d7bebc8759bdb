// Message box texts: a long path has no space to wrap at, and the box would
// grow as wide as the path and run off the screen.
#pragma once
#include <string>

#include "zvtypes.h"

// Breaks every line longer than width bytes: after its last separator ("\"
// or "/") within the width, else at the width itself; a double-byte
// character is never split (lead bytes from leadTable).
std::string WrapLongLines(const char* text, size_t width, const BYTE* leadTable);

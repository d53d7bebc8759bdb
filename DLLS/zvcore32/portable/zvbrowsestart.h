// Library-internal: the folder the folder picker starts at.
#pragma once
#include <stddef.h>

// initial with a separator appended, tidied by zvControlRightPathA, and the
// final separator removed unless the result is a drive root ("C:\").
// out holds cap bytes; false when initial does not fit.
bool zvBrowseStartFolder(const char* initial, char* out, size_t cap);

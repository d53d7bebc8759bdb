// A new, empty temporary file beside a target path, for writes that replace
// the target only once they are complete.
#pragma once
#include <windows.h>

#include "jobs/temporaryname.h"

// Room for the path of a temporary file beside any target path that the
// rebuild engine makes (its paths live in buffers of 1024 bytes).
enum { kTemporaryPathSize = 1024 + kTemporaryNameSize };

// Creates the file (named by FormatTemporaryName in the target's folder),
// writes its path into out and returns its handle opened for writing, or
// INVALID_HANDLE_VALUE.
HANDLE CreateTemporaryBeside(const char* target, char* out, size_t outSize);

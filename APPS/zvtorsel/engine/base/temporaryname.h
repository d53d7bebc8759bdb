// Names of the temporary files that stand beside a file while its new
// content is written. "$$" never occurs in a name that UrlToLocalPath makes
// (its "$" is always followed by two hexadecimal digits, a separator or the
// end), so a leftover of a killed run is told apart from every rebuilt file.
#pragma once
#include <stddef.h>

enum { kTemporaryNameSize = 20 };

// "$$zvt" + eight hexadecimal digits of serial + ".tmp".
void FormatTemporaryName(unsigned long serial, char* out, size_t outSize);

// True for a name that FormatTemporaryName makes.
bool IsTemporaryName(const char* name);

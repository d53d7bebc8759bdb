// The references of a style sheet: every url(...) and every @import with a
// string, found as a browser's tokenizer finds them (comments, strings and
// escapes stepped over), in a sheet of Shift_JIS, EUC-JP, JIS or a foreign
// set. The scanner only reads within the given bytes.
#pragma once
#include <stddef.h>

#include "zvtypes.h"

struct CssReference {
    size_t start, end;  // the value's bytes: a string with its quotes, or a bare url() value
    const char* url;    // the URL with its escapes decoded, terminated
    size_t urlLength;
};

class ICssReferenceSink {
public:
    virtual ~ICssReferenceSink() {}
    virtual void Reference(const CssReference& reference) = 0;
};

enum { kCssUrlSize = 1024 };

// Calls sink for each reference of css (length bytes) in order. code is the
// sheet's code (declared_charset.h): Shift_JIS walks lead and trail bytes
// together with leadTable, JIS steps over its two-byte runs. A character
// beyond ASCII written as an escape (\65E5 and a blank) comes out as a
// browser requests it, percent-encoded UTF-8 (%E6%97%A5), whatever the
// sheet's code; bytes written as they are stay as they are. A reference
// whose URL is longer than kCssUrlSize - 1 is passed over: it cannot be
// mapped as written.
// Returns the number of references given to sink.
size_t ScanCssReferences(const char* css, size_t length, int code, const BYTE* leadTable, ICssReferenceSink& sink);

// Whether a file is a style sheet: served as text/css, or, where the type is
// unknown, named ".css" (leaf names may carry a query before it).
bool IsStyleSheetFile(const char* name, const char* contentType);

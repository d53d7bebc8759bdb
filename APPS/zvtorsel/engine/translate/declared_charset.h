// The character set a page or style sheet declares: the server's
// Content-Type header, the page's META or a style sheet's @charset. A
// declaration that the bytes can hold decides the conversion; the
// statistical judge only fills in where there is none.
#pragma once
#include <stddef.h>

#include "zvtypes.h"

enum : int {
    kCharsetUtf8 = -4,
    kCharsetUndeclared = -3,
    kCharsetForeign = -2,  // declared, but neither UTF-8 nor a Japanese code
    // 0 to 2: ZVJCODE_SJIS, ZVJCODE_JIS, ZVJCODE_EUC
};

// A code that is kept as it is: neither converted nor relabelled.
inline bool IsForeignCharset(int code) { return code == kCharsetForeign || code == kCharsetUtf8; }

// A charset name (length bytes, any case) as one of the codes above.
int CharsetCodeOfName(const char* name, size_t length);

// The charset parameter of a Content-Type value ("text/html; charset=EUC-JP");
// null or none gives kCharsetUndeclared.
int CharsetOfContentType(const char* contentType);

// The charset of the first META of text that declares one, as
// http-equiv="Content-Type" content="...; charset=X" or as charset="X".
int CharsetOfMeta(const char* text, size_t length);

// The name of an @charset rule at the very start of a style sheet:
// [*nameStart, *nameStart + *nameLength); false when there is none.
bool FindStyleSheetCharset(const char* text, size_t length, size_t* nameStart, size_t* nameLength);

// Whether the bytes of text can be text of code: every byte of 0x80 and up
// in a valid sequence (Shift_JIS, EUC-JP, UTF-8), or none at all (JIS).
// Any bytes fit another declared set.
bool BytesFitCharset(const char* text, size_t length, int code);

// The code a text (zero-terminated at length) is read as: the first
// declaration its bytes can hold (the server's, then the text's own), else
// the judge's verdict (ZVJCODE_NOT_TEXT when it is no text).
int DecideTextCode(const char* text, size_t length, int serverDeclaration, int ownDeclaration);

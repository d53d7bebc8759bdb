// Japanese encodings: judging a text and converting between them.
#pragma once
#include <stddef.h>

#include "zvtypes.h"

enum : int {
    ZVJCODE_NOT_TEXT = -1,
    ZVJCODE_SJIS = 0,
    ZVJCODE_JIS = 1,
    ZVJCODE_EUC = 2,
};

// 0 Shift_JIS (or no Japanese at all), 1 JIS, 2 EUC-JP, -1 not text.
ZV_EXPORT(int) zvJudgeJpnCodeType(LPCSTR text);

// Converts the zero-terminated text in from inCode to outCode, line ends
// normalised to LF. Returns the bytes written, the terminating zero not
// counted. out must hold zvJpnCodeBufferSize(strlen(in), outCode) bytes.
ZV_EXPORT(int) zvConvertJpnCode(LPSTR out, int outCode, LPCSTR in, int inCode);

// Output bytes (terminating zero included) that converting inLength bytes
// to outCode may need. Only conversion to JIS lengthens a text: every
// double-byte run of two or more bytes gains six bytes of escapes, and such
// runs are at least one byte apart, so a text grows at most threefold.
inline size_t zvJpnCodeBufferSize(size_t inLength, int outCode) {
    return outCode == ZVJCODE_JIS ? 3 * inLength + 3 : inLength + 1;
}

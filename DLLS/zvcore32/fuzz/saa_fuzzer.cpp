// Pattern and text both fuzzed: byte 0 holds the flags, then the pattern up
// to a zero byte, then the text.
#include "fuzz_input.h"
#include "zvcore32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    int flags = data[0] & 3;
    FuzzPair input(data + 1, size - 1);
    HANDLE cvt = zvSaaCreateCvtA(input.first.text, flags);
    if (!cvt) {
        if (input.first.length != 0 && zvGetErrCode() != 0x7A760003) abort();
        return 0;
    }
    const char* text = input.second.text;
    size_t length = input.second.length;
    // Scanning from every position exercises the anchored start as the
    // translator drives it; a scan that finds nothing leaves no length.
    for (size_t start = 0; start <= length; start += 1 + length / 8) {
        LPSTR found = zvSaaScanStringA(cvt, text + start);
        int matchLength = zvSaaGetMatchLength(cvt);
        if (!found && matchLength != 0) abort();
        CheckMatch(text + start, length - start, found, matchLength);
    }
    if (!zvSaaCloseCvt(cvt)) abort();
    return 0;
}

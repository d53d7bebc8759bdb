// zvGrepExA: byte 0 chooses the case, then the pattern up to a zero byte, then the text.
#include "fuzz_input.h"
#include "zvcore32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    FuzzPair input(data + 1, size - 1);
    int length = -1;
    LPSTR found = zvGrepExA(input.second.text, input.first.text, data[0] & 1, &length);
    if (!found && length != 0) abort();
    CheckMatch(input.second.text, input.second.length, found, length);
    return 0;
}

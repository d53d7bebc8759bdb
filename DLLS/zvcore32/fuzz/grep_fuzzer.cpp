// zvGrepA: the pattern up to a zero byte, then the text.
#include "fuzz_input.h"
#include "zvcore32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzPair input(data, size);
    LPSTR found = zvGrepA(input.second.text, input.first.text);
    CheckMatch(input.second.text, input.second.length, found, 0);
    return 0;
}

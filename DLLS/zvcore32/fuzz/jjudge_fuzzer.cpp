#include "fuzz_input.h"
#include "zvcore32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzString text(data, size);
    int code = zvJudgeJpnCodeType(text.text);
    if (code < -1 || code > 2) abort();
    return 0;
}

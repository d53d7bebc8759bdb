// Every pair of input and output codes, each into a buffer of exactly the
// documented bound.
#include "fuzz_input.h"
#include "zvcore32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzString in(data, size);
    for (int from = 0; from < 3; ++from) {
        for (int to = 0; to < 3; ++to) {
            size_t bound = zvJpnCodeBufferSize(in.length, to);
            char* out = static_cast<char*>(malloc(bound));
            int n = zvConvertJpnCode(out, to, in.text, from);
            if (n < 0 || (size_t)n >= bound || out[n] != 0) abort();
            if (to != 1 && (size_t)n > in.length) abort();
            free(out);
        }
    }
    return 0;
}

// The text reader over a real file: byte 0 sets the line buffer size, the
// rest is the file. A refused line is read again with a larger buffer.
#include <stdio.h>
#include <unistd.h>

#include "fuzz_input.h"
#include "zvcore32.h"

namespace {

const char* FilePath() {
    static char path[64];
    if (!path[0]) snprintf(path, sizeof path, "/tmp/zvtf_fuzz_%d.txt", (int)getpid());
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    FILE* f = fopen(FilePath(), "wb");
    if (!f) return 0;
    fwrite(data + 1, 1, size - 1, f);
    fclose(f);
    HANDLE tf = zvOpenTextFileA(FilePath());
    if (!tf) abort();
    int small = 1 + data[0] % 64;
    size_t big = size + 1;
    char* line = static_cast<char*>(malloc(big));
    size_t total = 0;
    for (;;) {
        if (zvReadTextFileA(tf, line, small)) {
            size_t n = strlen(line);
            if ((int)n >= small) abort();
            total += n;
            continue;
        }
        if (zvGetErrCode() != 0x7A760006) break;
        if (!zvReadTextFileA(tf, line, (int)big)) {
            if (zvGetErrCode() != 0x7A760009) abort();  // a zero byte further on
            break;
        }
        size_t n = strlen(line);
        if ((int)n < small) abort();
        total += n;
    }
    DWORD end = zvGetErrCode();
    if (end != 0x7A760007 && end != 0x7A760009) abort();
    if (total > size) abort();
    free(line);
    if (!zvCloseTextFile(tf)) abort();
    return 0;
}

#include "base/temporaryname.h"

#include <stdio.h>
#include <string.h>

void FormatTemporaryName(unsigned long serial, char* out, size_t outSize) {
    snprintf(out, outSize, "$$zvt%08lx.tmp", serial & 0xFFFFFFFFUL);
}

bool IsTemporaryName(const char* name) {
    if (strncmp(name, "$$zvt", 5) != 0 || strlen(name) != 17 || strcmp(name + 13, ".tmp") != 0) return false;
    for (int i = 5; i < 13; ++i) {
        char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

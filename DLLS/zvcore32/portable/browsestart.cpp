#include "zvbrowsestart.h"

#include <string.h>

#include "zvpath.h"

bool zvBrowseStartFolder(const char* initial, char* out, size_t cap) {
    if (!out || cap == 0) return false;
    out[0] = '\0';
    if (!initial) return true;
    size_t n = strlen(initial);
    if (n + 2 > cap) return false;
    memcpy(out, initial, n);
    out[n] = '\\';
    out[n + 1] = '\0';
    zvControlRightPathA(out);
    n = strlen(out);
    // The separator appended above is the last byte, never a trail byte.
    if (n > 0 && n != 3 && (out[n - 1] == '\\' || out[n - 1] == '/')) out[n - 1] = '\0';
    return true;
}

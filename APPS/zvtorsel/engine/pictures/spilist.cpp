#include "pictures/spilist.h"

#include <string.h>

bool ParseSpiValue(const char* value, SpiListEntry& out) {
    const char* comma = value ? strchr(value, ',') : nullptr;
    if (!comma) return false;
    out.extension.assign(value, (size_t)(comma - value));
    out.path = comma + 1;
    return true;
}

std::string FormatSpiValue(const SpiListEntry& entry) { return entry.extension + "," + entry.path; }

#include "pluginvalue.h"

#include <string.h>

bool SplitPluginValue(const char* value, std::string& extension, std::string& path) {
    const char* comma = value ? strchr(value, ',') : nullptr;
    if (!comma) return false;
    extension.assign(value, comma - value);
    path = comma + 1;
    return true;
}

#include "settings/profilestore.h"

#include <stdlib.h>

int CMemoryProfileStore::GetInt(const char* section, const char* key, int defaultValue) {
    auto it = values.find(Key(section, key));
    return it == values.end() ? defaultValue : atoi(it->second.c_str());
}

std::string CMemoryProfileStore::GetString(const char* section, const char* key, const char* defaultValue) {
    auto it = values.find(Key(section, key));
    return it == values.end() ? std::string(defaultValue ? defaultValue : "") : it->second;
}

void CMemoryProfileStore::WriteInt(const char* section, const char* key, int value) {
    values[Key(section, key)] = std::to_string(value);
}

void CMemoryProfileStore::WriteString(const char* section, const char* key, const char* value) {
    if (value)
        values[Key(section, key)] = value;
    else
        values.erase(Key(section, key));
}

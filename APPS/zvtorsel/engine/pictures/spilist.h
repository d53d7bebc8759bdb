// The list of registered Susie plug-ins as stored: keys "SPI1" to "SPI32"
// of section "SPI" under the profile name zvdesk32, each "extension,path".
#pragma once
#include <string>
#include <vector>

enum { kMaxSpiPlugins = 32 };

struct SpiListEntry {
    std::string extension;
    std::string path;
};

// Splits a stored value at its first comma; false for a value without one.
bool ParseSpiValue(const char* value, SpiListEntry& out);
// The stored value of an entry.
std::string FormatSpiValue(const SpiListEntry& entry);

// The extension a plug-in offers, from its file filter (GetPluginInfo's
// third text, "*.png;*.apng"): the first pattern's, in lower case; "" when
// the filter names none.
std::string ExtensionOfPluginFilter(const char* filter);

// A value of the Susie plug-in list: "extension,path".
#pragma once
#include <string>

// Splits at the first comma; false (nothing set) when there is none.
bool SplitPluginValue(const char* value, std::string& extension, std::string& path);

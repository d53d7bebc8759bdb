// The keys browsers file their entries under, turned into the plain URL.
#pragma once
#include <stddef.h>

#include <string>

// Chromium: "1/0/_dk_<site> <frame> <URL>" and the older "_dk_", "_cn_",
// "s_" and "<n>/<n>/" prefixed forms: the URL is what follows the last space,
// without the prefixes. Empty when no URL with a scheme is left.
std::string ChromiumKeyToUrl(const char* key, size_t size);

// Firefox cache2: tags separated by "," (a "," inside a tag written ",,"),
// then ":" and the URL ("a,:http://...", "O^partitionKey=...,:http://...").
// Empty when the key has no URL part; predictor and other entries that hold
// no response ("~predictor..." tags, URL schemes of the browser's own) are
// left out through noResponse.
std::string Cache2KeyToUrl(const char* key, size_t size, bool* noResponse);

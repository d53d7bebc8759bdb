// File name extensions for the content types of cached responses.
#pragma once
#include <string>

#include "zvtypes.h"

// The extension (without ".") a body of contentType is saved with; null when
// the type is unknown or absent. Parameters ("; charset=...") are ignored. An
// HTML page gets "html", the extension link translation gives query links.
const char* ExtensionForContentType(const char* contentType);

// The value of the Content-Type line of raw response headers (size bytes,
// not terminated); empty when there is none.
std::string ContentTypeOfHeaders(const char* headers, DWORD size);

// File name extensions for the content types of cached responses.
#pragma once

// The extension (without ".") a body of contentType is saved with; null when
// the type is unknown or absent. Parameters ("; charset=...") are ignored. An
// HTML page gets "html", the extension link translation gives query links.
const char* ExtensionForContentType(const char* contentType);

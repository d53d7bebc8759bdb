// The one mapping between URLs, names in the cache tree and relative paths
// below a rebuild folder. All routines walk Shift_JIS with the lead-byte
// table, write into caller buffers of the given size (always terminated,
// cut at a character boundary) and allocate nothing.
#pragma once
#include <stddef.h>

#include "mapping/mapping_settings.h"
#include "zvtypes.h"

enum { kUrlBufferSize = 1024 };

// The end of a folder name that holds a piece of a name too wide for file
// systems (over 255 bytes, counting characters beyond ASCII as three): the
// name goes on in that folder, whose entries complete it.
const char kContinued[] = "$+";

// URL to mapped URL. localFile (may be null) gives the extension appended to
// a query and the fallback time of the time stamp. Returns 0 when the URL has
// no ":", else 1.
int MapUrlToName(const char* url, const char* localFile, const FILETIME& lastModified, BOOL cnvtPercent, char* out,
                 size_t outSize, const MappingSettings& settings);

// Mapped URL to the relative local path (caller prefixes the rebuild folder).
// A name too wide for file systems is cut into pieces of folders ending with
// kContinued.
// The scheme's ":" with two separators and any more after it becomes "$\",
// every other run of separators before the query one "\". Returns 1 when a "?" was escaped,
// else 0.
int UrlToLocalPath(const char* mappedUrl, char* out, size_t outSize, const MappingSettings& settings);

// One file or folder name read from disk back to its URL text; a piece
// ending with kContinued gives its text only, the rest of the name follows.
// A relative path reads back too: the pieces of a wide name join into one.
void LocalNameToUrl(const char* name, char* out, size_t outSize, const MappingSettings& settings);

// Writes the first tree component of url into component and returns the rest,
// or null when url is a leaf (then component holds the whole leaf text, query
// included; an empty leaf stands for "index.html"). atStart says that url is
// a whole mapped URL, whose first component is its scheme: there a ":" that
// no separator follows ends the component (mailto:x gives "mailto:" and x).
// Elsewhere ":" is an ordinary byte, so "host:8080" stays one folder, the one
// that UrlToLocalPath names "host$3a8080".
const char* NextUrlComponent(const char* url, bool atStart, char* component, size_t componentSize,
                             const MappingSettings& settings);

// Scheme, separators, host and the first separator after it ("http://h/").
// Fails (out empty) when a "?" comes first or there is no "://".
BOOL SiteRootOf(const char* url, char* out, size_t outSize, const MappingSettings& settings);

// The URL up to and including the last separator before any "?"; fails
// (out empty) when there is none.
BOOL FolderOf(const char* url, char* out, size_t outSize, const MappingSettings& settings);

// True when ":" followed by two separators occurs before any "?".
BOOL IsAbsoluteUrl(const char* url, const MappingSettings& settings);

// Absolute URL of a link found in a page whose site root and folder are given.
// Returns FALSE when the result had to be cut to fit.
BOOL ResolveLink(const char* link, const char* siteRoot, const char* folder, char* out, size_t outSize,
                 const MappingSettings& settings);

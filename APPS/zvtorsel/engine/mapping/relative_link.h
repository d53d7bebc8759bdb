// Links between files of one rebuild folder written relative to the page
// that holds them: a rebuilt site then opens from any drive, folder or web
// server, in any browser. Paths are relative to the rebuild folder, with "\"
// or "/" separators, walked with the lead-byte table; every routine writes
// into a caller buffer of the given size (always terminated, never half a
// character or escape) and returns FALSE when it had to cut.
#pragma once
#include <stddef.h>

#include "mapping/mapping_settings.h"
#include "zvtypes.h"

// The part of path behind folder when path lies below it (ASCII letters
// compared without case, "\" and "/" alike), else null.
const char* PathBelowFolder(const char* folder, const char* path, const MappingSettings& settings);

// A local path as a relative URL: "/" separators, and every byte that a
// browser would read as something else (blanks, controls, "#", "?", "%",
// quotes, "&", ":" and the like) as "%XX". Double-byte characters stay as
// they are: a Shift_JIS page hands them to the browser as characters, which
// it sends on in the form the file system uses. The "$xx" names of the
// mapping are plain bytes here and stay.
BOOL LocalPathToUrlPath(const char* localPath, char* out, size_t outSize, const MappingSettings& settings);

// The path of linkPath, a relative link already mapped to local names (its
// leading "./" and "../" steps kept), below the rebuild folder when it is
// followed from the page at pagePath. As in a browser, ".." never climbs
// above the page's site (the scheme and host folders).
BOOL ResolveLocalLink(const char* pagePath, const char* linkPath, char* out, size_t outSize,
                      const MappingSettings& settings);

// The relative URL that leads from the page at pagePath to the file at
// targetPath: "../" for each folder of the page that the target does not
// share, then the target's own names as LocalPathToUrlPath writes them.
BOOL RelativeLink(const char* pagePath, const char* targetPath, char* out, size_t outSize,
                  const MappingSettings& settings);

// Undoes the "%XX" escapes of a relative URL, giving names as on disk.
void UnescapeUrlPath(const char* urlPath, char* out, size_t outSize);

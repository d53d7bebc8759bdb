// Helpers of the jobs that carry out the marks.
#pragma once
#include "base/files.h"
#include "base/jobreport.h"

// Renames the file at path to a free name made from its last-write date (and
// time of day when that name is taken) before its extension.
BOOL RenameFileWithTime(IFiles& files, IJobReport& report, const char* path);

// Removes the folders above path that have become empty, one by one upward,
// never stopFolder (a path ending with "\") itself nor anything above it.
void RemoveEmptyFoldersAbove(IFiles& files, const char* path, const char* stopFolder);

// The cache URL of a mapped URL put back into the cache: a last name
// "index.html" or "index.htm" is dropped so that the URL ends with "/"; a
// last name with a query loses the extension the mapping appended.
void WriteBackUrl(const char* mappedUrl, char* out, size_t cap);

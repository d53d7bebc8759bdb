// The time stamp "_%02d%x%02d_%02d%02d%02d" of cut query names and of
// colliding entry names.
#pragma once
#include "mapping/mapping_settings.h"
#include "zvtypes.h"

enum { kTimeStampSize = 16 };  // "_YYMDD_hhmmss" and its zero, with room to spare

// Formats a local calendar time; out holds kTimeStampSize bytes.
void FormatTimeStamp(const SYSTEMTIME& local, char* out);

// The stamp of a cache entry: its last-modified time when the high half is
// non-zero, else the last-write time of localFile (may be null), else the
// zero time; converted to local time by the settings' clock. Never fails.
void EntryTimeStamp(const FILETIME& lastModified, const char* localFile, char* out, const MappingSettings& settings);

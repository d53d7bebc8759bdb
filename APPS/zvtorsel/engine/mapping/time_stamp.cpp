#include "mapping/time_stamp.h"

#include <stdio.h>
#include <string.h>

void FormatTimeStamp(const SYSTEMTIME& t, char* out) {
    snprintf(out, kTimeStampSize, "_%02d%x%02d_%02d%02d%02d", t.wYear % 100, t.wMonth % 16,
             t.wDay % 100, t.wHour % 100, t.wMinute % 100, t.wSecond % 100);
}

void EntryTimeStamp(const FILETIME& lastModified, const char* localFile, char* out,
                    const MappingSettings& settings) {
    FILETIME time = {0, 0};
    if (lastModified.dwHighDateTime != 0) {
        time = lastModified;
    } else if (localFile && *localFile && !settings.clock->LastWriteTime(localFile, &time)) {
        time.dwLowDateTime = time.dwHighDateTime = 0;
    }
    SYSTEMTIME local;
    if (!settings.clock->ToLocalTime(time, &local)) memset(&local, 0, sizeof local);
    FormatTimeStamp(local, out);
}

// The process-wide inputs of the URL mapping, held in one object so that
// tests and jobs can run the routines with settings of their own.
#pragma once
#include "zvtypes.h"

// The OS services the time stamp needs; the default converts as if local
// time were UTC and finds no files (tests and headless runs install their own).
class IFileClock {
public:
    virtual ~IFileClock() {}
    // Local calendar time of a UTC file time; all fields zero and false when
    // the conversion fails.
    virtual bool ToLocalTime(const FILETIME& utc, SYSTEMTIME* local) const = 0;
    // Last-write time of the file at path; false when there is none.
    virtual bool LastWriteTime(const char* path, FILETIME* time) const = 0;
};

// The clock used unless another is installed: UTC calendar arithmetic, no files.
const IFileClock& UtcFileClock();

struct MappingSettings {
    const BYTE* leadTable;     // 256 entries, 1 for a lead byte
    int cgiLimitLen = 50;      // query length at which a query is cut
    int cgiShortenLen = 0;     // bytes of the query, "?" included, kept at a cut
    int fileProtocolType = 2;  // 2: "file://", 3: "file:///"
    const IFileClock* clock;

    MappingSettings();  // defaults above, the library's lead-byte table, UtcFileClock()

    bool IsLead(BYTE b) const { return leadTable[b] != 0; }
    // "file://" or "file:///" by fileProtocolType.
    const char* FileUrlPrefix() const;

    // The settings that start-up fills and every caller shares.
    static MappingSettings& Process();
};

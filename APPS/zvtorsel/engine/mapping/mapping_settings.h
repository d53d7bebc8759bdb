// The inputs of the URL mapping, held in one object that each job, pane and
// report carries, so that no job sees another's link form or query cut.
#pragma once
#include "zvtypes.h"

// The time sources of the time stamp. Local time comes from zvCTime2; the
// file lookup is the one OS call, so the default clock finds no files and
// start-up installs the system's (tests install their own).
class IFileClock {
public:
    virtual ~IFileClock() {}
    // Local calendar time of a UTC file time as zvCTime2 converts it; all
    // fields zero and false when the conversion fails.
    virtual bool ToLocalTime(const FILETIME& utc, SYSTEMTIME* local) const;
    // Last-write time of the file at path; false when there is none.
    virtual bool LastWriteTime(const char* path, FILETIME* time) const = 0;
};

// The clock used unless another is installed: zvCTime2, no files.
const IFileClock& LocalTimeClock();

struct MappingSettings {
    const BYTE* leadTable;     // 256 entries, 1 for a lead byte
    int cgiLimitLen = 50;      // query length at which a query is cut
    int cgiShortenLen = 0;     // bytes of the query, "?" included, kept at a cut
    int fileProtocolType = 2;  // 1: relative links, 2: "file://", 3: "file:///"
    const IFileClock* clock;

    MappingSettings();  // defaults above, the library's lead-byte table, LocalTimeClock()

    bool IsLead(BYTE b) const { return leadTable[b] != 0; }
    // "file://" or "file:///" by fileProtocolType; "file://" also for
    // relative links, which keep it for files outside the rebuild folder.
    const char* FileUrlPrefix() const;
    bool RelativeLinks() const { return fileProtocolType == 1; }
    // A stored FileProtocolType as one of the three forms (2 when unknown).
    static int ValidFileProtocolType(int stored) { return stored == 1 || stored == 3 ? stored : 2; }
};

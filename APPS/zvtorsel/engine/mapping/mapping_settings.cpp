#include "mapping/mapping_settings.h"

#include <string.h>

#include "zvchartables.h"
#include "zvclass.h"

bool IFileClock::ToLocalTime(const FILETIME& utc, SYSTEMTIME* local) const {
    *local = zvCTime2(utc).GetSystemTime();
    static const SYSTEMTIME kZero = {};
    return memcmp(local, &kZero, sizeof kZero) != 0;
}

namespace {

class NoFileClock : public IFileClock {
public:
    bool LastWriteTime(const char*, FILETIME*) const override { return false; }
};

}  // namespace

const IFileClock& LocalTimeClock() {
    static const NoFileClock clock;
    return clock;
}

MappingSettings::MappingSettings() : leadTable(zvGetDBCSLeadTable()), clock(&LocalTimeClock()) {}

const char* MappingSettings::FileUrlPrefix() const { return fileProtocolType == 3 ? "file:///" : "file://"; }

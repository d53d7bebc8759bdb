// Where an archive's bytes go: a file written under a temporary name and
// renamed when complete, or the test's memory.
#pragma once
#include <stddef.h>

#include "zvtypes.h"

class IArchiveSink {
public:
    virtual ~IArchiveSink() {}
    // False when the bytes could not be written (a full disk): the archive is
    // then given up.
    virtual bool Write(const BYTE* data, size_t size) = 0;
};

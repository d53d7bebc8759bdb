// Where an archive's bytes go: a file written under a temporary name and
// renamed when complete, or the test's memory.
#pragma once
#include <stddef.h>

#include <memory>
#include <string>
#include <vector>

#include "base/files.h"
#include "zvtypes.h"

class IArchiveSink {
public:
    virtual ~IArchiveSink() {}
    // False when the bytes could not be written (a full disk): the archive is
    // then given up.
    virtual bool Write(const BYTE* data, size_t size) = 0;
};

// The archive file: buffered bytes through a replacement of the target
// (IFiles::CreateReplacing), so a killed run leaves only a temporary name,
// never a half archive under the final one. Destroyed uncommitted (a
// failure), the target stays as it was.
class CArchiveFile : public IArchiveSink {
public:
    explicit CArchiveFile(IFiles& files) : files_(files) {}
    CArchiveFile(const CArchiveFile&) = delete;
    CArchiveFile& operator=(const CArchiveFile&) = delete;

    bool Open(const std::string& target);
    bool Write(const BYTE* data, size_t size) override;
    // Flushes and puts the archive in the target's place; false (and the
    // target untouched) when any of that failed.
    bool Commit();

private:
    bool Flush();

    IFiles& files_;
    std::unique_ptr<IReplacingFile> file_;
    std::vector<BYTE> buffer_;
    bool failed_ = false;
};

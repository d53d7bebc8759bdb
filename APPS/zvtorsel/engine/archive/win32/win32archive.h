// The system's parts of the archive writer: SHA-1 through CryptoAPI and the
// archive file, written under a temporary name beside its final one.
#pragma once
#include <windows.h>
// After windows.h, whose types it uses.
#include <wincrypt.h>

#include <string>
#include <vector>

#include "archive/archivesink.h"
#include "archive/digest.h"

class CCryptSha1Maker : public ISha1Maker {
public:
    CCryptSha1Maker();
    ~CCryptSha1Maker() override;
    CCryptSha1Maker(const CCryptSha1Maker&) = delete;
    CCryptSha1Maker& operator=(const CCryptSha1Maker&) = delete;
    // Null when the provider could not be opened.
    std::unique_ptr<ISha1> Make() override;

private:
    HCRYPTPROV provider_ = 0;
};

// The bytes go to "$$zvt????????.tmp" beside the target; Commit renames it
// to the target. Destroyed uncommitted (a failure), the temporary file goes,
// and a killed run leaves only a temporary name, never a half archive under
// the final one.
class CArchiveFile : public IArchiveSink {
public:
    CArchiveFile() = default;
    ~CArchiveFile() override;
    CArchiveFile(const CArchiveFile&) = delete;
    CArchiveFile& operator=(const CArchiveFile&) = delete;

    bool Open(const std::string& target);
    bool Write(const BYTE* data, size_t size) override;
    // Flushes, closes and renames; false (and no file under the target) when
    // any of that failed.
    bool Commit();

private:
    bool Flush();
    void Discard();

    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::string target_, temporary_;
    std::vector<BYTE> buffer_;
    bool failed_ = false;
};

// One WARC/1.1 record at a time into a sink: the named fields, then the
// block's length and digest, the block, and the two line ends that close it.
// Each record is one gzip member when asked, so readers can seek to it.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

#include "archive/archivesink.h"
#include "archive/digest.h"
#include "zvtypes.h"

struct WarcField {
    std::string name;
    std::string value;
};

class CWarcWriter {
public:
    CWarcWriter(IArchiveSink& sink, ISha1Maker& sha1, bool gzip) : sink_(sink), sha1_(sha1), gzip_(gzip) {}
    ~CWarcWriter();
    CWarcWriter(const CWarcWriter&) = delete;
    CWarcWriter& operator=(const CWarcWriter&) = delete;

    // The block is head followed by body. With payloadDigest the record also
    // names the digest of body alone (the payload of an HTTP message).
    // Field names keep token bytes only and values lose their control bytes,
    // so a hostile header never breaks the record apart. False when the
    // sink or the platform's digest failed.
    bool WriteRecord(const std::vector<WarcField>& fields, const std::string& head, const BYTE* body, size_t bodySize,
                     bool payloadDigest);

    ULONGLONG BytesWritten() const { return written_; }

private:
    bool Put(const BYTE* data, size_t size, bool last);
    bool Digest(const std::string& head, const BYTE* body, size_t bodySize, bool withHead, std::string& label);

    IArchiveSink& sink_;
    ISha1Maker& sha1_;
    bool gzip_;
    void* stream_ = nullptr;  // z_stream, kept between records
    std::vector<BYTE> out_;
    ULONGLONG written_ = 0;
};

// A URL as a WARC-Target-URI: bytes that a URI cannot hold (controls,
// space, bytes above 0x7E, quotes, angle brackets and "\\") written as "%XX".
std::string WarcUri(const char* url, size_t size);

// A Windows time as ISO 8601 UTC to the second ("2026-12-09T07:20:00Z").
std::string WarcDate(const FILETIME& time);

// A name-based (version 5 form) "urn:uuid:" made from seed: distinct seeds
// give distinct identifiers, and the same run gives the same ones.
bool WarcRecordId(ISha1Maker& sha1, const std::string& seed, std::string& out);

// The record writer on hostile input: a stored head of random bytes (CR, LF
// and NUL anywhere), random field names and values, random bodies, both
// forms. Whatever comes in, the tests' reader must read back exactly the
// records written, with their digests and lengths.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "archive/tests/warcreader.h"
#include "archive/warcjob.h"
#include "archive/warcrecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    bool gzip = data[0] & 1;
    // Three slices: field text, stored head, body.
    size_t a = 1 + (size - 1) * data[1] / 256, b = a + (size - a) * data[2] / 256;
    std::string fieldText((const char*)data + 3, a > 3 ? a - 3 : 0);
    std::string stored((const char*)data + a, b - a);
    const BYTE* body = data + b;
    size_t bodySize = size - b;

    std::vector<WarcField> fields;
    for (size_t at = 0; at < fieldText.size();) {
        size_t cut = fieldText.find('|', at);
        if (cut == std::string::npos) cut = fieldText.size();
        std::string piece = fieldText.substr(at, cut - at);
        size_t eq = piece.find('=');
        fields.push_back({piece.substr(0, eq), eq == std::string::npos ? "" : piece.substr(eq + 1)});
        at = cut + 1;
    }
    std::string head, date;
    bool longer = false;
    bool http = WarcResponseHead(stored.data(), stored.size(), data[0] & 2, bodySize, head, date, &longer);

    warctest::TestSha1Maker sha1;
    warctest::MemorySink sink;
    CWarcWriter writer(sink, sha1, gzip);
    std::string uri = WarcUri(stored.data(), stored.size());
    fields.push_back({"WARC-Type", http ? "response" : "resource"});
    fields.push_back({"Content-Type", http ? "application/http;msgtype=response" : "application/octet-stream"});
    fields.push_back({"WARC-Target-URI", uri});
    if (!writer.WriteRecord(fields, head, body, bodySize, http)) abort();
    if (!writer.WriteRecord({{"WARC-Type", "metadata"}}, std::string(), (const BYTE*)stored.data(), stored.size(),
                            false))
        abort();

    std::vector<warctest::Record> records;
    std::string why;
    bool read = warctest::ReadArchive(sink.bytes, gzip, records, why);
    for (size_t i = 0; read && i < records.size(); ++i) read = warctest::CheckDigests(records[i], sha1, why);
    if (!read || records.size() != 2) {
        fprintf(stderr, "warcrecord_fuzzer: %s\n", why.c_str());
        abort();
    }
    if (records[0].block.size() != head.size() + bodySize) abort();
    if (uri.find_first_of("\r\n ") != std::string::npos) abort();
    return 0;
}

// Arbitrary bytes as a cache index file through the reader and the store's
// walk and listings (of its entries and of the store itself). Inputs shorter than the header area are spread out: the
// first part stays the header, the rest lands where records begin, so that
// small inputs reach hash tables and records.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "cache/cachelisting.h"
#include "cache/indexdat.h"
#include "cache/indexdatstore.h"
#include "base/jobreport.h"

namespace {

const size_t kHeaderArea = 0x250;
const size_t kRecordsStart = 0x4000;

class NullReport : public IJobReport {
public:
    void StatusText(const char*) override {}
    void StatusMessage(UINT) override {}
    void Warning(const char*, UINT) override {}
    bool Ask(UINT, const char*) override { return true; }
    void Notify(UINT, const char*) override {}
    void End(int) override {}
};

bool Inside(const std::vector<BYTE>& file, const char* p, size_t n) {
    const char* begin = (const char*)file.data();
    return p >= begin && n <= file.size() && (size_t)(p - begin) <= file.size() - n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<BYTE> file;
    if (size >= kRecordsStart || size <= kHeaderArea) {
        file.assign(data, data + size);
    } else {
        file.assign(data, data + kHeaderArea);
        file.resize(kRecordsStart, 0);
        file.insert(file.end(), data + kHeaderArea, data + size);
    }
    CIndexDatReader reader;
    if (reader.Parse(file.data(), file.size())) {
        for (const IndexDatRecord& r : reader.Records()) {
            if (!Inside(file, r.url, strlen(r.url) + 1)) abort();
            if (r.fileName && !Inside(file, r.fileName, strlen(r.fileName) + 1)) abort();
            if (r.folder >= (int)reader.Folders().size()) abort();
            if (r.headerInfo && !Inside(file, r.headerInfo, r.headerInfoSize)) abort();
        }
        if (reader.Records().size() > file.size() / 128) abort();
    }
    CIndexDatUrlCache cache("C:\\old\\");
    cache.AddIndex("C:\\old\\index.dat", file);
    NullReport report;
    size_t lines = ListUrlCache(
        cache,
        [](const std::string& line) {
            if (line.find('\n') != std::string::npos || line.find('\r') != std::string::npos) abort();
        },
        report);
    if (lines != reader.Records().size()) abort();
    // The listing of the store itself, and entry lines of a store of several
    // caches, whose folder column stands after the empty ones.
    auto oneLine = [](const std::string& line) {
        if (line.find_first_of("\r\n") != std::string::npos) abort();
    };
    if (ListCaches(cache, oneLine) != 1) abort();
    UrlCacheEntry entry;
    for (bool more = cache.FindFirst(entry); more; more = cache.FindNext(entry))
        oneLine(CacheListingLine(entry, "Low\\Content.IE5"));
    cache.FindClose();
    return 0;
}

// Writes every response of a cache as a WARC/1.1 archive, in one pass over
// the walk: a warcinfo record first, then per entry a response record (and a
// request record where the store keeps the request). Nothing is written into
// the cache; the archive goes to a sink that renames it into place at the end.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "archive/archivesink.h"
#include "archive/digest.h"
#include "base/jobreport.h"
#include "cache/urlcache.h"

struct WarcJobSettings {
    std::string software;     // "z.v Torsel Sitekeeper 1.0"
    std::string fileName;     // the archive's bare name
    std::string cacheFolder;  // empty for the live cache
    std::string cacheKind;    // what the store reads, in words (WarcStoreKind)
    bool gzip = true;
    FILETIME now = {0, 0};  // dates the warcinfo and seeds the record identifiers
};

struct WarcJobCounts {
    size_t records = 0;      // every record written, warcinfo included
    size_t responses = 0;    // entries written
    size_t truncated = 0;    // of them, with only part of their body
    size_t unreadable = 0;   // left out: the body could not be read
    size_t notResponse = 0;  // left out: cookies and history entries
};

enum WarcJobResult {
    WARC_DONE,
    WARC_WRITE_FAILED,  // the sink refused bytes (a full disk) or the digest failed
    WARC_CANCELLED,
    WARC_NOT_OPENED,    // the archive file could not be made (WriteWarcFile)
};

// How a store without bodies of its own gives the file of an entry.
using WarcFileReader = std::function<bool(const char* path, std::vector<BYTE>& out)>;

struct WarcJobHooks {
    WarcFileReader readFile;
    std::function<void(size_t records)> progress;  // after every kWarcProgressStep records
    std::function<bool()> cancelled;               // tested before each entry; may be empty
    // The entries written, by their URL: a selection of the cache. Empty:
    // every entry. Entries it leaves out are not counted anywhere.
    std::function<bool(const char* url)> wanted;
};

const size_t kWarcProgressStep = 1000;

// True for a file name that asks for a plain archive (".warc"), false for
// ".warc.gz" and every other name.
bool WarcNameIsPlain(const std::string& fileName);

// The name a save dialog's typed name stands for: kept when it ends in
// ".warc" or ".warc.gz", else given the extension of the chosen kind.
std::string WarcFileNameOf(const std::string& typed, bool plain);

// A save dialog's first name for the archive of a tree entry: its label,
// with the bytes a Windows file name cannot hold made "_", and ".warc.gz";
// "cache.warc.gz" for an empty label.
std::string WarcSuggestedName(const std::string& label, const BYTE* leadTable);

// The store a cache reads, in words, for the warcinfo record: the live
// WinINet cache, an index.dat folder, or the kinds of the caches a folder
// search found ("Chromium simple cache", "Mozilla disk cache v1 (Firefox 1
// to 31)", ...), with their count when there are several.
std::string WarcStoreKind(const IUrlCache& cache);

WarcJobResult WriteCacheArchive(IUrlCache& cache, IArchiveSink& sink, ISha1Maker& sha1, const WarcJobSettings& settings,
                                const WarcJobHooks& hooks, IJobReport& report, WarcJobCounts& counts);

// The HTTP head of a response block, made from the stored head: the status
// line and the header lines in their order, CR LF ended; Transfer-Encoding
// left out, Content-Encoding left out unless keepEncoding, Content-Length set
// to payloadSize. False when the stored head has no HTTP status line.
// *declaredLonger is set when the stored Content-Length of the bytes kept was
// larger than payloadSize (a cut body); date gets the Date header's value.
bool WarcResponseHead(const char* stored, size_t size, bool keepEncoding, unsigned long long payloadSize,
                      std::string& head, std::string& date, bool* declaredLonger);

#include "archive/win32/warcfile.h"

#include <windows.h>

#include "archive/archivesink.h"
#include "archive/win32/win32archive.h"
#include "cache/browsercachestore.h"

WarcJobResult WriteWarcFile(IFiles& files, IUrlCache& cache, const std::string& path, WarcJobSettings settings, WarcJobHooks hooks,
                            IJobReport& report, WarcJobCounts& counts) {
    counts = WarcJobCounts();
    CArchiveFile file(files);
    if (!file.Open(path)) return WARC_NOT_OPENED;
    size_t cut = path.find_last_of("\\/:");
    settings.fileName = cut == std::string::npos ? path : path.substr(cut + 1);
    settings.cacheKind = WarcStoreKind(cache);
    settings.gzip = !WarcNameIsPlain(path);
    GetSystemTimeAsFileTime(&settings.now);
    if (!hooks.readFile)
        hooks.readFile = [&files](const char* name, std::vector<BYTE>& body) {
            return ReadWholeFile(files, name, body, kLargestCacheFile);
        };
    CCryptSha1Maker sha1;
    WarcJobResult result = WriteCacheArchive(cache, file, sha1, settings, hooks, report, counts);
    if (result == WARC_DONE && !file.Commit()) result = WARC_WRITE_FAILED;
    return result;
}

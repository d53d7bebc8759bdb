// One archive file of a cache, as the command line and the Rebuild Tree
// write it: the store's kind named, the file's bodies read through files, SHA-1 from CryptoAPI, the file renamed into place only when whole.
#pragma once
#include <string>

#include "archive/warcjob.h"
#include "base/files.h"

// Writes the archive of cache to path; settings.software and
// settings.cacheFolder come from the caller, the rest is filled in here
// (gzip unless the name asks for a plain ".warc"). hooks.readFile reads
// through files when empty. WARC_NOT_OPENED: nothing was written.
WarcJobResult WriteWarcFile(IFiles& files, IUrlCache& cache, const std::string& path, WarcJobSettings settings, WarcJobHooks hooks,
                            IJobReport& report, WarcJobCounts& counts);

// zvtorsel.exe /cachelist [/cache:FOLDER] [/log:FILE]: one line per entry of
// the live cache or of a cache folder, so a user sees what it holds.
#pragma once
#include <memory>
#include <string>

#include "base/files.h"
#include "base/jobreport.h"
#include "cache/urlcache.h"
#include "commandline.h"

int RunCacheList(const CommandLine& options);
// zvtorsel.exe /caches [/cache:FOLDER] [/log:FILE]: one line per cache found
// (kind, folder, entry count, newest entry time, whose), for scripts; the
// last line counts them and the folders looked at.
int RunCacheSearch(const CommandLine& options);

// The cache of a command job: the live cache when folder is empty, else the
// cache folder (index files, or the browser caches found in and below it);
// null (with the reason reported) when no readable cache was found there.
// files read the cache and must outlive it; folders: how many folders the
// search looked at.
std::unique_ptr<IUrlCache> OpenCommandCache(IFiles& files, const std::string& folder, IJobReport& report,
                                            size_t* folders = nullptr);

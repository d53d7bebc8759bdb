// zvtorsel.exe /warc:FILE [/cache:FOLDER] [/log:FILE]: the live cache or a
// cache folder written as one web archive, for archive tools to replay.
#pragma once
#include <string>

#include "archive/warcjob.h"
#include "commandline.h"

int RunWarcJob(const CommandLine& options);

// The program's own part of an archive's settings: its name and version,
// and the cache folder read (empty for the live cache).
WarcJobSettings WarcSettingsOf(const std::string& cacheFolder);

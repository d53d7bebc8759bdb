// zvtorsel.exe /warc:FILE [/cache:FOLDER] [/log:FILE]: the live cache or a
// cache folder written as one web archive, for archive tools to replay.
#pragma once
#include "commandline.h"

int RunWarcJob(const CommandLine& options);

// zvtorsel.exe /download: fetches the download list of rebuild folder 0 (or
// /folder:) with the workers of the download dialog, one output line per URL.
#pragma once
#include "commandline.h"

class CWinApp;

int RunDownloadJob(CWinApp& app, const CommandLine& options);

// The settings of section Rebuild and the process-wide values the engine
// takes from them at start-up.
#pragma once
#include "tree/treepane.h"

class CWinApp;

// Reads section Rebuild (writing the two CGI keys when they are missing) and
// hands the mapping its CGI limits and file protocol form.
void ReadRebuildSettings(CWinApp& app, RebuildSettings& settings);
// Installs the system's clock, file access and number formatting for the engine.
void InstallEngineServices();

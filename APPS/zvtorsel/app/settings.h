// The settings of section Rebuild and the process-wide values the engine
// takes from them at start-up.
#pragma once
#include <string>

#include "tree/treepane.h"

class CWinApp;

// Folder 0 when none is stored: "%c:\My Documents\Internet Local Files\"
// with the drive of the program's own path.
std::string DefaultRebuildFolder();
// Reads section Rebuild (writing the two CGI keys when they are missing) and
// hands the mapping its CGI limits and file protocol form.
void ReadRebuildSettings(CWinApp& app, RebuildSettings& settings);
// Stores what the options dialog edits (folders, switches, FileProtocolType,
// CacheFolder) in section Rebuild and hands the mapping the new file protocol form.
struct RebuildOptions;
void WriteRebuildSettings(CWinApp& app, const RebuildOptions& options);
// Installs the system's clock, file access and number formatting for the engine.
void InstallEngineServices();

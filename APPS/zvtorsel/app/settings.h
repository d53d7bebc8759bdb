// The settings of section Rebuild as the record of one job.
#pragma once
#include <string>

#include "tree/treepane.h"

class CWinApp;

// Folder 0 when none is stored: "%c:\My Documents\Internet Local Files\"
// with the drive of the program's own path.
std::string DefaultRebuildFolder();
// Reads section Rebuild (writing the two CGI keys when they are missing)
// into a job's record: its mapping with the CGI limits, the file protocol
// form and the system's file clock, and the user's number format.
void ReadRebuildSettings(CWinApp& app, RebuildSettings& settings);
// Stores what the options dialog edits (folders, switches, FileProtocolType,
// CacheFolder) in section Rebuild.
struct RebuildOptions;
void WriteRebuildSettings(CWinApp& app, const RebuildOptions& options);

// The command-line jobs: zvtorsel.exe /JOB [options]. Each job runs the same
// engine as its window, without a window, and never changes a stored setting.
#pragma once
#include <string>
#include <vector>

#include "mapping/mapping_settings.h"

enum class CommandJob { Windows, Rebuild, List, Search, Pictures, Download, CacheList, Caches, Warc };

struct CommandLine {
    CommandJob job = CommandJob::Windows;
    std::string folder;  // /folder: overrides rebuild folder 0, ends with "\"
    std::string log;     // /log: output file (Shift_JIS) instead of standard output
    std::string cache;   // /cache: a cache folder read instead of the live cache
    std::string warcFile;  // /warc: the web archive written (".warc.gz", or ".warc" for a plain one)
    bool allowDelete = false;           // /rebuild /delete
    std::vector<std::string> keywords;  // /search:WORD, up to three
    bool orSearch = false, matchCase = false, patterns = false;  // /or /case /re
    std::string searchIn;     // /in: folder searched (/search, /pictures)
    std::string resultPage;   // /result: keyword result page (/pictures)
    int threads = 0;          // /threads: 1 to 5 (/download); 0 keeps the setting
    // /links:relative, /links:file, /links:file3: FileProtocolType 1, 2 or 3
    // for this run (/rebuild, /list, /search, /pictures); 0 keeps the setting.
    int fileProtocolType = 0;
};

// Why a command line was refused: a message of the string table and the
// argument that its %s names ("" when it names none).
struct CommandLineRefusal {
    unsigned message = 0;
    std::string argument;
};

// Splits the command line (quotes group words); false for an unknown,
// malformed or misplaced argument (an option of another job), with why.
bool ParseCommandLine(const char* text, CommandLine& out, CommandLineRefusal& why);

// Puts the link form of /links: in place of the stored one in this run's mapping.
inline void ApplyLinkForm(const CommandLine& options, MappingSettings& mapping) {
    if (options.fileProtocolType) mapping.fileProtocolType = options.fileProtocolType;
}

// EXIT_PARTIAL: the job ran to its end, but some entries failed (each one
// a line of the output, their count the last line).
enum CommandExit { EXIT_FINISHED = 0, EXIT_STOPPED = 1, EXIT_BAD_ARGUMENTS = 2, EXIT_PARTIAL = 3 };

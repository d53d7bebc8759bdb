// The command-line jobs: zvtorsel.exe /JOB [options]. Each job runs the same
// engine as its window, without a window, and never changes a stored setting.
#pragma once
#include <string>
#include <vector>

enum class CommandJob { Windows, Rebuild, List, Search, Pictures, Download, CacheList };

struct CommandLine {
    CommandJob job = CommandJob::Windows;
    std::string folder;  // /folder: overrides rebuild folder 0, ends with "\"
    std::string log;     // /log: output file (Shift_JIS) instead of standard output
    std::string cache;   // /cache: a cache folder read instead of the live cache
    bool allowDelete = false;           // /rebuild /delete
    std::vector<std::string> keywords;  // /search:WORD, up to three
    bool orSearch = false, matchCase = false, patterns = false;  // /or /case /re
    std::string searchIn;     // /in: folder searched (/search, /pictures)
    std::string resultPage;   // /result: keyword result page (/pictures)
    int threads = 0;          // /threads: 1 to 5 (/download); 0 keeps the setting
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

enum CommandExit { EXIT_FINISHED = 0, EXIT_STOPPED = 1, EXIT_BAD_ARGUMENTS = 2 };

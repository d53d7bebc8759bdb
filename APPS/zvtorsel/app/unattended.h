// zvtorsel.exe /rebuild: builds and compares the trees and carries out the
// marks with the stored settings, without a window.
#pragma once
#include <string>

struct CommandLine {
    bool rebuild = false;
    bool allowDelete = false;
    std::string folder;  // overrides rebuild folder 0, ends with "\"
    std::string log;
};

// Splits the command line (quotes group words); false for an unknown or
// malformed argument.
bool ParseCommandLine(const char* text, CommandLine& out);

enum UnattendedExit { EXIT_FINISHED = 0, EXIT_STOPPED = 1, EXIT_BAD_ARGUMENTS = 2 };

class CWinApp;
int RunUnattendedRebuild(CWinApp& app, const CommandLine& options);

// The program's three libraries are shared files that setup puts into the
// common files folder, and the program imports them delay-loaded: they are
// loaded here, before their first call, so that the program starts however
// it is started (shortcut, full path, Explorer), not only where the shell
// applies the App Paths entry.
#pragma once
#include <windows.h>

#include <string>

// Loads zvcore32.dll, zvpix32.dll and zvclass.dll from the program's own
// folder, the folders of the program's App Paths entry or the shared
// folder "z.v" under the common files folder, else by the system's search.
// False with the name of the first library not found.
bool LoadSharedLibraries(std::string& missing);

// Says which library is missing, without calling any of them: a message box
// when the program was started for its windows, one line on standard error
// when it was given a command line.
void ReportMissingLibrary(HINSTANCE instance, const char* commandLine, const char* name);

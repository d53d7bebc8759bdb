// zvtorsel.exe /rebuild: builds and compares the trees and carries out the
// marks with the stored settings, without a window.
#pragma once
#include "commandline.h"

class CWinApp;
int RunUnattendedRebuild(CWinApp& app, const CommandLine& options);

// zvtorsel.exe /pictures [/in:FOLDER | /result:PAGE] [/folder:PATH] [/log:FILE]:
// the picture scan with the stored settings of section ScanPicture.
#pragma once
#include "commandline.h"

class CWinApp;
int RunPicturesJob(CWinApp& app, const CommandLine& options);

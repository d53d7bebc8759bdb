// The system's local time conversion and file lookup for the time stamp.
#pragma once
#include "mapping/mapping_settings.h"

// Start-up installs it: MappingSettings::Process().clock = &Win32FileClock();
const IFileClock& Win32FileClock();

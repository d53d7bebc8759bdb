// The system's local time conversion and file lookup for the time stamp.
#pragma once
#include "mapping/mapping_settings.h"

// A job's mapping takes it from the settings: mapping.clock = &Win32FileClock();
const IFileClock& Win32FileClock();

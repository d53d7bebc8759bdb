// Public interface of zvcore32.dll.
#pragma once
#include "portable/zverror.h"
#include "portable/zvchartables.h"
#include "portable/zvfiletime.h"
#include "portable/zvlibrary.h"
#include "portable/zvpath.h"
#include "portable/zvsaa.h"
#include "portable/zvgrep.h"
#include "portable/zvjcode.h"
#include "portable/zvtextfile.h"
#include "portable/zvfileop.h"
#ifdef _WIN32
#include "win32/zvwinhelpers.h"
#endif

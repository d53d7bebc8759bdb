// Public interface of zvcore32.dll.
#pragma once
#include "portable/zverror.h"
#include "portable/zvchartables.h"

// Host build: the tables the DLL builds at attach, for code page 932.
#include "zvchartables.h"

namespace {
struct HostAttach {
    HostAttach() { zvBuildCharTablesCp932(); }
} g_hostAttach;
}  // namespace

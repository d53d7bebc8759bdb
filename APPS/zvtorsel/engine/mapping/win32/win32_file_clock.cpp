#include "mapping/win32/win32_file_clock.h"

#include <windows.h>

#include "base/win32/widepath.h"

namespace {

class Win32Clock : public IFileClock {
public:
    bool LastWriteTime(const char* path, FILETIME* time) const override {
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW(WidePath(path).c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) return false;
        FindClose(h);
        *time = found.ftLastWriteTime;
        return true;
    }
};

}  // namespace

const IFileClock& Win32FileClock() {
    static const Win32Clock clock;
    return clock;
}

// Drives the file operation engine over a folder tree, for its kill test:
//   fileopkit.exe copy|move FROM TO     (both folders ending with "\")
// carries every file below FROM to the same place below TO, overwriting,
// one entry at a time as a caller of the engine does. Exit code 0 when
// every entry was carried out, 1 when one failed, 2 for bad arguments.
#include <windows.h>
#include <string.h>

#include <string>

#include "zvcore32.h"

namespace {

bool Carry(HZVFILEOP op, INT_PTR operation, const std::string& from, const std::string& to) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((from + "*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return true;
    bool ok = true;
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
        std::string name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = Carry(op, operation, from + name + "\\", to + name + "\\") && ok;
        else
            ok = zvOperateFileOpA(op, operation, (from + name).c_str(), (to + name).c_str(), ZV_FO_EXISTS_OVERWRITE) &&
                 ok;
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    INT_PTR operation = strcmp(argv[1], "copy") == 0 ? ZV_FO_COPY : strcmp(argv[1], "move") == 0 ? ZV_FO_MOVE : 0;
    if (!operation) return 2;
    HZVFILEOP op = zvCreateFileOpA(nullptr, 0);
    if (!op) return 1;
    bool ok = Carry(op, operation, argv[2], argv[3]);
    zvCloseFileOp(op);
    return ok ? 0 : 1;
}

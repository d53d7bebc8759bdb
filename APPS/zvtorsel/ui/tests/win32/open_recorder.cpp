// Stands in for the program that the shell starts for a page. Registered as
// "open_recorder.exe" "RECORD" "%1": appends the rest of its command line,
// one line each, to the file RECORD, so a window test sees which file a
// button opened.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    const char* p = commandLine;
    while (*p == ' ') ++p;
    if (*p++ != '"') return 1;
    const char* end = p;
    while (*end && *end != '"') ++end;
    if (!*end || end - p >= MAX_PATH) return 1;
    char record[MAX_PATH];
    lstrcpynA(record, p, (int)(end - p) + 1);
    const char* opened = end + 1;
    while (*opened == ' ') ++opened;
    HANDLE file = CreateFileA(record, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written;
    WriteFile(file, opened, lstrlenA(opened), &written, nullptr);
    WriteFile(file, "\r\n", 2, &written, nullptr);
    CloseHandle(file);
    return 0;
}

#include "dlgmessage.h"

#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "afxwin.h"
#include "zvpath.h"

int ShowPictureMessage(UINT id, const char* arg, UINT type) {
    char format[512];
    if (!AfxLoadString(id, format, sizeof(format))) snprintf(format, sizeof(format), "#%u %%s", id);
    std::string text = format;
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, arg ? arg : "");
    return AfxMessageBox(text.c_str(), type);
}

int ShowPictureMessageNumber(UINT id, int number, UINT type) {
    char format[512], text[600];
    if (!AfxLoadString(id, format, sizeof(format))) snprintf(format, sizeof(format), "#%u %%d", id);
    snprintf(text, sizeof(text), format, number);
    return AfxMessageBox(text, type);
}

void OpenHelpPage(HWND owner, const char* page, UINT missingId) {
    char folder[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, folder, sizeof(folder));
    if (n == 0 || n >= sizeof(folder)) return;
    folder[zvScanFileNameA(folder) - folder] = 0;  // double-byte aware
    std::string path = std::string(folder) + page;
    if ((INT_PTR)ShellExecuteA(owner, "open", path.c_str(), nullptr, folder, SW_SHOWNORMAL) <= 32)
        ShowPictureMessage(missingId);
}

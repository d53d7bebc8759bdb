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


#include "dlgmessage.h"

#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "afxwin.h"
#include "zvpath.h"

namespace {

CString Format(UINT id, const char* marker) {
    CString format = AfxLoadText(id);
    if (format.IsEmpty()) format.Format("#%u %s", id, marker);
    return format;
}

}  // namespace

int ShowPictureMessage(UINT id, const char* arg, UINT type) {
    return AfxMessageBox(AfxFillText(Format(id, "%s"), arg), type);
}

int ShowPictureMessageNumber(UINT id, int number, UINT type) {
    return AfxMessageBox(AfxFillText(Format(id, "%d"), std::to_string(number).c_str(), "%d"), type);
}


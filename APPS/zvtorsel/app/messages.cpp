#include "messages.h"

#include <stdio.h>

#include "afxwin.h"

const char kProgramTitle[] = "z.v Torsel Sitekeeper";

namespace {

// AfxMessageBox takes its caption from the application title.
void UseProgramTitle() {
    static bool set = false;
    if (!set) {
        AfxSetAppName(kProgramTitle);
        set = true;
    }
}

}  // namespace

int ShowMessage(const char* text, UINT type) {
    UseProgramTitle();
    return AfxMessageBox(text ? text : "", type);
}

int ShowResourceMessage(UINT id, UINT type) { return ShowResourceMessage(id, nullptr, type); }

int ShowResourceMessage(UINT id, const char* arg, UINT type) { return ShowMessage(AfxLoadText(id, arg), type); }

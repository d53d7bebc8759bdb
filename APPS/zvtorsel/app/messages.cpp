#include "messages.h"

#include <stdio.h>

#include "afxwin.h"
#include "windowlogic/messagewrap.h"
#include "zvcore32.h"

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

// A box is as wide as its longest line: longer lines would run off the screen.
const size_t kMessageLineWidth = 80;

}  // namespace

int ShowMessage(const char* text, UINT type) {
    UseProgramTitle();
    std::string wrapped = WrapLongLines(text ? text : "", kMessageLineWidth, zvGetDBCSLeadTable());
    return AfxMessageBox(wrapped.c_str(), type);
}

int ShowResourceMessage(UINT id, UINT type) { return ShowResourceMessage(id, nullptr, type); }

int ShowResourceMessage(UINT id, const char* arg, UINT type) { return ShowMessage(AfxLoadText(id, arg), type); }

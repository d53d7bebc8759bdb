#include "messages.h"

#include <stdio.h>

#include "afxwin.h"
#include "resource.h"
#include "windowlogic/messagewrap.h"
#include "zvcore32.h"

const char kProgramTitle[] = "z.v Torsel Sitekeeper";

std::string JobCountsText(const JobCounts& counts) {
    CString text = AfxLoadText(IDS_JOB_COUNTS);
    // Kilobytes rounded up, so a step of small files never shows 0 of 0.
    const DWORD values[] = {counts.done, counts.total, (DWORD)((counts.doneBytes + 1023) / 1024),
                            (DWORD)((counts.totalBytes + 1023) / 1024)};
    for (DWORD value : values) text = AfxFillText(text, AfxFormatCount(value).c_str());
    return text.c_str();
}

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

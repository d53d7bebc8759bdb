// The program's message routine as the engine sees it: the dialog shows a
// message box, a headless run prints, tests record.
#pragma once
#include "base/messagenumbers.h"
#include "zvtypes.h"

class IMessageRoutine {
public:
    virtual ~IMessageRoutine() {}
    // Shows resource string id, formatted with arg when it has a "%s";
    // returns the button pressed.
    virtual int ShowResourceMessage(UINT id, const char* arg) = 0;
};

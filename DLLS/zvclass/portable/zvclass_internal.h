// State shared by the sources of zvclass.
#pragma once
#include "zvtypes.h"

// Format strings 1-6 of the string table, loaded once when the library starts;
// they hold the built-in texts until then.
enum { kFormatNegative, kFormatUnits, kFormatThousands, kFormatMillions, kFormatBillions, kFormatTime, kFormatCount };
extern char g_zvclassFormats[kFormatCount][48];
void zvclassLoadFormats(int (*load)(UINT id, char* buffer, int size));

// Messages of the string table.
enum : UINT {
    kMsgArrayMemory = 7,
    kMsgArrayIndex = 8,
    kMsgHashMemory = 9,
    kMsgThousandMemory = 10,
};
// Shows a message when the error-message switch is on.
void zvclassReportError(UINT messageId);
// The platform's message box (or the host's recorder).
void zvclassShowMessage(UINT messageId);

extern int g_zvclassErrorMessages;

// Calendar conversions that need the system's time zone.
bool zvclassFileTimeToLocal(const FILETIME& time, SYSTEMTIME& out);
void zvclassCurrentLocalTime(SYSTEMTIME& out);

// The lead-byte and case-swap tables built when the library is attached.
// The g_ tables and inline helpers are internal to zvcore32; other modules
// read the table through zvGetDBCSLeadTable().
#pragma once
#include "zvtypes.h"

extern BYTE g_zvLeadByteTable[256];
extern BYTE g_zvCaseSwapTable[256];

// Fills both tables from the code page's answers (entries 0-31 stay identity / 0).
void zvBuildCharTables(int (*isLeadByte)(BYTE), BYTE (*toLower)(BYTE), BYTE (*toUpper)(BYTE));
// The tables of code page 932 computed without the system; the host build's default.
void zvBuildCharTablesCp932(void);

inline int zvIsLead(BYTE b) { return g_zvLeadByteTable[b]; }
// Bytes taken by the character at p: 2 for a lead byte followed by a trail, else 1.
inline int zvCharLen(const char* p) {
    return (g_zvLeadByteTable[(BYTE)*p] && p[1] != 0) ? 2 : 1;
}

ZV_EXPORT(BYTE*) zvGetDBCSLeadTable(void);

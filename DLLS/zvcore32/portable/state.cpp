#include "zverror.h"
#include "zvchartables.h"

static DWORD g_errCode = ZVERR_NONE;

BYTE g_zvLeadByteTable[256];
BYTE g_zvCaseSwapTable[256];

void zvSetErrCode(DWORD code) { g_errCode = code; }

int zvFail(DWORD code) {
    g_errCode = code;
    return 0;
}

ZV_EXPORT(DWORD) zvGetErrCode(void) { return g_errCode; }

ZV_EXPORT(BYTE*) zvGetDBCSLeadTable(void) { return g_zvLeadByteTable; }

void zvBuildCharTables(int (*isLeadByte)(BYTE), BYTE (*toLower)(BYTE), BYTE (*toUpper)(BYTE)) {
    for (int i = 0; i < 32; ++i) {
        g_zvLeadByteTable[i] = 0;
        g_zvCaseSwapTable[i] = (BYTE)i;
    }
    for (int i = 32; i < 256; ++i) {
        BYTE b = (BYTE)i;
        int lead = isLeadByte(b) ? 1 : 0;
        g_zvLeadByteTable[i] = (BYTE)lead;
        if (lead) {
            g_zvCaseSwapTable[i] = b;
            continue;
        }
        BYTE lower = toLower(b);
        g_zvCaseSwapTable[i] = lower != b ? lower : toUpper(b);
    }
}

static int Cp932IsLead(BYTE b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
static BYTE AsciiLower(BYTE b) { return (b >= 'A' && b <= 'Z') ? (BYTE)(b + 32) : b; }
static BYTE AsciiUpper(BYTE b) { return (b >= 'a' && b <= 'z') ? (BYTE)(b - 32) : b; }

void zvBuildCharTablesCp932(void) { zvBuildCharTables(Cp932IsLead, AsciiLower, AsciiUpper); }

#ifndef _WIN32
// Host build: the tables the DLL builds at attach, for code page 932. Kept in
// this file, which every user of the library pulls in, so that a static
// archive cannot drop it.
namespace {
struct HostAttach {
    HostAttach() { zvBuildCharTablesCp932(); }
} g_hostAttach;
}  // namespace
#endif

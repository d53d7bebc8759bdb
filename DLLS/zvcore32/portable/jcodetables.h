// Byte classes and JIS X 0208 code tables of the Japanese code engine.
#pragma once
#include "zvtypes.h"

enum : WORD {
    ZVJC_CONTROL = 0x0001,
    ZVJC_SPACE = 0x0002,
    ZVJC_EOF = 0x0004,
    ZVJC_ESC = 0x0008,
    ZVJC_PRINT = 0x0010,
    ZVJC_DIGIT = 0x0020,
    ZVJC_UPPER = 0x0040,
    ZVJC_LOWER = 0x0080,
    ZVJC_HEX = 0x0100,
    ZVJC_GRAPH = 0x0200,
    ZVJC_SJIS_LEAD = 0x0400,
    ZVJC_SJIS_TRAIL = 0x0800,
    ZVJC_EUC_FIRST = 0x1000,
    ZVJC_EUC_SECOND = 0x2000,
    ZVJC_SJIS_KANA = 0x4000,
};

struct ZvJcodeTables {
    WORD byteClass[256];
    BYTE jisToSjis1[256];     // by JIS first byte
    BYTE jisToSjis2[2][256];  // by parity of the JIS first byte, then second byte
    BYTE sjisToJis1[256];     // by Shift_JIS lead byte, before the second byte's carry
    BYTE sjisToJis2[256];     // by Shift_JIS trail byte
    // Shift_JIS of every 7-bit pair (j1 & 0x7F) * 128 + (j2 & 0x7F), from the
    // two JIS tables: one lookup per character in the hot loops.
    BYTE sjisOfJisPair[128 * 128][2];
};

extern const ZvJcodeTables g_zvJcodeTables;

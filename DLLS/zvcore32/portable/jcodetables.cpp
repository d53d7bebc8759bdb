// The tables follow from the JIS X 0208 arithmetic; they are computed by the
// compiler rather than typed in.
#include "jcodetables.h"

namespace {

constexpr WORD ByteClass(int b) {
    WORD c = 0;
    if ((b >= 0x01 && b <= 0x08) || (b >= 0x0E && b <= 0x1F) || b == 0x7F || b == 0x80 || b == 0xFF)
        c |= ZVJC_CONTROL;
    if ((b >= 0x09 && b <= 0x0D) || b == 0x20) c |= ZVJC_SPACE;
    if (b == 0x1A) c |= ZVJC_EOF;
    if (b == 0x1B) c |= ZVJC_ESC;
    if (b >= 0x20 && b <= 0x7E) c |= ZVJC_PRINT;
    if (b >= '0' && b <= '9') c |= ZVJC_DIGIT | ZVJC_HEX;
    if (b >= 'A' && b <= 'Z') c |= ZVJC_UPPER;
    if (b >= 'a' && b <= 'z') c |= ZVJC_LOWER;
    if ((b >= 'A' && b <= 'F') || (b >= 'a' && b <= 'f')) c |= ZVJC_HEX;
    if (b >= 0x21 && b <= 0x7E) c |= ZVJC_GRAPH;
    if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) c |= ZVJC_SJIS_LEAD;
    if ((b >= 0x40 && b <= 0x7E) || (b >= 0x81 && b <= 0xFC)) c |= ZVJC_SJIS_TRAIL;
    if (b == 0x8E || (b >= 0xA1 && b <= 0xFE)) c |= ZVJC_EUC_FIRST;
    if (b >= 0xA1 && b <= 0xFE) c |= ZVJC_EUC_SECOND;
    if (b >= 0xA1 && b <= 0xDF) c |= ZVJC_SJIS_KANA;
    return c;
}

constexpr bool IsJisByte(int b) { return b >= 0x21 && b <= 0x7E; }

constexpr ZvJcodeTables Build() {
    ZvJcodeTables t{};
    for (int b = 0; b < 256; ++b) {
        t.byteClass[b] = ByteClass(b);
        t.jisToSjis1[b] = (BYTE)(!IsJisByte(b) ? 0x40 : ((b + 1) >> 1) + (b <= 0x5E ? 0x70 : 0xB0));
        t.jisToSjis2[0][b] = (BYTE)(IsJisByte(b) ? b + 0x7E : 0x40);
        t.jisToSjis2[1][b] = (BYTE)(!IsJisByte(b) ? 0x40 : b + (b < 0x60 ? 0x1F : 0x20));
        BYTE j1 = 0x21;
        if (b >= 0x81 && b <= 0x9F) j1 = (BYTE)(2 * (b - 0x70) - 1);
        else if (b >= 0xE0 && b <= 0xEF) j1 = (BYTE)(2 * (b - 0xB0) - 1);
        t.sjisToJis1[b] = j1;
        BYTE j2 = 0x21;
        if (b >= 0x40 && b <= 0x7E) j2 = (BYTE)(b - 0x1F);
        else if (b >= 0x80 && b <= 0x9E) j2 = (BYTE)(b - 0x20);
        else if (b >= 0x9F && b <= 0xFC) j2 = (BYTE)(b - 0x7E);
        t.sjisToJis2[b] = j2;
    }
    for (int j1 = 0; j1 < 128; ++j1) {
        for (int j2 = 0; j2 < 128; ++j2) {
            t.sjisOfJisPair[j1 * 128 + j2][0] = t.jisToSjis1[j1];
            t.sjisOfJisPair[j1 * 128 + j2][1] = t.jisToSjis2[j1 & 1][j2];
        }
    }
    return t;
}

}  // namespace

extern const ZvJcodeTables g_zvJcodeTables;
constexpr ZvJcodeTables g_zvJcodeTables = Build();

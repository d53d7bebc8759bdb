// Judging and converting the three Japanese encodings of the web.
#include "zvjcode.h"

#include <stdint.h>
#include <string.h>

#include "jcodetables.h"

namespace {

const BYTE ESC = 0x1B;

// The single-byte path of every conversion: CR LF and a lone CR become LF.
inline void CopyByte(const BYTE*& in, BYTE*& out) {
    BYTE b = *in++;
    if (b == '\r') {
        if (*in == '\n') ++in;
        b = '\n';
    }
    *out++ = b;
}

inline bool IsHigh(BYTE b) { return b >= 0xA1; }

inline void WriteSjisFromJis(BYTE j1, BYTE j2, BYTE*& out) {
    const ZvJcodeTables& t = g_zvJcodeTables;
    out[0] = t.jisToSjis1[j1];
    out[1] = t.jisToSjis2[j1 & 1][j2];
    out += 2;
}

inline void WriteJisFromSjis(BYTE s1, BYTE s2, BYTE*& out) {
    const ZvJcodeTables& t = g_zvJcodeTables;
    out[0] = (BYTE)(t.sjisToJis1[s1] + (s2 >= 0x9F ? 1 : 0));
    out[1] = t.sjisToJis2[s2];
    out += 2;
}

inline void WriteShiftIn(BYTE*& out) {
    out[0] = ESC;
    out[1] = '$';
    out[2] = 'B';
    out += 3;
}

inline void WriteShiftOut(BYTE*& out) {
    out[0] = ESC;
    out[1] = '(';
    out[2] = 'J';
    out += 3;
}

BYTE* Copy(const BYTE* in, BYTE* out) {
    while (*in) CopyByte(in, out);
    return out;
}

bool IsSjisLead(BYTE b) { return (g_zvJcodeTables.byteClass[b] & ZVJC_SJIS_LEAD) != 0; }

BYTE* SjisToJis(const BYTE* in, BYTE* out) {
    while (*in) {
        if (IsSjisLead(*in) && in[1]) {
            WriteShiftIn(out);
            do {
                WriteJisFromSjis(in[0], in[1], out);
                in += 2;
            } while (IsSjisLead(*in) && in[1]);
            WriteShiftOut(out);
        } else {
            CopyByte(in, out);
        }
    }
    return out;
}

// Only pairs of high bytes enter the double-byte set: a lone high byte
// inside would shift every later pair, and keeps the output within three
// times the input.
BYTE* EucToJis(const BYTE* in, BYTE* out) {
    while (*in) {
        if (IsHigh(in[0]) && IsHigh(in[1])) {
            WriteShiftIn(out);
            do {
                out[0] = (BYTE)(in[0] & 0x7F);
                out[1] = (BYTE)(in[1] & 0x7F);
                out += 2;
                in += 2;
            } while (IsHigh(in[0]) && IsHigh(in[1]));
            WriteShiftOut(out);
        } else {
            CopyByte(in, out);
        }
    }
    return out;
}

// Copies the run of plain bytes at in (below 0x80, no CR, and no ESC in
// JIS), four at a time while it lasts. end is the terminating zero, so no
// load reaches past it.
template <bool StopAtEsc>
inline void CopyPlain(const BYTE*& in, const BYTE* end, BYTE*& out) {
    while (end - in >= 4) {
        uint32_t v;
        memcpy(&v, in, 4);
        uint32_t cr = v ^ 0x0D0D0D0Du;
        uint32_t stop = v | ((cr - 0x01010101u) & ~cr);
        if (StopAtEsc) {
            uint32_t esc = v ^ 0x1B1B1B1Bu;
            stop |= (esc - 0x01010101u) & ~esc;
        }
        if (stop & 0x80808080u) break;
        memcpy(out, &v, 4);
        in += 4;
        out += 4;
    }
    while (in < end) {
        BYTE b = *in;
        if (b >= 0x80 || b == '\r' || (StopAtEsc && b == ESC)) break;
        *out++ = b;
        ++in;
    }
}

inline void WriteSjisPair(BYTE j1, BYTE j2, BYTE*& out) {
    memcpy(out, g_zvJcodeTables.sjisOfJisPair[(j1 & 0x7F) * 128 + (j2 & 0x7F)], 2);
    out += 2;
}

BYTE* JisToOther(const BYTE* in, const BYTE* end, BYTE* out, bool toEuc) {
    bool doubleByte = false;
    while (in < end) {
        if (!doubleByte) {
            CopyPlain<true>(in, end, out);
            if (in >= end) break;
            if (*in != ESC) {
                CopyByte(in, out);
                continue;
            }
        } else {
            for (;;) {
                BYTE j1 = in[0];
                if (j1 == ESC || j1 == 0) break;
                BYTE j2 = in[1];
                if (j2 == 0) {  // a lone first byte at the end is dropped
                    in = end;
                    break;
                }
                if (toEuc) {
                    out[0] = (BYTE)(j1 + 0x80);
                    out[1] = (BYTE)(j2 + 0x80);
                    out += 2;
                } else if ((j1 | j2) & 0x80) {
                    WriteSjisFromJis(j1, j2, out);
                } else {
                    WriteSjisPair(j1, j2, out);
                }
                in += 2;
            }
            if (in >= end) break;
        }
        BYTE c = in[1];
        if ((c == '$' || c == '(') && in[2]) {
            doubleByte = c == '$';
            in += 3;
        } else if (c == 'K' || c == 'H') {
            doubleByte = c == 'K';
            in += 2;
        } else {
            *out++ = ESC;  // and the next byte is an ordinary one
            ++in;
        }
    }
    return out;
}

BYTE* EucToSjis(const BYTE* in, const BYTE* end, BYTE* out) {
    while (in < end) {
        CopyPlain<false>(in, end, out);
        // Two characters at a time while all four bytes are 0xA1 or more.
        while (end - in >= 4) {
            uint32_t v;
            memcpy(&v, in, 4);
            uint32_t atLeastA1 = v & ((v & 0x7F7F7F7Fu) + 0x5F5F5F5Fu);
            if ((atLeastA1 & 0x80808080u) != 0x80808080u) break;
            WriteSjisPair(in[0], in[1], out);
            WriteSjisPair(in[2], in[3], out);
            in += 4;
        }
        while (IsHigh(in[0]) && IsHigh(in[1])) {
            WriteSjisPair(in[0], in[1], out);
            in += 2;
        }
        if (in < end && (*in >= 0x80 || *in == '\r')) CopyByte(in, out);
    }
    return out;
}

BYTE* SjisToEuc(const BYTE* in, BYTE* out) {
    while (*in) {
        if (IsSjisLead(*in) && in[1]) {
            BYTE* pair = out;
            WriteJisFromSjis(in[0], in[1], out);
            pair[0] |= 0x80;
            pair[1] |= 0x80;
            in += 2;
        } else {
            CopyByte(in, out);
        }
    }
    return out;
}

}  // namespace

ZV_EXPORT(int) zvJudgeJpnCodeType(LPCSTR text) {
    if (!text || !*text) return ZVJCODE_SJIS;
    const WORD* cls = g_zvJcodeTables.byteClass;
    const BYTE* p = reinterpret_cast<const BYTE*>(text);
    bool inSjis = false;
    bool inEuc = false;
    WORD c = (WORD)(cls[*p] & ~ZVJC_SJIS_KANA);
    for (;;) {
        WORD n = cls[p[1]];
        if (c & ZVJC_ESC) return ZVJCODE_JIS;
        if ((c & ~(ZVJC_SJIS_LEAD | ZVJC_SJIS_TRAIL)) == 0) return ZVJCODE_SJIS;
        if (c == (ZVJC_EUC_FIRST | ZVJC_EUC_SECOND)) return ZVJCODE_EUC;
        if (c == ZVJC_CONTROL) return ZVJCODE_NOT_TEXT;
        if (c == (ZVJC_EUC_FIRST | ZVJC_EUC_SECOND | ZVJC_SJIS_TRAIL)) {
            if (!inSjis) return ZVJCODE_EUC;
            if ((n & (ZVJC_EUC_FIRST | ZVJC_EUC_SECOND)) && !(n & ZVJC_SJIS_LEAD)) return ZVJCODE_EUC;
            inSjis = false;
        } else if (inSjis) {
            inSjis = false;
        } else if (c & ZVJC_SJIS_LEAD) {
            if (!(n & ZVJC_SJIS_TRAIL)) return ZVJCODE_EUC;
            inSjis = true;
        }
        if (inEuc) {
            inEuc = false;
        } else if (c & ZVJC_EUC_FIRST) {
            inEuc = true;
            if (!(n & ZVJC_EUC_SECOND)) return ZVJCODE_SJIS;
        }
        if (p[1] == 0) return ZVJCODE_SJIS;
        ++p;
        c = n;
    }
}

ZV_EXPORT(int) zvConvertJpnCode(LPSTR out, int outCode, LPCSTR in, int inCode) {
    if (!out) return 0;
    BYTE* o = reinterpret_cast<BYTE*>(out);
    const BYTE* i = reinterpret_cast<const BYTE*>(in);
    bool known = outCode >= ZVJCODE_SJIS && outCode <= ZVJCODE_EUC && inCode >= ZVJCODE_SJIS &&
                 inCode <= ZVJCODE_EUC;
    BYTE* end = o;
    if (known && i) {
        if (inCode == outCode) end = Copy(i, o);
        else if (inCode == ZVJCODE_SJIS) end = outCode == ZVJCODE_JIS ? SjisToJis(i, o) : SjisToEuc(i, o);
        else if (inCode == ZVJCODE_EUC) end = outCode == ZVJCODE_JIS ? EucToJis(i, o) : EucToSjis(i, i + strlen(in), o);
        else end = JisToOther(i, i + strlen(in), o, outCode == ZVJCODE_EUC);
    }
    *end = 0;
    return (int)(end - o);
}

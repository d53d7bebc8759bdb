// Compiling a scanner pattern into its chain of shift-and runs.
//
// The pattern is first read into elements (a character, a set or ".", each
// with its quantifier), then the elements are planned into runs, and last
// every run is allocated and its masks filled.
#include <stdlib.h>
#include <string.h>

#include "saarun.h"
#include "zvchartables.h"
#include "zverror.h"
#include "zvsaa.h"

namespace {

// A character as a wide-table index: a single byte c is c * 256, a
// double-byte character lead * 256 + trail.
typedef unsigned Code;

inline bool IsDouble(Code c) { return (c & 0xFF) != 0; }

enum ElementKind : BYTE { ELEMENT_CHAR, ELEMENT_SET, ELEMENT_ANY };

struct Element {
    ElementKind kind;
    char quantifier;  // 0, '?', '*' or '+'
    bool needsWide;   // a set with double-byte members, or "." as a position
    bool negated;
    Code code;        // ELEMENT_CHAR
    int setBegin;     // ELEMENT_SET: offset of the first member in the pattern
};

struct PlanRun {
    int firstElement;
    int elementCount;
    bool wide;
    int skip;
    int positions;
    DWORD kind;
    int next;
    int alternative;
};

// Reads one character of the pattern syntax at pattern[i]. Returns false
// where the pattern ends: at its zero or at an escape whose value is 0.
bool ReadChar(const BYTE* pattern, int& i, Code& code) {
    BYTE b = pattern[i];
    if (b == 0) return false;
    if (b != '\\') {
        if (g_zvLeadByteTable[b] && pattern[i + 1]) {
            code = (b << 8) | pattern[i + 1];
            i += 2;
        } else {
            code = b << 8;
            i += 1;
        }
        return true;
    }
    BYTE c = pattern[i + 1];
    unsigned value;
    i += 2;
    switch (c) {
        case 0: return false;
        case 't': value = 9; break;
        case 'n': value = 10; break;
        case 'r': value = 13; break;
        case 'f': value = 12; break;
        case 'v': value = 11; break;
        case 'a': value = 7; break;
        case 'b': value = 8; break;
        case 'e': value = 27; break;
        case 'z': value = 26; break;
        case 'x': {
            value = 0;
            int digits = 0;
            for (; digits < 2; ++digits) {
                BYTE h = pattern[i];
                unsigned d;
                if (h >= '0' && h <= '9') d = h - '0';
                else if (h >= 'a' && h <= 'f') d = h - 'a' + 10;
                else if (h >= 'A' && h <= 'F') d = h - 'A' + 10;
                else break;
                value = value * 16 + d;
                ++i;
            }
            if (digits == 0) value = 'x';
            break;
        }
        default:
            if (c >= '0' && c <= '7') {
                value = c - '0';
                for (int digits = 1; digits < 3 && pattern[i] >= '0' && pattern[i] <= '7'; ++digits)
                    value = value * 8 + (pattern[i++] - '0');
                value &= 0xFF;
            } else if (g_zvLeadByteTable[c] && pattern[i]) {
                code = (c << 8) | pattern[i];
                i += 1;
                return true;
            } else {
                value = c;
            }
    }
    if (value == 0) return false;
    code = value << 8;
    return true;
}

// Walks the members of the set that starts at pattern[i] (just behind "[" or
// "[^"), calling member(low, high) for each character or range. Leaves i
// behind the closing "]"; returns false if the pattern ended inside the set.
template <class Member>
bool ReadSet(const BYTE* pattern, int& i, Member member) {
    for (;;) {
        if (pattern[i] == ']') {
            ++i;
            return true;
        }
        Code low, high;
        if (pattern[i] == '\\' && pattern[i + 1] == ']') {
            low = '\\' << 8;
            ++i;
        } else if (!ReadChar(pattern, i, low)) {
            return false;
        }
        high = low;
        if (pattern[i] == '-' && pattern[i + 1] != ']' && pattern[i + 1] != 0) {
            int j = i + 1;
            Code bound;
            if (pattern[j] == '\\' && pattern[j + 1] == ']') {
                bound = '\\' << 8;
                ++j;
                high = bound;
                i = j;
            } else if (ReadChar(pattern, j, bound)) {
                high = bound;
                i = j;
            } else {
                member(low, low);
                return false;
            }
        }
        if (low > high) {
            Code t = low;
            low = high;
            high = t;
        }
        member(low, high);
    }
}

struct Compiler {
    const BYTE* pattern;
    int flags;
    Element* elements;
    int elementCount;
    PlanRun* plan;
    int planCount;
    bool caret;
    bool dollar;

    bool ignoreCase() const { return (flags & ZVSAA_IGNORE_CASE) != 0; }

    int Width(const Element& e, bool wide) const {
        if (wide || e.kind != ELEMENT_CHAR) return 1;
        return IsDouble(e.code) ? 2 : 1;
    }

    void ReadLiteral() {
        const BYTE* p = pattern;
        while (*p) {
            Element& e = elements[elementCount++];
            memset(&e, 0, sizeof e);
            e.kind = ELEMENT_CHAR;
            if (g_zvLeadByteTable[*p] && p[1]) {
                e.code = (p[0] << 8) | p[1];
                p += 2;
            } else {
                e.code = p[0] << 8;
                p += 1;
            }
        }
    }

    void ReadSyntax() {
        int i = 0;
        if (pattern[0] == '^') {
            caret = true;
            i = 1;
        }
        for (;;) {
            BYTE b = pattern[i];
            if (b == '$') {
                dollar = true;
                return;
            }
            Element e;
            memset(&e, 0, sizeof e);
            bool ended = false;
            if (b == '.') {
                e.kind = ELEMENT_ANY;
                e.needsWide = true;
                ++i;
            } else if (b == '[') {
                e.kind = ELEMENT_SET;
                ++i;
                if (pattern[i] == '^') {
                    e.negated = true;
                    ++i;
                }
                e.setBegin = i;
                bool wide = false;
                ended = !ReadSet(pattern, i, [&](Code low, Code high) {
                    if (IsDouble(low) || IsDouble(high)) wide = true;
                });
                e.needsWide = wide;
            } else if (!ReadChar(pattern, i, e.code)) {
                return;
            } else {
                e.kind = ELEMENT_CHAR;
            }
            if (!ended && (pattern[i] == '?' || pattern[i] == '*' || pattern[i] == '+'))
                e.quantifier = (char)pattern[i++];
            elements[elementCount++] = e;
            if (ended) return;
        }
    }

    int NewRun(bool wide, DWORD kind) {
        PlanRun& r = plan[planCount];
        memset(&r, 0, sizeof r);
        r.wide = wide;
        r.kind = kind;
        r.next = -1;
        r.alternative = -1;
        return planCount++;
    }

    // Adds a position element to the current run, or starts an anchored run
    // behind it when the element does not fit.
    int AddPosition(int current, int index) {
        const Element& e = elements[index];
        PlanRun* r = &plan[current];
        if (!r->wide && e.needsWide && r->positions == 0) r->wide = true;
        bool fits = r->wide ? r->positions < ZVSAA_WIDE_POSITIONS
                            : !e.needsWide && r->positions + Width(e, false) <= ZVSAA_NARROW_POSITIONS;
        if (!fits) {
            int n = NewRun(e.needsWide, ZVSAA_ANCHORED);
            plan[current].next = n;
            current = n;
            r = &plan[current];
        }
        if (r->elementCount == 0) r->firstElement = index;
        r->elementCount++;
        r->positions += Width(e, r->wide);
        return current;
    }

    // X? and X*: a run of its own behind the current one; the rest of the
    // pattern follows in a new anchored run.
    int AddRepeat(int current, int index, bool loop) {
        const Element& e = elements[index];
        int x = NewRun(e.needsWide, ZVSAA_OPTIONAL | ZVSAA_ANCHORED);
        plan[x].firstElement = index;
        plan[x].elementCount = 1;
        plan[x].positions = Width(e, e.needsWide);
        plan[current].next = x;
        int rest = NewRun(false, ZVSAA_ANCHORED);
        plan[x].alternative = rest;
        plan[x].next = loop ? x : rest;
        return rest;
    }

    void PlanLiteral() {
        int current = NewRun(false, 0);
        for (int i = 0; i < elementCount; ++i) current = AddPosition(current, i);
    }

    void PlanSyntax() {
        int current = NewRun(false, caret ? (DWORD)ZVSAA_ANCHORED : 0u);
        for (int i = 0; i < elementCount; ++i) {
            const Element& e = elements[i];
            if (e.kind == ELEMENT_ANY && e.quantifier != '?') {
                if (e.quantifier == 0) {
                    if (plan[current].positions > 0) {
                        int n = NewRun(false, ZVSAA_ANCHORED);
                        plan[current].next = n;
                        current = n;
                    }
                    plan[current].skip++;
                    continue;
                }
                if (plan[current].positions > 0) {
                    int n = NewRun(false, 0);
                    plan[current].next = n;
                    current = n;
                }
                plan[current].kind |= ZVSAA_FLOATING;
                if (e.quantifier == '+') plan[current].skip++;
                if (i == elementCount - 1) plan[current].kind |= ZVSAA_TO_END;
                continue;
            }
            if (e.quantifier == '?' || e.quantifier == '*') {
                current = AddRepeat(current, i, e.quantifier == '*');
            } else {
                current = AddPosition(current, i);
                if (e.quantifier == '+') current = AddRepeat(current, i, true);
            }
        }
        if (dollar) plan[current].kind |= ZVSAA_MUST_END;
    }

    void SetBit(SaaRun* run, Code code, DWORD bit, bool on) {
        if (run->wide) {
            BYTE& m = run->wideMasks()[code];
            m = on ? (BYTE)(m | bit) : (BYTE)(m & ~bit);
        } else {
            DWORD& m = run->narrowMasks()[code >> 8];
            m = on ? (m | bit) : (m & ~bit);
        }
    }

    // Sets (or clears) the bit for one member character, with its other case.
    void SetMember(SaaRun* run, Code code, DWORD bit, bool on) {
        SetBit(run, code, bit, on);
        if (ignoreCase() && !IsDouble(code)) {
            Code other = (Code)g_zvCaseSwapTable[code >> 8] << 8;
            if (other != code) SetBit(run, other, bit, on);
        }
    }

    void SetAll(SaaRun* run, DWORD bit) {
        if (run->wide) {
            BYTE* m = run->wideMasks();
            for (int i = 0; i < 65536; ++i) m[i] = (BYTE)(m[i] | bit);
        } else {
            DWORD* m = run->narrowMasks();
            for (int i = 0; i < 256; ++i) m[i] |= bit;
        }
    }

    void FillSet(SaaRun* run, const Element& e, DWORD bit) {
        bool on = !e.negated;
        if (e.negated) SetAll(run, bit);
        int i = e.setBegin;
        ReadSet(pattern, i, [&](Code low, Code high) {
            if (!run->wide) {
                for (Code c = low; c <= high; c += 0x100) SetMember(run, c, bit, on);
                return;
            }
            for (Code c = low; c <= high; ++c) {
                if (IsDouble(c)) SetBit(run, c, bit, on);
                else SetMember(run, c, bit, on);
            }
        });
    }

    void Fill(SaaRun* run, const PlanRun& p) {
        int position = 0;
        for (int k = 0; k < p.elementCount; ++k) {
            const Element& e = elements[p.firstElement + k];
            DWORD bit = 1u << position;
            switch (e.kind) {
                case ELEMENT_ANY:
                    SetAll(run, bit);
                    break;
                case ELEMENT_SET:
                    FillSet(run, e, bit);
                    break;
                case ELEMENT_CHAR:
                    if (run->wide || !IsDouble(e.code)) {
                        SetMember(run, e.code, bit, true);
                    } else {
                        run->narrowMasks()[e.code >> 8] |= bit;
                        run->narrowMasks()[e.code & 0xFF] |= bit << 1;
                    }
                    break;
            }
            position += Width(e, run->wide != 0);
        }
        if (!run->wide) {
            const DWORD* m = run->narrowMasks();
            for (int b = 0; b < 256; ++b)
                run->stop[b] = (BYTE)(b == 0 || g_zvLeadByteTable[b] || (m[b] & 1));
        }
    }

    SaaRun* Build() {
        SaaRun** runs = static_cast<SaaRun**>(calloc(planCount, sizeof(SaaRun*)));
        if (!runs) return nullptr;
        SaaRun* head = nullptr;
        SaaRun* last = nullptr;
        for (int i = 0; i < planCount; ++i) {
            const PlanRun& p = plan[i];
            size_t tableSize = p.wide ? 65536 : 256 * sizeof(DWORD);
            SaaRun* run = static_cast<SaaRun*>(calloc(1, sizeof(SaaRun) + tableSize));
            if (!run) {
                zvSaaFreeChain(head);
                free(runs);
                return nullptr;
            }
            run->tag = ZVSAA_TAG;
            run->wide = p.wide ? 1 : 0;
            run->skip = p.skip;
            run->positions = p.positions;
            run->finalMask = p.positions ? 1u << (p.positions - 1) : 0;
            run->flags = (flags & ZVSAA_CREATE_FLAGS) | p.kind;
            Fill(run, p);
            if (last) last->chain = run;
            else head = run;
            last = run;
            runs[i] = run;
        }
        for (int i = 0; i < planCount; ++i) {
            runs[i]->next = plan[i].next >= 0 ? runs[plan[i].next] : nullptr;
            runs[i]->alternative = plan[i].alternative >= 0 ? runs[plan[i].alternative] : nullptr;
        }
        free(runs);
        return head;
    }
};

}  // namespace

void zvSaaFreeChain(SaaRun* head) {
    while (head) {
        SaaRun* next = head->chain;
        head->tag = 0;
        free(head);
        head = next;
    }
}

ZV_EXPORT(HANDLE) zvSaaCreateCvtA(LPCSTR pattern, int flags) {
    if (!pattern) {
        zvSetErrCode(ZVERR_BAD_ARGUMENT);
        return nullptr;
    }
    const BYTE* bytes = reinterpret_cast<const BYTE*>(pattern);
    size_t length = strlen(pattern);
    // Every element takes at least one pattern byte; every element adds at
    // most two runs to the first.
    size_t maxElements = length + 1;
    size_t maxRuns = 2 * maxElements + 1;
    void* work = malloc(maxElements * sizeof(Element) + maxRuns * sizeof(PlanRun));
    if (!work) {
        zvSetErrCode(ZVERR_OUT_OF_MEMORY);
        return nullptr;
    }
    Compiler c;
    c.pattern = bytes;
    c.flags = flags;
    c.elements = static_cast<Element*>(work);
    c.elementCount = 0;
    c.plan = reinterpret_cast<PlanRun*>(c.elements + maxElements);
    c.planCount = 0;
    c.caret = false;
    c.dollar = false;
    if (flags & ZVSAA_SYNTAX) c.ReadSyntax();
    else c.ReadLiteral();
    if (c.elementCount == 0 && !c.dollar) {
        free(work);
        zvSetErrCode(ZVERR_BAD_ARGUMENT);
        return nullptr;
    }
    if (flags & ZVSAA_SYNTAX) c.PlanSyntax();
    else c.PlanLiteral();
    SaaRun* head = c.Build();
    free(work);
    if (!head) {
        zvSetErrCode(ZVERR_OUT_OF_MEMORY);
        return nullptr;
    }
    return head;
}

ZV_EXPORT(BOOL) zvSaaCloseCvt(HANDLE cvt) {
    SaaRun* head = zvSaaRunFromHandle(cvt);
    if (!head) return zvFail(ZVERR_BAD_HANDLE);
    zvSaaFreeChain(head);
    return TRUE;
}

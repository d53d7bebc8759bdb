// Scanning a text with a compiled chain of runs.
//
// Later runs are matched where the previous one ended and keep what they
// take; only searched runs (the first, unless anchored, and floating ones)
// backtrack, by resuming their search. The frames of searched runs live in
// the runs themselves, so a scan needs neither recursion nor allocation.
#include <string.h>

#include "saarun.h"
#include "zvchartables.h"
#include "zverror.h"
#include "zvsaa.h"

namespace {

inline const BYTE* StepChars(const BYTE* p, int count) {
    for (; count > 0; --count) {
        if (*p == 0) return nullptr;
        p += (g_zvLeadByteTable[*p] && p[1]) ? 2 : 1;
    }
    return p;
}

// One character of a wide run; the caller has checked that *p is not zero.
inline unsigned ReadUnit(const BYTE*& p) {
    unsigned b = *p;
    if (g_zvLeadByteTable[b] && p[1]) {
        unsigned unit = (b << 8) | p[1];
        p += 2;
        return unit;
    }
    p += 1;
    return b << 8;
}

// Matches run r exactly at p; returns the end of what it takes, or null.
const BYTE* MatchHere(const SaaRun* r, const BYTE* p) {
    p = StepChars(p, r->skip);
    if (!p) return nullptr;
    if (r->flags & ZVSAA_TO_END) return p + strlen(reinterpret_cast<const char*>(p));
    DWORD state = 0;
    if (r->wide) {
        const BYTE* masks = r->wideMasks();
        for (int k = 0; k < r->positions; ++k) {
            if (*p == 0) return nullptr;
            state = ((state << 1) | 1) & masks[ReadUnit(p)];
            if (!(state & (1u << k))) return nullptr;
        }
    } else {
        const DWORD* masks = r->narrowMasks();
        for (int k = 0; k < r->positions; ++k) {
            BYTE b = p[k];
            if (b == 0) return nullptr;
            state = ((state << 1) | 1) & masks[b];
            if (!(state & (1u << k))) return nullptr;
        }
        p += r->positions;
    }
    if ((r->flags & ZVSAA_MUST_END) && *p) return nullptr;
    return p;
}

bool BeginSearch(SaaRun* r, const BYTE* entry) {
    r->entry = entry;
    const BYTE* p = StepChars(entry, r->skip);
    if (!p) return false;
    r->cursor = p;
    r->state = 0;
    r->ringIndex = 0;
    r->emptyTaken = FALSE;
    return true;
}

const BYTE* NextNarrow(SaaRun* r) {
    const DWORD* masks = r->narrowMasks();
    const BYTE* stop = r->stop;
    const BYTE* lead = g_zvLeadByteTable;
    const DWORD final = r->finalMask;
    const bool mustEnd = (r->flags & ZVSAA_MUST_END) != 0;
    DWORD state = r->state;
    const BYTE* p = r->cursor;
    for (;;) {
        if (state == 0) {
            // No candidate is open: bytes that cannot start one change nothing.
            while (!stop[*p]) ++p;
        }
        BYTE b = *p;
        if (b == 0) {
            r->cursor = p;
            r->state = 0;
            return nullptr;
        }
        ++p;
        state = ((state << 1) | 1) & masks[b];
        if (lead[b] && *p) {
            state = ((state << 1) | 1) & masks[*p];
            ++p;
        }
        if ((state & final) && (!mustEnd || *p == 0)) {
            r->cursor = p;
            r->state = state;
            r->occurrence = p - r->positions;
            return p;
        }
    }
}

const BYTE* NextWide(SaaRun* r) {
    const BYTE* masks = r->wideMasks();
    const DWORD final = r->finalMask;
    const bool mustEnd = (r->flags & ZVSAA_MUST_END) != 0;
    DWORD state = r->state;
    unsigned ring = r->ringIndex;
    const BYTE* p = r->cursor;
    for (;;) {
        if (*p == 0) {
            r->cursor = p;
            r->state = 0;
            return nullptr;
        }
        r->ring[ring++ % ZVSAA_WIDE_POSITIONS] = p;
        state = ((state << 1) | 1) & masks[ReadUnit(p)];
        if ((state & final) && (!mustEnd || *p == 0)) {
            r->cursor = p;
            r->state = state;
            r->ringIndex = ring;
            r->occurrence = r->ring[(ring - r->positions) % ZVSAA_WIDE_POSITIONS];
            return p;
        }
    }
}

// The end of the next occurrence of a searched run, or null when there is none.
const BYTE* NextOccurrence(SaaRun* r) {
    if (r->positions == 0) {
        if (r->emptyTaken) return nullptr;
        r->emptyTaken = TRUE;
        const BYTE* p = r->cursor;
        r->occurrence = p;
        if (r->flags & ZVSAA_TO_END) return p + strlen(reinterpret_cast<const char*>(p));
        if ((r->flags & ZVSAA_MUST_END) && *p) return nullptr;
        return p;
    }
    return r->wide ? NextWide(r) : NextNarrow(r);
}

// A loop over one single byte: its greedy end is the same from every point
// of an extent it has covered.
inline bool IsByteLoop(const SaaRun* r) {
    return !r->wide && r->positions == 1 && r->skip == 0;
}

}  // namespace

ZV_EXPORT(LPSTR) zvSaaScanStringA(HANDLE cvt, LPCSTR text) {
    SaaRun* head = zvSaaRunFromHandle(cvt);
    if (!head) {
        zvSetErrCode(ZVERR_BAD_HANDLE);
        return nullptr;
    }
    zvSetErrCode(ZVERR_NONE);
    head->matchLength = 0;
    if (!text) return nullptr;
    for (SaaRun* r = head; r; r = r->chain) {
        r->failedFrom = nullptr;
        r->loopFrom = nullptr;
        r->loopTo = nullptr;
    }
    const BYTE* start = reinterpret_cast<const BYTE*>(text);
    const bool headSearched = (head->flags & (ZVSAA_ANCHORED | ZVSAA_FLOATING)) != ZVSAA_ANCHORED;
    SaaRun* top = nullptr;  // innermost search frame
    SaaRun* r = head;
    const BYTE* p = start;
    for (;;) {
        if (!r) break;  // every run matched; p is the end of the match
        bool searched = r == head ? headSearched : (r->flags & ZVSAA_FLOATING) != 0;
        bool resume = false;
        if (searched) {
            if (r->failedFrom && p >= r->failedFrom && r->positions > 0) {
                resume = true;
            } else if (!BeginSearch(r, p)) {
                r->failedFrom = p;
                resume = true;
            } else {
                r->frameBelow = top;
                top = r;
                resume = true;
            }
        } else if (r->next == r) {
            if (IsByteLoop(r) && r->loopFrom && p >= r->loopFrom && p <= r->loopTo) {
                resume = true;
            } else {
                const BYTE* from = p;
                while (const BYTE* q = MatchHere(r, p)) p = q;
                r->loopFrom = from;
                r->loopTo = p;
                r = r->alternative;
                continue;
            }
        } else if (const BYTE* q = MatchHere(r, p)) {
            p = q;
            r = r->next;
            continue;
        } else if (r->flags & ZVSAA_OPTIONAL) {
            r = r->alternative;
            continue;
        } else {
            resume = true;
        }
        if (resume) {
            const BYTE* end = nullptr;
            while (top && !(end = NextOccurrence(top))) {
                if (!top->failedFrom || top->entry < top->failedFrom) top->failedFrom = top->entry;
                top = top->frameBelow;
            }
            if (!top) return nullptr;
            p = end;
            r = top->next;
        }
    }
    const BYTE* result = start;
    if (headSearched && !(head->flags & ZVSAA_FLOATING)) result = head->occurrence - head->skip;
    head->matchLength = (int)(p - result);
    return const_cast<LPSTR>(reinterpret_cast<LPCSTR>(result));
}

ZV_EXPORT(int) zvSaaGetMatchLength(HANDLE cvt) {
    SaaRun* head = zvSaaRunFromHandle(cvt);
    if (!head) {
        zvSetErrCode(ZVERR_BAD_HANDLE);
        return -1;
    }
    return head->matchLength;
}

// The scanner against a plain recursive reading of the run chain, which
// needs no search frames and no failure memos: random patterns and texts
// must give the same match in both.
#include <gtest/gtest.h>

#include <string.h>

#include <random>
#include <string>

#include "saarun.h"
#include "zvcore32.h"

namespace {

const BYTE* Step(const BYTE* p, int count) {
    for (; count > 0; --count) {
        if (*p == 0) return nullptr;
        p += (g_zvLeadByteTable[*p] && p[1]) ? 2 : 1;
    }
    return p;
}

unsigned Unit(const BYTE*& p) {
    unsigned b = *p;
    if (g_zvLeadByteTable[b] && p[1]) {
        unsigned u = (b << 8) | p[1];
        p += 2;
        return u;
    }
    p += 1;
    return b << 8;
}

// Feeds one character of text at p into state; returns the next position.
const BYTE* Feed(const SaaRun* r, const BYTE* p, DWORD& state) {
    if (r->wide) {
        state = ((state << 1) | 1) & r->wideMasks()[Unit(p)];
        return p;
    }
    BYTE b = *p++;
    state = ((state << 1) | 1) & r->narrowMasks()[b];
    if (g_zvLeadByteTable[b] && *p) state = ((state << 1) | 1) & r->narrowMasks()[*p++];
    return p;
}

const BYTE* Anchored(const SaaRun* r, const BYTE* p) {
    p = Step(p, r->skip);
    if (!p) return nullptr;
    if (r->flags & ZVSAA_TO_END) return p + strlen(reinterpret_cast<const char*>(p));
    DWORD state = 0;
    for (int k = 0; k < r->positions; ++k) {
        if (*p == 0) return nullptr;
        if (r->wide) {
            state = ((state << 1) | 1) & r->wideMasks()[Unit(p)];
        } else {
            state = ((state << 1) | 1) & r->narrowMasks()[*p++];
        }
        if (!(state & (1u << k))) return nullptr;
    }
    if ((r->flags & ZVSAA_MUST_END) && *p) return nullptr;
    return p;
}

const BYTE* Run(const SaaRun* r, const BYTE* p, bool searched, const BYTE** occurrence);

// Every occurrence of a searched run, each followed by the rest of the chain.
const BYTE* Search(const SaaRun* r, const BYTE* p, const BYTE** occurrence) {
    p = Step(p, r->skip);
    if (!p) return nullptr;
    if (r->positions == 0) {
        *occurrence = p;
        const BYTE* end = p;
        if (r->flags & ZVSAA_TO_END) end = p + strlen(reinterpret_cast<const char*>(p));
        else if ((r->flags & ZVSAA_MUST_END) && *p) return nullptr;
        return Run(r->next, end, false, nullptr);
    }
    const BYTE* starts[64];
    int count = 0;
    DWORD state = 0;
    while (*p) {
        starts[count++ % 64] = p;
        p = Feed(r, p, state);
        if (!(state & r->finalMask)) continue;
        if ((r->flags & ZVSAA_MUST_END) && *p) continue;
        if (r->wide) *occurrence = starts[(count - r->positions) % 64];
        else *occurrence = p - r->positions;
        if (const BYTE* end = Run(r->next, p, false, nullptr)) return end;
    }
    return nullptr;
}

const BYTE* Run(const SaaRun* r, const BYTE* p, bool searched, const BYTE** occurrence) {
    if (!r) return p;
    const BYTE* ignored;
    if (searched || (r->flags & ZVSAA_FLOATING)) return Search(r, p, occurrence ? occurrence : &ignored);
    if (const BYTE* q = Anchored(r, p)) return Run(r->next, q, false, nullptr);
    if (r->flags & ZVSAA_OPTIONAL) return Run(r->alternative, p, false, nullptr);
    return nullptr;
}

struct Match {
    int offset;
    int length;
    bool operator==(const Match& o) const { return offset == o.offset && length == o.length; }
};

Match Reference(HANDLE cvt, const char* text) {
    const SaaRun* head = static_cast<const SaaRun*>(cvt);
    const BYTE* start = reinterpret_cast<const BYTE*>(text);
    bool headSearched = (head->flags & (ZVSAA_ANCHORED | ZVSAA_FLOATING)) != ZVSAA_ANCHORED;
    const BYTE* occurrence = start;
    const BYTE* end = Run(head, start, headSearched, &occurrence);
    if (!end) return {-1, 0};
    const BYTE* result = start;
    if (headSearched && !(head->flags & ZVSAA_FLOATING)) result = occurrence - head->skip;
    return {(int)(result - start), (int)(end - result)};
}

TEST(SaaReference, RandomPatternsAgree) {
    const char* const patternPieces[] = {"a", "b", "c", ".", "*", "+", "?", "[ab]", "[^a]", "[b-c]",
                                         "\x83\x41", "\x83\x5C", "[\x83\x41-\x83\x5C]", ".*", ".+", "$"};
    const char* const textPieces[] = {"a", "b", "c", "\x83\x41", "\x83\x5C", "A"};
    std::mt19937 random(12345);
    int compared = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string pattern = random() % 4 == 0 ? "^" : "";
        int n = 1 + random() % 7;
        for (int i = 0; i < n; ++i) pattern += patternPieces[random() % 16];
        int flags = random() % 4;
        HANDLE cvt = zvSaaCreateCvtA(pattern.c_str(), flags);
        if (!cvt) continue;
        for (int t = 0; t < 8; ++t) {
            std::string text;
            int m = random() % 12;
            for (int i = 0; i < m; ++i) text += textPieces[random() % 6];
            LPSTR found = zvSaaScanStringA(cvt, text.c_str());
            Match scanned = {found ? (int)(found - text.c_str()) : -1, zvSaaGetMatchLength(cvt)};
            Match expected = Reference(cvt, text.c_str());
            EXPECT_TRUE(scanned == expected)
                << "pattern " << testing::PrintToString(pattern) << " flags " << flags << " text "
                << testing::PrintToString(text) << ": " << scanned.offset << "/" << scanned.length
                << " expected " << expected.offset << "/" << expected.length;
            ++compared;
        }
        zvSaaCloseCvt(cvt);
    }
    EXPECT_GT(compared, 20000);
}

}  // namespace

// The run record of a compiled scanner pattern, shared by compiling and scanning.
#pragma once
#include "zvtypes.h"

// "zvSA" as it lies in memory.
const DWORD ZVSAA_TAG = 'z' | ('v' << 8) | ('S' << 16) | ((DWORD)'A' << 24);

const int ZVSAA_NARROW_POSITIONS = 32;  // bits of a 256-entry mask
const int ZVSAA_WIDE_POSITIONS = 8;     // bits of a 65536-entry mask

enum : DWORD {
    ZVSAA_CREATE_FLAGS = 3,
    ZVSAA_OPTIONAL = 1u << 27,
    ZVSAA_TO_END = 1u << 28,
    ZVSAA_MUST_END = 1u << 29,
    ZVSAA_FLOATING = 1u << 30,
    ZVSAA_ANCHORED = 1u << 31,
};

struct SaaRun {
    DWORD tag;
    DWORD wide;  // 0: 256 32-bit masks by byte; 1: 65536 8-bit masks by character
    int skip;
    int positions;
    DWORD finalMask;
    DWORD flags;
    int matchLength;
    SaaRun* next;
    SaaRun* alternative;
    SaaRun* chain;

    // State of one scan. A searched run is a backtracking frame: it resumes
    // its search from cursor with state when a later run fails.
    const BYTE* entry;
    const BYTE* cursor;
    const BYTE* occurrence;
    DWORD state;
    BOOL emptyTaken;
    unsigned ringIndex;
    const BYTE* ring[ZVSAA_WIDE_POSITIONS];  // starts of the last characters fed
    SaaRun* frameBelow;
    // A searched run with positions that failed from one entry fails from
    // every later one: it would only find a part of the same occurrences.
    const BYTE* failedFrom;
    // A one-byte loop's last extent; its continuation failed there.
    const BYTE* loopFrom;
    const BYTE* loopTo;

    // Narrow runs: bytes at which a search that holds no candidate must stop
    // (a possible first position, a lead byte or the terminating zero).
    BYTE stop[256];

    DWORD* narrowMasks() { return reinterpret_cast<DWORD*>(this + 1); }
    const DWORD* narrowMasks() const { return reinterpret_cast<const DWORD*>(this + 1); }
    BYTE* wideMasks() { return reinterpret_cast<BYTE*>(this + 1); }
    const BYTE* wideMasks() const { return reinterpret_cast<const BYTE*>(this + 1); }
};

static_assert(sizeof(SaaRun) % sizeof(DWORD) == 0, "masks follow the record");

inline SaaRun* zvSaaRunFromHandle(HANDLE handle) {
    SaaRun* run = static_cast<SaaRun*>(handle);
    return run && run->tag == ZVSAA_TAG ? run : nullptr;
}

// Frees a chain of runs in allocation order.
void zvSaaFreeChain(SaaRun* head);

// Arithmetic of the file operation engine, free of the platform.
#include "zvfileop.h"

FileOpCollision zvFileOpCollision(int policy, ULONGLONG sourceWriteTime, ULONGLONG targetWriteTime) {
    switch (policy) {
    case ZV_FO_EXISTS_FAIL:
        return ZV_FO_COLLISION_FAIL;
    case ZV_FO_EXISTS_OVERWRITE:
        return ZV_FO_COLLISION_OVERWRITE;
    case ZV_FO_EXISTS_RENAME_INCOMING:
        return ZV_FO_COLLISION_RENAME_INCOMING;
    case ZV_FO_EXISTS_RENAME_EXISTING:
        return ZV_FO_COLLISION_RENAME_EXISTING;
    case ZV_FO_EXISTS_RENAME_OLDER:
        return sourceWriteTime < targetWriteTime ? ZV_FO_COLLISION_RENAME_INCOMING : ZV_FO_COLLISION_RENAME_EXISTING;
    case ZV_FO_EXISTS_RENAME_NEWER:
        return sourceWriteTime > targetWriteTime ? ZV_FO_COLLISION_RENAME_INCOMING : ZV_FO_COLLISION_RENAME_EXISTING;
    default:
        return ZV_FO_COLLISION_INVALID;
    }
}

ULONGLONG zvFileOpScale(ULONGLONG total) { return total / 65536 + 1; }

int zvFileOpPercent(ULONGLONG done, ULONGLONG total) {
    if (total == 0) return 0;
    // Beyond 2^57 done * 100 could overflow; the coarser division is exact enough there.
    if (total > (1ull << 57)) return (int)(done / (total / 100));
    return (int)(done * 100 / total);
}

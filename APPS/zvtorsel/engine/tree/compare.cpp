#include "base/messagenumbers.h"
#include "mapping/mapping_settings.h"
#include "treepane.h"
#include "zvclass.h"

namespace {

const int kPairGrowth = 256;

zvCTime2 EvenLocalTime(const IFileClock& clock, const FILETIME& utc) {
    SYSTEMTIME local;
    zvCTime2 t;
    if (clock.ToLocalTime(utc, &local)) t = local;
    t.AdjustEvenSecond();
    return t;
}

bool MovesBySetting(const CTreePane& pane, const TreeItem& item) {
    return pane.settings.moveCheckSP &&
           (item.kind == KIND_EXECUTABLE || item.kind == KIND_ARCHIVE);
}

void MarkCopy(CCachePane& cache, int folder, int index) {
    TreeItem* it = cache.model.Item(folder, index);
    if (!it || (it->marks[SIDE_CACHE] & MARK_C)) return;
    BYTE marks = it->marks[SIDE_CACHE] | MARK_C;
    if (MovesBySetting(cache, *it)) marks |= MARK_D;
    cache.SetMarks(folder, index, marks);
}

void MarkNewFolder(CCachePane& cache, int folder) {
    FolderNode* node = cache.model.Node(folder);
    if (!node) return;
    for (size_t i = 0; i < node->items.size(); ++i) {
        TreeItem* it = node->items[i];
        if (!it) continue;
        if (it->IsFolder()) MarkNewFolder(cache, it->Child());
        else if (it->allowed[SIDE_CACHE] & MARK_C) MarkCopy(cache, folder, (int)i);
    }
}

bool Grow(zvCArray& pairs, int number) {
    if (number < pairs.GetEntries()) return true;
    int size = pairs.GetEntries();
    while (size <= number) size += kPairGrowth;
    return pairs.ExpandEntries(size) == size;
}

// A name left out of the index would pass for a new entry or be passed
// over: without the memory the comparison stops and says so.
int NoMemory(CCachePane& cache) {
    cache.report.Notify(IDS_NO_MEMORY_COMPARE, nullptr);
    return 0;
}

int CompareInner(CCachePane& cache, int cacheFolder, CRebuildPane& rebuild, int rebuildFolder) {
    if (cache.Cancelled() || rebuild.Cancelled()) return 0;
    FolderNode* rn = cache.model.Node(rebuildFolder);
    if (!rn) return 1;
    if (rn->state != FOLDER_READ && !rebuild.LoadFolder(rebuildFolder)) return 0;
    FolderNode* cn = cache.model.Node(cacheFolder);
    rn = cache.model.Node(rebuildFolder);
    if (!cn) return 1;

    // Each name folded to upper case gets a number, which addresses the index
    // (plus one) of the rebuild entry of that name. The rebuild side is
    // numbered first and every cache entry looks its name up, so that cache
    // names differing only in case all meet the one file or folder on disk.
    zvCHash names;
    zvCArray rebuildIndex(sizeof(int));
    std::string upper;
    for (size_t i = 0; i < rn->items.size(); ++i) {
        if (!rn->items[i]) continue;
        UpperName(rn->items[i]->name.c_str(), upper);
        int number = names.GetHash(upper.c_str());
        if (number < 0 || !Grow(rebuildIndex, number)) return NoMemory(cache);
        *(int*)&rebuildIndex[number] = (int)i + 1;
    }

    const RebuildSettings& settings = cache.settings;
    for (size_t i = 0; i < cn->items.size(); ++i) {
        TreeItem* c = cn->items[i];
        if (!c || !(c->allowed[SIDE_CACHE] & MARK_C)) continue;
        UpperName(c->name.c_str(), upper);
        int number = names.GetHash(upper.c_str());
        if (number < 0 || !Grow(rebuildIndex, number)) return NoMemory(cache);
        int ci = (int)i;
        int rebuildPlusOne = *(const int*)&rebuildIndex[number];
        if (rebuildPlusOne == 0) {
            if (!settings.checkCopyMark) continue;
            if (c->IsFolder()) MarkNewFolder(cache, c->Child());
            else MarkCopy(cache, cacheFolder, ci);
            continue;
        }
        int ri = rebuildPlusOne - 1;
        TreeItem* r = rn->items[ri];
        if (c->IsFolder() && r->IsFolder()) {
            if (!CompareInner(cache, c->Child(), rebuild, r->Child())) return 0;
            cn = cache.model.Node(cacheFolder);
            rn = cache.model.Node(rebuildFolder);
            continue;
        }
        // A file where a folder is needed, or the other way round: the
        // cache entries cannot get their files.
        if (c->IsFolder() != r->IsFolder()) {
            if (c->IsFolder()) cache.WarnAt(cacheFolder, c->name.c_str(), IDS_WARN_NAME_CLASH);
            else rebuild.WarnAt(rebuildFolder, r->name.c_str(), IDS_WARN_NAME_CLASH);
            cache.MarkFailed(cacheFolder, ci, IDS_FAILED_IN_THE_WAY);
            cn = cache.model.Node(cacheFolder);
            continue;
        }
        if (c->HasTime()) {
            zvCTime2 cacheTime = EvenLocalTime(*cache.mapping.clock, c->time);
            zvCTime2 rebuildTime = EvenLocalTime(*cache.mapping.clock, r->time);
            if (!(cacheTime > rebuildTime)) cache.Disallow(cacheFolder, ci, MARK_C);
            else if (settings.checkCopyMark) MarkCopy(cache, cacheFolder, ci);
            if (cacheTime >= rebuildTime) rebuild.Disallow(rebuildFolder, ri, MARK_C);
        } else {
            if (c->size == r->size) cache.Disallow(cacheFolder, ci, MARK_C);
            else if (settings.checkCopyMark) MarkCopy(cache, cacheFolder, ci);
            rebuild.Disallow(rebuildFolder, ri, MARK_C);
        }
    }
    return 1;
}

}  // namespace

int CompareFolders(CCachePane& cache, int cacheFolder, CRebuildPane& rebuild, int rebuildFolder) {
    cache.DeferRefresh();
    rebuild.DeferRefresh();
    int result = CompareInner(cache, cacheFolder, rebuild, rebuildFolder);
    cache.EndDeferral();
    rebuild.EndDeferral();
    return result;
}

bool IsNewer(const IFileClock& clock, const FILETIME& aTime, DWORD aSize, const FILETIME& bTime, DWORD bSize) {
    bool aHas = aTime.dwLowDateTime || aTime.dwHighDateTime;
    bool bHas = bTime.dwLowDateTime || bTime.dwHighDateTime;
    if (!aHas || !bHas) return aSize != bSize;
    return EvenLocalTime(clock, aTime) > EvenLocalTime(clock, bTime);
}

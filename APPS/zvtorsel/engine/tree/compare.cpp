#include "../app/resource.h"
#include "mapping/mapping_settings.h"
#include "treepane.h"
#include "zvclass.h"

namespace {

// Index in the cache folder plus one, index in the rebuild folder plus one.
struct NamePair {
    int cache;
    int rebuild;
};
static_assert(sizeof(NamePair) == 8, "pairs are 8-byte elements");

const int kPairGrowth = 256;

zvCTime2 EvenLocalTime(const FILETIME& utc) {
    SYSTEMTIME local;
    zvCTime2 t;
    if (MappingSettings::Process().clock->ToLocalTime(utc, &local)) t = local;
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

int CompareInner(CCachePane& cache, int cacheFolder, CRebuildPane& rebuild, int rebuildFolder) {
    if (cache.Cancelled() || rebuild.Cancelled()) return 0;
    FolderNode* rn = cache.model.Node(rebuildFolder);
    if (!rn) return 1;
    if (rn->state != FOLDER_READ && !rebuild.LoadFolder(rebuildFolder)) return 0;
    FolderNode* cn = cache.model.Node(cacheFolder);
    rn = cache.model.Node(rebuildFolder);
    if (!cn) return 1;

    zvCHash names;
    zvCArray pairs(sizeof(NamePair));
    std::string upper;
    int highest = -1;
    for (int pass = 0; pass < 2; ++pass) {
        const std::vector<TreeItem*>& items = pass == 0 ? cn->items : rn->items;
        for (size_t i = 0; i < items.size(); ++i) {
            if (!items[i]) continue;
            UpperName(items[i]->name.c_str(), upper);
            int number = names.GetHash(upper.c_str());
            if (number < 0 || !Grow(pairs, number)) continue;
            NamePair* pair = (NamePair*)&pairs[number];
            if (pass == 0) pair->cache = (int)i + 1;
            else pair->rebuild = (int)i + 1;
            if (number > highest) highest = number;
        }
    }

    const RebuildSettings& settings = cache.settings;
    for (int number = 0; number <= highest; ++number) {
        NamePair pair = *(const NamePair*)&pairs[number];
        if (pair.cache == 0) continue;
        int ci = pair.cache - 1;
        TreeItem* c = cn->items[ci];
        if (!(c->allowed[SIDE_CACHE] & MARK_C)) continue;
        if (pair.rebuild == 0) {
            if (!settings.checkCopyMark) continue;
            if (c->IsFolder()) MarkNewFolder(cache, c->Child());
            else MarkCopy(cache, cacheFolder, ci);
            continue;
        }
        int ri = pair.rebuild - 1;
        TreeItem* r = rn->items[ri];
        if (c->IsFolder() && r->IsFolder()) {
            if (!CompareInner(cache, c->Child(), rebuild, r->Child())) return 0;
            cn = cache.model.Node(cacheFolder);
            rn = cache.model.Node(rebuildFolder);
            continue;
        }
        if (c->IsFolder()) {
            cache.WarnAt(cacheFolder, c->name.c_str(), IDS_WARN_NAME_CLASH);
            continue;
        }
        if (r->IsFolder()) {
            rebuild.WarnAt(rebuildFolder, r->name.c_str(), IDS_WARN_NAME_CLASH);
            continue;
        }
        if (c->HasTime()) {
            zvCTime2 cacheTime = EvenLocalTime(c->time);
            zvCTime2 rebuildTime = EvenLocalTime(r->time);
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

bool IsNewer(const FILETIME& aTime, DWORD aSize, const FILETIME& bTime, DWORD bSize) {
    bool aHas = aTime.dwLowDateTime || aTime.dwHighDateTime;
    bool bHas = bTime.dwLowDateTime || bTime.dwHighDateTime;
    if (!aHas || !bHas) return aSize != bSize;
    return EvenLocalTime(aTime) > EvenLocalTime(bTime);
}

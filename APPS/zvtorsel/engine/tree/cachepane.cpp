#include <stdio.h>
#include <string.h>

#include "base/messagenumbers.h"
#include "cache/cacheset.h"
#include "cache/contenttype.h"
#include "mapping/url_mapping.h"
#include "tree/folderurl.h"
#include "treepane.h"
#include "zvfiletime.h"

CCachePane::CCachePane(CFolderTree& model_, const RebuildSettings& settings_, const JobSystem& system,
                       IPaneView& view_, IJobReport& report_, IUrlCache& cache_)
    : CTreePane(model_, SIDE_CACHE, settings_, system, view_, report_), cache(cache_) {}

namespace {

bool Present(const char* s) { return s && *s; }

// Status lines are refreshed every so many entries so a large cache does not
// spend its walk formatting counters.
const int kStatusInterval = 256;

}  // namespace

// Creates the cache root (and the history root when the history tree is
// shown) and inserts every content and history entry. Returns 1 when the
// walk completed or found nothing, 0 when it was cancelled.
int CCachePane::BuildTree() {
    RefreshStatus();
    // A store of several caches (a copied disk) gives each its own root,
    // captioned with whose it is.
    const std::vector<CacheSource>* caches = cache.Caches();
    moreRoots.clear();
    rootCaptions.clear();
    if (caches)
        for (const CacheSource& source : *caches) rootCaptions.push_back(source.caption);
    root = model.NewFolder(-1, -1, 0, FOLDER_READ);
    view.FolderInserted(side, root);
    for (size_t i = 1; i < rootCaptions.size(); ++i) {
        moreRoots.push_back(model.NewFolder(-1, -1, 0, FOLDER_READ));
        view.FolderInserted(side, moreRoots.back());
    }
    historyRoot = -1;
    if (settings.viewHistTree) {
        historyRoot = model.NewFolder(-1, -1, 0, FOLDER_READ);
        view.FolderInserted(side, historyRoot);
    }
    shownFolder = root;

    UrlCacheEntry entry;
    char mapped[kUrlBufferSize];
    if (cache.FindFirst(entry)) {
        int seen = 0;
        DeferRefresh();
        do {
            if (Cancelled()) {
                cache.FindClose();
                EndDeferral();
                return 0;
            }
            bool cookie = (entry.entryType & CACHE_ENTRY_COOKIE) != 0;
            bool history = (entry.entryType & CACHE_ENTRY_HISTORY) != 0;
            if (!cookie && !history && Present(entry.sourceUrl) && Present(entry.localFile)) {
                // Browser caches name their files without an extension: the
                // content type gives the one a query URL is mapped with.
                const char* local = entry.localFile;
                std::string typed;
                if (const char* ext = ExtensionForContentType(entry.contentType)) {
                    typed = std::string(local) + "." + ext;
                    local = typed.c_str();
                }
                if (MapUrlToName(entry.sourceUrl, local, entry.lastModified, settings.cnvtPercent, mapped,
                                 sizeof(mapped), mapping)) {
                    int into = entry.cache > 0 && entry.cache <= moreRoots.size() ? moreRoots[entry.cache - 1] : root;
                    AddCacheEntry(&entry, mapped, into, 0, MARK_ALL, 0, false);
                } else {
                    // Without a scheme the URL has no place in a rebuild folder.
                    ++failedEntries;
                    report.Failure(entry.sourceUrl, IDS_FAILED_UNMAPPED);
                }
            } else if (history && historyRoot >= 0 && Present(entry.sourceUrl) && !Present(entry.localFile)) {
                const char* url = entry.sourceUrl;
                size_t skip = (size_t)historyPrefixLength;
                if (strlen(url) >= skip)
                    url += skip;
                else
                    url += strlen(url);
                if (MapUrlToName(url, nullptr, entry.lastModified, settings.cnvtPercent, mapped, sizeof(mapped),
                                 mapping))
                    AddCacheEntry(&entry, mapped, historyRoot, 0, MARK_HISTORY_ALLOWED, 0, false);
            }
            if (++seen % kStatusInterval == 0) RefreshStatus();
        } while (cache.FindNext(entry));
        cache.FindClose();
        EndDeferral();
    }
    ReportNewDamage();
    for (int r : Roots()) view.ExpandFolder(side, r);
    if (historyRoot >= 0) view.ExpandFolder(side, historyRoot);
    RefreshStatus();
    return 1;
}

void CCachePane::ReportNewDamage() {
    for (const CacheDamage& damage : cache.Damage()) {
        char number[16];
        snprintf(number, sizeof number, "%u ", damage.message);
        if (reportedDamage_.insert(number + damage.where).second) report.Warning(damage.where.c_str(), damage.message);
    }
}

TreeItem* CCachePane::AddUrl(const char* mappedUrl, const UrlCacheEntry* record, BYTE allowed,
                             BYTE marks, bool ghost) {
    lastAdded = nullptr;
    if (root < 0) return nullptr;
    int folder = (record && (record->entryType & CACHE_ENTRY_HISTORY) && historyRoot >= 0)
                     ? historyRoot
                     : root;
    if (!AddCacheEntry(record, mappedUrl, folder, 0, allowed, marks, ghost)) return nullptr;
    return lastAdded;
}

int CCachePane::AddCacheEntry(const UrlCacheEntry* record, const char* mappedUrl, int folder,
                              int depth, BYTE allowed, BYTE marks, bool ghost) {
    lastAdded = nullptr;
    if (ghost) allowed &= MARK_GHOST_ALLOWED;
    marks &= allowed;
    bool history = record && (record->entryType & CACHE_ENTRY_HISTORY);
    FolderNode* node = model.Node(folder);
    if (!node) return 0;

    char component[kUrlBufferSize];
    const char* rest = NextUrlComponent(mappedUrl, depth == 0, component, sizeof(component), mapping);
    if (rest) {
        int index = node->Find(component);
        TreeItem* existing = index >= 0 ? node->items[index] : nullptr;
        if (existing && existing->IsFolder())
            return AddCacheEntry(record, rest, existing->Child(), depth + 1, allowed, marks, ghost);
        if (existing && history) {
            // The file becomes the folder's "index.html", the folder takes its place.
            Count(*existing, -1);
            TreeItem* moved = existing;
            node->items[index] = nullptr;
            node->byName.erase(component);
            int child = NewChildFolder(folder, component, moved->allowed[side], 0,
                                       node->rebuildNo, FOLDER_READ);
            node = model.Node(folder);
            moved->name = "index.html";
            model.AddItem(child, moved);
            Count(*moved, +1);
            ExpandIfShallow(folder, depth);
            return AddCacheEntry(record, rest, child, depth + 1, allowed, marks, ghost);
        }
        if (existing) {
            WarnAt(folder, existing->name.c_str(), IDS_WARN_FILE_AT_FOLDER);
            StampName(folder, index);
        }
        int child = NewChildFolder(folder, component, allowed, marks, node->rebuildNo, FOLDER_READ);
        ExpandIfShallow(folder, depth);
        return AddCacheEntry(record, rest, child, depth + 1, allowed, marks, ghost);
    }

    std::string leaf = component[0] ? component : "index.html";
    int existingIndex = node->Find(leaf);
    bool stampNew = false;
    if (existingIndex >= 0) {
        TreeItem* existing = node->items[existingIndex];
        if (history) {
            if (existing->IsFolder())
                return AddCacheEntry(record, "", existing->Child(), depth + 1, allowed, marks,
                                     ghost);
            return 1;
        }
        if (existing->IsFolder()) {
            WarnAt(folder, leaf.c_str(), IDS_WARN_SAME_FOLDER);
            stampNew = true;
        } else {
            WarnAt(folder, leaf.c_str(), IDS_WARN_SAME_FILE);
            FILETIME t = record ? record->lastModified : FILETIME{0, 0};
            ULONGLONG mine = ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime;
            ULONGLONG theirs =
                ((ULONGLONG)existing->time.dwHighDateTime << 32) | existing->time.dwLowDateTime;
            if (mine < theirs) stampNew = true;
            else StampName(folder, existingIndex);
        }
    }

    TreeItem* item = new TreeItem;
    item->strings = 2;
    item->kind = (BYTE)KindFromName(leaf.c_str());
    item->flags = ghost ? ITEM_GHOST : 0;
    item->name = leaf;
    if (history) {
        item->size = SIZE_NONE;
    } else {
        // A store that keeps the bodies in its own files has just read them.
        if (!ghost && record) {
            DirEntry info;
            if (!record->localFile || (!cache.BodiesInStore() && !files.GetFileInfo(record->localFile, info))) {
                allowed &= (BYTE)~MARK_C;
                marks &= (BYTE)~MARK_C;
                if (allowed & MARK_D) marks |= MARK_D;
            }
        }
        item->size = record ? record->sizeLow : 0;
    }
    item->allowed[side] = Permitted(allowed);
    item->marks[side] = marks & item->allowed[side];
    if (record) {
        FILETIME time = record->lastModified;
        int clamp = zvControlFileTimeAtFat(&time);
        if (clamp < 0) WarnAt(folder, leaf.c_str(), IDS_WARN_TIME_TOO_EARLY);
        else if (clamp > 0) WarnAt(folder, leaf.c_str(), IDS_WARN_TIME_TOO_LATE);
        item->time = time;
        if (record->localFile) item->localFile = record->localFile;
        if (record->sourceUrl) item->url = record->sourceUrl;
        item->contentType = record->contentType ? std::string(record->contentType)
                                                : ContentTypeOfHeaders(record->headerInfo, record->headerInfoSize);
    } else {
        item->url = mappedUrl;
    }
    int index = model.AddItem(folder, item);
    if (stampNew) StampName(folder, index);
    Count(*item, +1);
    if (!deferred_) {
        RefreshStatus();
        UpdateSummariesUp(folder);
    }
    if (folder == shownFolder) view.RefreshList(side, folder);
    lastAdded = item;
    return 1;
}

// The mapped form is the entry's place in the tree: its folder URL and name.
// That is what MapUrlToName gave, except that a name that got a time stamp
// keeps it (so the copy lands where the tree shows it) and a history URL
// comes without the browser's prefix.
bool CCachePane::EntryUrl(int folder, int item, bool mapped, char* out) {
    TreeItem* it = model.Item(folder, item);
    if (!it) return false;
    if (!mapped && !it->url.empty() && !it->IsGhost()) {
        if (it->url.size() + 1 > kPathBufferSize) return false;
        memcpy(out, it->url.c_str(), it->url.size() + 1);
        return true;
    }
    if (!FolderUrl(model, folder, out, kPathBufferSize)) return false;
    size_t len = strlen(out);
    if (len + it->name.size() + 1 > kPathBufferSize) return false;
    memcpy(out + len, it->name.c_str(), it->name.size() + 1);
    return true;
}

bool CCachePane::EntryLocalPath(int folder, int item, char* out) {
    TreeItem* it = model.Item(folder, item);
    if (!it || it->localFile.empty() || it->localFile.size() + 1 > kPathBufferSize) return false;
    memcpy(out, it->localFile.c_str(), it->localFile.size() + 1);
    return true;
}

#include "treepane.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "base/messagenumbers.h"
#include "mapping/time_stamp.h"
#include "mapping/url_mapping.h"
#include "tree/folderurl.h"
#include "zvclass.h"
#include "zvpath.h"

namespace {

const char* NameExtension(const char* name) {
    const char* ext = zvScanExtNameA(name);
    return ext ? ext : "";
}
const char* NameExtension(const std::string& name) { return NameExtension(name.c_str()); }
const char* NameExtension(const CompactText& name) { return NameExtension(name.c_str()); }

}  // namespace

void PlainCount(DWORD value, char* out, int cap) { snprintf(out, cap, "%lu", (unsigned long)value); }

CTreePane::CTreePane(CFolderTree& model_, int side_, const RebuildSettings& settings_, const JobSystem& system,
                     IPaneView& view_, IJobReport& report_)
    : model(model_),
      side(side_),
      settings(settings_),
      mapping(settings_.mapping),
      formatCount(settings_.formatCount ? settings_.formatCount : PlainCount),
      files(system.files),
      shell(system.shell),
      clock(system.clock),
      view(view_),
      report(report_),
      translator(system.files, this, mapping) {
    mapping.fileProtocolType = MappingSettings::ValidFileProtocolType(mapping.fileProtocolType);
}

CTreePane::~CTreePane() {}

int CTreePane::ShowResourceMessage(UINT id, const char* arg) {
    report.Notify(id, arg);
    return 1;
}

bool CTreePane::RowUrl(int folder, const ListRow& row, char* out) {
    if (row.item < 0) return FolderUrl(model, folder, out, kPathBufferSize);
    return EntryUrl(folder, row.item, false, out);
}

bool CTreePane::RowLocalPath(int folder, const ListRow& row, char* out) {
    if (row.item < 0) return false;
    return EntryLocalPath(folder, row.item, out);
}

void CTreePane::Count(const TreeItem& item, int sign) {
    if (item.IsFolder() || (item.flags & ITEM_PLACEHOLDER)) return;
    BYTE m = item.marks[side];
    counters.total += sign;
    switch (m & MARK_M) {
    case MARK_C: counters.c += sign; break;
    case MARK_D: counters.d += sign; break;
    case MARK_M: counters.m += sign; break;
    default: break;
    }
    if (m & MARK_L) counters.l += sign;
}

void CTreePane::RefreshStatus() {
    char c[32], d[32], m[32], l[32], total[32];
    formatCount(counters.c, c, sizeof(c));
    formatCount(counters.d, d, sizeof(d));
    formatCount(counters.m, m, sizeof(m));
    formatCount(counters.l, l, sizeof(l));
    formatCount(counters.total, total, sizeof(total));
    char line[200];
    snprintf(line, sizeof(line), " C:%s, D:%s, M:%s, L:%s / %s", c, d, m, l, total);
    status = line;
    view.StatusLineChanged(side, line);
}

void CTreePane::SetMarks(int folder, int item, BYTE marks) {
    TreeItem* it = model.Item(folder, item);
    if (!it || it->IsFolder()) return;
    BYTE next = marks & it->allowed[side];
    if (next == it->marks[side]) return;
    Count(*it, -1);
    it->marks[side] = next;
    Count(*it, +1);
    if (deferred_) return;
    RefreshStatus();
    UpdateSummariesUp(folder);
}

void CTreePane::Disallow(int folder, int item, BYTE bits) {
    TreeItem* it = model.Item(folder, item);
    if (!it) return;
    it->allowed[side] &= (BYTE)~bits;
    if (it->IsFolder()) return;
    SetMarks(folder, item, it->marks[side]);
}

void CTreePane::Allow(int folder, int item, BYTE bits) {
    TreeItem* it = model.Item(folder, item);
    if (it) it->allowed[side] = Permitted(it->allowed[side] | bits);
}

namespace {

// Summary of a folder's entries: which marks occur, whether they differ,
// whether every counted entry is a ghost.
struct Summary {
    BYTE marks = 0;
    int counted = 0;
    int ghosts = 0;
    bool first = true;
    BYTE firstCD = 0, firstL = 0;

    void Add(BYTE m, bool ghost) {
        BYTE cd = m & MARK_M, l = m & MARK_L;
        marks |= cd | l | (m & (MARK_MIXED_CD | MARK_MIXED_L));
        if (first) {
            firstCD = cd;
            firstL = l;
            first = false;
        } else {
            if (cd != firstCD) marks |= MARK_MIXED_CD;
            if (l != firstL) marks |= MARK_MIXED_L;
        }
        ++counted;
        if (ghost) ++ghosts;
    }
};

}  // namespace

static void StoreSummary(CFolderTree& model, int side, int folder, const Summary& s) {
    FolderNode* node = model.Node(folder);
    node->hasCounted = s.counted > 0;
    TreeItem* own = model.Item(node->parent, node->itemInParent);
    if (!own) return;
    own->marks[side] = s.marks;
    if (s.counted > 0 && s.ghosts == s.counted) own->flags |= ITEM_GHOST;
    else own->flags &= (WORD)~ITEM_GHOST;
}

static Summary SummarizeOne(CFolderTree& model, int side, int folder) {
    Summary s;
    FolderNode* node = model.Node(folder);
    for (TreeItem* it : node->items) {
        if (!it || (it->flags & ITEM_PLACEHOLDER)) continue;
        if (it->IsFolder()) {
            FolderNode* child = model.Node(it->Child());
            if (!child || !child->hasCounted) continue;
        }
        s.Add(it->marks[side], it->IsGhost());
    }
    return s;
}

void CTreePane::UpdateSummariesUp(int folder) {
    for (int f = folder; f >= 0;) {
        FolderNode* node = model.Node(f);
        if (!node) return;
        StoreSummary(model, side, f, SummarizeOne(model, side, f));
        view.RedrawFolder(side, f);
        f = node->parent;
    }
}

BYTE CTreePane::RecomputeSummaries(int folder) {
    FolderNode* node = model.Node(folder);
    if (!node) return 0;
    for (TreeItem* it : node->items) {
        if (it && it->IsFolder()) RecomputeSummaries(it->Child());
    }
    Summary s = SummarizeOne(model, side, folder);
    StoreSummary(model, side, folder, s);
    view.RedrawFolder(side, folder);
    return s.marks;
}

bool CTreePane::HasMarks(BYTE mark) const {
    switch (mark) {
    case MARK_C: return counters.c > 0;
    case MARK_D: return counters.d > 0;
    case MARK_M: return counters.m > 0;
    case MARK_L: return counters.l > 0;
    default: return false;
    }
}

void CTreePane::EndDeferral() {
    if (deferred_ > 0 && --deferred_ == 0) {
        RefreshStatus();
        for (int r : Roots()) RecomputeSummaries(r);
        if (historyRoot >= 0) RecomputeSummaries(historyRoot);
    }
}

void CTreePane::ToggleMarks(int folder, int item, BYTE group, BYTE value, bool ghostOnly) {
    TreeItem* it = item >= 0 ? model.Item(folder, item) : nullptr;
    if (item >= 0 && !it) return;
    if (it && !it->IsFolder()) {
        ToggleOne(folder, item, group, value, ghostOnly);
        return;
    }
    int target = it ? it->Child() : folder;
    ++deferred_;
    ToggleFolder(target, group, value, ghostOnly);
    --deferred_;
    if (deferred_ == 0) {
        RecomputeSummaries(target);
        FolderNode* node = model.Node(target);
        if (node) UpdateSummariesUp(node->parent);
        RefreshStatus();
    }
}

void CTreePane::ToggleFolder(int folder, BYTE group, BYTE value, bool ghostOnly) {
    FolderNode* node = model.Node(folder);
    if (!node) return;
    if (node->state != FOLDER_READ && !LoadFolder(folder)) return;
    for (size_t i = 0; i < node->items.size(); ++i) {
        TreeItem* child = node->items[i];
        if (!child) continue;
        if (child->IsFolder()) ToggleFolder(child->Child(), group, value, ghostOnly);
        else ToggleOne(folder, (int)i, group, value, ghostOnly);
    }
}

void CTreePane::ToggleOne(int folder, int item, BYTE group, BYTE value, bool ghostOnly) {
    TreeItem* it = model.Item(folder, item);
    if (ghostOnly && !it->IsGhost()) return;
    BYTE marks = it->marks[side];
    BYTE allowed = it->allowed[side];
    if (group & MARK_L) {
        if (!(allowed & MARK_L)) return;
        if (value) {
            marks |= MARK_L;
            if ((value & MARK_C) && (allowed & MARK_C)) marks |= MARK_C;
        } else {
            marks &= (BYTE)~MARK_L;
        }
    } else {
        BYTE next = value & allowed & group;
        if ((marks & group) == next) return;
        marks = (BYTE)((marks & ~group) | next);
    }
    SetMarks(folder, item, marks);
}

bool CTreePane::FindByUrl(const char* mappedUrl, int* folder, int* item, int* rebuildNo) {
    for (int r : Roots())
        if (FindBelow(r, mappedUrl, folder, item, rebuildNo)) return true;
    return false;
}

bool CTreePane::FindBelow(int f, const char* mappedUrl, int* folder, int* item, int* rebuildNo) {
    *folder = f;
    *item = -1;
    *rebuildNo = 0;
    char component[kPathBufferSize];
    const char* rest = mappedUrl;
    for (;;) {
        FolderNode* node = model.Node(f);
        if (!node) return false;
        if (node->state != FOLDER_READ && !LoadFolder(f)) return false;
        const char* next = NextUrlComponent(rest, rest == mappedUrl, component, sizeof(component), mapping);
        if (!next) {
            int i = node->Find(component[0] ? component : "index.html");
            if (i < 0 || node->items[i]->IsFolder()) return false;
            *item = i;
            return true;
        }
        int i = node->Find(component);
        if (i < 0 || !node->items[i]->IsFolder()) return false;
        f = node->items[i]->Child();
        *folder = f;
        *rebuildNo = model.Node(f)->rebuildNo;
        rest = next;
    }
}

static int CompareText(const std::string& a, const std::string& b) {
    return CompareNoCase(a.c_str(), b.c_str());
}
static int CompareText(const CompactText& a, const CompactText& b) { return CompareNoCase(a.c_str(), b.c_str()); }

static int CompareKeyed(const TreeItem& a, const TreeItem& b, DWORD key) {
    int r = 0;
    switch (key & 7) {
    case SORT_NAME: return CompareText(a.name, b.name);
    case SORT_EXTENSION: r = CompareNoCase(NameExtension(a.name), NameExtension(b.name)); break;
    case SORT_SIZE:
        if (a.size != b.size) return a.size < b.size ? -1 : 1;
        break;
    case SORT_TIME: {
        ULONGLONG ta = ((ULONGLONG)a.time.dwHighDateTime << 32) | a.time.dwLowDateTime;
        ULONGLONG tb = ((ULONGLONG)b.time.dwHighDateTime << 32) | b.time.dwLowDateTime;
        if (ta != tb) return ta < tb ? -1 : 1;
        break;
    }
    case SORT_LOCAL_FILE: return CompareText(a.localFile, b.localFile);
    case SORT_LOCAL_EXTENSION:
        r = CompareNoCase(NameExtension(a.localFile), NameExtension(b.localFile));
        return r ? r : CompareText(a.localFile, b.localFile);
    case SORT_LOCAL_THEN_NAME: r = CompareText(a.localFile, b.localFile); break;
    case SORT_URL: r = CompareText(a.url, b.url); break;
    }
    return r ? r : CompareText(a.name, b.name);
}

int CompareEntries(const TreeItem& a, const TreeItem& b, DWORD key) {
    bool aSpecial = a.kind == KIND_SPECIAL, bSpecial = b.kind == KIND_SPECIAL;
    if (aSpecial || bSpecial) return aSpecial == bSpecial ? 0 : (aSpecial ? -1 : 1);
    int r;
    if (a.IsFolder() != b.IsFolder()) r = a.IsFolder() ? -1 : 1;
    else if (a.IsFolder()) r = CompareText(a.name, b.name);
    else r = CompareKeyed(a, b, key);
    return (key & SORT_DESCENDING) ? -r : r;
}

DWORD NextSortKey(DWORD key, int column) {
    switch (column) {
    case 0:
        if (key == SORT_NAME) return SORT_NAME | SORT_DESCENDING;
        if (key == (SORT_NAME | SORT_DESCENDING)) return SORT_EXTENSION;
        if (key == SORT_EXTENSION) return SORT_EXTENSION | SORT_DESCENDING;
        return SORT_NAME;
    case 1: return key == SORT_SIZE ? (SORT_SIZE | SORT_DESCENDING) : SORT_SIZE;
    case 2: return key == SORT_TIME ? (SORT_TIME | SORT_DESCENDING) : SORT_TIME;
    default: return key;
    }
}

void CTreePane::ListRows(int folder, std::vector<ListRow>& rows) {
    rows.clear();
    FolderNode* node = model.Node(folder);
    if (!node) return;
    if (node->state != FOLDER_READ) LoadFolder(folder);
    size_t first = 0;
    if (node->parent >= 0) {
        rows.push_back(ListRow{-1});
        first = 1;
    }
    for (size_t i = 0; i < node->items.size(); ++i) {
        TreeItem* it = node->items[i];
        if (it && !(it->flags & ITEM_PLACEHOLDER)) rows.push_back(ListRow{(int)i});
    }
    DWORD key = sortKey;
    std::stable_sort(rows.begin() + first, rows.end(), [&](const ListRow& a, const ListRow& b) {
        return CompareEntries(*node->items[a.item], *node->items[b.item], key) < 0;
    });
}

void CTreePane::RowTexts(int folder, const ListRow& row, const char* noTime, RowText& out) {
    out = RowText();
    if (row.item < 0) {
        out.name = "..";
        return;
    }
    TreeItem* it = model.Item(folder, row.item);
    if (!it) return;
    out.name = it->name;
    if (!it->IsFolder() && !it->IsGhost() && it->size != SIZE_NONE) {
        char size[32];
        formatCount(it->size, size, sizeof(size));
        out.size = size;
    }
    SYSTEMTIME local;
    if (it->HasTime() && mapping.clock->ToLocalTime(it->time, &local))
        out.time = (const char*)zvCTime2(local).Format();
    else
        out.time = noTime ? noTime : "";
}

void CTreePane::RemoveEntry(int folder, int item) {
    TreeItem* it = model.Item(folder, item);
    if (!it) return;
    Count(*it, -1);
    if (it->IsFolder()) view.FolderRemoved(side, it->Child());
    model.RemoveItem(folder, item);
    if (folder == shownFolder) view.RefreshList(side, folder);
    RefreshStatus();
}

bool CTreePane::RemoveEmptyFolders(int folder) {
    FolderNode* node = model.Node(folder);
    if (!node || node->state != FOLDER_READ) return false;
    bool removed = false;
    for (size_t i = 0; i < node->items.size(); ++i) {
        TreeItem* it = node->items[i];
        if (it && it->IsFolder()) removed |= RemoveEmptyFolders(it->Child());
    }
    if (node->parent < 0) return removed;
    for (TreeItem* it : node->items)
        if (it) return removed;
    int parent = node->parent;
    if (shownFolder == folder) shownFolder = parent;
    view.FolderRemoved(side, folder);
    model.RemoveItem(parent, node->itemInParent);
    if (parent == shownFolder) view.RefreshList(side, parent);
    return true;
}

void CTreePane::StampName(int folder, int item) {
    TreeItem* it = model.Item(folder, item);
    if (!it) return;
    FILETIME time = it->time;
    if (!it->HasTime()) {
        DirEntry info;
        if (!it->localFile.empty() && files.GetFileInfo(it->localFile.c_str(), info))
            time = info.lastWrite;
        else
            clock.CurrentTime(time);
    }
    SYSTEMTIME local;
    if (!mapping.clock->ToLocalTime(time, &local)) memset(&local, 0, sizeof(local));
    char stamp[kTimeStampSize];
    FormatTimeStamp(local, stamp);
    std::string name = it->name;
    const char* ext = zvScanExtNameA(name.c_str());
    if (ext) {
        size_t dot = (size_t)(ext - name.c_str()) - 1;
        name = name.substr(0, dot) + stamp + name.substr(dot);
    } else {
        name += stamp;
    }
    model.RenameItem(folder, item, name);
}

void CTreePane::WarnAt(int folder, const char* name, UINT id) {
    char path[kPathBufferSize];
    FolderUrl(model, folder, path, sizeof(path));
    size_t len = strlen(path);
    snprintf(path + len, sizeof(path) - len, "%s", name);
    report.Warning(path, id);
}

void CTreePane::ShowProgress(const char* prefix, const char* text) {
    std::string line = prefix;
    line += text;
    report.StatusText(line.c_str());
}

bool CTreePane::AskContinue(UINT id, const char* path) {
    ++failedFiles;
    if (settings.hideWarning) return true;
    return report.Ask(id, path);
}

bool CTreePane::FailAndAsk(int folder, int item, UINT id, const char* path) {
    if (TreeItem* it = model.Item(folder, item)) it->flags |= ITEM_FAILED;
    if (folder == shownFolder) view.RefreshList(side, folder);
    return AskContinue(id, path);
}

void CTreePane::MarkFailed(int folder, int item, UINT reason) {
    TreeItem* it = model.Item(folder, item);
    if (!it || it->IsFailed()) return;
    it->flags |= ITEM_FAILED;
    Disallow(folder, item, MARK_C);
    if (it->IsFolder()) {
        int child = it->Child();
        FolderNode* node = model.Node(child);
        for (size_t i = 0; node && i < node->items.size(); ++i) {
            MarkFailed(child, (int)i, reason);
            node = model.Node(child);
        }
    } else {
        ++failedEntries;
        char path[kPathBufferSize];
        FolderUrl(model, folder, path, sizeof(path));
        size_t len = strlen(path);
        snprintf(path + len, sizeof(path) - len, "%s", it->name.c_str());
        report.Failure(path, reason);
    }
    if (folder == shownFolder) view.RefreshList(side, folder);
}

int CTreePane::NewChildFolder(int folder, const std::string& name, BYTE allowed, BYTE marks,
                              int rebuildNo, int state) {
    TreeItem* item = new TreeItem;
    item->kind = KIND_FOLDER;
    item->attributes = FILE_ATTR_DIRECTORY;
    item->name = name;
    item->allowed[side] = Permitted(allowed);
    item->marks[side] = marks & item->allowed[side];
    int index = model.AddItem(folder, item);
    int child = model.NewFolder(folder, index, rebuildNo, state);
    item->size = (DWORD)child;
    view.FolderInserted(side, child);
    return child;
}

void CTreePane::ExpandIfShallow(int folder, int depth) {
    if (depth < 2) view.ExpandFolder(side, folder);
}

// Unread folders of the rebuild side hold no marks: both walks pass them by.
bool CTreePane::WalksInto(const TreeItem& folder) const {
    return side != SIDE_REBUILD || model.Node(folder.Child())->state == FOLDER_READ;
}

void CTreePane::CountMarked(int folder, BYTE wanted, JobCounts& counts) const {
    for (const TreeItem* it : model.Node(folder)->items) {
        if (!it) continue;
        if (it->IsFolder()) {
            if (WalksInto(*it)) CountMarked(it->Child(), wanted, counts);
        } else if ((it->marks[side] & MARK_M) == wanted) {
            ++counts.total;
            counts.totalBytes += it->size == SIZE_NONE ? 0 : it->size;
        }
    }
}

int CTreePane::WalkMarked(int folder, BYTE wanted, const char* verb, UINT lineId,
                          const std::function<bool(int, int)>& act) {
    JobCounts counts;
    CountMarked(folder, wanted, counts);
    return WalkMarkedBelow(folder, wanted, verb, lineId, act, counts);
}

int CTreePane::WalkMarkedBelow(int folder, BYTE wanted, const char* verb, UINT lineId,
                               const std::function<bool(int, int)>& act, JobCounts& counts) {
    char url[kUrlBufferSize], cacheUrl[kUrlBufferSize];
    for (size_t i = 0; i < model.Node(folder)->items.size(); ++i) {
        if (Cancelled()) return 0;
        TreeItem* it = model.Node(folder)->items[i];
        if (!it) continue;
        if (it->IsFolder()) {
            if (WalksInto(*it) && !WalkMarkedBelow(it->Child(), wanted, verb, lineId, act, counts)) return 0;
            continue;
        }
        if ((it->marks[side] & MARK_M) != wanted) continue;
        ++counts.done;
        counts.doneBytes += it->size == SIZE_NONE ? 0 : it->size;
        if (!EntryUrl(folder, (int)i, side == SIDE_CACHE, url) || !EntryCacheUrl(folder, (int)i, cacheUrl)) {
            MarkFailed(folder, (int)i, IDS_FAILED_URL_TOO_LONG);
            continue;
        }
        std::string status = std::string(verb) + url;
        report.EntryProgress(lineId, cacheUrl, status.c_str(), counts);
        if (!act(folder, (int)i)) return 0;
    }
    return 1;
}

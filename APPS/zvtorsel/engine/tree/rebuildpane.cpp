#include <string.h>

#include "base/temporaryname.h"
#include "translate/css_scanner.h"
#include "mapping/url_mapping.h"
#include "tree/folderurl.h"
#include "treepane.h"

namespace {

const DWORD kHidden = 0x02;

bool EndsWithDollar(const std::string& name) { return !name.empty() && name.back() == '$'; }

}  // namespace

const std::string& CRebuildPane::FolderPath(int n) const {
    static const std::string none;
    return (n >= 0 && n < kRebuildFolderCount) ? settings.rebuildFolders[n] : none;
}

int CRebuildPane::BuildTree() {
    root = model.NewFolder(-1, -1, 0, FOLDER_READ);
    view.FolderInserted(side, root);
    shownFolder = root;
    RefreshStatus();
    std::vector<DirEntry> entries;
    char decoded[kUrlBufferSize];
    for (int n = 0; n < kRebuildFolderCount; ++n) {
        if (!settings.FolderInUse(n)) continue;
        const std::string& base = settings.rebuildFolders[n];
        if (!files.ListFolder(base.c_str(), entries)) continue;
        for (const DirEntry& e : entries) {
            if (Cancelled()) return 0;
            if (!(e.attributes & FILE_ATTR_DIRECTORY) || (e.attributes & kHidden) ||
                !EndsWithDollar(e.name))
                continue;
            LocalNameToUrl(e.name.c_str(), decoded, sizeof(decoded), mapping);
            TreeItem* existing = model.Node(root)->ItemNamed(decoded);
            if (!existing) {
                int child = NewChildFolder(root, decoded, MARK_ALL, 0, n, FOLDER_DUMMY);
                view.ExpandFolder(side, root);
                view.ExpandFolder(side, child);
            } else if (existing->IsFolder()) {
                std::string path = base + e.name + "\\";
                if (!MergeFolders(existing->Child(), path.c_str(), n)) return 0;
            }
        }
    }
    return 1;
}

// Adds the subfolders found in another rebuild folder that the tree lacks;
// folders that exist already keep the number where they were found first.
int CRebuildPane::MergeFolders(int folder, const char* diskPath, int rebuildNo) {
    // The folder's own entries come first so that they keep their number.
    if (model.Node(folder)->state != FOLDER_READ && !LoadFolder(folder)) return 0;
    std::vector<DirEntry> entries;
    if (!files.ListFolder(diskPath, entries)) return 1;
    char decoded[kUrlBufferSize];
    for (const DirEntry& e : entries) {
        if (Cancelled()) return 0;
        if (!(e.attributes & FILE_ATTR_DIRECTORY)) continue;
        LocalNameToUrl(e.name.c_str(), decoded, sizeof(decoded), mapping);
        TreeItem* existing = model.Node(folder)->ItemNamed(decoded);
        if (!existing) {
            NewChildFolder(folder, decoded, MARK_ALL, 0, rebuildNo, FOLDER_DUMMY);
        } else if (existing->IsFolder()) {
            std::string path = std::string(diskPath) + e.name + "\\";
            if (!MergeFolders(existing->Child(), path.c_str(), rebuildNo)) return 0;
        }
    }
    return 1;
}

bool CRebuildPane::FolderLocalPath(int folder, char* out) {
    FolderNode* node = model.Node(folder);
    if (!node) return false;
    char url[kUrlBufferSize];
    char local[kUrlBufferSize];
    if (!FolderUrl(model, folder, url, sizeof(url))) return false;
    UrlToLocalPath(url, local, sizeof(local), mapping);
    const std::string& base = FolderPath(node->rebuildNo);
    size_t n = base.size(), m = strlen(local);
    if (n + m + 1 > kPathBufferSize) return false;
    memcpy(out, base.c_str(), n);
    memcpy(out + n, local, m + 1);
    return true;
}

int CRebuildPane::LoadFolder(int folder) {
    FolderNode* node = model.Node(folder);
    if (!node) return 0;
    if (node->state == FOLDER_READ) return 1;
    char path[kPathBufferSize];
    path[0] = 0;
    if (node->parent >= 0 && FolderLocalPath(folder, path) && !ReadEntries(folder, path, "")) return 0;
    model.Node(folder)->state = FOLDER_READ;
    if (!deferred_) RefreshStatus();
    return 1;
}

// The entries of the folder on disk at `path` (ending with "\"), their names
// after `prefix`: a folder whose name ends with kContinued holds the rest of
// names that begin with its own, and its entries join this folder.
int CRebuildPane::ReadEntries(int folder, const char* path, const std::string& prefix) {
    std::vector<DirEntry> entries;
    if (!files.ListFolder(path, entries)) return 1;
    std::string file;
    char decoded[kUrlBufferSize];
    for (const DirEntry& e : entries) {
        if (Cancelled()) return 0;
        file = path + e.name;
        bool directory = (e.attributes & FILE_ATTR_DIRECTORY) != 0;
        // A write that was killed before it replaced its target left this.
        if (!directory && IsTemporaryName(e.name.c_str())) {
            if (file.size() < kPathBufferSize) files.RemoveFile(file.c_str());
            continue;
        }
        LocalNameToUrl(e.name.c_str(), decoded, sizeof(decoded), mapping);
        std::string name = prefix + decoded;
        size_t n = e.name.size(), m = sizeof(kContinued) - 1;
        if (directory && n > m && e.name.compare(n - m, m, kContinued) == 0) {
            if (file.size() + 2 > kPathBufferSize) continue;
            if (!ReadEntries(folder, (file + "\\").c_str(), name)) return 0;
            continue;
        }
        FolderNode* node = model.Node(folder);
        if (node->Find(name) >= 0) continue;
        if (directory) {
            NewChildFolder(folder, name, MARK_ALL, 0, node->rebuildNo, FOLDER_DUMMY);
            continue;
        }
        TreeItem* item = new TreeItem;
        item->kind = (BYTE)KindFromName(name.c_str());
        item->attributes = e.attributes;
        item->size = e.size;
        item->time = e.lastWrite;
        item->name = name;
        item->allowed[side] = Permitted(MARK_ALL);
        if (e.size == 0 && e.name == "#") {
            item->flags |= ITEM_PLACEHOLDER;
            item->allowed[side] &= (BYTE)~MARK_C;
        } else if (e.size != 0 && e.size % 512 == 0 && file.size() < kPathBufferSize) {
            // Pages by their header line; a sheet's envelope, at the end of
            // a file of any name (a sheet may be named as a page or a query).
            long orgSize = 0, xlatBlk = 0, orgBlk = 0;
            bool page =
                item->kind == KIND_HTML && translator.ReadTranslationHeader(file.c_str(), &orgSize, &xlatBlk, &orgBlk);
            bool sheet = !page && translator.ReadStyleSheetEnvelope(file.c_str(), &orgSize, &xlatBlk, &orgBlk);
            if (page || sheet) {
                item->flags |= ITEM_TRANSLATED | (sheet ? ITEM_STYLE_SHEET : 0);
                item->size = (DWORD)orgSize;
                if (orgBlk == 0) item->flags |= ITEM_NO_ORIGINAL;
            }
        }
        model.AddItem(folder, item);
        Count(*item, +1);
    }
    return 1;
}

TreeItem* CRebuildPane::AddUrl(const char* mappedUrl, const UrlCacheEntry* record, BYTE allowed,
                               BYTE marks, bool ghost) {
    if (ghost) allowed &= MARK_GHOST_ALLOWED;
    marks &= allowed;
    int folder = root;
    char component[kUrlBufferSize];
    const char* rest = mappedUrl;
    for (;;) {
        FolderNode* node = model.Node(folder);
        if (!node) return nullptr;
        if (node->state != FOLDER_READ && !LoadFolder(folder)) return nullptr;
        node = model.Node(folder);
        const char* next = NextUrlComponent(rest, rest == mappedUrl, component, sizeof(component), mapping);
        if (!next) break;
        int index = node->Find(component);
        if (index < 0) {
            folder = NewChildFolder(folder, component, allowed, 0, node->rebuildNo, FOLDER_READ);
        } else if (node->items[index]->IsFolder()) {
            folder = node->items[index]->Child();
        } else {
            return nullptr;
        }
        rest = next;
    }
    TreeItem* item = new TreeItem;
    item->strings = 2;
    item->name = component[0] ? component : "index.html";
    item->kind = (BYTE)KindFromName(item->name.c_str());
    item->flags = ghost ? ITEM_GHOST : 0;
    item->url = mappedUrl;
    if (record) {
        item->size = record->sizeLow;
        item->time = record->lastModified;
        if (record->localFile) item->localFile = record->localFile;
    }
    item->allowed[side] = Permitted(allowed);
    item->marks[side] = marks & item->allowed[side];
    model.AddItem(folder, item);
    Count(*item, +1);
    if (!deferred_) {
        RefreshStatus();
        UpdateSummariesUp(folder);
    }
    if (folder == shownFolder) view.RefreshList(side, folder);
    return item;
}

bool CRebuildPane::EntryUrl(int folder, int item, bool, char* out) {
    TreeItem* it = model.Item(folder, item);
    if (!it || !FolderUrl(model, folder, out, kPathBufferSize)) return false;
    size_t len = strlen(out);
    if (len + it->name.size() + 1 > kPathBufferSize) return false;
    memcpy(out + len, it->name.c_str(), it->name.size() + 1);
    return true;
}

bool CRebuildPane::EntryLocalPath(int folder, int item, char* out) {
    FolderNode* node = model.Node(folder);
    char url[kUrlBufferSize];
    char local[kUrlBufferSize];
    if (!node || !EntryUrl(folder, item, false, url)) return false;
    UrlToLocalPath(url, local, sizeof(local), mapping);
    const std::string& base = FolderPath(node->rebuildNo);
    size_t n = base.size(), m = strlen(local);
    if (n + m + 1 > kPathBufferSize) return false;
    memcpy(out, base.c_str(), n);
    memcpy(out + n, local, m + 1);
    return true;
}

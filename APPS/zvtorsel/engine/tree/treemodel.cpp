#include "treemodel.h"

#include <string.h>

#include "translate/css_scanner.h"
#include "zvchartables.h"

FolderNode::~FolderNode() {
    for (TreeItem* item : items) delete item;
}

int FolderNode::Find(const std::string& name) const {
    auto it = byName.find(name);
    return it == byName.end() ? -1 : it->second;
}

TreeItem* FolderNode::ItemNamed(const std::string& name) const {
    int i = Find(name);
    return i < 0 ? nullptr : items[i];
}

namespace {

inline char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 32) : c; }

}  // namespace

bool IsAppendedExtension(const char* p) {
    if (*p != '.' || !p[1]) return false;
    for (++p; *p; ++p)
        if (!((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9'))) return false;
    return true;
}

// Every byte is folded alone, as the lookup compares: a query names no
// double-byte character that the mapping has not escaped.
bool QueryKey(const std::string& name, std::string& key) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.find('?') >= dot || !IsAppendedExtension(name.c_str() + dot)) return false;
    key.assign(name, 0, dot);
    for (char& c : key) c = FoldAscii(c);
    return true;
}

int FolderNode::FindQuery(const char* query, size_t size) const {
    std::string key(query);
    for (char& c : key) c = FoldAscii(c);
    int first = -1;
    auto range = byQuery.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
        int i = it->second;
        if (first >= 0 && i >= first) continue;
        const TreeItem* item = i < (int)items.size() ? items[i] : nullptr;
        std::string now;
        if (!item || item->IsFolder() || !QueryKey(item->name, now) || now != key ||
            item->name.size() - key.size() >= size)
            continue;
        first = i;
    }
    return first;
}

CFolderTree::~CFolderTree() {
    for (FolderNode* node : nodes_) delete node;
}

int CFolderTree::NewFolder(int parent, int itemInParent, int rebuildNo, int state) {
    FolderNode* node = new FolderNode;
    node->parent = parent;
    node->itemInParent = itemInParent;
    node->rebuildNo = rebuildNo;
    node->state = state;
    ++used_;
    if (emptied_ > 0) {
        for (size_t i = 0; i < nodes_.size(); ++i) {
            if (!nodes_[i]) {
                nodes_[i] = node;
                --emptied_;
                return (int)i;
            }
        }
    }
    nodes_.push_back(node);
    return (int)nodes_.size() - 1;
}

FolderNode* CFolderTree::Node(int index) const {
    if (index < 0 || index >= (int)nodes_.size()) return nullptr;
    return nodes_[index];
}

TreeItem* CFolderTree::Item(int folder, int item) const {
    FolderNode* node = Node(folder);
    if (!node || item < 0 || item >= (int)node->items.size()) return nullptr;
    return node->items[item];
}

void CFolderTree::RemoveFolder(int index) {
    FolderNode* node = Node(index);
    if (!node) return;
    for (TreeItem* item : node->items) {
        if (item && item->IsFolder()) RemoveFolder(item->Child());
    }
    delete node;
    nodes_[index] = nullptr;
    --used_;
    ++emptied_;
}

int CFolderTree::AddItem(int folder, TreeItem* item) {
    FolderNode* node = Node(folder);
    if (!node) {
        delete item;
        return -1;
    }
    int index = (int)node->items.size();
    node->items.push_back(item);
    if (!node->byName.emplace(item->name, index).second) ++node->sharedNames;
    IndexQuery(node, item->name, index);
    return index;
}

void CFolderTree::RemoveItem(int folder, int item) {
    FolderNode* node = Node(folder);
    TreeItem* it = Item(folder, item);
    if (!it) return;
    if (it->IsFolder()) RemoveFolder(it->Child());
    std::string name = it->name;
    delete it;
    node->items[item] = nullptr;
    Unindex(node, name, item);
}

// The name index keeps the first entry of a name; when that one goes, the
// next entry of the same name (if any) takes its place.
void CFolderTree::Unindex(FolderNode* node, const std::string& name, int item) {
    auto pos = node->byName.find(name);
    if (pos == node->byName.end() || pos->second != item) return;
    node->byName.erase(pos);
    if (!node->sharedNames) return;
    for (size_t i = 0; i < node->items.size(); ++i) {
        if ((int)i != item && node->items[i] && node->items[i]->name == name) {
            node->byName.emplace(name, (int)i);
            return;
        }
    }
}

void CFolderTree::RenameItem(int folder, int item, const std::string& name) {
    FolderNode* node = Node(folder);
    TreeItem* it = Item(folder, item);
    if (!it) return;
    std::string old = it->name;
    it->name = name;
    Unindex(node, old, item);
    if (!node->byName.emplace(name, item).second) ++node->sharedNames;
    IndexQuery(node, name, item);
}

void CFolderTree::IndexQuery(FolderNode* node, const std::string& name, int item) {
    std::string key;
    if (name.find('?') != std::string::npos && QueryKey(name, key)) node->byQuery.emplace(std::move(key), item);
}

void CFolderTree::ClearItems(int folder) {
    FolderNode* node = Node(folder);
    if (!node) return;
    for (size_t i = 0; i < node->items.size(); ++i) RemoveItem(folder, (int)i);
    node->items.clear();
    node->byName.clear();
    node->byQuery.clear();
    node->sharedNames = 0;
}

namespace {

struct ExtKind {
    const char* ext;
    int kind;
};

// Bucketed by first letter so a lookup compares only a few names.
const ExtKind kExtensions[] = {
    {"arc", KIND_ARCHIVE},  {"arj", KIND_ARCHIVE},   {"asp", KIND_HTML},     {"bmp", KIND_PICTURE},
    {"cab", KIND_ARCHIVE},  {"com", KIND_EXECUTABLE}, {"dib", KIND_PICTURE}, {"dll", KIND_SYSTEM},
    {"exe", KIND_EXECUTABLE}, {"gif", KIND_PICTURE}, {"gz", KIND_ARCHIVE},   {"htm", KIND_HTML},
    {"html", KIND_HTML},    {"jfi", KIND_PICTURE},   {"jfif", KIND_PICTURE}, {"jpeg", KIND_PICTURE},
    {"jpg", KIND_PICTURE},  {"lzh", KIND_ARCHIVE},   {"pjpg", KIND_PICTURE}, {"png", KIND_PICTURE},
    {"rle", KIND_PICTURE},  {"shtml", KIND_HTML},    {"tag", KIND_ARCHIVE},  {"tar", KIND_ARCHIVE},
    {"tgz", KIND_ARCHIVE},  {"vxd", KIND_SYSTEM},    {"xbm", KIND_PICTURE},  {"z", KIND_ARCHIVE},
    {"zip", KIND_ARCHIVE},  {"zoo", KIND_ARCHIVE},
};

// Bytes taken by the character at p: 2 for a lead byte followed by a trail.
inline int CharLen(const BYTE* lead, const char* p) { return (lead[(BYTE)*p] && p[1] != 0) ? 2 : 1; }

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c + 32) : c; }
inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 32) : c; }

// The extension of a name: behind the last "." that follows the last separator.
const char* ExtensionOf(const char* name) {
    const char* ext = nullptr;
    const BYTE* lead = zvGetDBCSLeadTable();
    for (const char* p = name; *p;) {
        if (*p == '/' || *p == '\\') ext = nullptr;
        else if (*p == '.') ext = p + 1;
        p += CharLen(lead, p);
    }
    return ext;
}

}  // namespace

int KindFromName(const char* name) {
    const char* ext = name ? ExtensionOf(name) : nullptr;
    if (!ext || !*ext || strlen(ext) > 5) return KIND_OTHER;
    char lower[8];
    size_t n = 0;
    for (; ext[n]; ++n) lower[n] = LowerAscii(ext[n]);
    lower[n] = 0;
    for (const ExtKind& e : kExtensions) {
        if (e.ext[0] > lower[0]) break;
        if (e.ext[0] == lower[0] && strcmp(e.ext, lower) == 0) return e.kind;
    }
    return KIND_OTHER;
}

bool IsStyleSheetItem(const TreeItem& item) {
    return (item.flags & ITEM_STYLE_SHEET) || IsStyleSheetFile(item.name.c_str(), nullptr);
}

void UpperName(const char* in, std::string& out) {
    out.clear();
    const BYTE* lead = zvGetDBCSLeadTable();
    for (const char* p = in; *p;) {
        int n = CharLen(lead, p);
        if (n == 2) {
            out.append(p, 2);
        } else {
            out.push_back(UpperAscii(*p));
        }
        p += n;
    }
}

int CompareNoCase(const char* a, const char* b) {
    const BYTE* lead = zvGetDBCSLeadTable();
    for (;;) {
        int n = CharLen(lead, a);
        if (n == 2) {
            // b is read only as far as it equals a, so never past its end.
            for (int k = 0; k < 2; ++k) {
                BYTE ca = (BYTE)a[k], cb = (BYTE)b[k];
                if (ca != cb) return ca < cb ? -1 : 1;
            }
        } else {
            unsigned char ca = (unsigned char)LowerAscii(*a), cb = (unsigned char)LowerAscii(*b);
            if (ca != cb) return ca < cb ? -1 : 1;
            if (!ca) return 0;
        }
        a += n;
        b += n;
    }
}

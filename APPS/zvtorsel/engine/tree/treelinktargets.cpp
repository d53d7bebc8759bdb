#include "tree/treelinktargets.h"

#include <string.h>

#include "mapping/url_mapping.h"

namespace {

bool SameNoCase(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = (char)(x + 32);
        if (y >= 'A' && y <= 'Z') y = (char)(y + 32);
        if (x != y) return false;
    }
    return true;
}

// An extension as MapUrlToName appends one: "." and letters or digits.
bool IsAppendedExtension(const char* p) {
    if (*p != '.' || !p[1]) return false;
    for (++p; *p; ++p)
        if (!((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9'))) return false;
    return true;
}

bool FindBelow(CTreePane& pane, int f, const char* url, char* ext, size_t size) {
    char component[kUrlBufferSize];
    for (const char* rest = url;;) {
        FolderNode* node = pane.model.Node(f);
        if (!node) return false;
        if (node->state != FOLDER_READ && !pane.LoadFolder(f)) return false;
        const char* next = NextUrlComponent(rest, rest == url, component, sizeof component, pane.mapping);
        if (!next) {
            size_t n = strlen(component);
            for (const TreeItem* item : node->items) {
                if (!item || item->IsFolder() || item->name.size() <= n) continue;
                const char* tail = item->name.c_str() + n;
                if (!SameNoCase(item->name.c_str(), component, n) || !IsAppendedExtension(tail) || strlen(tail) >= size)
                    continue;
                strcpy(ext, tail);
                return true;
            }
            return false;
        }
        int i = node->Find(component);
        if (i < 0 || !node->items[i]->IsFolder()) return false;
        f = node->items[i]->Child();
        rest = next;
    }
}

bool FindInPane(CTreePane& pane, const char* url, char* ext, size_t size) {
    for (int root : pane.Roots())
        if (FindBelow(pane, root, url, ext, size)) return true;
    return false;
}

}  // namespace

bool CTreeLinkTargets::QueryExtension(const char* url, char* ext, size_t size) {
    if (!url || !strchr(url, '?') || size == 0) return false;
    for (CTreePane* pane : m_panes)
        if (pane && pane->root >= 0 && FindInPane(*pane, url, ext, size)) return true;
    return false;
}

bool CTreeLinkTargets::Holds(const char* url) {
    if (!url) return false;
    char ext[16];
    if (strchr(url, '?')) return QueryExtension(url, ext, sizeof ext);
    for (CTreePane* pane : m_panes) {
        int folder, item, rebuildNo;
        if (pane && pane->root >= 0 && pane->FindByUrl(url, &folder, &item, &rebuildNo) &&
            !pane->model.Item(folder, item)->IsGhost())
            return true;
    }
    return false;
}

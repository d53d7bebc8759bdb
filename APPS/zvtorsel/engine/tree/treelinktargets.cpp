#include "tree/treelinktargets.h"

#include <string.h>

#include "mapping/url_mapping.h"

namespace {

bool FindBelow(CTreePane& pane, int f, const char* url, char* ext, size_t size) {
    char component[kUrlBufferSize];
    for (const char* rest = url;;) {
        FolderNode* node = pane.model.Node(f);
        if (!node) return false;
        if (node->state != FOLDER_READ && !pane.LoadFolder(f)) return false;
        const char* next = NextUrlComponent(rest, rest == url, component, sizeof component, pane.mapping);
        if (!next) {
            int i = node->FindQuery(component, size);
            if (i < 0) return false;
            strcpy(ext, node->items[i]->name.c_str() + strlen(component));
            return true;
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

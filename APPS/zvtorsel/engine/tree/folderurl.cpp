#include "folderurl.h"

#include <string.h>

namespace {

bool Append(char* out, size_t cap, size_t* len, const char* text, size_t n) {
    if (*len + n + 1 > cap) return false;
    memcpy(out + *len, text, n);
    *len += n;
    out[*len] = 0;
    return true;
}

}  // namespace

bool FolderUrl(const CFolderTree& model, int folder, char* out, size_t cap) {
    if (cap == 0) return false;
    out[0] = 0;
    // Collect the chain of folders from this one up to the root's child.
    int chain[256];
    int depth = 0;
    for (int f = folder; f >= 0;) {
        FolderNode* node = model.Node(f);
        if (!node || node->parent < 0) break;
        if (depth == (int)(sizeof(chain) / sizeof(chain[0]))) return false;
        chain[depth++] = f;
        f = node->parent;
    }
    size_t len = 0;
    for (int i = depth - 1; i >= 0; --i) {
        FolderNode* node = model.Node(chain[i]);
        TreeItem* item = model.Item(node->parent, node->itemInParent);
        if (!item) return false;
        if (!Append(out, cap, &len, item->name.data(), item->name.size())) return false;
        bool top = (i == depth - 1);
        if (!Append(out, cap, &len, top ? "//" : "/", top ? 2 : 1)) return false;
    }
    return true;
}

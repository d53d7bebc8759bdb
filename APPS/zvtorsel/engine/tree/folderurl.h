// The URL prefix of a folder of a pane tree, rebuilt from the names on the
// way from its root.
#pragma once
#include <stddef.h>

#include "tree/treemodel.h"

// The root gives ""; a folder below the root its name and "//" ("http://");
// deeper folders the parent's URL, their name and "/". Returns false when the
// text did not fit (out then holds the part that did).
bool FolderUrl(const CFolderTree& model, int folder, char* out, size_t cap);

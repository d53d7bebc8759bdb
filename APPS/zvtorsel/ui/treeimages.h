// The image lists of the rebuild tree's trees and lists, drawn at start:
// check-box pictures for the C/D/M marks and kind icons with the L mark.
#pragma once
#include <windows.h>
#include <commctrl.h>

struct TreeImageLists {
    // A tree shows state image n as image n, a list as image n - 1.
    HIMAGELIST treeStates = nullptr;
    HIMAGELIST listStates = nullptr;
    HIMAGELIST icons = nullptr;   // see IconBase and IconOverlay
};

TreeImageLists CreateTreeImages();
void DestroyTreeImages(TreeImageLists& lists);

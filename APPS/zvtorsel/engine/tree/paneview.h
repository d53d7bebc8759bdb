// What a pane tells its tree and list controls. Tests and headless runs use
// CNullPaneView; the rebuild tree dialog plugs in the real controls.
#pragma once

class IPaneView {
public:
    virtual ~IPaneView() {}
    // A folder got a tree item (or lost it, with removed set).
    virtual void FolderInserted(int side, int folder) = 0;
    virtual void FolderRemoved(int side, int folder) = 0;
    virtual void ExpandFolder(int side, int folder) = 0;
    // The summary image of a folder changed.
    virtual void RedrawFolder(int side, int folder) = 0;
    // The rows of the shown folder changed.
    virtual void RefreshList(int side, int folder) = 0;
    virtual void StatusLineChanged(int side, const char* text) = 0;
};

class CNullPaneView : public IPaneView {
public:
    void FolderInserted(int, int) override {}
    void FolderRemoved(int, int) override {}
    void ExpandFolder(int, int) override {}
    void RedrawFolder(int, int) override {}
    void RefreshList(int, int) override {}
    void StatusLineChanged(int, const char*) override {}
};

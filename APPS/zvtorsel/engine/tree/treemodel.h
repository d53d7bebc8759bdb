// The model shared by the two panes of a rebuild tree: folders, entries,
// their marks per side, and the slot array that holds the folders.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

#include "base/compacttext.h"
#include "zvtypes.h"

enum TreeSide { SIDE_REBUILD = 0, SIDE_CACHE = 1 };

enum MarkBits {
    MARK_MIXED_CD = 0x01,  // folder summary: C or D marks differ below
    MARK_C = 0x02,
    MARK_D = 0x04,
    MARK_M = 0x06,  // a move is a copy followed by a delete
    MARK_MIXED_L = 0x08,
    MARK_L = 0x10,
    MARK_LC = 0x12,  // L together with C
    MARK_ALL = 0xFF,
    MARK_GHOST_ALLOWED = 0x18,
    MARK_HISTORY_ALLOWED = 0x05,
    MARK_NOT_C = 0xFD,
};

enum ItemKind {
    KIND_SPECIAL = 1,
    KIND_FOLDER = 2,
    KIND_OTHER = 3,
    KIND_EXECUTABLE = 4,
    KIND_SYSTEM = 5,
    KIND_ARCHIVE = 6,
    KIND_PICTURE = 7,
    KIND_HTML = 8,
};

enum ItemFlags {
    ITEM_GHOST = 0x01,
    ITEM_TRANSLATED = 0x02,
    ITEM_NO_ORIGINAL = 0x04,
    ITEM_PLACEHOLDER = 0x08,
    ITEM_FAILED = 0x10,       // not rebuilt: something stands in its way, or its copy failed
    ITEM_STYLE_SHEET = 0x20,  // a sheet by its content type or its envelope, whatever its name
};

enum FolderState { FOLDER_NOT_READ = 0, FOLDER_DUMMY = 1, FOLDER_READ = 2 };

const DWORD FILE_ATTR_DIRECTORY = 16;
const DWORD SIZE_NONE = 0xFFFFFFFF;  // history entries show no size

struct TreeItem {
    BYTE strings = 0;  // 0 name, 1 name and local file, 2 name, local file and URL
    BYTE kind = KIND_OTHER;
    WORD flags = 0;
    DWORD attributes = 0;
    FILETIME time = {0, 0};
    DWORD size = 0;  // for a folder: index of its child FolderNode
    std::string name;
    CompactText localFile;
    CompactText url;
    CompactText contentType;  // of the cache entry, when its store knows it
    BYTE allowed[2] = {0, 0};
    BYTE marks[2] = {0, 0};

    bool IsFolder() const { return kind == KIND_FOLDER; }
    bool IsGhost() const { return (flags & ITEM_GHOST) != 0; }
    bool IsFailed() const { return (flags & ITEM_FAILED) != 0; }
    bool HasTime() const { return time.dwLowDateTime != 0 || time.dwHighDateTime != 0; }
    int Child() const { return (int)size; }
};

struct FolderNode {
    void* handle[2] = {nullptr, nullptr};  // tree-control item per side, owned by the view
    int parent = -1;
    int itemInParent = -1;
    int rebuildNo = 0;
    int state = FOLDER_NOT_READ;
    bool hasCounted = false;  // some entry below counts into the summary
    std::vector<TreeItem*> items;  // a slot may be null after a removal
    std::unordered_map<std::string, int> byName;
    // Entries that came with a name the index held already: only then does
    // a removal search the folder for the next entry of its name.
    int sharedNames = 0;
    // The entries of query URLs by their name without the extension the
    // mapping appended, in upper case: a link's query finds its file's
    // extension without a walk through a folder of thousands. Slots of
    // removed or renamed entries may stay; a lookup checks what it finds.
    std::unordered_multimap<std::string, int> byQuery;

    ~FolderNode();
    int Find(const std::string& name) const;
    TreeItem* ItemNamed(const std::string& name) const;
    // The first file entry whose name is query (compared without case) with
    // an appended extension of fewer than size bytes behind it; -1 when none.
    int FindQuery(const char* query, size_t size) const;
};

class CFolderTree {
public:
    CFolderTree() {}
    ~CFolderTree();
    CFolderTree(const CFolderTree&) = delete;
    CFolderTree& operator=(const CFolderTree&) = delete;

    // A new folder takes the first empty slot, else it is appended.
    int NewFolder(int parent, int itemInParent, int rebuildNo, int state);
    // Deletes the folder, the folders below it and their entries; empties the slots.
    void RemoveFolder(int index);
    FolderNode* Node(int index) const;
    TreeItem* Item(int folder, int item) const;
    int Used() const { return used_; }
    int Emptied() const { return emptied_; }
    int Slots() const { return (int)nodes_.size(); }

    // Appends an item (ownership passes to the folder); returns its index.
    int AddItem(int folder, TreeItem* item);
    // Deletes the item (and a folder item's subtree); its slot stays empty.
    void RemoveItem(int folder, int item);
    void RenameItem(int folder, int item, const std::string& name);
    // Drops the dummy child of a folder that is about to be read.
    void ClearItems(int folder);

private:
    void Unindex(FolderNode* node, const std::string& name, int item);
    void IndexQuery(FolderNode* node, const std::string& name, int item);

    std::vector<FolderNode*> nodes_;
    int used_ = 0;
    int emptied_ = 0;
};

// The key of a query entry's name in FolderNode::byQuery; false for a name
// without a query or without an appended extension.
bool QueryKey(const std::string& name, std::string& key);
// An extension as MapUrlToName appends one: "." and letters or digits.
bool IsAppendedExtension(const char* p);

// Kind of a file from the extension of its name.
int KindFromName(const char* name);
// A style sheet: flagged as one, or named as one.
bool IsStyleSheetItem(const TreeItem& item);
// ASCII case folding that leaves double-byte characters whole.
void UpperName(const char* in, std::string& out);
int CompareNoCase(const char* a, const char* b);

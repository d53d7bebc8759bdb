// The rebuild folder list as the options dialog edits it: up to 64 texts in
// order, the first being the current rebuild folder. A text in round
// brackets stays in the list but is not used.
#pragma once
#include <string>
#include <vector>

#include "tree/treepane.h"

// True for a text that begins with "(": a folder switched off.
bool IsBracketedFolder(const std::string& folder);
// Appends "\" and shortens every run of separators (zvControlRightPathA).
std::string NormaliseFolder(const std::string& folder);

class CRebuildFolderList {
public:
    enum { kMaxFolders = kRebuildFolderCount };

    // Takes the non-empty texts of the 64 slots, in order.
    void Assign(const std::string (&folders)[kRebuildFolderCount]);
    // The 64 slots as they are stored: entries normalised unless bracketed,
    // the slots behind the last entry empty.
    void Export(std::string (&folders)[kRebuildFolderCount]) const;

    int Count() const { return (int)folders_.size(); }
    const std::string& At(int index) const { return folders_[(size_t)index]; }
    bool IsFull() const { return Count() >= kMaxFolders; }

    // The current folder must stay a usable one: nothing bracketed moves to
    // the top, and the first entry is never bracketed.
    bool CanMoveUp(int index) const;
    bool CanMoveDown(int index) const;
    bool CanToggleBrackets(int index) const;
    bool CanRemove(int index) const;

    // Each returns false and changes nothing when the step is not allowed.
    bool MoveUp(int index);
    bool MoveDown(int index);
    bool ToggleBrackets(int index);
    // Appends the answer of the add dialog, normalised; returns its index,
    // or -1 when the answer is empty or the list is full.
    int Add(const std::string& folder);
    // Removes an entry; returns the index to select afterwards (the entry
    // that took its place, the new last one, or -1 when the list is empty).
    int Remove(int index);

private:
    bool Valid(int index) const { return index >= 0 && index < Count(); }
    std::vector<std::string> folders_;
};

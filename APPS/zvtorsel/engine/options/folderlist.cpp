#include "options/folderlist.h"

#include <stddef.h>

#include <utility>
#include <vector>

#include "zvchartables.h"
#include "zvpath.h"

bool IsBracketedFolder(const std::string& folder) { return !folder.empty() && folder[0] == '('; }

std::string NormaliseFolder(const std::string& folder) {
    // Whole characters only: a lead byte without its trail (a damaged
    // setting) would take the separator for its trail, and each save would
    // add one more. The separator is added only where none ends the text, so
    // that a lone \ stays the root and never becomes the \\ of a network path.
    const BYTE* lead = zvGetDBCSLeadTable();
    size_t whole = 0;
    bool endsInSeparator = false;
    while (whole < folder.size()) {
        size_t length = lead[(BYTE)folder[whole]] ? 2 : 1;
        if (whole + length > folder.size()) break;
        endsInSeparator = length == 1 && (folder[whole] == '\\' || folder[whole] == '/');
        whole += length;
    }
    // zvControlRightPathA only ever shortens, so the text and one separator fit.
    std::vector<char> buffer(folder.begin(), folder.begin() + (std::ptrdiff_t)whole);
    if (!endsInSeparator) buffer.push_back('\\');
    buffer.push_back('\0');
    zvControlRightPathA(buffer.data());
    return buffer.data();
}

void CRebuildFolderList::Assign(const std::string (&folders)[kRebuildFolderCount]) {
    folders_.clear();
    for (const std::string& folder : folders)
        if (!folder.empty()) folders_.push_back(folder);
}

void CRebuildFolderList::Export(std::string (&folders)[kRebuildFolderCount]) const {
    for (int i = 0; i < kRebuildFolderCount; ++i) {
        if (i >= Count())
            folders[i].clear();
        else if (IsBracketedFolder(At(i)))
            folders[i] = At(i);
        else
            folders[i] = NormaliseFolder(At(i));
    }
}

bool CRebuildFolderList::CanMoveUp(int index) const {
    if (!Valid(index) || index == 0) return false;
    return index > 1 || !IsBracketedFolder(At(index));
}

bool CRebuildFolderList::CanMoveDown(int index) const {
    if (!Valid(index) || index + 1 >= Count()) return false;
    return index > 0 || !IsBracketedFolder(At(1));
}

bool CRebuildFolderList::CanToggleBrackets(int index) const { return Valid(index) && index > 0; }

bool CRebuildFolderList::CanRemove(int index) const {
    if (!Valid(index)) return false;
    return index > 0 || Count() == 1 || !IsBracketedFolder(At(1));
}

bool CRebuildFolderList::MoveUp(int index) {
    if (!CanMoveUp(index)) return false;
    std::swap(folders_[(size_t)index], folders_[(size_t)index - 1]);
    return true;
}

bool CRebuildFolderList::MoveDown(int index) {
    if (!CanMoveDown(index)) return false;
    std::swap(folders_[(size_t)index], folders_[(size_t)index + 1]);
    return true;
}

bool CRebuildFolderList::ToggleBrackets(int index) {
    if (!CanToggleBrackets(index)) return false;
    std::string& folder = folders_[(size_t)index];
    if (!IsBracketedFolder(folder)) {
        folder = "(" + folder + ")";
        return true;
    }
    // ")" is never a trail byte of Shift_JIS, so the last byte can be tested alone.
    std::string plain = folder.substr(1);
    if (!plain.empty() && plain.back() == ')') plain.pop_back();
    if (plain.empty()) return false;
    folder = plain;
    return true;
}

int CRebuildFolderList::Add(const std::string& folder) {
    if (folder.empty() || IsFull()) return -1;
    folders_.push_back(NormaliseFolder(folder));
    return Count() - 1;
}

int CRebuildFolderList::Remove(int index) {
    if (!CanRemove(index)) return Valid(index) ? index : -1;
    folders_.erase(folders_.begin() + index);
    if (folders_.empty()) return -1;
    return index < Count() ? index : Count() - 1;
}

// The commands on a folder or an entry of either side of the rebuild tree.
// item -1 means the folder itself (and everything below it).
#pragma once
#include <string>
#include <vector>

#include "tree/treepane.h"

// Finds the addresses that the pages refer to and adds the missing ones to
// the same side as ghosts. Returns 0 when it could not start or was cancelled.
int AnalyzeLinks(CTreePane& pane, int folder, int item);
// Converts the character code of HTML files in place (links untouched).
int ConvertCharacterCode(CRebuildPane& pane, int folder, int item);
// Rewrites the links of HTML files to local addresses in place.
int TranslateAddresses(CRebuildPane& pane, int folder, int item);
// Puts the kept original of translated HTML files back.
int RestoreOriginal(CRebuildPane& pane, int folder, int item);

// The URLs of the entry, or of every file below the folder, as the cache
// keeps them (ghosts have none). 0 when the pane was cancelled.
int EntryUrlsOf(CTreePane& pane, int folder, int item, std::vector<std::string>& urls);

enum RenameResult {
    RENAME_UNCHANGED = 0,
    RENAME_DONE = 1,
    RENAME_NAME_TAKEN = -1,  // the label editor opens again
    RENAME_FAILED = -2,
};
int RenameEntry(CRebuildPane& pane, int folder, int item, const char* newName);

// Moves a folder and everything below it into rebuild folder number target.
// Returns 0 when the user stopped.
int ChangeBaseFolder(CRebuildPane& pane, int folder, int target);

// Opens a list row: a folder row (or "..") becomes the shown folder, whose
// index is returned; a file is started by the shell (-1 returned).
int OpenRow(CTreePane& pane, int folder, const ListRow& row);

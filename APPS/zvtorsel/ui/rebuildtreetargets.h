// What the Rebuild Tree's mouse, menus and archive save act on, apart from
// the dialog itself: the clicked place and the archive being written.
#pragma once
#include <string>
#include <unordered_set>

#include "archive/warcjob.h"

// Where a click or a menu acts: a side, a folder, and an entry of it
// (-1: the folder itself; a list's ".." row is never a target).
struct TreeTarget {
    int side = -1;
    int folder = -1;
    int item = -1;
    bool fromList = false;
    int row = -1;         // list row
    int listFolder = -1;  // the folder the list shows, and the row's entry in it
    int listItem = -1;
};

// The archive being written: its file and the cache URLs chosen.
struct ArchiveRequest {
    std::string path;
    bool whole = true;
    std::unordered_set<std::string> urls;
    WarcJobCounts counts;
    WarcJobResult result = WARC_DONE;
};

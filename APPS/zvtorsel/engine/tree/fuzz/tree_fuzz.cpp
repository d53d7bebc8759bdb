// Hostile cache URLs through the whole road: insertion with its conflict
// rules, comparison, marks, list rows, lookups and the execution of marks.
// Each input line is one cache entry: a flag byte, then the URL; or, with
// the flag's high bit, a file or folder found in a rebuild folder. A file's
// name may be followed by a tab and its text (0x01 standing for a line
// break): the text then opens and closes the file, padded to a multiple of
// 512 bytes, where the tree looks for the envelopes of translated files.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/memorysystem.h"
#include "cache/memcache.h"
#include "jobs/rebuildjobs.h"
#include "tree/paneview.h"

namespace {

class CQuietReport : public IJobReport {
public:
    void StatusText(const char*) override {}
    void StatusMessage(UINT) override {}
    void Warning(const char*, UINT) override {}
    bool Ask(UINT, const char*) override { return true; }
    void Notify(UINT, const char*) override {}
    void End(int) override {}
};

void VisitRows(CTreePane& pane, int folder, DWORD key) {
    FolderNode* node = pane.model.Node(folder);
    if (!node) return;
    pane.sortKey = key;
    std::vector<ListRow> rows;
    pane.ListRows(folder, rows);
    RowText text;
    char buffer[1024];
    for (const ListRow& row : rows) {
        pane.RowTexts(folder, row, "-", text);
        pane.RowUrl(folder, row, buffer);
        pane.RowLocalPath(folder, row, buffer);
    }
    for (size_t i = 0; i < pane.model.Node(folder)->items.size(); ++i) {
        TreeItem* it = pane.model.Node(folder)->items[i];
        if (it && it->IsFolder()) VisitRows(pane, it->Child(), key + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RebuildSettings settings;
    settings.rebuildFolders[0] = "C:\\rb\\";
    settings.rebuildFolders[1] = "D:\\rb2\\";
    CMemoryUrlCache cache;
    // Cache files exist, the rebuild folder starts empty.
    CMemorySystem files;
    files.AddFolder("C:\\rb");
    files.AddFolder("D:\\rb2");
    std::string text((const char*)data, size);
    size_t start = 0;
    int n = 0;
    while (start < text.size() && n < 64) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.size() < 2) continue;
        BYTE flags = (BYTE)line[0];
        // With the high bit, the line names a file already in the first or
        // the second rebuild folder (the disk's names, as hostile as the cache's).
        if (flags & 0x80) {
            const std::string& folder = settings.rebuildFolders[(flags & 0x40) ? 1 : 0];
            std::string path = folder + line.substr(1);
            size_t tab = path.find('\t');
            if (flags & 0x20) {
                files.AddFolder(path);
            } else if (tab != std::string::npos) {
                std::string edge = path.substr(tab + 1);
                for (char& c : edge)
                    if (c == '\x01') c = '\n';
                size_t length = (2 * edge.size() / 512 + 1) * 512;
                files.AddFile(path.substr(0, tab), edge + std::string(length - 2 * edge.size(), ' ') + edge,
                              0x01c00000ull << 32);
            } else {
                files.AddFile(path, std::string(flags & 0x1F, 'y'), 0x01c00000ull << 32);
            }
            continue;
        }
        CMemoryUrlCache::Entry e;
        e.url = line.substr(1);
        e.hasLocalFile = !(flags & 1);
        e.localFile = e.hasLocalFile ? "C:\\cache\\f" + std::to_string(n) + ((flags & 2) ? ".htm" : "") : "";
        e.type = (flags & 4) ? CACHE_ENTRY_HISTORY : ((flags & 8) ? CACHE_ENTRY_COOKIE : 0);
        e.size = flags;
        e.lastModified = FILETIME{(DWORD)flags << 24, (flags & 16) ? 0u : 0x01c00000u + flags};
        if (e.hasLocalFile) files.AddFile(e.localFile, std::string(10, 'x'));
        cache.Put(e);
        ++n;
    }
    CNullPaneView view;
    CQuietReport report;
    CRebuildJobs jobs(settings, files, cache, view, report, (int)(size % 3));
    if (!jobs.BuildTrees()) return 0;
    BYTE group = size ? data[0] : 0;
    static const BYTE kGroups[] = {MARK_C, MARK_D, MARK_M, MARK_L, MARK_LC};
    jobs.cache.ToggleMarks(jobs.cache.root, -1, kGroups[group % 5], kGroups[group % 5], group & 8);
    VisitRows(jobs.cache, jobs.cache.root, 0);
    if (jobs.cache.historyRoot >= 0) VisitRows(jobs.cache, jobs.cache.historyRoot, SORT_DESCENDING);
    jobs.ExecuteMarks();
    VisitRows(jobs.rebuild, jobs.rebuild.root, 3);
    return 0;
}

// One side of the rebuild tree: the rebuild folders on disk (CRebuildPane)
// or the URL cache with its history (CCachePane), as a view on the shared
// model with its own marks, counters and settings.
#pragma once
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/jobsystem.h"
#include "base/jobreport.h"
#include "cache/urlcache.h"
#include "translate/html_translator.h"
#include "tree/paneview.h"
#include "tree/treemodel.h"

enum { kRebuildFolderCount = 64, kPathBufferSize = 1024 };

// Formats a count with thousands separators into out (cap bytes).
typedef void (*CountFormatter)(DWORD value, char* out, int cap);
// Plain digits: the counts of a job given no formatter.
void PlainCount(DWORD value, char* out, int cap);

struct RebuildSettings {
    std::string rebuildFolders[kRebuildFolderCount];  // each ends with "\"
    int viewHistTree = 1;
    int hideWarning = 0;
    int cnvtPercent = 0;
    int checkCopyMark = 1;
    int moveCheckSP = 1;
    int cacheBackDL = 1;
    int xlatRebuild = 0;
    int saveOrg = 1;
    int useNoframeTag = 1;
    int renameOld = 0;
    int contRbldTree = 0;
    std::string cacheFolder;  // a cache folder read instead of the browser's cache; "" for the live one
    // The job's URL mapping: its link form (FileProtocolType), query cut and
    // clock. Its pages are translated with it, whatever another job or
    // window of the process uses.
    MappingSettings mapping;
    // The status line's and the list's counts; the program gives the user's format.
    CountFormatter formatCount = PlainCount;

    // Empty folders and folders whose text begins with "(" are not used.
    bool FolderInUse(int n) const {
        return n >= 0 && n < kRebuildFolderCount && !rebuildFolders[n].empty() &&
               rebuildFolders[n][0] != '(';
    }
};

struct PaneCounters {
    DWORD total = 0, c = 0, d = 0, m = 0, l = 0;
};

// Sort keys of the list; bit 31 reverses the order.
enum SortKey : DWORD {
    SORT_NAME = 0,
    SORT_EXTENSION = 1,
    SORT_SIZE = 2,
    SORT_TIME = 3,
    SORT_LOCAL_FILE = 4,
    SORT_LOCAL_EXTENSION = 5,
    SORT_LOCAL_THEN_NAME = 6,
    SORT_URL = 7,
    SORT_DESCENDING = 0x80000000u,
};
int CompareEntries(const TreeItem& a, const TreeItem& b, DWORD key);
// The key after a click on column 0 (name), 1 (size) or 2 (time).
DWORD NextSortKey(DWORD key, int column);

// A row of a folder's list: item -1 is the ".." row.
struct ListRow {
    int item;
};

// The three columns of a list row.
struct RowText {
    std::string name, size, time;
};

class CTreePane : public IMessageRoutine {
public:
    CTreePane(CFolderTree& model, int side, const RebuildSettings& settings, const JobSystem& system,
              IPaneView& view, IJobReport& report);
    ~CTreePane() override;

    // The pane operations.
    // Inserts a mapped URL (a ghost found by link analysis or an entry made
    // by a copy); returns the new entry or null.
    virtual TreeItem* AddUrl(const char* mappedUrl, const UrlCacheEntry* record, BYTE allowed,
                             BYTE marks, bool ghost) = 0;
    virtual int BuildTree() = 0;
    // Reads a folder not read yet; returns 0 when cancelled.
    virtual int LoadFolder(int folder) = 0;
    virtual int CopyMarked() = 0;
    virtual int DeleteMarked() = 0;
    virtual int MoveMarked() = 0;
    // URL of an entry, mapped with MapUrlToName when asked (cache side).
    virtual bool EntryUrl(int folder, int item, bool mapped, char* out) = 0;
    bool RowUrl(int folder, const ListRow& row, char* out);
    virtual bool EntryLocalPath(int folder, int item, char* out) = 0;
    bool RowLocalPath(int folder, const ListRow& row, char* out);

    // Marks and counters.
    void Count(const TreeItem& item, int sign);
    void RefreshStatus();
    // Replaces the set marks of a file entry (masked with its allowed marks)
    // and keeps counters and the summaries above it current.
    void SetMarks(int folder, int item, BYTE marks);
    // Restricts the allowed marks of an entry (set marks follow).
    void Disallow(int folder, int item, BYTE bits);
    void Allow(int folder, int item, BYTE bits);
    // value is group to set, 0 to clear; item -1 means the whole folder.
    void ToggleMarks(int folder, int item, BYTE group, BYTE value, bool ghostOnly);
    // Summary byte of every folder from folder up to the root.
    void UpdateSummariesUp(int folder);
    // Summary bytes of folder and everything below it.
    BYTE RecomputeSummaries(int folder);
    // Whether the side has entries counted under MARK_C, MARK_D, MARK_M or MARK_L.
    bool HasMarks(BYTE mark) const;
    // While deferred, mark changes leave the status line and the summaries
    // alone; ending the deferral refreshes both for the whole side.
    void DeferRefresh() { ++deferred_; }
    void EndDeferral();

    // Walks the tree by a mapped URL. Gives the deepest folder reached and its
    // rebuild folder number; item is the entry when the whole URL was found.
    bool FindByUrl(const char* mappedUrl, int* folder, int* item, int* rebuildNo);
    // The same below one root.
    bool FindBelow(int root, const char* mappedUrl, int* folder, int* item, int* rebuildNo);
    // Rows of a folder's list, sorted with the pane's key.
    void ListRows(int folder, std::vector<ListRow>& rows);
    // Name, size (files that are not ghosts, with thousands separators) and
    // time of a row; noTime stands for an entry without a time.
    void RowTexts(int folder, const ListRow& row, const char* noTime, RowText& out);
    // Removes a file entry, with counters and the view.
    void RemoveEntry(int folder, int item);
    // Removes the folders below and including folder that hold nothing,
    // never the root; returns whether any was removed.
    bool RemoveEmptyFolders(int folder);
    // Inserts the entry's time stamp before the extension of its name.
    void StampName(int folder, int item);
    // A warning row: the folder URL and name, and the message.
    void WarnAt(int folder, const char* name, UINT id);
    // Status text of a job step: prefix followed by the folder URL and name.
    void ShowProgress(const char* prefix, const char* text);
    // The URL of an entry as the cache keeps it: without the extension or
    // "index.html" that the mapping adds.
    virtual bool EntryCacheUrl(int folder, int item, char* out) = 0;
    // The walk of the copy, move and delete steps: every entry below folder
    // whose C/D/M mark is `wanted` gets its URL shown after `verb` (for a
    // command line: message lineId with its cache URL), then
    // act(folder, item). Unread folders of the rebuild side hold no marks and
    // are skipped. Returns 0 when act returned false or the pane was
    // cancelled, else 1.
    // The entries come with their counts: done and total of the walk, in
    // entries and bytes.
    int WalkMarked(int folder, BYTE wanted, const char* verb, UINT lineId,
                   const std::function<bool(int, int)>& act);
    // Asks whether to go on after a failed file operation: true to go on.
    // Counts the failure either way.
    bool AskContinue(UINT id, const char* path);
    // The same for a failed file operation of one entry, which is flagged failed.
    bool FailAndAsk(int folder, int item, UINT id, const char* path);
    // An entry that cannot be rebuilt: it (and, for a folder, every entry
    // below it) is flagged failed and loses C, and each file gets a counted
    // failure row with the reason.
    void MarkFailed(int folder, int item, UINT reason);
    bool Cancelled() const { return cancel != 0; }

    int ShowResourceMessage(UINT id, const char* arg) override;

    CFolderTree& model;
    const int side;
    RebuildSettings settings;
    // The job's mapping with its link form made valid.
    MappingSettings mapping;
    const CountFormatter formatCount;
    IFiles& files;
    IShell& shell;
    IClock& clock;
    IPaneView& view;
    IJobReport& report;
    CHtmlTranslator translator;
    DWORD sortKey = SORT_NAME;
    std::string status;
    int root = -1;
    // The cache side of a store of several caches: the roots of the caches
    // after the first (whose root is root), and every root's caption.
    std::vector<int> moreRoots;
    std::vector<std::string> rootCaptions;
    // Every root of entries (the history root apart), root first.
    std::vector<int> Roots() const {
        std::vector<int> all(1, root);
        all.insert(all.end(), moreRoots.begin(), moreRoots.end());
        return all;
    }
    int historyRoot = -1;  // cache side with the history tree shown
    int shownFolder = -1;
    volatile long cancel = 0;
    PaneCounters counters;
    int failedFiles = 0;  // file operations that failed since the job started
    int failedEntries = 0;  // entries found not rebuildable since the tree was built
    // Marks never allowed on this side: those that would write into a cache
    // store that is only read (write-back, cache delete and cache move).
    BYTE forbiddenMarks = 0;
    BYTE Permitted(BYTE allowed) const { return (BYTE)(allowed & ~forbiddenMarks); }

protected:
    void ToggleOne(int folder, int item, BYTE group, BYTE value, bool ghostOnly);
    void ToggleFolder(int folder, BYTE group, BYTE value, bool ghostOnly);
    int deferred_ = 0;

    int NewChildFolder(int folder, const std::string& name, BYTE allowed, BYTE marks,
                       int rebuildNo, int state);
    void ExpandIfShallow(int folder, int depth);

private:
    bool WalksInto(const TreeItem& folder) const;
    void CountMarked(int folder, BYTE wanted, JobCounts& counts) const;
    int WalkMarkedBelow(int folder, BYTE wanted, const char* verb, UINT lineId,
                        const std::function<bool(int, int)>& act, JobCounts& counts);
};

class CRebuildPane : public CTreePane {
public:
    using CTreePane::CTreePane;

    TreeItem* AddUrl(const char* mappedUrl, const UrlCacheEntry* record, BYTE allowed,
                     BYTE marks, bool ghost) override;
    int BuildTree() override;
    int LoadFolder(int folder) override;
    int CopyMarked() override;
    int DeleteMarked() override;
    int MoveMarked() override;
    bool EntryUrl(int folder, int item, bool mapped, char* out) override;
    bool EntryCacheUrl(int folder, int item, char* out) override;
    bool EntryLocalPath(int folder, int item, char* out) override;

    // Path of the rebuild folder number n ("" when out of range).
    const std::string& FolderPath(int n) const;
    // Path on disk of a folder (its rebuild folder plus the local path of its URL).
    bool FolderLocalPath(int folder, char* out);

    // The cache pane that receives written-back entries.
    class CCachePane* cachePane = nullptr;

private:
    int MergeFolders(int folder, const char* diskPath, int rebuildNo);
    int ReadEntries(int folder, const char* path, const std::string& prefix);
    // Copies (or moves) every marked file of this side; 0 when the job stops.
    int TransferMarked(bool move);
    int WriteBack(int folder, int item, bool* stop);
    bool DeleteFromDisk(int folder, int item, bool* stop);
};

class CCachePane : public CTreePane {
public:
    CCachePane(CFolderTree& model, const RebuildSettings& settings, const JobSystem& system,
               IPaneView& view, IJobReport& report, IUrlCache& cache);

    TreeItem* AddUrl(const char* mappedUrl, const UrlCacheEntry* record, BYTE allowed,
                     BYTE marks, bool ghost) override;
    int BuildTree() override;
    int LoadFolder(int) override { return 1; }
    int CopyMarked() override;
    int DeleteMarked() override;
    int MoveMarked() override;
    bool EntryUrl(int folder, int item, bool mapped, char* out) override;
    bool EntryCacheUrl(int folder, int item, char* out) override;
    bool EntryLocalPath(int folder, int item, char* out) override;

    // Inserts one mapped URL below folder; returns 0 when a nested insertion failed.
    int AddCacheEntry(const UrlCacheEntry* record, const char* mappedUrl, int folder, int depth,
                      BYTE allowed, BYTE marks, bool ghost);
    // The entry made by the last AddCacheEntry, null when none was made.
    TreeItem* lastAdded = nullptr;

    IUrlCache& cache;
    int historyPrefixLength = 0;
    CRebuildPane* rebuildPane = nullptr;

    // Warnings for the store's damage rows not reported yet: those of the
    // opening, and the bodies that the copy found cannot be decoded.
    void ReportNewDamage();

private:
    std::set<std::string> reportedDamage_;
    // Copies (or moves) every marked file of this side; 0 when the job stops.
    int TransferMarked(bool move);
    // Copies one entry into its rebuild folder; false with *stop set when the user stopped.
    bool CopyEntry(int folder, int item, bool* stop);
    bool DeleteEntry(int folder, int item, bool* stop);
    bool PrepareTranslator();
};

// Compares a cache folder with the rebuild folder at the same place and
// marks what is new or newer; returns 0 when cancelled.
int CompareFolders(CCachePane& cache, int cacheFolder, CRebuildPane& rebuild, int rebuildFolder);
// Whether entry a (time, size) is newer than b, at the two-second precision of FAT.
bool IsNewer(const IFileClock& clock, const FILETIME& aTime, DWORD aSize, const FILETIME& bTime, DWORD bSize);

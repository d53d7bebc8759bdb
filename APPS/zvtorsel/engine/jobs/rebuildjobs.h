// The two jobs of a rebuild tree: building and comparing both sides, and
// carrying out the marks. The dialog runs them in a worker thread; the
// unattended rebuild runs them in turn.
#pragma once
#include <string>
#include <vector>

#include "tree/treepane.h"

class CRebuildJobs {
public:
    CRebuildJobs(const RebuildSettings& settings, const JobSystem& system, IUrlCache& cache,
                 IPaneView& view, IJobReport& report, int historyPrefixLength);

    // Reads "download.lst" of the current rebuild folder into the load list.
    void ReadDownloadList();
    // Builds both sides, compares them and marks the load list L. Returns 0
    // when a step was cancelled (the dialog then ends).
    int BuildTrees();
    // Carries out the marks; 1 when every step finished, 0 when one stopped.
    int ExecuteMarks();
    // After ExecuteMarks: whether the dialog ends (every step finished and
    // the dialog is not kept open).
    bool EndsDialog() const { return endsDialog_; }
    // File operations of the last ExecuteMarks that failed (each was asked
    // about or, with HideWarning, passed over), and the entries that the
    // comparison found cannot be rebuilt.
    int FailedFiles() const {
        return rebuild.failedFiles + cache.failedFiles + rebuild.failedEntries + cache.failedEntries;
    }
    // Adds a URL to the load list unless it is there already.
    void AddToLoadList(const char* url);
    // Sets the cancel flags of both panes.
    void Cancel();

    std::string DownloadListPath() const;

    CFolderTree model;
    CRebuildPane rebuild;
    CCachePane cache;
    std::vector<std::string> loadList;

private:
    void CollectLoadMarks(CTreePane& pane, int folder);
    void WriteDownloadList();

    RebuildSettings settings_;
    IFiles& files_;
    IProfileFiles& profiles_;
    IJobReport& report_;
    bool endsDialog_ = false;
};

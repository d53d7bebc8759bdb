#include "rebuildjobs.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/messagenumbers.h"
#include "mapping/url_mapping.h"
#include "tree/folderurl.h"

namespace {
const char kSection[] = "download";
}

CRebuildJobs::CRebuildJobs(const RebuildSettings& settings, const JobSystem& system, IUrlCache& urlCache,
                           IPaneView& view, IJobReport& report, int historyPrefixLength)
    : rebuild(model, SIDE_REBUILD, settings, system, view, report),
      cache(model, settings, system, view, report, urlCache),
      settings_(settings),
      files_(system.files),
      profiles_(system.profiles),
      report_(report) {
    rebuild.cachePane = &cache;
    cache.rebuildPane = &rebuild;
    cache.historyPrefixLength = historyPrefixLength;
    if (urlCache.ReadOnly()) {
        // Copying out stays; nothing may be written into the store.
        cache.forbiddenMarks = MARK_D;
        rebuild.forbiddenMarks = MARK_C;
    }
}

std::string CRebuildJobs::DownloadListPath() const {
    return settings_.rebuildFolders[0] + "download.lst";
}

void CRebuildJobs::AddToLoadList(const char* url) {
    if (!url || !*url) return;
    for (const std::string& u : loadList)
        if (u == url) return;
    loadList.push_back(url);
}

void CRebuildJobs::Cancel() {
    rebuild.cancel = 1;
    cache.cancel = 1;
}

void CRebuildJobs::ReadDownloadList() {
    std::string file = DownloadListPath();
    char value[kUrlBufferSize];
    if (!profiles_.ReadProfileString(file.c_str(), kSection, "entry", value, sizeof(value))) value[0] = 0;
    int count = atoi(value);
    // A damaged count must not keep the dialog reading for ages: every key
    // of a list takes at least "urlN=x" and a line end in the file.
    DirEntry info;
    if (!files_.GetFileInfo(file.c_str(), info)) return;
    if (count > (int)(info.size / 7) + 1) count = (int)(info.size / 7) + 1;
    for (int i = 0; i < count; ++i) {
        char key[16];
        snprintf(key, sizeof(key), "url%d", i);
        if (profiles_.ReadProfileString(file.c_str(), kSection, key, value, sizeof(value))) AddToLoadList(value);
    }
}

int CRebuildJobs::BuildTrees() {
    report_.StatusMessage(IDS_BUILDING_REBUILD);
    if (!rebuild.BuildTree()) {
        report_.End(0);
        return 0;
    }
    report_.StatusMessage(IDS_BUILDING_CACHE);
    if (!cache.BuildTree()) {
        report_.End(0);
        return 0;
    }
    report_.StatusMessage(IDS_COMPARING);
    for (int root : cache.Roots()) {
        if (!CompareFolders(cache, root, rebuild, rebuild.root)) {
            report_.End(0);
            return 0;
        }
    }
    for (const std::string& url : loadList) {
        int folder, item, number;
        if (cache.FindByUrl(url.c_str(), &folder, &item, &number)) {
            TreeItem* it = model.Item(folder, item);
            if (it->allowed[SIDE_CACHE] & MARK_L)
                cache.SetMarks(folder, item, it->marks[SIDE_CACHE] | MARK_L);
        } else {
            cache.AddUrl(url.c_str(), nullptr, MARK_GHOST_ALLOWED, MARK_L, true);
        }
    }
    rebuild.RefreshStatus();
    cache.RefreshStatus();
    report_.StatusMessage(IDS_READY);
    report_.End(1);
    return 1;
}

void CRebuildJobs::CollectLoadMarks(CTreePane& pane, int folder) {
    FolderNode* node = model.Node(folder);
    if (!node) return;
    for (size_t i = 0; i < node->items.size(); ++i) {
        TreeItem* it = node->items[i];
        if (!it) continue;
        if (it->IsFolder()) {
            CollectLoadMarks(pane, it->Child());
        } else if (it->marks[pane.side] & MARK_L) {
            char url[kUrlBufferSize];
            if (!FolderUrl(model, folder, url, sizeof(url))) continue;
            size_t n = strlen(url);
            if (n + it->name.size() + 1 > sizeof(url)) continue;
            memcpy(url + n, it->name.c_str(), it->name.size() + 1);
            AddToLoadList(url);
        }
    }
}

void CRebuildJobs::WriteDownloadList() {
    std::string file = DownloadListPath();
    if (loadList.empty()) {
        files_.RemoveFile(file.c_str());
        return;
    }
    char value[16];
    snprintf(value, sizeof(value), "%d", (int)loadList.size());
    bool ok = profiles_.WriteProfileString(file.c_str(), kSection, "entry", value);
    for (size_t i = 0; ok && i < loadList.size(); ++i) {
        char key[16];
        snprintf(key, sizeof(key), "url%d", (int)i);
        ok = profiles_.WriteProfileString(file.c_str(), kSection, key, loadList[i].c_str());
    }
    if (!ok) report_.Notify(IDS_DOWNLOAD_LIST_FAILED, nullptr);
    profiles_.FlushProfile(file.c_str());
}

int CRebuildJobs::ExecuteMarks() {
    endsDialog_ = false;
    rebuild.failedFiles = cache.failedFiles = 0;
    loadList.clear();
    if (rebuild.HasMarks(MARK_L)) CollectLoadMarks(rebuild, rebuild.root);
    if (cache.HasMarks(MARK_L)) {
        for (int root : cache.Roots()) CollectLoadMarks(cache, root);
        if (cache.historyRoot >= 0) CollectLoadMarks(cache, cache.historyRoot);
    }
    WriteDownloadList();
    loadList.clear();

    int result = 1;
    if (cache.HasMarks(MARK_D) || rebuild.HasMarks(MARK_D)) {
        if (report_.Ask(IDS_ASK_DELETE, nullptr)) {
            if (result && cache.HasMarks(MARK_D)) result = cache.DeleteMarked();
            if (result && rebuild.HasMarks(MARK_D)) result = rebuild.DeleteMarked();
        }
    }
    if (result && cache.HasMarks(MARK_M)) result = cache.MoveMarked();
    if (result && rebuild.HasMarks(MARK_M)) result = rebuild.MoveMarked();
    if (result && cache.HasMarks(MARK_C)) result = cache.CopyMarked();
    if (result && rebuild.HasMarks(MARK_C)) result = rebuild.CopyMarked();

    if (result && !settings_.contRbldTree) {
        endsDialog_ = true;
        report_.End(1);
        return 1;
    }
    rebuild.RefreshStatus();
    cache.RefreshStatus();
    rebuild.shownFolder = rebuild.root;
    cache.shownFolder = cache.root;
    rebuild.view.RefreshList(SIDE_REBUILD, rebuild.root);
    cache.view.RefreshList(SIDE_CACHE, cache.root);
    report_.StatusMessage(IDS_READY);
    rebuild.cancel = 0;
    cache.cancel = 0;
    report_.End(result);
    return result;
}

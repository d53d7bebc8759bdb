// A rebuild tree over an in-memory cache and file system.
#pragma once
#include <gtest/gtest.h>

#include "cache/memcache.h"
#include "jobs/rebuildjobs.h"
#include "testkit.h"
#include "tree/paneview.h"

class RebuildFixture : public ::testing::Test {
protected:
    RebuildFixture() { settings.rebuildFolders[0] = "C:\\rb\\"; }

    // A cached URL whose cache file lies in the memory file system.
    void Cache(const std::string& url, const std::string& data, ULONGLONG time,
               bool withFile = true) {
        CMemoryUrlCache::Entry e;
        e.url = url;
        e.localFile = "C:\\cache\\f" + std::to_string(++files_) + Extension(url);
        e.size = (DWORD)data.size();
        e.lastModified = MakeTime(time);
        if (withFile) fs.AddFile(e.localFile, data, time);
        cache.Put(e);
    }
    void History(const std::string& url, ULONGLONG time) {
        CMemoryUrlCache::Entry e;
        e.url = url;
        e.type = CACHE_ENTRY_HISTORY;
        e.hasLocalFile = false;
        e.lastModified = MakeTime(time);
        cache.Put(e);
    }
    static std::string Extension(const std::string& url) {
        size_t dot = url.rfind('.');
        size_t slash = url.rfind('/');
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
        return url.substr(dot);
    }

    CRebuildJobs& Jobs() {
        if (!jobs_) jobs_.reset(new CRebuildJobs(settings, fs, cache, view, report, 0));
        return *jobs_;
    }
    int Build() { return Jobs().BuildTrees(); }

    // The cache-side entry of a mapped URL, or null.
    TreeItem* CacheItem(const char* url, int* folder = nullptr, int* item = nullptr) {
        return Find(Jobs().cache, url, folder, item);
    }
    TreeItem* RebuildItem(const char* url, int* folder = nullptr, int* item = nullptr) {
        return Find(Jobs().rebuild, url, folder, item);
    }
    TreeItem* Find(CTreePane& pane, const char* url, int* folder, int* item) {
        int f, i, n;
        if (!pane.FindByUrl(url, &f, &i, &n)) return nullptr;
        if (folder) *folder = f;
        if (item) *item = i;
        return pane.model.Item(f, i);
    }
    BYTE CacheMarks(const char* url) {
        TreeItem* it = CacheItem(url);
        return it ? it->marks[SIDE_CACHE] : 0xEE;
    }

    RebuildSettings settings;
    CMemorySystem fs;
    CMemoryUrlCache cache;
    CNullPaneView view;
    CRecordingReport report;

private:
    std::unique_ptr<CRebuildJobs> jobs_;
    int files_ = 0;
};

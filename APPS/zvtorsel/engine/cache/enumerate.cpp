#include "enumerate.h"

#include <stdio.h>
#include <string.h>

#include "../app/resource.h"
#include "cache/contenttype.h"
#include "mapping/url_mapping.h"
#include "tree/treepane.h"

namespace {

bool Present(const char* s) { return s && *s; }

// Status lines are refreshed every so many entries so a large cache does not
// spend its walk formatting counters.
const int kStatusInterval = 256;

}  // namespace

int EnumerateUrlCache(CCachePane& pane) {
    CFolderTree& model = pane.model;
    pane.RefreshStatus();
    pane.root = model.NewFolder(-1, -1, 0, FOLDER_READ);
    pane.view.FolderInserted(pane.side, pane.root);
    pane.historyRoot = -1;
    if (pane.settings.viewHistTree) {
        pane.historyRoot = model.NewFolder(-1, -1, 0, FOLDER_READ);
        pane.view.FolderInserted(pane.side, pane.historyRoot);
    }
    pane.shownFolder = pane.root;

    IUrlCache& cache = pane.cache;
    UrlCacheEntry entry;
    char mapped[kUrlBufferSize];
    if (cache.FindFirst(entry)) {
        int seen = 0;
        pane.DeferRefresh();
        do {
            if (pane.Cancelled()) {
                cache.FindClose();
                pane.EndDeferral();
                return 0;
            }
            bool cookie = (entry.entryType & CACHE_ENTRY_COOKIE) != 0;
            bool history = (entry.entryType & CACHE_ENTRY_HISTORY) != 0;
            if (!cookie && !history && Present(entry.sourceUrl) && Present(entry.localFile)) {
                // Browser caches name their files without an extension: the
                // content type gives the one a query URL is mapped with.
                const char* local = entry.localFile;
                std::string typed;
                if (const char* ext = ExtensionForContentType(entry.contentType)) {
                    typed = std::string(local) + "." + ext;
                    local = typed.c_str();
                }
                if (MapUrlToName(entry.sourceUrl, local, entry.lastModified,
                                 pane.settings.cnvtPercent, mapped, sizeof(mapped)))
                    pane.AddCacheEntry(&entry, mapped, pane.root, 0, MARK_ALL, 0, false);
            } else if (history && pane.historyRoot >= 0 && Present(entry.sourceUrl) &&
                       !Present(entry.localFile)) {
                const char* url = entry.sourceUrl;
                size_t skip = (size_t)pane.historyPrefixLength;
                if (strlen(url) >= skip) url += skip;
                else url += strlen(url);
                if (MapUrlToName(url, nullptr, entry.lastModified, pane.settings.cnvtPercent,
                                 mapped, sizeof(mapped)))
                    pane.AddCacheEntry(&entry, mapped, pane.historyRoot, 0,
                                       MARK_HISTORY_ALLOWED, 0, false);
            }
            if (++seen % kStatusInterval == 0) pane.RefreshStatus();
        } while (cache.FindNext(entry));
        cache.FindClose();
        pane.EndDeferral();
    }
    for (const CacheDamage& damage : cache.Damage()) pane.report.Warning(damage.where.c_str(), damage.message);
    pane.view.ExpandFolder(pane.side, pane.root);
    if (pane.historyRoot >= 0) pane.view.ExpandFolder(pane.side, pane.historyRoot);
    pane.RefreshStatus();
    return 1;
}

std::string CacheRootCaption(const IUrlCache& cache, const char* rootText, const char* captionFormat) {
    const char* folder = cache.SourceFolder();
    if (!folder) return rootText;
    char caption[kUrlBufferSize + 64];
    snprintf(caption, sizeof(caption), captionFormat, folder);
    return caption;
}

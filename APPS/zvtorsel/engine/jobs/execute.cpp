#include "execute.h"

#include <string.h>

#include <string>
#include <vector>

#include "base/messagenumbers.h"
#include "mapping/url_mapping.h"
#include "tree/folderurl.h"
#include "translate/css_scanner.h"
#include "tree/treelinktargets.h"
#include "tree/treepane.h"
#include "zvfiletime.h"
#include "zvpath.h"

namespace {

const DWORD kFatGrid = 20000000;
const int kUniqueDateAndTime = 0x12;

enum CopyResult { COPY_DONE, COPY_UP_TO_DATE, COPY_FAILED };

FILETIME ToFileTime(ULONGLONG v) {
    FILETIME t;
    t.dwLowDateTime = (DWORD)v;
    t.dwHighDateTime = (DWORD)(v >> 32);
    return t;
}

bool SameFolder(const std::string& a, const char* b) {
    return CompareNoCase(a.c_str(), b) == 0;
}

}  // namespace

BOOL RenameFileWithTime(IFiles& files, IJobReport& report, const char* path) {
    char unique[kPathBufferSize];
    if (!files.MakeUniquePath(path, kUniqueDateAndTime, unique, sizeof(unique))) return FALSE;
    const char* name = zvScanFileNameA(unique);
    if (!name || !*name) {
        report.Notify(IDS_RENAME_INTERNAL, path);
        return FALSE;
    }
    return files.RenameFile(path, name) ? TRUE : FALSE;
}

void RemoveEmptyFoldersAbove(IFiles& files, const char* path, const char* stopFolder) {
    std::string folder = path;
    size_t stopLength = strlen(stopFolder);
    for (;;) {
        char* name = zvScanFileNameA(folder.c_str());
        if (!name) return;
        size_t cut = (size_t)(name - folder.c_str());
        if (cut == 0) return;
        folder.resize(cut);  // keeps the separator
        if (folder.size() <= stopLength) return;
        if (SameFolder(folder, stopFolder)) return;
        std::string bare = folder.substr(0, folder.size() - 1);
        if (!files.RemoveFolder(bare.c_str())) return;
        folder = bare;
    }
}

void WriteBackUrl(const char* mappedUrl, char* out, size_t cap) {
    if (cap == 0) return;
    size_t n = strlen(mappedUrl);
    if (n + 1 > cap) n = cap - 1;
    memcpy(out, mappedUrl, n);
    out[n] = 0;
    char* name = zvScanFileNameA(out);
    if (!name) return;
    if (CompareNoCase(name, "index.html") == 0 || CompareNoCase(name, "index.htm") == 0) {
        *name = 0;
        return;
    }
    if (strchr(name, '?')) {
        char* ext = zvScanExtNameA(out);
        if (ext && ext > name) ext[-1] = 0;
    }
}

// ---- cache side ----

bool CCachePane::EntryCacheUrl(int folder, int item, char* out) { return EntryUrl(folder, item, false, out); }

bool CCachePane::PrepareTranslator() {
    if (!settings.xlatRebuild) return true;
    if (translator.AllocBuffers(kBuffersAll) && translator.OpenLinkScanners(TRUE)) return true;
    report.Notify(IDS_NO_MEMORY_CONVERT, nullptr);
    return false;
}

int CCachePane::CopyMarked() { return TransferMarked(false); }

int CCachePane::MoveMarked() { return TransferMarked(true); }

int CCachePane::TransferMarked(bool move) {
    if (!PrepareTranslator()) {
        translator.Release();
        return 0;
    }
    DeferRefresh();
    rebuildPane->DeferRefresh();
    auto transfer = [&](int folder, int item) {
        bool stop = false;
        bool copied = CopyEntry(folder, item, &stop);
        // The source goes only once its copy is safely in the rebuild folder.
        if (!stop && move && copied) DeleteEntry(folder, item, &stop);
        return !stop;
    };
    int result = 1;
    for (int r : Roots())
        if (result)
            result = WalkMarked(r, move ? MARK_M : MARK_C, move ? "Moving " : "Copying ",
                                move ? IDS_LINE_MOVING : IDS_LINE_COPYING, transfer);
    translator.Release();
    ReportNewDamage();
    if (move)
        for (int r : Roots()) RemoveEmptyFolders(r);
    rebuildPane->EndDeferral();
    EndDeferral();
    return result;
}

bool CCachePane::CopyEntry(int folder, int item, bool* stop) {
    TreeItem* it = model.Item(folder, item);
    char mapped[kUrlBufferSize];
    if (!EntryUrl(folder, item, true, mapped)) return false;
    int rebuildFolder, rebuildItem, rebuildNo;
    bool found = rebuildPane->FindByUrl(mapped, &rebuildFolder, &rebuildItem, &rebuildNo);
    if (!settings.FolderInUse(rebuildNo)) rebuildNo = 0;
    const std::string& base = rebuildPane->FolderPath(rebuildNo);

    char folderUrl[kUrlBufferSize], local[kUrlBufferSize], leaf[kUrlBufferSize];
    FolderUrl(model, folder, folderUrl, sizeof(folderUrl));
    UrlToLocalPath(folderUrl, local, sizeof(local), mapping);
    UrlToLocalPath(it->name.c_str(), leaf, sizeof(leaf), mapping);
    std::string dest = base + local + leaf;
    if (dest.size() >= kPathBufferSize) {
        *stop = !FailAndAsk(folder, item, IDS_ASK_COPY_CACHE, dest.c_str());
        return false;
    }

    FILETIME time = it->time;
    WORD translatedFlags = 0;
    auto copyOne = [&]() -> bool {
        // A store that keeps bodies inside its own files gives the decoded
        // body, written to the destination first; translation then reads it there.
        const char* source = it->localFile.c_str();
        if (cache.BodiesInStore()) {
            ULONGLONG written = 0;
            bool undecoded = false;
            if (!cache.WriteBody(it->url.c_str(), files, dest.c_str(), time, &written, &undecoded)) return false;
            // The size the store gave without decoding may be that of a last gzip member.
            it->size = (DWORD)written;
            source = dest.c_str();
        }
        // Served as a sheet or named as one; the rebuild side finds the
        // envelope by its content, whatever the name.
        bool sheet =
            IsStyleSheetFile(it->name.c_str(), it->contentType.c_str()) || IsStyleSheetFile(it->name.c_str(), nullptr);
        if (settings.xlatRebuild && sheet) {
            CTreeLinkTargets targets(this, rebuildPane);
            translator.SetLinkTargets(&targets, nullptr);
            bool written = translator.LoadStyleSheet(source, TRUE, it->contentType.c_str()) &&
                           translator.TranslateStyleSheet(base.c_str(), mapped, dest.c_str()) &&
                           translator.WriteTranslatedStyleSheet(dest.c_str(), time, settings.saveOrg);
            translator.SetLinkTargets(nullptr, nullptr);
            if (written) {
                translatedFlags = ITEM_TRANSLATED | ITEM_STYLE_SHEET | (settings.saveOrg ? 0 : ITEM_NO_ORIGINAL);
                return true;
            }
        } else if (settings.xlatRebuild && it->kind == KIND_HTML) {
            char siteRoot[kUrlBufferSize];
            if (!SiteRootOf(mapped, siteRoot, sizeof(siteRoot), mapping)) siteRoot[0] = 0;
            CTreeLinkTargets names(this, rebuildPane);
            translator.SetLinkTargets(&names, mapped);
            bool written = translator.LoadHtml(source, TRUE, it->contentType.c_str()) &&
                           translator.Translate(base.c_str(), siteRoot, TRUE, dest.c_str()) &&
                           translator.WriteTranslated(dest.c_str(), time, settings.saveOrg,
                                                      settings.useNoframeTag);
            translator.SetLinkTargets(nullptr, nullptr);
            if (written) {
                translatedFlags = ITEM_TRANSLATED | (settings.saveOrg ? 0 : ITEM_NO_ORIGINAL);
                return true;
            }
        }
        translatedFlags = 0;
        if (source == dest.c_str()) return true;
        return files.CopyFileWithTime(source, dest.c_str(), time);
    };

    CopyResult result = COPY_FAILED;
    DirEntry existing;
    // Where the rebuild tree has read the folder that would hold it and does
    // not hold it, the file is not on disk: no lookup of a name that is not
    // there, which costs a search of the whole folder under Wine.
    FolderNode* reached = found ? nullptr : model.Node(rebuildFolder);
    bool absent = reached && reached->state == FOLDER_READ;
    if (absent || !files.GetFileInfo(dest.c_str(), existing)) {
        if (copyOne()) {
            result = COPY_DONE;
        } else if (!files.MakeDirectories(dest.c_str())) {
            *stop = !FailAndAsk(folder, item, IDS_ASK_MAKE_FOLDER, dest.c_str());
            return false;
        } else if (copyOne()) {
            result = COPY_DONE;
        } else {
            *stop = !FailAndAsk(folder, item, IDS_ASK_COPY_CACHE, dest.c_str());
            return false;
        }
    } else if (!IsNewer(*mapping.clock, it->time, it->size, existing.lastWrite, existing.size)) {
        result = COPY_UP_TO_DATE;
    } else {
        if (settings.renameOld && !RenameFileWithTime(files, report, dest.c_str())) {
            *stop = !FailAndAsk(folder, item, IDS_ASK_RENAME_OLD, dest.c_str());
            return false;
        }
        if (!copyOne()) {
            *stop = !FailAndAsk(folder, item, IDS_ASK_COPY_CACHE, dest.c_str());
            return false;
        }
        result = COPY_DONE;
    }
    if (result != COPY_DONE) return false;

    BYTE kind = it->kind;
    it->flags &= (WORD)~ITEM_FAILED;
    WORD flags = (WORD)((it->flags & ~(ITEM_TRANSLATED | ITEM_NO_ORIGINAL | ITEM_STYLE_SHEET)) | translatedFlags);
    DWORD attributes = it->attributes;
    DWORD size = it->size;
    FILETIME regulated = time;
    zvRegulateFileTime(&regulated, kFatGrid);
    Disallow(folder, item, MARK_C);

    TreeItem* target = found ? model.Item(rebuildFolder, rebuildItem) : nullptr;
    if (!target) {
        UrlCacheEntry record = {mapped, dest.c_str(), 0, size, regulated, {0, 0}, {0, 0}, nullptr, 0, nullptr, nullptr, 0};
        target = rebuildPane->AddUrl(mapped, &record, MARK_NOT_C, 0, false);
    }
    if (target) {
        target->strings = 2;
        target->kind = kind;
        target->flags = (WORD)(flags & ~ITEM_GHOST);
        target->attributes = attributes;
        target->size = size;
        target->time = regulated;
        target->localFile = dest;
        target->url = mapped;
    }
    return true;
}

int CCachePane::DeleteMarked() {
    DeferRefresh();
    auto remove = [&](int folder, int item) {
        bool stop = false;
        DeleteEntry(folder, item, &stop);
        return !stop;
    };
    int result = 1;
    for (int r : Roots())
        if (result) result = WalkMarked(r, MARK_D, "Deleting ", IDS_LINE_DELETING, remove);
    if (result && settings.viewHistTree && historyRoot >= 0)
        result = WalkMarked(historyRoot, MARK_D, "Deleting ", IDS_LINE_DELETING, remove);
    for (int r : Roots()) RemoveEmptyFolders(r);
    if (historyRoot >= 0) RemoveEmptyFolders(historyRoot);
    EndDeferral();
    return result;
}

bool CCachePane::DeleteEntry(int folder, int item, bool* stop) {
    TreeItem* it = model.Item(folder, item);
    char mapped[kUrlBufferSize];
    if (!EntryUrl(folder, item, true, mapped)) mapped[0] = 0;
    // Ghosts have no cache entry of their own; they only leave the tree.
    if (!it->IsGhost() && !cache.DeleteEntry(it->url.c_str())) {
        *stop = !AskContinue(IDS_ASK_DELETE_CACHE, it->url.c_str());
        return false;
    }
    int rf, ri, rno;
    if (rebuildPane && mapped[0] && rebuildPane->FindByUrl(mapped, &rf, &ri, &rno))
        rebuildPane->Allow(rf, ri, MARK_C);
    RemoveEntry(folder, item);
    return true;
}

// ---- rebuild side ----

bool CRebuildPane::EntryCacheUrl(int folder, int item, char* out) {
    char mapped[kUrlBufferSize];
    if (!EntryUrl(folder, item, false, mapped)) return false;
    WriteBackUrl(mapped, out, kUrlBufferSize);
    return true;
}

int CRebuildPane::CopyMarked() { return TransferMarked(false); }

int CRebuildPane::MoveMarked() { return TransferMarked(true); }

int CRebuildPane::TransferMarked(bool move) {
    if (!translator.AllocBuffers(kBuffersFile)) {
        report.Notify(IDS_NO_MEMORY_CONVERT, nullptr);
        return 0;
    }
    DeferRefresh();
    cachePane->DeferRefresh();
    int result = WalkMarked(root, move ? MARK_M : MARK_C, move ? "Moving " : "Copying ",
                            move ? IDS_LINE_MOVING : IDS_LINE_COPYING, [&](int folder, int item) {
        bool stop = false;
        bool written = WriteBack(folder, item, &stop) != 0;
        if (stop || !written) return !stop;
        if (move)
            DeleteFromDisk(folder, item, &stop);
        else
            SetMarks(folder, item, model.Item(folder, item)->marks[side] & (BYTE)~MARK_C);
        return !stop;
    });
    translator.Release();
    if (move) RemoveEmptyFolders(root);
    cachePane->EndDeferral();
    EndDeferral();
    return result;
}

int CRebuildPane::WriteBack(int folder, int item, bool* stop) {
    TreeItem* it = model.Item(folder, item);
    char url[kUrlBufferSize], source[kPathBufferSize], cacheUrl[kUrlBufferSize];
    if (!EntryUrl(folder, item, false, url) || !EntryLocalPath(folder, item, source)) return 0;
    WriteBackUrl(url, cacheUrl, sizeof(cacheUrl));
    const char* ext = zvScanExtNameA(it->name.c_str());
    if (!ext) ext = "";

    char cacheFile[kPathBufferSize];
    bool written = false;
    if (cachePane->cache.CreateEntry(cacheUrl, it->size, ext, cacheFile, sizeof(cacheFile))) {
        if ((it->flags & ITEM_TRANSLATED) && !(it->flags & ITEM_NO_ORIGINAL)) {
            if (IsStyleSheetItem(*it))
                written = translator.LoadStyleSheet(source, FALSE) && translator.WriteOriginal(cacheFile, it->time);
            else if (it->kind == KIND_HTML)
                written = translator.LoadHtml(source, FALSE) && translator.WriteOriginal(cacheFile, it->time);
        }
        if (!written) written = files.CopyFileWithTime(source, cacheFile, it->time);
        if (written) {
            FILETIME lastModified = it->time;
            zvAddTimeToFileTime(&lastModified, kWriteBackTimeOffset);
            written = cachePane->cache.CommitEntry(cacheUrl, cacheFile,
                                                   ToFileTime(kCacheNeverExpires), lastModified,
                                                   ext);
        }
    }
    if (!written) {
        *stop = !FailAndAsk(folder, item, IDS_ASK_WRITE_BACK, source);
        return 0;
    }

    it->flags &= (WORD)~ITEM_FAILED;
    int cf, ci, cno;
    TreeItem* target = nullptr;
    if (cachePane->FindByUrl(url, &cf, &ci, &cno)) target = model.Item(cf, ci);
    if (!target) {
        UrlCacheEntry record = {cacheUrl, cacheFile, 0, it->size, it->time, {0, 0}, {0, 0}, nullptr, 0, nullptr, nullptr, 0};
        target = cachePane->AddUrl(url, &record, MARK_NOT_C, 0, false);
    }
    if (target) {
        target->strings = 2;
        target->kind = it->kind;
        target->flags &= (WORD)~ITEM_GHOST;
        target->attributes = it->attributes;
        target->time = it->time;
        target->size = it->size;
        target->localFile = cacheFile;
        target->url = cacheUrl;
    }
    return 1;
}

int CRebuildPane::DeleteMarked() {
    DeferRefresh();
    int result = WalkMarked(root, MARK_D, "Deleting ", IDS_LINE_DELETING, [&](int folder, int item) {
        bool stop = false;
        DeleteFromDisk(folder, item, &stop);
        return !stop;
    });
    RemoveEmptyFolders(root);
    EndDeferral();
    return result;
}

bool CRebuildPane::DeleteFromDisk(int folder, int item, bool* stop) {
    TreeItem* it = model.Item(folder, item);
    char url[kUrlBufferSize], path[kPathBufferSize];
    if (!EntryUrl(folder, item, false, url) || !EntryLocalPath(folder, item, path)) return false;
    // Ghosts lie only in the tree.
    if (!it->IsGhost()) {
        if (!files.RemoveFile(path)) {
            *stop = !AskContinue(IDS_ASK_DELETE_REBUILD, path);
            return false;
        }
        RemoveEmptyFoldersAbove(files, path, FolderPath(model.Node(folder)->rebuildNo).c_str());
    }
    int cf, ci, cno;
    if (cachePane && cachePane->FindByUrl(url, &cf, &ci, &cno)) cachePane->Allow(cf, ci, MARK_C);
    RemoveEntry(folder, item);
    return true;
}

#include "treecommands.h"

#include <stdio.h>
#include <string.h>

#include <string>

#include "base/messagenumbers.h"
#include "jobs/execute.h"
#include "mapping/url_mapping.h"
#include "translate/css_scanner.h"
#include "tree/folderurl.h"
#include "tree/treelinktargets.h"
#include "zvpath.h"

namespace {

void AnalyzePage(CTreePane& pane, const char* url) {
    pane.ShowProgress("Analizing ", url);
    char siteRoot[kUrlBufferSize], base[kUrlBufferSize];
    if (!SiteRootOf(url, siteRoot, sizeof(siteRoot), pane.mapping)) siteRoot[0] = 0;
    if (!FolderOf(url, base, sizeof(base), pane.mapping)) base[0] = 0;
    char link[kUrlBufferSize], resolved[kUrlBufferSize], mapped[kUrlBufferSize];
    const FILETIME none = {0, 0};
    for (;;) {
        int kind = pane.translator.NextLink(link, sizeof(link));
        if (kind == 0) break;
        if (!ResolveLink(link, siteRoot, base, resolved, sizeof(resolved), pane.mapping)) continue;
        if (kind == 2) {
            // A BASE address stands in for the site root of the links after it.
            memcpy(siteRoot, resolved, strlen(resolved) + 1);
            continue;
        }
        if (!MapUrlToName(resolved, nullptr, none, pane.settings.cnvtPercent, mapped, sizeof(mapped), pane.mapping))
            continue;
        int f, i, n;
        if (pane.FindByUrl(mapped, &f, &i, &n)) continue;
        pane.AddUrl(mapped, nullptr, MARK_GHOST_ALLOWED, 0, true);
    }
}

// Calls visit(folder, index) for the entry or for every file below the folder.
template <class Visit>
int ForEachFile(CTreePane& pane, int folder, int item, Visit visit) {
    if (item >= 0) {
        TreeItem* it = pane.model.Item(folder, item);
        if (!it) return 1;
        if (it->IsFolder()) return ForEachFile(pane, it->Child(), -1, visit);
        return visit(folder, item);
    }
    FolderNode* node = pane.model.Node(folder);
    if (!node) return 1;
    if (node->state != FOLDER_READ && !pane.LoadFolder(folder)) return 0;
    for (size_t i = 0; i < pane.model.Node(folder)->items.size(); ++i) {
        if (pane.Cancelled()) return 0;
        TreeItem* it = pane.model.Node(folder)->items[i];
        if (!it || it->kind == KIND_SPECIAL) continue;
        int r = it->IsFolder() ? ForEachFile(pane, it->Child(), -1, visit) : visit(folder, (int)i);
        if (!r) return 0;
    }
    return 1;
}

void RefreshAfterCommand(CTreePane& pane) {
    for (int root : pane.Roots()) pane.RecomputeSummaries(root);
    if (pane.historyRoot >= 0) pane.RecomputeSummaries(pane.historyRoot);
    pane.RefreshStatus();
    if (pane.shownFolder >= 0) pane.view.RefreshList(pane.side, pane.shownFolder);
}

int TranslateEntries(CRebuildPane& pane, int folder, int item, bool links) {
    CHtmlTranslator& t = pane.translator;
    if (!t.AllocBuffers(kBuffersAll) || (links && !t.OpenLinkScanners(TRUE))) {
        t.Release();
        pane.report.Notify(IDS_NO_MEMORY_CONVERT, nullptr);
        return 0;
    }
    int result = ForEachFile(pane, folder, item, [&](int f, int i) {
        TreeItem* it = pane.model.Item(f, i);
        bool sheet = IsStyleSheetItem(*it);
        if ((it->kind != KIND_HTML && !sheet) || it->IsGhost() || (it->flags & ITEM_NO_ORIGINAL)) return 1;
        char url[kUrlBufferSize], path[kPathBufferSize], siteRoot[kUrlBufferSize];
        if (!pane.EntryUrl(f, i, false, url) || !pane.EntryLocalPath(f, i, path)) return 1;
        pane.ShowProgress("Translating ", url);
        siteRoot[0] = 0;
        if (links && !SiteRootOf(url, siteRoot, sizeof(siteRoot), pane.mapping)) siteRoot[0] = 0;
        const std::string& base = pane.FolderPath(pane.model.Node(f)->rebuildNo);
        CTreeLinkTargets names(&pane, pane.cachePane);
        t.SetLinkTargets(&names, url);
        // Code conversion alone leaves a sheet's references as they are.
        bool written =
            sheet ? t.LoadStyleSheet(path, TRUE) &&
                        (links ? t.TranslateStyleSheet(base.c_str(), url, path)
                               : t.TranslateStyleSheet(base.c_str(), nullptr, nullptr)) &&
                        t.WriteTranslatedStyleSheet(path, it->time, pane.settings.saveOrg)
                  : t.LoadHtml(path, TRUE) && t.Translate(base.c_str(), siteRoot, links ? TRUE : FALSE, path) &&
                        t.WriteTranslated(path, it->time, pane.settings.saveOrg, pane.settings.useNoframeTag);
        t.SetLinkTargets(nullptr, nullptr);
        if (written) {
            it->flags |= ITEM_TRANSLATED | (sheet ? ITEM_STYLE_SHEET : 0);
            if (!pane.settings.saveOrg) it->flags |= ITEM_NO_ORIGINAL;
        }
        return 1;
    });
    t.Release();
    pane.view.RefreshList(pane.side, pane.shownFolder);
    return result;
}

}  // namespace

int AnalyzeLinks(CTreePane& pane, int folder, int item) {
    CHtmlTranslator& t = pane.translator;
    if (!t.AllocBuffers(kBuffersFileConverted) || !t.OpenLinkScanners(FALSE)) {
        t.Release();
        pane.report.Notify(IDS_NO_MEMORY_SEARCH, nullptr);
        return 0;
    }
    bool analysed = false;
    pane.DeferRefresh();
    int result = ForEachFile(pane, folder, item, [&](int f, int i) {
        TreeItem* it = pane.model.Item(f, i);
        if (it->IsGhost()) return 1;
        char path[kPathBufferSize], url[kUrlBufferSize];
        if (!pane.EntryLocalPath(f, i, path)) return 1;
        bool loaded = IsStyleSheetFile(it->name.c_str(), it->contentType.c_str())
                          ? t.LoadStyleSheet(path, TRUE, it->contentType.c_str())
                          : t.LoadHtml(path, TRUE, it->contentType.c_str());
        if (!loaded) return 1;
        if (!pane.EntryUrl(f, i, true, url)) return 1;
        AnalyzePage(pane, url);
        analysed = true;
        return 1;
    });
    t.Release();
    pane.EndDeferral();
    if (analysed) RefreshAfterCommand(pane);
    return result;
}

int ConvertCharacterCode(CRebuildPane& pane, int folder, int item) {
    return TranslateEntries(pane, folder, item, false);
}

int TranslateAddresses(CRebuildPane& pane, int folder, int item) {
    return TranslateEntries(pane, folder, item, true);
}

int RestoreOriginal(CRebuildPane& pane, int folder, int item) {
    CHtmlTranslator& t = pane.translator;
    if (!t.AllocBuffers(kBuffersFile)) {
        pane.report.Notify(IDS_NO_MEMORY_CONVERT, nullptr);
        return 0;
    }
    int result = ForEachFile(pane, folder, item, [&](int f, int i) {
        TreeItem* it = pane.model.Item(f, i);
        bool sheet = IsStyleSheetItem(*it);
        if ((it->kind != KIND_HTML && !sheet) || it->IsGhost() || !(it->flags & ITEM_TRANSLATED) ||
            (it->flags & ITEM_NO_ORIGINAL))
            return 1;
        char url[kUrlBufferSize], path[kPathBufferSize];
        if (!pane.EntryUrl(f, i, false, url) || !pane.EntryLocalPath(f, i, path)) return 1;
        pane.ShowProgress("Translating ", url);
        if ((sheet ? t.LoadStyleSheet(path, FALSE) : t.LoadHtml(path, FALSE)) && t.WriteOriginal(path, it->time))
            it->flags &= (WORD)~ITEM_TRANSLATED;
        return 1;
    });
    t.Release();
    pane.view.RefreshList(pane.side, pane.shownFolder);
    return result;
}

int EntryUrlsOf(CTreePane& pane, int folder, int item, std::vector<std::string>& urls) {
    return ForEachFile(pane, folder, item, [&](int f, int i) {
        char url[kUrlBufferSize];
        if (!pane.model.Item(f, i)->IsGhost() && pane.EntryUrl(f, i, false, url)) urls.push_back(url);
        return 1;
    });
}

int RenameEntry(CRebuildPane& pane, int folder, int item, const char* newName) {
    TreeItem* it = pane.model.Item(folder, item);
    if (!it || !newName || !*newName) return RENAME_UNCHANGED;
    FolderNode* node = pane.model.Node(folder);
    for (size_t i = 0; i < node->items.size(); ++i) {
        TreeItem* other = node->items[i];
        if (other && (int)i != item && CompareNoCase(other->name.c_str(), newName) == 0) {
            pane.report.Notify(IDS_NAME_EXISTS, nullptr);
            return RENAME_NAME_TAKEN;
        }
    }
    char url[kUrlBufferSize], local[kUrlBufferSize], newLocal[kUrlBufferSize];
    if (!pane.EntryUrl(folder, item, false, url)) return RENAME_FAILED;
    UrlToLocalPath(url, local, sizeof(local), pane.mapping);
    UrlToLocalPath(newName, newLocal, sizeof(newLocal), pane.mapping);
    int number = it->IsFolder() ? pane.model.Node(it->Child())->rebuildNo : node->rebuildNo;
    std::string path = pane.FolderPath(number) + local;
    if (!pane.files.RenameFile(path.c_str(), newLocal)) {
        pane.report.Notify(IDS_RENAME_FAILED, nullptr);
        return RENAME_FAILED;
    }
    pane.model.RenameItem(folder, item, newName);
    if (it->IsFolder()) pane.view.RedrawFolder(pane.side, it->Child());
    pane.view.RefreshList(pane.side, folder);
    return RENAME_DONE;
}

namespace {

// Moves the files of one folder; false when the user stopped.
bool MoveFolderFiles(CRebuildPane& pane, int folder, int target) {
    FolderNode* node = pane.model.Node(folder);
    const std::string& oldBase = pane.FolderPath(node->rebuildNo);
    const std::string& newBase = pane.FolderPath(target);
    char url[kUrlBufferSize], local[kUrlBufferSize];
    bool copying = false;
    for (size_t i = 0; i < pane.model.Node(folder)->items.size(); ++i) {
        TreeItem* it = pane.model.Node(folder)->items[i];
        if (!it || it->IsFolder() || it->IsGhost()) continue;
        if (!pane.EntryUrl(folder, (int)i, false, url)) continue;
        UrlToLocalPath(url, local, sizeof(local), pane.mapping);
        std::string from = oldBase + local, to = newBase + local;
        std::string line = "Moving '" + from + "' to '" + to + "'";
        pane.report.StatusText(line.c_str());
        DirEntry info;
        if (pane.files.GetFileInfo(to.c_str(), info)) {
            pane.report.Notify(IDS_MOVE_TARGET_EXISTS, nullptr);
            continue;
        }
        if (!copying) {
            if (pane.files.MoveFileTo(from.c_str(), to.c_str())) continue;
            if (!pane.files.MakeDirectories(to.c_str())) {
                if (pane.settings.hideWarning) continue;
                if (!pane.report.Ask(IDS_ASK_MAKE_FOLDER, to.c_str())) return false;
                continue;
            }
            if (pane.files.MoveFileTo(from.c_str(), to.c_str())) continue;
            copying = true;
        }
        bool copied = pane.files.CopyFileTo(from.c_str(), to.c_str());
        bool foldersMade = true;
        if (!copied) {
            foldersMade = pane.files.MakeDirectories(to.c_str());
            copied = foldersMade && pane.files.CopyFileTo(from.c_str(), to.c_str());
        }
        if (copied) {
            pane.files.RemoveFile(from.c_str());
            continue;
        }
        UINT id = foldersMade ? IDS_ASK_MOVE_FILE : IDS_ASK_MAKE_FOLDER;
        if (!pane.AskContinue(id, foldersMade ? from.c_str() : to.c_str())) return false;
    }
    return true;
}

int ChangeBaseBelow(CRebuildPane& pane, int folder, int target) {
    if (pane.model.Node(folder)->state != FOLDER_READ && !pane.LoadFolder(folder)) return 0;
    FolderNode* node = pane.model.Node(folder);
    if (node->rebuildNo != target) {
        char path[kPathBufferSize];
        bool havePath = pane.FolderLocalPath(folder, path);
        if (!MoveFolderFiles(pane, folder, target)) return 0;
        for (size_t i = 0; i < pane.model.Node(folder)->items.size(); ++i) {
            TreeItem* it = pane.model.Node(folder)->items[i];
            if (it && it->IsFolder() && !ChangeBaseBelow(pane, it->Child(), target)) return 0;
        }
        node = pane.model.Node(folder);
        if (havePath) {
            std::string folderPath = std::string(path) + "\\";
            RemoveEmptyFoldersAbove(pane.files, folderPath.c_str(),
                                    pane.FolderPath(node->rebuildNo).c_str());
        }
        node->rebuildNo = target;
        return 1;
    }
    for (size_t i = 0; i < node->items.size(); ++i) {
        TreeItem* it = pane.model.Node(folder)->items[i];
        if (it && it->IsFolder() && !ChangeBaseBelow(pane, it->Child(), target)) return 0;
    }
    return 1;
}

}  // namespace

int ChangeBaseFolder(CRebuildPane& pane, int folder, int target) {
    if (!pane.settings.FolderInUse(target) || folder == pane.root) return 0;
    return ChangeBaseBelow(pane, folder, target);
}

int OpenRow(CTreePane& pane, int folder, const ListRow& row) {
    FolderNode* node = pane.model.Node(folder);
    if (!node) return -1;
    int target = -1;
    if (row.item < 0) {
        target = node->parent;
    } else {
        TreeItem* it = pane.model.Item(folder, row.item);
        if (!it) return -1;
        if (it->IsFolder()) target = it->Child();
    }
    if (target >= 0) {
        if (pane.model.Node(target)->state != FOLDER_READ) pane.LoadFolder(target);
        pane.shownFolder = target;
        pane.view.ExpandFolder(pane.side, target);
        pane.view.RefreshList(pane.side, target);
        return target;
    }
    char path[kPathBufferSize];
    if (!pane.RowLocalPath(folder, row, path)) {
        pane.report.Notify(IDS_OPEN_FAILED, nullptr);
        return -1;
    }
    char* name = zvScanFileNameA(path);
    std::string dir = name ? std::string(path, name - path) : std::string();
    if (!pane.shell.ShellOpen(dir.c_str(), path)) pane.report.Notify(IDS_OPEN_FAILED, nullptr);
    return -1;
}

#include "reports/reportjobs.h"

#include <string.h>

#include <algorithm>

#include "mapping/mapping_strings.h"
#include "translate/message_routine.h"
#include "zvpath.h"

const char kAddressListFile[] = "locallst.htm";

namespace {

const char* const kPageExtensions[] = {"htm", "html", "shtml", "asp"};
const DWORD kFolderAttribute = 0x10;

// Case-blind for ASCII letters only; the trail byte of a double-byte
// character is compared as it is, so ア (83 41) never equals ャ (83 61).
bool SameNoCase(const char* a, const char* b, size_t bLength, const MappingSettings& settings) {
    for (size_t i = 0; i < bLength; ++i) {
        char x = a[i], y = b[i];
        if (!x || !y) return false;
        if (settings.IsLead((BYTE)x)) {
            if (x != y || i + 1 == bLength || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (x >= 'A' && x <= 'Z') x = (char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = (char)(y - 'A' + 'a');
        if (x != y) return false;
    }
    return a[bLength] == 0;
}

}  // namespace

bool IsReportPageExtension(const char* extension, int* index) {
    if (!extension) return false;
    for (int i = 0; i < 4; ++i) {
        if (SameNoCase(extension, kPageExtensions[i], strlen(kPageExtensions[i]), MappingSettings())) {
            if (index) *index = i;
            return true;
        }
    }
    return false;
}

bool CReportJob::StartPage(const std::string& path, UINT failMessage) {
    if (!WriteWholeFile(m_files, path.c_str(), nullptr, 0, nullptr)) {
        m_progress.Message(failMessage, nullptr);
        return false;
    }
    if (!m_translator.AllocBuffers(kBuffersFileConverted)) {
        m_progress.Message(IDS_NO_MEMORY_SEARCH, nullptr);
        return false;
    }
    return true;
}

bool CReportJob::WritePage(const std::string& path, const std::string& text) {
    return WriteWholeFile(m_files, path.c_str(), text.data(), text.size(), nullptr);
}

void CReportJob::ListSorted(const std::string& folder, std::vector<DirEntry>& entries) {
    if (!m_files.ListFolder(folder.c_str(), entries)) entries.clear();
    std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) {
        return CompareFileNames(a.name, b.name) < 0;
    });
}

bool CReportJob::OpenTitles(bool wanted) {
    if (!wanted) return false;
    if (m_translator.OpenTitleScanners()) return true;
    m_progress.Message(IDS_NO_MEMORY_TITLES, nullptr);
    return false;
}

const char* CReportJob::TitleOfLoadedPage(bool titles) {
    return titles && m_translator.GetTitle(m_title, (int)sizeof m_title) ? m_title : nullptr;
}

ReportJobResult CAddressListJob::Run(const std::string& folder, int folderNo,
                                  const ListSettings& settings) {
    ReportJobResult result;
    result.folderNo = folderNo;
    result.resultFile = kAddressListFile;
    m_folder = folder;
    m_entries.clear();
    m_seen = 0;
    std::string page = folder + kAddressListFile;
    if (!StartPage(page, IDS_LIST_FAILED)) {
        result.failed = true;
        return result;
    }
    bool titles = OpenTitles(settings.format.title);
    ScanFolder("", settings, titles);
    m_translator.Release();
    result.found = (DWORD)m_entries.size();
    if (m_cancel) {
        result.stopped = true;
        return result;
    }
    SortEntries(m_entries, m_settings);
    if (!WritePage(page, AddressListPage(folder, settings.format, m_entries, m_texts, m_settings))) {
        m_progress.Message(IDS_LIST_FAILED, nullptr);
        result.failed = true;
    }
    return result;
}

void CAddressListJob::ScanFolder(const std::string& relative, const ListSettings& settings,
                                 bool titles) {
    m_progress.Status(relative.c_str());
    std::string url = LocalPathToUrl(relative, m_settings);
    std::vector<DirEntry> entries;
    ListSorted(m_folder + relative, entries);
    for (const DirEntry& d : entries) {
        if (m_cancel) return;
        if (d.attributes & kFolderAttribute) {
            ScanFolder(relative + d.name + "/", settings, titles);
            continue;
        }
        ++m_seen;
        const char* extension = zvScanExtNameA(d.name.c_str());
        if (extension) {
            size_t baseLength = (size_t)(extension - 1 - d.name.c_str());
            for (size_t n = 0; n < settings.listedFiles.size(); ++n) {
                const std::string& listed = settings.listedFiles[n];
                if (listed.size() != baseLength ||
                    !SameNoCase(listed.c_str(), d.name.c_str(), baseLength, m_settings))
                    continue;
                int e;
                if (IsReportPageExtension(extension, &e)) {
                    // A sheet served under a page's name keeps the envelope
                    // of a sheet: listed as one, with no title to read.
                    std::string path = m_folder + relative + d.name;
                    bool sheet = d.size != 0 && d.size % 512 == 0 &&
                                 m_translator.ReadStyleSheetEnvelope(path.c_str(), nullptr, nullptr, nullptr);
                    const char* title = nullptr;
                    if (!sheet && titles && m_translator.LoadHtml(path.c_str(), TRUE)) title = TitleOfLoadedPage(true);
                    ReportEntry entry = MakeEntry(url, title, settings.format.sortType);
                    entry.styleSheet = sheet;
                    entry.value = (DWORD)n | ((DWORD)e << 16);
                    entry.file = listed + "." + kPageExtensions[e];
                    m_entries.push_back(entry);
                }
                break;
            }
        }
        m_progress.Counts((DWORD)m_entries.size(), m_seen);
    }
}

ReportJobResult CKeywordSearchJob::Run(const KeywordRequest& request) {
    ReportJobResult result;
    result.folderNo = request.folderNo;
    m_entries.clear();
    m_found = m_searched = 0;

    std::vector<char> folder(request.searchFolder.size() + 2);
    memcpy(folder.data(), request.searchFolder.c_str(), request.searchFolder.size());
    folder[request.searchFolder.size()] = '\\';
    zvControlRightPathA(folder.data());
    m_searchFolder = folder.data();
    m_progress.Status(m_searchFolder.c_str());

    std::vector<std::string> keywords;
    for (const std::string& k : request.keywords) {
        if (k.empty() || keywords.size() == 3) break;
        keywords.push_back(k);
    }
    if (keywords.empty()) {
        m_progress.Message(IDS_NO_KEYWORD, nullptr);
        result.failed = true;
        return result;
    }
    result.resultFile = KeywordFileName(keywords, request.orOperation, m_settings);
    std::string expression = KeywordExpression(keywords, request.orOperation, m_settings);
    std::string page = request.rebuildFolder + result.resultFile;
    if (!StartPage(page, IDS_RESULT_FILE_FAILED)) {
        result.failed = true;
        return result;
    }
    bool titles = OpenTitles(request.format.title);
    const char* words[3] = {nullptr, nullptr, nullptr};
    for (size_t i = 0; i < keywords.size(); ++i) words[i] = keywords[i].c_str();
    if (!m_translator.OpenKeywordScanners(words, request.matchCase, request.patterns,
                                          request.orOperation)) {
        m_translator.Release();
        m_progress.Message(IDS_NO_MEMORY_SEARCH, nullptr);
        result.failed = true;
        return result;
    }
    SearchFolder("", request.format.sortType, titles);
    m_translator.Release();
    result.found = m_found;
    result.searched = m_searched;
    if (m_cancel) {
        result.stopped = true;
        return result;
    }
    SortEntries(m_entries, m_settings);
    if (!WritePage(page, KeywordResultPage(m_searchFolder, expression, request.format, m_entries,
                                           m_found, m_searched, m_texts, m_settings, request.rebuildFolder))) {
        m_progress.Message(IDS_RESULT_FILE_FAILED, nullptr);
        result.failed = true;
    }
    return result;
}

void CKeywordSearchJob::SearchFolder(const std::string& relative, int sortType, bool titles) {
    std::vector<DirEntry> entries;
    ListSorted(m_searchFolder + relative, entries);
    for (const DirEntry& d : entries) {
        if (m_cancel) return;
        if (d.attributes & kFolderAttribute) {
            SearchFolder(relative + d.name + "/", sortType, titles);
            continue;
        }
        // The search folder's own files (result pages among them) are not searched.
        if (relative.empty() || !IsReportPageExtension(zvScanExtNameA(d.name.c_str()))) continue;
        std::string url = LocalPathToUrl(relative + d.name, m_settings);
        m_progress.Status(url.c_str());
        if (!m_translator.LoadHtml((m_searchFolder + relative + d.name).c_str(), TRUE)) continue;
        if (m_cancel) return;
        if (m_translator.KeywordMatch()) {
            m_entries.push_back(MakeEntry(url, TitleOfLoadedPage(titles), sortType));
            ++m_found;
        }
        ++m_searched;
        m_progress.Counts(m_found, m_searched);
    }
}

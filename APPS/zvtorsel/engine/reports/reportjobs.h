// The two report jobs: the local address list ("locallst.htm") and the
// keyword search page. Each walks a folder and writes its page through
// IFiles and reads pages through a CHtmlTranslator, so the dialogs, the
// command-line jobs and the tests run the same code.
#pragma once
#include <atomic>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/messagenumbers.h"
#include "reports/reportpage.h"
#include "reports/reportsettings.h"
#include "translate/html_translator.h"

// How a report job tells its progress. The dialog refreshes its controls,
// the command-line job prints messages only, tests record.
class IReportProgress {
public:
    virtual ~IReportProgress() {}
    virtual void Status(const char* text) = 0;
    // Entries found so far " / " files seen (address list) or pages searched.
    virtual void Counts(DWORD found, DWORD seen) = 0;
    // A message of the string table; arg fills its %s.
    virtual void Message(UINT id, const char* arg) = 0;
};

struct ReportJobResult {
    bool stopped = false;  // cancelled: the page was left empty
    bool failed = false;   // a message told why; no page was written
    DWORD found = 0;       // entries of the page
    DWORD searched = 0;    // pages searched (keyword search)
    int folderNo = 0;      // rebuild folder that received the page
    std::string resultFile;  // name of the page inside that folder
};

class CReportJob {
public:
    CReportJob(IFiles& files, CHtmlTranslator& translator, IReportProgress& progress, const PageTexts& texts,
               const MappingSettings& settings)
        : m_files(files), m_translator(translator), m_progress(progress), m_texts(texts), m_settings(settings) {}
    // May be called from another thread; the walk stops before its next entry.
    void RequestCancel() { m_cancel = true; }
    bool Cancelled() const { return m_cancel; }

protected:
    // Creates the page empty and takes the translator's buffers; false after
    // message `failMessage` or the memory message.
    bool StartPage(const std::string& path, UINT failMessage);
    bool WritePage(const std::string& path, const std::string& text);
    void ListSorted(const std::string& folder, std::vector<DirEntry>& entries);
    // Opens the title scanners when titles are wanted; false (after message
    // 41) when they cannot be opened and the run goes on without titles.
    bool OpenTitles(bool wanted);
    // The page's title, or null.
    const char* TitleOfLoadedPage(bool titles);

    IFiles& m_files;
    CHtmlTranslator& m_translator;
    IReportProgress& m_progress;
    const PageTexts& m_texts;
    const MappingSettings& m_settings;
    std::atomic<bool> m_cancel{false};
    std::vector<ReportEntry> m_entries;
    char m_title[1024];
};

// Writes "locallst.htm" into folder (ending with "\").
class CAddressListJob : public CReportJob {
public:
    using CReportJob::CReportJob;
    ReportJobResult Run(const std::string& folder, int folderNo, const ListSettings& settings);

private:
    void ScanFolder(const std::string& relative, const ListSettings& settings, bool titles);
    std::string m_folder;
    DWORD m_seen = 0;
};

struct KeywordRequest {
    std::string rebuildFolder;  // receives the page; ends with "\"
    int folderNo = 0;
    std::string searchFolder;   // searched below its sub-folders
    std::vector<std::string> keywords;  // up to three; used up to the first empty one
    bool orOperation = false, matchCase = false, patterns = false;
    PageFormat format;
};

class CKeywordSearchJob : public CReportJob {
public:
    using CReportJob::CReportJob;
    ReportJobResult Run(const KeywordRequest& request);

private:
    void SearchFolder(const std::string& relative, int sortType, bool titles);
    std::string m_searchFolder;
    DWORD m_found = 0, m_searched = 0;
};

extern const char kAddressListFile[];  // "locallst.htm"
// True for the extensions of the pages the reports read ("htm", "html",
// "shtml", "asp", any case); index (0 to 3) receives the position.
bool IsReportPageExtension(const char* extension, int* index = nullptr);

// The entries of the report pages, their order, and the page text.
#pragma once
#include <string>
#include <vector>

#include "mapping/mapping_settings.h"
#include "reports/reportsettings.h"
#include "zvtypes.h"

// Orders two Shift_JIS strings as a sorted list box orders its items: case
// ignored, control characters (LF) below the blank, the blank and
// punctuation below digits, digits below letters, letters below double-byte
// characters. Returns <0, 0 or >0.
int CompareListBoxStrings(const std::string& a, const std::string& b, const MappingSettings& settings);

// Folder entries in the order a Windows file system lists them (names
// compared with ASCII letters upper-cased), so walks are repeatable.
int CompareFileNames(const std::string& a, const std::string& b);

struct ReportEntry {
    std::string key;    // the sort string: url LF title, title + 7 blanks LF url, ...
    DWORD value = 0;    // low 16 bits: listed name index, high 16 bits: extension index
    std::string url;    // folder URL (address list) or page URL (keyword search)
    std::string title;  // empty when the entry has none
    std::string file;   // listed name "." extension (address list only)
    bool styleSheet = false;  // a translated style sheet named as a page (address list only)
};

ReportEntry MakeEntry(const std::string& url, const char* title, int sortType);
// Sorts by key; entries with equal keys keep the order they were found in.
void SortEntries(std::vector<ReportEntry>& entries, const MappingSettings& settings);

// Formats a count with thousands separators into out (cap bytes).
typedef void (*ReportCountFormatter)(DWORD value, char* out, int cap);
// "1,234,567": the grouping of the Japanese locale.
void FormatThousands(DWORD value, char* out, int cap);

struct PageTexts {
    std::string listTitle;     // "ローカルアドレス一覧表" (Shift_JIS)
    std::string searchTitle;   // "%s の検索結果" (Shift_JIS, one %s)
    ReportCountFormatter formatCount = FormatThousands;
};

// Page text with CR LF line ends. folder is the rebuild folder F (ending
// with "\"), searchFolder the folder S the keyword page refers to, and
// pageFolder the folder the keyword page lies in (empty: S). With relative
// links (FileProtocolType 1) the links lead from the page's folder and the
// page has no BASE line, unless S lies outside it.
std::string AddressListPage(const std::string& folder, const PageFormat& format,
                            const std::vector<ReportEntry>& entries, const PageTexts& texts,
                            const MappingSettings& settings);
std::string KeywordResultPage(const std::string& searchFolder, const std::string& expression, const PageFormat& format,
                              const std::vector<ReportEntry>& entries, DWORD found, DWORD searched,
                              const PageTexts& texts, const MappingSettings& settings,
                              const std::string& pageFolder = std::string());

// "$%02x" for the bytes a file name or the name's separators may not use;
// double-byte characters are copied whole. Writes at most size - 1 bytes
// (never half an escape or character) and a zero.
void EscapeName(char* dest, const char* src, int size, const MappingSettings& settings);

// The keyword page's file name ("a$2fb&c.htm") and search expression
// ("'a/b' &amp; 'c'") from the keywords up to the first empty one.
std::string KeywordFileName(const std::vector<std::string>& keywords, bool orOperation,
                            const MappingSettings& settings);
std::string KeywordExpression(const std::vector<std::string>& keywords, bool orOperation,
                              const MappingSettings& settings);

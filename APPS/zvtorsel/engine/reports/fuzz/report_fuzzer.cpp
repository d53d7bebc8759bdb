// Arbitrary page bytes, keywords and names through the report engines:
// title extraction into buffers of every small size, keyword matching with
// and without pattern syntax, name escaping and the page writers. Titles
// never hold CR, LF or "<" and never end inside a character.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "reports/reportpage.h"
#include "translate/html_translator.h"
#include "base/memoryfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // First byte: keyword length; then the keyword, then the page.
    size_t keywordLength = data[0] % 16;
    if (keywordLength + 1 > size) return 0;
    std::string keyword((const char*)data + 1, keywordLength);
    keyword = keyword.c_str();
    CMemoryFiles files;
    files.Content("in") = std::string((const char*)data + 1 + keywordLength, size - 1 - keywordLength);
    MappingSettings settings;
    CHtmlTranslator t(files, nullptr, settings);
    if (!t.AllocBuffers(kBuffersFileConverted) || !t.OpenTitleScanners()) return 0;
    if (!t.LoadHtml("in", TRUE)) return 0;

    std::vector<char> title;
    for (int cap = 1; cap < 8; ++cap) {
        title.assign((size_t)cap + 1, 'x');
        title[(size_t)cap] = '\x7f';
        if (t.GetTitle(title.data(), cap)) {
            size_t n = strlen(title.data());
            if (n == 0 || n >= (size_t)cap) abort();
            if (strpbrk(title.data(), "\r\n<")) abort();
        }
        if (title[(size_t)cap] != '\x7f') abort();
    }
    char full[1024];
    const char* pageTitle = t.GetTitle(full, sizeof full) ? full : nullptr;

    const char* words[3] = {keyword.c_str(), "a.b", nullptr};
    for (int mode = 0; mode < 4; ++mode) {
        if (t.OpenKeywordScanners(words, mode & 1, mode & 2, mode & 1)) t.KeywordMatch();
    }

    std::vector<std::string> keywords = {keyword, std::string(pageTitle ? pageTitle : "")};
    std::string name = KeywordFileName(keywords, size & 1, settings);
    std::string expression = KeywordExpression(keywords, size & 1, settings);

    std::vector<ReportEntry> entries = {MakeEntry(keyword, pageTitle, 0), MakeEntry("http://h/", pageTitle, 1),
                                        MakeEntry(name, nullptr, 1)};
    entries[0].file = "index.htm";
    SortEntries(entries, settings);
    PageTexts texts;
    texts.searchTitle = "%s";
    PageFormat format;
    format.unorderedList = size & 2;
    AddressListPage("C:\\", format, entries, texts, settings);
    KeywordResultPage("C:\\", expression, format, entries, 1, 2, texts, settings);
    return 0;
}

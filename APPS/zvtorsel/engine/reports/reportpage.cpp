#include "reports/reportpage.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "mapping/url_mapping.h"
#include "translate/html_translator.h"

namespace {

const char kTitlePad[] = "       ";  // seven blanks behind a title in title order
const size_t kTitlePadLength = 7;

// Weight classes of single-byte characters; a double-byte character weighs
// more than any of them.
unsigned SingleWeight(BYTE c) {
    if (c < 0x20) return c;
    if (c >= '0' && c <= '9') return 0x100 + c;
    if (c >= 'a' && c <= 'z') return 0x200 + (c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') return 0x200 + c;
    if (c < 0x80) return 0x20 + c;
    return 0x300 + c;  // half-width katakana and other single bytes
}

unsigned NextWeight(const std::string& s, size_t& i, const MappingSettings& settings) {
    BYTE c = (BYTE)s[i++];
    if (settings.IsLead(c) && i < s.size()) return 0x10000 + (c << 8) + (BYTE)s[i++];
    return SingleWeight(c);
}

BYTE UpperAscii(char c) { return (BYTE)((c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c); }

std::string Escaped(const std::string& text, const MappingSettings& settings) {
    std::vector<char> buffer(text.size() * 6 + 1);
    CHtmlTranslator::EscapeHtml(buffer.data(), text.c_str(), (int)buffer.size(), settings.leadTable);
    return buffer.data();
}

std::string LocalPath(const std::string& url, const MappingSettings& settings) {
    char path[kUrlBufferSize];
    UrlToLocalPath(url.c_str(), path, sizeof path, settings);
    return path;
}

std::string Count(DWORD value, const PageTexts& texts) {
    char text[64];
    texts.formatCount(value, text, sizeof text);
    return text;
}

std::string Formatted(const std::string& format, const std::string& argument) {
    std::string text = format;
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, argument);
    return text;
}

std::string Color(DWORD value) {
    char text[16];
    snprintf(text, sizeof text, "#%06X", (unsigned)(value & 0xFFFFFF));
    return text;
}

// The lines up to and including the FONT line.
std::string PageHead(const std::string& title, const std::string& baseFolder,
                     const PageFormat& format, const MappingSettings& settings) {
    std::string page;
    page += "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML i18n//EN\">\r\n";
    page += "<HTML>\r\n<HEAD>\r\n";
    page += "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;charset=SHIFT_JIS\">\r\n";
    page += "<TITLE>" + title + "</TITLE>\r\n";
    page += std::string("<BASE HREF=\"") + settings.FileUrlPrefix() + baseFolder + "base.html\">\r\n";
    page += "</HEAD>\r\n";
    page += "<BODY TEXT=\"" + Color(format.textColor) + "\" LINK=\"" + Color(format.linkColor) +
            "\" BGCOLOR=\"" + Color(format.backColor) + "\">\r\n";
    char font[32];
    snprintf(font, sizeof font, "<FONT SIZE=%d>\r\n", format.fontSize);
    page += font;
    return page;
}

template <typename LinkOf>
void AppendEntries(std::string& page, const PageFormat& format,
                   const std::vector<ReportEntry>& entries, LinkOf linkOf) {
    if (format.unorderedList) page += "<UL>\r\n";
    for (const ReportEntry& e : entries) {
        if (format.unorderedList) page += "<LI>";
        bool hasTitle = !e.title.empty();
        if (format.sortType == 1) {
            if (hasTitle) page += e.title + " : ";
            page += linkOf(e);
        } else {
            page += linkOf(e);
            if (hasTitle) page += " : " + e.title;
        }
        if (format.lineSpace) page += "<BR>\r\n";
        page += "<BR>\r\n";
    }
    if (format.unorderedList) page += "</UL>\r\n";
    page += "</FONT>\r\n</BODY>\r\n</HTML>\r\n";
}

bool IsIndexName(const std::string& file) {
    return strcasecmp(file.c_str(), "index.html") == 0 || strcasecmp(file.c_str(), "index.htm") == 0;
}

bool MustEscapeInName(BYTE c) {
    if (c >= 0x01 && c <= 0x1F) return true;
    return strchr("\"$%&*+,/:;<>?\\|", c) != nullptr && c != 0;
}

}  // namespace

int CompareListBoxStrings(const std::string& a, const std::string& b,
                          const MappingSettings& settings) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        unsigned wa = NextWeight(a, i, settings);
        unsigned wb = NextWeight(b, j, settings);
        if (wa != wb) return wa < wb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

int CompareFileNames(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        BYTE x = UpperAscii(a[i]), y = UpperAscii(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

ReportEntry MakeEntry(const std::string& url, const char* title, int sortType) {
    ReportEntry e;
    e.url = url;
    if (title && *title) e.title = title;
    if (sortType == 1)
        e.key = e.title.empty() ? "\n" + url : e.title + kTitlePad + "\n" + url;
    else
        e.key = url + "\n" + e.title;
    return e;
}

void SortEntries(std::vector<ReportEntry>& entries, const MappingSettings& settings) {
    std::stable_sort(entries.begin(), entries.end(),
                     [&settings](const ReportEntry& a, const ReportEntry& b) {
                         return CompareListBoxStrings(a.key, b.key, settings) < 0;
                     });
}

void FormatThousands(DWORD value, char* out, int cap) {
    char digits[16];
    int n = snprintf(digits, sizeof digits, "%lu", (unsigned long)value);
    std::string text;
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    snprintf(out, (size_t)cap, "%s", text.c_str());
}

std::string AddressListPage(const std::string& folder, const PageFormat& format,
                            const std::vector<ReportEntry>& entries, const PageTexts& texts,
                            const MappingSettings& settings) {
    std::string page = PageHead(texts.listTitle, folder, format, settings);
    page += texts.listTitle + " : " + Count((DWORD)entries.size(), texts) + "<BR>\r\n";
    AppendEntries(page, format, entries, [&](const ReportEntry& e) {
        std::string link = "<A HREF=\"" + LocalPath(e.url, settings) + e.file + "\">";
        link += Escaped(e.url, settings);
        if (!IsIndexName(e.file)) link += e.file;
        return link + "</A>";
    });
    return page;
}

std::string KeywordResultPage(const std::string& searchFolder, const std::string& expression,
                              const PageFormat& format, const std::vector<ReportEntry>& entries,
                              DWORD found, DWORD searched, const PageTexts& texts,
                              const MappingSettings& settings) {
    std::string heading = Formatted(texts.searchTitle, expression);
    std::string page = PageHead(heading, searchFolder, format, settings);
    page += heading + " : " + Count(found, texts) + " / " + Count(searched, texts) + "<BR>\r\n";
    AppendEntries(page, format, entries, [&](const ReportEntry& e) {
        return "<A HREF=\"" + LocalPath(e.url, settings) + "\">" + Escaped(e.url, settings) + "</A>";
    });
    return page;
}

void EscapeName(char* dest, const char* src, int size, const MappingSettings& settings) {
    if (!dest || size <= 0) return;
    int written = 0;
    for (const char* p = src ? src : ""; *p;) {
        BYTE c = (BYTE)*p;
        if (settings.IsLead(c) && p[1]) {
            if (written + 2 > size - 1) break;
            dest[written++] = p[0];
            dest[written++] = p[1];
            p += 2;
        } else if (MustEscapeInName(c)) {
            if (written + 3 > size - 1) break;
            snprintf(dest + written, 4, "$%02x", c);
            written += 3;
            ++p;
        } else {
            if (written + 1 > size - 1) break;
            dest[written++] = *p++;
        }
    }
    dest[written] = 0;
}

std::string KeywordFileName(const std::vector<std::string>& keywords, bool orOperation,
                            const MappingSettings& settings) {
    std::string name;
    for (size_t i = 0; i < keywords.size() && !keywords[i].empty(); ++i) {
        std::vector<char> escaped(keywords[i].size() * 3 + 1);
        EscapeName(escaped.data(), keywords[i].c_str(), (int)escaped.size(), settings);
        if (i > 0) name += orOperation ? "+" : "&";
        name += escaped.data();
    }
    return name + ".htm";
}

std::string KeywordExpression(const std::vector<std::string>& keywords, bool orOperation,
                              const MappingSettings& settings) {
    std::string expression = "'";
    for (size_t i = 0; i < keywords.size() && !keywords[i].empty(); ++i) {
        if (i > 0) expression += orOperation ? "' + '" : "' &amp; '";
        expression += Escaped(keywords[i], settings);
    }
    return expression + "'";
}

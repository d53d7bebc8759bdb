#include "reports/reportpage.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "afxstr.h"
#include "mapping/mapping_strings.h"
#include "mapping/relative_link.h"
#include "translate/html_translator.h"

namespace {

const char kTitlePad[] = "       ";  // seven blanks behind a title in title order
const size_t kTitlePadLength = 7;

// The collation of a sorted list box on Japanese Windows, as far as page
// titles and URLs need it. Each character gets a primary weight (0: ignored,
// as hyphens and apostrophes are), a secondary one (kana voicing) and a
// tertiary one (width, kana kind) and upper case; strings compare by all
// primary weights first, then the secondary, the tertiary, where their
// ignored characters stand, and last by case.
struct Collation {
    unsigned primary;
    unsigned secondary;
    unsigned tertiary;
    unsigned upper = 0;
};

// Hiragana 0x829F to 0x82F1 in code order: syllable * 4 + voicing (1 voiced,
// 2 semi-voiced), syllables in the order of the Japanese syllabary.
const BYTE kHiragana[] = {
    0,   0,   4,   4,   8,   8,   12,  12,  16,  16,  20,  21,  24,  25,  28,  29,  32,
    33,  36,  37,  40,  41,  44,  45,  48,  49,  52,  53,  56,  57,  60,  61,  64,  65,
    68,  68,  69,  72,  73,  76,  77,  80,  84,  88,  92,  96,  100, 101, 102, 104, 105,
    106, 108, 109, 110, 112, 113, 114, 116, 117, 118, 120, 124, 128, 132, 136, 140, 140,
    144, 144, 148, 148, 152, 156, 160, 164, 168, 172, 172, 176, 180, 184, 188};
const char kSmallHiragana[] =
    "10101010100000000000000000000000001000000000000000000000000000000010101000000100000";
// Half-width katakana 0xA6 to 0xDD the same way; 0xB0 (the long-sound mark) is ignored.
const BYTE kHalfKana[] = {
    184, 0,  4,  8,  12, 16, 140, 144, 148, 68,  255, 0,   4,   8,   12,  16,  20,  24, 28,
    32,  36, 40, 44, 48, 52, 56,  60,  64,  68,  72,  76,  80,  84,  88,  92,  96,  100, 104,
    108, 112, 116, 120, 124, 128, 132, 136, 140, 144, 148, 152, 156, 160, 164, 168, 172, 176, 188};
const char kSmallHalfKana[] = "01111111110000000000000000000000000000000000000000000000";
// ASCII punctuation in the order the list box sorts it.
const char kSymbolOrder[] = "!\"#$%&()*,./:;?@[]^_`{|}~\\+<=>";

const unsigned kWhite = 1, kSymbols = 0x100, kDigits = 0x1000, kLetters = 0x1100,
               kOtherLetters = 0x1200, kKana = 0x2000, kOther = 0x10000;

Collation Kana(unsigned value, unsigned kind) { return {kKana + (value >> 2), value & 3, kind}; }

Collation SingleByte(BYTE c) {
    if (c == ' ') return {kWhite, 0, 0};
    if (c == '\t') return {kWhite + 1, 0, 0};
    if (c == '\n') return {kWhite + 2, 0, 0};
    if (c == '\r') return {kWhite + 3, 0, 0};
    if (c < 0x20 || c == 0x7F || c == '-' || c == '\'') return {0, 0, 0};
    if (c >= '0' && c <= '9') return {kDigits + (c - '0'), 0, 0};
    if (c >= 'a' && c <= 'z') return {kLetters + (c - 'a'), 0, 0};
    if (c >= 'A' && c <= 'Z') return {kLetters + (c - 'A'), 0, 0, 1};
    if (c < 0x80) return {kSymbols + (unsigned)(strchr(kSymbolOrder, c) - kSymbolOrder), 0, 0};
    if (c >= 0xA6 && c <= 0xDD) {
        BYTE value = kHalfKana[c - 0xA6];
        if (value == 255) return {0, 0, 0};
        return Kana(value, kSmallHalfKana[c - 0xA6] == '1' ? 0 : 1);
    }
    if (c == 0xDE || c == 0xDF) return {0, 0, 0};  // half-width voicing marks
    if (c >= 0xA1 && c <= 0xA5) return {kSymbols + 0x80 + c, 0, 0};
    return {kOther + c, 0, 0};
}

Collation DoubleByte(unsigned code) {
    if (code == 0x8140) return {kWhite, 0, 1};
    if (code == 0x815B) return {0, 0, 0};  // the long-sound mark
    if (code >= 0x824F && code <= 0x8258) return {kDigits + (code - 0x824F), 0, 2};
    if (code >= 0x8260 && code <= 0x8279) return {kLetters + (code - 0x8260), 0, 2, 1};
    if (code >= 0x8281 && code <= 0x829A) return {kLetters + (code - 0x8281), 0, 2};
    if (code >= 0x829F && code <= 0x82F1) {
        unsigned i = code - 0x829F;
        return Kana(kHiragana[i], kSmallHiragana[i] == '1' ? 0 : 3);
    }
    if (code >= 0x8340 && code <= 0x8396 && code != 0x837F) {
        unsigned i = code - 0x8340 - (code > 0x837F ? 1 : 0);
        if (i < sizeof kHiragana) return Kana(kHiragana[i], kSmallHiragana[i] == '1' ? 0 : 2);
        static const BYTE kExtra[] = {9, 20, 32};  // voiced u, small ka, small ke
        return Kana(kExtra[i - sizeof kHiragana], i == sizeof kHiragana ? 2 : 0);
    }
    if (code < 0x8240) return {kSymbols + 0x200 + (code - 0x8140), 0, 0};
    if (code >= 0x839F && code < 0x8740) return {kOtherLetters + (code - 0x839F), 0, 0};
    return {kOther + code, 0, 0};
}

struct CollatedChar {
    Collation weight;
    unsigned position;  // character index, for ignored characters
    BYTE ignored;       // the ignored byte ('\'' sorts before '-')
};

void Collate(const std::string& s, const MappingSettings& settings, std::vector<CollatedChar>& out) {
    out.clear();
    for (size_t i = 0; i < s.size();) {
        BYTE c = (BYTE)s[i];
        CollatedChar cc;
        cc.position = (unsigned)out.size();
        cc.ignored = c;
        if (settings.IsLead(c) && i + 1 < s.size()) {
            cc.weight = DoubleByte(((unsigned)c << 8) | (BYTE)s[i + 1]);
            i += 2;
        } else {
            cc.weight = SingleByte(c);
            ++i;
        }
        out.push_back(cc);
    }
}

template <typename Key>
int CompareWeights(const std::vector<CollatedChar>& a, const std::vector<CollatedChar>& b, Key key) {
    size_t i = 0, j = 0;
    for (;;) {
        while (i < a.size() && a[i].weight.primary == 0) ++i;
        while (j < b.size() && b[j].weight.primary == 0) ++j;
        if (i == a.size() || j == b.size()) return (i < a.size()) - (j < b.size());
        unsigned x = key(a[i].weight), y = key(b[j].weight);
        if (x != y) return x < y ? -1 : 1;
        ++i;
        ++j;
    }
}

// Strings that differ only in ignored characters: fewer first; then the one
// whose ignored character stands later; then apostrophe before hyphen.
int CompareIgnored(const std::vector<CollatedChar>& a, const std::vector<CollatedChar>& b) {
    std::vector<const CollatedChar*> x, y;
    for (const CollatedChar& c : a)
        if (c.weight.primary == 0) x.push_back(&c);
    for (const CollatedChar& c : b)
        if (c.weight.primary == 0) y.push_back(&c);
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    for (size_t i = 0; i < x.size(); ++i) {
        if (x[i]->position != y[i]->position) return x[i]->position > y[i]->position ? -1 : 1;
        if (x[i]->ignored != y[i]->ignored) return x[i]->ignored < y[i]->ignored ? -1 : 1;
    }
    return 0;
}

BYTE UpperAscii(char c) { return (BYTE)((c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c); }

std::string Escaped(const std::string& text, const MappingSettings& settings) {
    std::vector<char> buffer(text.size() * 6 + 1);
    CHtmlTranslator::EscapeHtml(buffer.data(), text.c_str(), (int)buffer.size(), settings.leadTable);
    return buffer.data();
}

std::string Count(DWORD value, const PageTexts& texts) {
    char text[64];
    texts.formatCount(value, text, sizeof text);
    return text;
}

std::string Formatted(const std::string& format, const std::string& argument) {
    return AfxFillText(format.c_str(), argument.c_str()).c_str();
}

std::string Color(DWORD value) {
    char text[16];
    snprintf(text, sizeof text, "#%06X", (unsigned)(value & 0xFFFFFF));
    return text;
}

// The lines up to and including the FONT line. Without a base folder the
// links are relative to the page itself and there is no BASE line.
std::string PageHead(const std::string& title, const char* baseFolder, const PageFormat& format,
                     const MappingSettings& settings) {
    std::string page;
    page += "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML i18n//EN\">\r\n";
    page += "<HTML>\r\n<HEAD>\r\n";
    page += "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;charset=SHIFT_JIS\">\r\n";
    page += "<TITLE>" + title + "</TITLE>\r\n";
    if (baseFolder)
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
    std::vector<CollatedChar> x, y;
    Collate(a, settings, x);
    Collate(b, settings, y);
    int r = CompareWeights(x, y, [](const Collation& c) { return c.primary; });
    if (!r) r = CompareWeights(x, y, [](const Collation& c) { return c.secondary; });
    if (!r) r = CompareWeights(x, y, [](const Collation& c) { return c.tertiary; });
    if (!r) r = CompareIgnored(x, y);
    if (!r) r = CompareWeights(x, y, [](const Collation& c) { return c.upper; });
    if (!r) r = a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
    return r;
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
    bool relative = settings.RelativeLinks();
    std::string page = PageHead(texts.listTitle, relative ? nullptr : folder.c_str(), format, settings);
    page += texts.listTitle + " : " + Count((DWORD)entries.size(), texts) + "<BR>\r\n";
    AppendEntries(page, format, entries, [&](const ReportEntry& e) {
        std::string path = UrlAsLocalPath(e.url, settings) + e.file;
        std::string link = "<A HREF=\"" + (relative ? LocalPathAsLink(path, settings) : path) + "\">";
        link += Escaped(e.url, settings);
        if (!IsIndexName(e.file)) link += e.file;
        return link + (e.styleSheet ? "</A> (text/css)" : "</A>");
    });
    return page;
}

std::string KeywordResultPage(const std::string& searchFolder, const std::string& expression,
                              const PageFormat& format, const std::vector<ReportEntry>& entries,
                              DWORD found, DWORD searched, const PageTexts& texts,
                              const MappingSettings& settings, const std::string& pageFolder) {
    std::string heading = Formatted(texts.searchTitle, expression);
    // A search folder outside the page's folder keeps the file URL form.
    const char* below = settings.RelativeLinks()
                            ? PathBelowFolder(pageFolder.empty() ? searchFolder.c_str() : pageFolder.c_str(),
                                              searchFolder.c_str(), settings)
                            : nullptr;
    std::string page = PageHead(heading, below ? nullptr : searchFolder.c_str(), format, settings);
    page += heading + " : " + Count(found, texts) + " / " + Count(searched, texts) + "<BR>\r\n";
    AppendEntries(page, format, entries, [&](const ReportEntry& e) {
        std::string path = UrlAsLocalPath(e.url, settings);
        if (below) path = LocalPathAsLink(below + path, settings);
        return "<A HREF=\"" + path + "\">" + Escaped(e.url, settings) + "</A>";
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

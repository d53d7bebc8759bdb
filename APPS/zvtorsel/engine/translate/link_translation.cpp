#include <string.h>

#include "translate/html_translator.h"
#include "translate/block_writer.h"
#include "translate/declared_charset.h"
#include "mapping/relative_link.h"
#include "mapping/url_mapping.h"
#include "zvjcode.h"
#include "zvsaa.h"

namespace {

using namespace xlat;

const int kScannerFlags = ZVSAA_IGNORE_CASE | ZVSAA_SYNTAX;
const char kAnchoredTagPattern[] = "^<[a-z]+[ \\t\\n]";
const char kSchemePattern[] = "^[a-z]+:[^/\\]";

enum AttributeKind { kLinkEntry, kPictureEntry, kCharsetEntry };

struct AttributeEntry {
    const char* pattern;
    AttributeKind kind;
};

// Tried in this order; the first that occurs in a tag is the only one handled.
const AttributeEntry kAttributeTable[kAttributeScannerCount] = {
    {"[ \\t\\n]action[ \\t\\n]*=", kLinkEntry},
    {"[ \\t\\n]background[ \\t\\n]*=", kLinkEntry},
    {"[ \\t\\n]codebase[ \\t\\n]*=", kLinkEntry},
    {"[ \\t\\n]dynsrc[ \\t\\n]*=", kPictureEntry},
    {"[ \\t\\n]href[ \\t\\n]*=", kLinkEntry},
    {"[ \\t\\n]lowsrc[ \\t\\n]*=", kPictureEntry},
    {"[ \\t\\n]map[ \\t\\n]*=", kLinkEntry},
    {"[ \\t\\n]pluginspage[ \\t\\n]*=", kLinkEntry},
    {"[ \\t\\n]src[ \\t\\n]*=", kPictureEntry},
    {"[ \\t\\n]value[ \\t\\n]*=", kLinkEntry},
    {"[ \\t\\n]http-equiv[ \\t\\n]*=[ \\t\\n]*\"content-type\"[ \\t\\n]+content[ \\t\\n]*="
     "[ \\t\\n]*\"text/html;[ \\t]*charset[ \\t]*=[ \\t]*",
     kCharsetEntry},
};
const int kLinkEntryCount = kAttributeScannerCount - 1;  // the charset entry is no link

const size_t kLinkTextSize = 1024;
// A relative link of a path of up to three bytes per link byte, each of them
// escaped once more.
const size_t kAddressSize = 3 * (3 * kLinkTextSize + 16);
const char kCharsetName[] = "SHIFT_JIS";

inline bool IsNameEnd(char c) { return c == 0 || c == ' ' || c == '\t' || c == '\n'; }

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
inline bool IsNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
}

// Entries whose pattern can occur in text: a blank, tab or LF, the
// attribute name in any case, blanks, tabs or LFs, and "=". A necessary
// condition only, found from each "=" backwards; the scanners decide, but
// need not run for the other entries.
unsigned CandidateEntries(const char* text) {
    static const char* const kNames[kAttributeScannerCount] = {
        "action", "background", "codebase", "dynsrc", "href", "lowsrc",
        "map", "pluginspage", "src", "value", "http-equiv"};
    const size_t kLongestName = 11;
    unsigned candidates = 0;
    for (const char* eq = strchr(text, '='); eq; eq = strchr(eq + 1, '=')) {
        const char* end = eq;
        while (end > text && IsBlank(end[-1])) --end;
        const char* begin = end;
        while (begin > text && IsNameByte(begin[-1]) && (size_t)(end - begin) <= kLongestName) --begin;
        size_t n = (size_t)(end - begin);
        if (n == 0 || n > kLongestName || begin == text || !IsBlank(begin[-1])) continue;
        char name[kLongestName];
        for (size_t i = 0; i < n; ++i) name[i] = (char)(begin[i] | 0x20);
        for (int i = 0; i < kAttributeScannerCount; ++i) {
            if (strlen(kNames[i]) == n && memcmp(kNames[i], name, n) == 0) candidates |= 1u << i;
        }
    }
    return candidates;
}

// Whether text can start a tag of the tag scanner: "<", letters, then a
// blank, tab or LF. A necessary condition; the scanner decides.
bool MayStartTag(const char* text) {
    const char* p = text + 1;
    if (!((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z'))) return false;
    while ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')) ++p;
    return IsBlank(*p);
}

// The ">" that ends a tag, stepping over quoted stretches; null when the text
// ends first.
char* FindTagEnd(char* p) {
    for (;;) {
        char c = *p;
        if (c == 0) return nullptr;
        if (c == '>') return p;
        if (c == '"' || c == '\'') {
            char* close = strchr(p + 1, c);
            if (!close) return nullptr;
            p = close + 1;
        } else {
            ++p;
        }
    }
}

inline char* FirstOf(char* p, const char* stops) {
    char* q = strpbrk(p, stops);
    return q ? q : p + strlen(p);
}

// The value of the attribute whose pattern matched at match: [start, end).
// Quoted values run to their closing quote or a "#"; lfEndsQuoted lets a line
// end stop a double-quoted one as well.
bool FindValue(char* match, bool lfEndsQuoted, char** start, char** end) {
    char* p = strchr(match, '=');
    if (!p) return false;
    ++p;
    while (*p == ' ' || *p == '\t' || *p == '\n') ++p;
    if (*p == '"') {
        *start = p + 1;
        *end = FirstOf(*start, lfEndsQuoted ? "\"\n#" : "\"#");
    } else if (*p == '\'') {
        *start = p + 1;
        *end = FirstOf(*start, "'#");
    } else {
        *start = p;
        *end = FirstOf(p, " \t\n#");
    }
    return true;
}

// Ends the text at p for the life of the object.
class TemporaryEnd {
public:
    explicit TemporaryEnd(char* p) : m_p(p), m_saved(*p) { *p = 0; }
    ~TemporaryEnd() { *m_p = m_saved; }

private:
    char* m_p;
    char m_saved;
};

// The leading "./" and "../" components of a relative link navigate from the
// page's own folder, which mirrors the URL's folders: they are written as
// local steps instead of being escaped as names. Returns the bytes written;
// *rest is the link text behind them.
size_t CopyRelativeSteps(char* out, size_t size, const char* text, const char** rest) {
    size_t n = 0;
    const char* p = text;
    for (;;) {
        size_t dots = p[0] == '.' ? (p[1] == '.' ? 2 : 1) : 0;
        if (dots == 0 || !IsSep(p[dots]) || n + dots + 1 >= size) break;
        memcpy(out + n, p, dots);
        out[n + dots] = '\\';
        n += dots + 1;
        p += dots + 1;
    }
    out[n] = 0;
    *rest = p;
    return n;
}

bool EndsWithSeparator(const char* text, const BYTE* leadTable) {
    bool sep = false;
    for (const char* p = text; *p;) {
        if (leadTable[(BYTE)*p] && p[1]) {
            sep = false;
            p += 2;
        } else {
            sep = IsSep(*p);
            ++p;
        }
    }
    return sep;
}

// The link whose local path is local (below the rebuild folder when
// absolute, else from the page's folder) relative to the page at pagePath,
// into out. A link too long for that form keeps its local path.
void RelativeAddress(const char* local, bool absolute, const char* pagePath, const MappingSettings& settings,
                     char* out, size_t size) {
    char target[3 * kLinkTextSize + 16];
    if ((absolute || ResolveLocalLink(pagePath, local, target, sizeof target, settings)) &&
        RelativeLink(pagePath, absolute ? local : target, out, size, settings))
        return;
    CopyChars(out, size, local, settings.leadTable);
}

bool SameAscii(const char* p, const char* lower, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if ((p[i] | 0x20) != lower[i]) return false;
    return true;
}

// The first end tag (lower case, without its ">") in [p, end), in any case.
char* FindEndTag(char* p, char* end, const char* tag) {
    size_t n = strlen(tag);
    for (; (size_t)(end - p) >= n; ++p) {
        p = (char*)memchr(p, '<', (size_t)(end - p));
        if (!p || (size_t)(end - p) < n) return nullptr;
        if (SameAscii(p, tag, n)) return p;
    }
    return nullptr;
}

// The short META form of later HTML, <meta charset=X>: its name is
// rewritten like the long form's. Returns the attribute text still to copy.
char* RewriteMetaCharset(BlockWriter& out, const char* name, char* attributes) {
    static const char kMeta[] = "meta";
    for (size_t i = 0; i < 4; ++i)
        if ((name[i] | 0x20) != kMeta[i]) return attributes;
    if (!IsNameEnd(name[4])) return attributes;
    for (char* p = attributes; (p = strchr(p, '=')) != nullptr; ++p) {
        char* end = p;
        while (end > attributes && IsBlank(end[-1])) --end;
        if (end - attributes < 8 || !IsBlank(end[-8])) continue;
        static const char kCharset[] = "charset";
        size_t i = 0;
        while (i < 7 && (end[-7 + (int)i] | 0x20) == kCharset[i]) ++i;
        if (i < 7) continue;
        char* value = p + 1;
        while (IsBlank(*value)) ++value;
        char quote = *value == '"' || *value == '\'' ? *value : 0;
        if (quote) ++value;
        char* valueEnd = value;
        while (*valueEnd && (quote ? *valueEnd != quote : !IsBlank(*valueEnd) && *valueEnd != '/')) ++valueEnd;
        out.Text(attributes, value);
        out.Raw(kCharsetName, sizeof kCharsetName - 1);
        return valueEnd;
    }
    return attributes;
}

}  // namespace

void CHtmlTranslator::LocalAddress(char* linkText, bool picture, const char* rebuildFolder, const char* siteRoot,
                                   const char* pageBelow, char* out, size_t size) {
    const BYTE* lead = m_settings->leadTable;
    size_t linkLength = strlen(linkText);
    if (EndsWithSeparator(linkText, lead) && linkLength + sizeof "index.html" <= kLinkTextSize)
        memcpy(linkText + linkLength, "index.html", sizeof "index.html");
    // Prefix, folder and a path of up to three bytes per link byte.
    char address[16 + kLinkTextSize + 3 * kLinkTextSize];
    size_t used = 0;
    const char* path = linkText;
    bool absolute = IsAbsoluteUrl(linkText, *m_settings) != FALSE;
    if (absolute && !pageBelow) {
        used = CopyChars(address, 16, m_settings->FileUrlPrefix(), lead);
        used += CopyChars(address + used, kLinkTextSize, rebuildFolder, lead);
    } else if (!absolute) {
        used = CopyRelativeSteps(address, kLinkTextSize, linkText, &path);
    }
    int query = UrlToLocalPath(path, address + used, sizeof address - used, *m_settings);
    char extension[16];
    const char* queryExtension = query ? QueryExtension(linkText, siteRoot, picture, extension, sizeof extension) : "";
    if (strlen(address) + strlen(queryExtension) < sizeof address) strcat(address, queryExtension);
    if (pageBelow && *linkText)
        RelativeAddress(address, absolute, pageBelow, *m_settings, out, size);
    else
        CopyChars(out, size, address, lead);
}

void CHtmlTranslator::SetLinkTargets(ILinkTargets* names, const char* pageUrl) {
    m_linkTargets = names;
    m_pageUrl[0] = 0;
    if (pageUrl) CopyChars(m_pageUrl, sizeof m_pageUrl, pageUrl, m_settings->leadTable);
}

const char* CHtmlTranslator::QueryExtension(const char* linkText, const char* siteRoot, bool picture,
                                            char* ext, size_t size) {
    const char* guess = picture ? ".gif" : ".html";
    if (!m_linkTargets) return guess;
    char url[kLinkTextSize];
    if (IsAbsoluteUrl(linkText, *m_settings)) {
        CopyChars(url, sizeof url, linkText, m_settings->leadTable);
    } else {
        char folder[kLinkTextSize];
        if (!FolderOf(m_pageUrl, folder, sizeof folder, *m_settings) ||
            !ResolveLink(linkText, siteRoot, folder, url, sizeof url, *m_settings))
            return guess;
    }
    return m_linkTargets->QueryExtension(url, ext, size) ? ext : guess;
}

BOOL CHtmlTranslator::OpenLinkScanners(BOOL anchored) {
    if (m_tagScanner && m_tagAnchored != (anchored != 0)) {
        zvSaaCloseCvt(m_tagScanner);
        m_tagScanner = nullptr;
    }
    if (!m_tagScanner) {
        m_tagScanner = zvSaaCreateCvtA(anchored ? kAnchoredTagPattern : kAnchoredTagPattern + 1,
                                       kScannerFlags);
        if (!m_tagScanner) return FALSE;
        m_tagAnchored = anchored != 0;
    }
    if (!m_schemeScanner) {
        m_schemeScanner = zvSaaCreateCvtA(kSchemePattern, kScannerFlags);
        if (!m_schemeScanner) return FALSE;
    }
    for (int i = 0; i < kAttributeScannerCount; ++i) {
        if (m_attributeScanners[i]) continue;
        m_attributeScanners[i] = zvSaaCreateCvtA(kAttributeTable[i].pattern, kScannerFlags);
        if (!m_attributeScanners[i]) return FALSE;
    }
    return TRUE;
}

BOOL CHtmlTranslator::Translate(const char* rebuildFolder, const char* siteRoot,
                                BOOL translateLinks, const char* pagePath) {
    m_translateFailed = true;
    if (!m_fileBuffer || !m_converted || !m_output || !m_convertedValid) return FALSE;
    if (translateLinks) {
        if (!m_tagScanner || !m_tagAnchored || !m_schemeScanner) return FALSE;
        for (HANDLE h : m_attributeScanners)
            if (!h) return FALSE;
    }
    if (!rebuildFolder) rebuildFolder = "";
    if (!siteRoot) siteRoot = "";
    const BYTE* lead = m_settings->leadTable;
    // Relative links need the page's own place in the rebuild folder; a page
    // elsewhere gets file URLs.
    const char* pageBelow =
        m_settings->RelativeLinks() && pagePath ? PathBelowFolder(rebuildFolder, pagePath, *m_settings) : nullptr;

    char baseUrl[kLinkTextSize];
    LinkContext context = {rebuildFolder, siteRoot, pageBelow, m_pageUrl,
                           IsForeignCharset(m_textCode) ? m_textCode : ZVJCODE_SJIS};

    BlockWriter out(m_output, 2 * (size_t)m_capacity);
    char* src = m_converted;
    char* srcEnd = m_converted + m_convertedLength;
    while (src < srcEnd && !out.Failed()) {
        if (!translateLinks) {
            out.Text(src, srcEnd);
            break;
        }
        src = (char*)out.TextToTag(src, srcEnd);
        if (src == srcEnd && src[-1] != '<') break;
        char* lt = src - 1;
        if (SameAscii(src, "style", 5) && (src[5] == '>' || IsBlank(src[5]))) {
            // A style block: its sheet runs to the end tag.
            char* styleEnd = FindTagEnd(src + 5);
            char* close = styleEnd ? FindEndTag(styleEnd + 1, srcEnd, "</style") : nullptr;
            if (close) {
                out.Text(src, styleEnd + 1);
                TranslateCss(out, styleEnd + 1, close, context, '"', true);
                src = close;
                continue;
            }
        }
        if (!MayStartTag(lt) || !zvSaaScanStringA(m_tagScanner, lt)) continue;

        char* nameEnd = src;
        while (!IsNameEnd(*nameEnd)) ++nameEnd;
        out.Raw(src, (size_t)(nameEnd - src));
        char* tagEnd = FindTagEnd(nameEnd);
        if (!tagEnd) {
            out.Text(nameEnd, srcEnd);
            break;
        }
        char* rest = nameEnd;
        {
            TemporaryEnd endOfTag(tagEnd);
            int entry = 0;
            char* match = nullptr;
            unsigned candidates = CandidateEntries(nameEnd);
            for (; candidates && entry < kAttributeScannerCount; ++entry) {
                if (!(candidates & (1u << entry))) continue;
                match = zvSaaScanStringA(m_attributeScanners[entry], nameEnd);
                if (match) break;
            }
            if (match && kAttributeTable[entry].kind == kCharsetEntry) {
                // Bytes that were not converted keep their label.
                if (!IsForeignCharset(m_textCode)) {
                    char* valueStart = match + zvSaaGetMatchLength(m_attributeScanners[entry]);
                    out.Text(nameEnd, valueStart);
                    out.Raw(kCharsetName, sizeof kCharsetName - 1);
                    rest = FirstOf(valueStart, "\"");
                }
            } else if (match) {
                char *valueStart, *valueEnd;
                if (FindValue(match, true, &valueStart, &valueEnd)) {
                    bool scheme;
                    char linkText[kLinkTextSize];
                    {
                        TemporaryEnd endOfValue(valueEnd);
                        scheme = MayHaveScheme(valueStart) &&
                                 zvSaaScanStringA(m_schemeScanner, valueStart) != nullptr;
                        if (!scheme) {
                            size_t used = 0;
                            const char* value = valueStart;
                            if (IsSep(*value)) {
                                used = CopyChars(linkText, kLinkTextSize, siteRoot, lead);
                                ++value;
                            }
                            UnescapeEntities(linkText + used, value, (int)(kLinkTextSize - used));
                        }
                    }
                    if (!scheme) {
                        // A BASE address resolves the style sheets after it.
                        if (nameEnd - src == 4 && SameAscii(src, "base", 4) && IsAbsoluteUrl(linkText, *m_settings)) {
                            CopyChars(baseUrl, sizeof baseUrl, linkText, lead);
                            context.baseUrl = baseUrl;
                        }
                        AttributeText(out, nameEnd, valueStart, context, src, nameEnd);
                        char address[kAddressSize];
                        LocalAddress(linkText, kAttributeTable[entry].kind == kPictureEntry, rebuildFolder,
                                     siteRoot, pageBelow, address, sizeof address);
                        out.Raw(address);
                        rest = valueEnd;
                        // The rest of a quoted value (its fragment, its
                        // quote) is no attribute text.
                        char quote = valueStart[-1];
                        char* close = quote == '"' || quote == '\'' ? strchr(valueEnd, quote) : nullptr;
                        if (close) {
                            out.Text(valueEnd, close + 1);
                            rest = close + 1;
                        }
                    }
                }
            }
            if (!match && !IsForeignCharset(m_textCode)) rest = RewriteMetaCharset(out, src, nameEnd);
            AttributeText(out, rest, tagEnd, context, src, nameEnd);
        }
        out.Raw(">", 1);
        src = tagEnd + 1;

    }
    if (out.Failed()) {
        m_translatedLength = 0;
        return FALSE;
    }
    m_output[out.Length()] = 0;
    m_translatedLength = (long)out.Length();
    m_translateFailed = false;
    return m_translatedLength != m_sourceLength ? TRUE : FALSE;
}

int CHtmlTranslator::NextLink(char* dest, int size) {
    if (size > 0) *dest = 0;
    if (m_sheetLoaded) return NextStyleLink(dest, size);
    if (!m_tagScanner || m_tagAnchored || !m_schemeScanner) return 0;
    for (int i = 0; i < kLinkEntryCount; ++i)
        if (!m_attributeScanners[i]) return 0;
    if (!m_scanPointer) return NextStyleLink(dest, size);
    for (;;) {
        char* tag = zvSaaScanStringA(m_tagScanner, m_scanPointer);
        if (!tag) {
            m_scanPointer = nullptr;
            return NextStyleLink(dest, size);
        }
        char* nameEnd = tag;
        while (!IsNameEnd(*nameEnd)) ++nameEnd;
        int result = (nameEnd - tag == 5 && (tag[1] | 0x20) == 'b' && (tag[2] | 0x20) == 'a' &&
                      (tag[3] | 0x20) == 's' && (tag[4] | 0x20) == 'e')
                         ? 2
                         : 1;
        if (*nameEnd == 0) {
            m_scanPointer = nullptr;
            return NextStyleLink(dest, size);
        }
        *nameEnd = ' ';
        char* tagEnd = FindTagEnd(nameEnd);
        if (!tagEnd) {
            m_scanPointer = nullptr;
            return NextStyleLink(dest, size);
        }
        *tagEnd = 0;
        m_scanPointer = tagEnd + 1;
        char* match = nullptr;
        unsigned candidates = CandidateEntries(nameEnd);
        for (int entry = 0; entry < kLinkEntryCount && !match; ++entry)
            if (candidates & (1u << entry)) match = zvSaaScanStringA(m_attributeScanners[entry], nameEnd);
        char *valueStart, *valueEnd;
        if (!match || !FindValue(match, false, &valueStart, &valueEnd)) continue;
        *valueEnd = 0;
        if (MayHaveScheme(valueStart) && zvSaaScanStringA(m_schemeScanner, valueStart)) continue;
        UnescapeEntities(dest, valueStart, size);
        return result;
    }
}

char* CHtmlTranslator::UnescapeEntities(char* dest, const char* src, int size) {
    if (size <= 0) return dest;
    static const struct {
        const char* name;
        size_t length;
        char value;
    } kEntities[] = {{"&amp;", 5, '&'}, {"&quot;", 6, '"'}, {"&gt;", 4, '>'}, {"&lt;", 4, '<'}};
    char* out = dest;
    char* last = dest + size - 1;
    while (*src && out < last) {
        char c = *src;
        size_t taken = 1;
        if (c == '&') {
            for (const auto& e : kEntities) {
                if (strncmp(src, e.name, e.length) == 0) {
                    c = e.value;
                    taken = e.length;
                    break;
                }
            }
        }
        *out++ = c;
        src += taken;
    }
    *out = 0;
    return out;
}

char* CHtmlTranslator::EscapeHtml(char* dest, const char* src, int size, const BYTE* leadTable) {
    if (size <= 0) return dest;
    char* out = dest;
    char* last = dest + size - 1;
    while (*src) {
        const char* unit = src;
        size_t n = 1;
        switch (*src) {
        case '&': unit = "&amp;"; n = 5; break;
        case '"': unit = "&quot;"; n = 6; break;
        case '<': unit = "&lt;"; n = 4; break;
        case '>': unit = "&gt;"; n = 4; break;
        default:
            if (leadTable[(BYTE)*src] && src[1]) n = 2;
            break;
        }
        if ((size_t)(last - out) < n) break;
        memcpy(out, unit, n);
        out += n;
        src += unit == src ? n : 1;
    }
    *out = 0;
    return out;
}

#include <string.h>

#include <new>

#include "mapping/relative_link.h"
#include "mapping/url_mapping.h"
#include "translate/block_writer.h"
#include "translate/css_envelope.h"
#include "translate/css_scanner.h"
#include "translate/declared_charset.h"
#include "translate/html_translator.h"
#include "zvjcode.h"

using namespace xlat;

namespace {

const size_t kLinkSize = 1024;
const size_t kCssAddressSize = 3 * (3 * kLinkSize + 16);
const char kSheetCharset[] = "Shift_JIS";

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// The references of one stretch of CSS, gathered before any is written.
class ReferenceList : public ICssReferenceSink {
public:
    struct Item {
        size_t start, end;
        char url[kCssUrlSize];
    };
    ~ReferenceList() { delete[] m_items; }
    void Reference(const CssReference& r) override {
        if (m_failed) return;
        if (m_count == m_capacity && !Grow()) return;
        Item& item = m_items[m_count++];
        item.start = r.start;
        item.end = r.end;
        memcpy(item.url, r.url, r.urlLength + 1);
    }
    size_t Count() const { return m_count; }
    const Item& operator[](size_t i) const { return m_items[i]; }
    bool Failed() const { return m_failed; }

private:
    bool Grow() {
        size_t capacity = m_capacity ? 2 * m_capacity : 16;
        Item* items = new (std::nothrow) Item[capacity];
        if (!items) {
            m_failed = true;
            return false;
        }
        if (m_count) memcpy(items, m_items, m_count * sizeof(Item));
        delete[] m_items;
        m_items = items;
        m_capacity = capacity;
        return true;
    }
    Item* m_items = nullptr;
    size_t m_count = 0;
    size_t m_capacity = 0;
    bool m_failed = false;
};

// A CSS string of address quoted with quote: the quote and single-byte
// backslashes escaped, double-byte characters (a 0x5C trail byte among
// them) kept whole.
void WriteCssString(BlockWriter& out, const char* address, char quote, const BYTE* lead) {
    out.Raw(&quote, 1);
    for (const char* p = address; *p;) {
        if (lead[(BYTE)*p] && p[1]) {
            out.Raw(p, 2);
            p += 2;
            continue;
        }
        if (*p == '\\' || *p == quote) out.Raw("\\", 1);
        out.Raw(p, 1);
        ++p;
    }
    out.Raw(&quote, 1);
}

inline void Copy(BlockWriter& out, const char* p, const char* end, bool htmlText) {
    if (htmlText)
        out.Text(p, end);
    else
        out.Raw(p, (size_t)(end - p));
}

bool SameNoCase(const char* p, const char* word, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if ((p[i] | 0x20) != word[i]) return false;
    return true;
}

}  // namespace

bool CHtmlTranslator::CssAddress(const char* url, const LinkContext& c, char* out, size_t size) {
    if (!*url || *url == '#' || MayHaveScheme(url)) return false;
    const char* fragment = strchr(url, '#');
    size_t length = fragment ? (size_t)(fragment - url) : strlen(url);
    if (length >= kLinkSize) return false;
    char link[kLinkSize];
    memcpy(link, url, length);
    link[length] = 0;
    char target[kLinkSize];
    if (c.baseUrl && *c.baseUrl) {
        char root[kLinkSize], folder[kLinkSize];
        if (IsSep(link[0]) && IsSep(link[1])) {
            // A reference without scheme takes the sheet's.
            const char* colon = strchr(c.baseUrl, ':');
            size_t n = colon ? (size_t)(colon - c.baseUrl) + 1 : 0;
            if (!colon || n + length >= sizeof target) return false;
            memcpy(target, c.baseUrl, n);
            memcpy(target + n, link, length + 1);
        } else if (!SiteRootOf(c.baseUrl, root, sizeof root, *m_settings) ||
                   !FolderOf(c.baseUrl, folder, sizeof folder, *m_settings) ||
                   !ResolveLink(link, root, folder, target, sizeof target, *m_settings)) {
            return false;
        }
    } else if (IsSep(link[0]) && !IsSep(link[1])) {
        size_t used = CopyChars(target, sizeof target, c.siteRoot, m_settings->leadTable);
        if (used + length >= sizeof target) return false;
        memcpy(target + used, link + 1, length);
    } else {
        memcpy(target, link, length + 1);
    }
    if (m_linkTargets && IsAbsoluteUrl(target, *m_settings) && !m_linkTargets->Holds(target)) return false;
    LocalAddress(target, true, c.rebuildFolder, c.siteRoot, c.pageBelow, out, size);
    if (fragment) {
        size_t used = strlen(out);
        CopyChars(out + used, size - used, fragment, m_settings->leadTable);
    }
    return true;
}

void CHtmlTranslator::TranslateCss(BlockWriter& out, const char* p, const char* end, const LinkContext& c, char quote,
                                   bool htmlText) {
    ReferenceList references;
    int code = c.code == ZVJCODE_SJIS || IsForeignCharset(c.code) ? c.code : ZVJCODE_SJIS;
    ScanCssReferences(p, (size_t)(end - p), code, m_settings->leadTable, references);
    const char* from = p;
    char address[kCssAddressSize];
    for (size_t i = 0; i < references.Count() && !references.Failed(); ++i) {
        const ReferenceList::Item& r = references[i];
        if (!CssAddress(r.url, c, address, sizeof address)) continue;
        Copy(out, from, p + r.start, htmlText);
        WriteCssString(out, address, quote, m_settings->leadTable);
        from = p + r.end;
    }
    Copy(out, from, end, htmlText);
}

void CHtmlTranslator::LinkValue(BlockWriter& out, const char* p, const char* end, bool picture, const LinkContext& c) {
    const char* fragment = (const char*)memchr(p, '#', (size_t)(end - p));
    const char* urlEnd = fragment ? fragment : end;
    char value[kLinkSize];
    size_t n = (size_t)(urlEnd - p);
    if (n == 0 || n >= sizeof value) {
        out.Text(p, end);
        return;
    }
    memcpy(value, p, n);
    value[n] = 0;
    if (MayHaveScheme(value)) {
        out.Text(p, end);
        return;
    }
    char link[kLinkSize];
    size_t used = 0;
    const char* rest = value;
    if (IsSep(*rest)) {
        used = CopyChars(link, sizeof link, c.siteRoot, m_settings->leadTable);
        ++rest;
    }
    UnescapeEntities(link + used, rest, (int)(sizeof link - used));
    char address[kCssAddressSize];
    LocalAddress(link, picture, c.rebuildFolder, c.siteRoot, c.pageBelow, address, sizeof address);
    out.Raw(address);
    out.Text(urlEnd, end);
}

// Each candidate of a srcset: its URL rewritten, its descriptors kept.
void CHtmlTranslator::SourceSet(BlockWriter& out, const char* p, const char* end, const LinkContext& c) {
    while (p < end) {
        const char* start = p;
        while (p < end && (IsBlank(*p) || *p == ',')) ++p;
        out.Text(start, p);
        const char* url = p;
        while (p < end && !IsBlank(*p)) ++p;
        // A URL never ends with the comma that ends its candidate.
        const char* urlEnd = p;
        while (urlEnd > url && urlEnd[-1] == ',') --urlEnd;
        if (urlEnd > url) LinkValue(out, url, urlEnd, true, c);
        out.Text(urlEnd, p);
        const char* descriptors = p;
        while (p < end && *p != ',') ++p;
        out.Text(descriptors, p);
    }
}

namespace {

// A name of [p, end) as one of these (lower case), in any case.
bool NameIs(const char* p, const char* end, const char* name) {
    size_t n = strlen(name);
    return (size_t)(end - p) == n && SameNoCase(p, name, n);
}

bool IsAttributeNameByte(char c) {
    return !IsBlank(c) && c != '=' && c != '>' && c != '"' && c != '\'' && c != '/' && c != 0;
}

// Whether a META's attribute text holds http-equiv="refresh".
bool IsRefresh(const char* p, const char* end) {
    for (; end - p >= 7; ++p)
        if (SameNoCase(p, "refresh", 7)) return true;
    return false;
}

}  // namespace

void CHtmlTranslator::AttributeText(BlockWriter& out, const char* p, const char* end, const LinkContext& c,
                                    const char* tag, const char* tagEnd) {
    size_t tagLength = (size_t)(tagEnd - tag);
    bool object = tagLength == 6 && SameNoCase(tag, "object", 6);
    bool embed = tagLength == 5 && SameNoCase(tag, "embed", 5);
    bool refresh = tagLength == 4 && SameNoCase(tag, "meta", 4) && IsRefresh(tagEnd, end);
    const char* from = p;
    while (p < end) {
        if (!IsAttributeNameByte(*p) || (p > from && IsAttributeNameByte(p[-1]))) {
            if (*p == '"' || *p == '\'') {
                const char* close = (const char*)memchr(p + 1, *p, (size_t)(end - p - 1));
                p = close ? close + 1 : end;
            } else {
                ++p;
            }
            continue;
        }
        const char* name = p;
        while (p < end && IsAttributeNameByte(*p)) ++p;
        const char* nameEnd = p;
        const char* q = p;
        while (q < end && IsBlank(*q)) ++q;
        if (q == end || *q != '=') continue;
        ++q;
        while (q < end && IsBlank(*q)) ++q;
        if (q == end) break;
        char quote = *q == '"' || *q == '\'' ? *q : 0;
        const char* value = quote ? q + 1 : q;
        const char* valueEnd = value;
        while (valueEnd < end && (quote ? *valueEnd != quote : !IsBlank(*valueEnd))) ++valueEnd;
        if (quote && valueEnd == end) break;
        p = quote ? valueEnd + 1 : valueEnd;
        enum { kNone, kStyle, kSourceSet, kPicture, kLink, kRefresh } kind = kNone;
        if (NameIs(name, nameEnd, "style") && quote)
            kind = kStyle;
        else if (NameIs(name, nameEnd, "srcset"))
            kind = kSourceSet;
        else if (NameIs(name, nameEnd, "poster"))
            kind = kPicture;
        else if (object && NameIs(name, nameEnd, "data"))
            kind = kLink;
        else if (embed && NameIs(name, nameEnd, "src"))
            kind = kPicture;
        else if (refresh && NameIs(name, nameEnd, "content"))
            kind = kRefresh;
        if (kind == kNone || valueEnd == value) continue;
        out.Text(from, value);
        switch (kind) {
            case kStyle:
                TranslateCss(out, value, valueEnd, c, quote == '"' ? '\'' : '"', true);
                break;
            case kSourceSet:
                SourceSet(out, value, valueEnd, c);
                break;
            case kPicture:
                LinkValue(out, value, valueEnd, true, c);
                break;
            case kLink:
                LinkValue(out, value, valueEnd, false, c);
                break;
            case kRefresh: {
                // "5; url=next.html": the address behind "url=".
                const char* u = value;
                while (u + 4 <= valueEnd && !SameNoCase(u, "url=", 4)) ++u;
                if (u + 4 > valueEnd) {
                    out.Text(value, valueEnd);
                    break;
                }
                u += 4;
                const char* target = u;
                while (target < valueEnd && (IsBlank(*target) || *target == '\'')) ++target;
                const char* targetEnd = valueEnd;
                while (targetEnd > target && (IsBlank(targetEnd[-1]) || targetEnd[-1] == '\'')) --targetEnd;
                out.Text(value, target);
                if (targetEnd > target) LinkValue(out, target, targetEnd, false, c);
                out.Text(targetEnd, valueEnd);
                break;
            }
            case kNone:
                break;
        }
        from = valueEnd;
    }
    out.Text(from, end);
}

BOOL CHtmlTranslator::LoadStyleSheet(const char* path, BOOL convert, const char* contentType) {
    if (!ReadContent(path, convert, true)) return FALSE;
    size_t contentLength = (size_t)m_sourceLength;
    m_sheetLoaded = true;
    if (!convert) return TRUE;

    size_t at, n;
    int own = FindStyleSheetCharset(m_content, contentLength, &at, &n) ? CharsetCodeOfName(m_content + at, n)
                                                                       : kCharsetUndeclared;
    int code = DecideTextCode(m_content, contentLength, CharsetOfContentType(contentType), own);
    if (code == ZVJCODE_NOT_TEXT) return FALSE;
    m_textCode = code;
    if (code == ZVJCODE_EUC || code == ZVJCODE_JIS) {
        m_convertedLength = zvConvertJpnCode(m_converted, ZVJCODE_SJIS, m_content, code);
    } else {
        // Shift_JIS and foreign sheets keep their bytes, line ends and all.
        memcpy(m_converted, m_content, contentLength + 1);
        m_convertedLength = (long)contentLength;
    }
    m_convertedValid = true;
    m_scanPointer = m_converted;
    return TRUE;
}

BOOL CHtmlTranslator::TranslateStyleSheet(const char* rebuildFolder, const char* sheetUrl, const char* sheetPath) {
    m_translateFailed = true;
    if (!m_fileBuffer || !m_converted || !m_output || !m_convertedValid) return FALSE;
    if (!rebuildFolder) rebuildFolder = "";
    char root[kLinkSize];
    if (!sheetUrl || !SiteRootOf(sheetUrl, root, sizeof root, *m_settings)) root[0] = 0;
    const char* below =
        m_settings->RelativeLinks() && sheetPath ? PathBelowFolder(rebuildFolder, sheetPath, *m_settings) : nullptr;
    bool converted = m_textCode == ZVJCODE_EUC || m_textCode == ZVJCODE_JIS;
    LinkContext context = {rebuildFolder, root, below, sheetUrl ? sheetUrl : "", converted ? ZVJCODE_SJIS : m_textCode};

    BlockWriter out(m_output, 2 * (size_t)m_capacity);
    const char* text = m_converted;
    const char* end = m_converted + m_convertedLength;
    size_t at, n;
    if (converted && FindStyleSheetCharset(text, (size_t)m_convertedLength, &at, &n)) {
        // The sheet is Shift_JIS now, and says so.
        out.Raw(text, at);
        out.Raw(kSheetCharset, sizeof kSheetCharset - 1);
        text += at + n;
    }
    if (sheetUrl)
        TranslateCss(out, text, end, context, '"', false);
    else
        out.Raw(text, (size_t)(end - text));
    if (out.Failed()) {
        m_translatedLength = 0;
        return FALSE;
    }
    m_output[out.Length()] = 0;
    m_translatedLength = (long)out.Length();
    m_translateFailed = false;
    return (m_translatedLength != m_sourceLength || memcmp(m_output, m_content, out.Length()) != 0) ? TRUE : FALSE;
}

BOOL CHtmlTranslator::WriteTranslatedStyleSheet(const char* path, const FILETIME& fileTime, BOOL keepOriginal) {
    if (!m_fileBuffer || !m_converted || !m_output) return FALSE;
    char* encoded = nullptr;
    if (keepOriginal) {
        encoded = new (std::nothrow) char[CssEncodedLength((size_t)m_sourceLength) + 1];
        if (!encoded) return FALSE;
    }
    CssEnvelopeWriter envelope(m_output, (size_t)m_translatedLength, m_content, (size_t)m_sourceLength,
                               keepOriginal != 0, encoded);
    bool written = WritePage(path, envelope.Pieces(), envelope.Count(), fileTime);
    delete[] encoded;
    return written ? TRUE : FALSE;
}

BOOL CHtmlTranslator::ReadStyleSheetEnvelope(const char* path, long* orgSize, long* xlatBlk, long* orgBlk) {
    std::unique_ptr<IReadFile> file = m_files.OpenRead(path);
    if (!file) {
        if (m_messages) m_messages->ShowResourceMessage(IDS_CANNOT_READ, path);
        return FALSE;
    }
    // The sizes stand in the last line: only it is read, since the tree
    // asks this of every file whose size could be a translated sheet's.
    char tail[kCssTrailerLength];
    ULONGLONG length = file->Length();
    DWORD got = 0;
    if (length < kCssTrailerLength || !file->ReadAt(length - kCssTrailerLength, tail, sizeof tail, &got)) got = 0;
    file.reset();
    EnvelopeHeader h;
    if (got != kCssTrailerLength || !ParseCssTrailer(tail, &h) || h.orgSize > 0x7FFFFFFF || h.xlatBlk > 0x7FFFFFFF ||
        h.orgBlk > 0x7FFFFFFF)
        return FALSE;
    if (orgSize) *orgSize = (long)h.orgSize;
    if (xlatBlk) *xlatBlk = (long)h.xlatBlk;
    if (orgBlk) *orgBlk = (long)h.orgBlk;
    return TRUE;
}

namespace {

class LinkCollector : public ICssReferenceSink {
public:
    explicit LinkCollector(std::vector<std::string>& links) : m_links(links) {}
    void Reference(const CssReference& r) override {
        if (*r.url && *r.url != '#') m_links.push_back(std::string(r.url, r.urlLength));
    }

private:
    std::vector<std::string>& m_links;
};

// The style sheets of a page: the blocks between <style ...> and </style>,
// and the quoted values of style attributes.
void CollectPageStyles(const char* text, const char* end, int code, const BYTE* lead, ICssReferenceSink& sink) {
    for (const char* p = text; p < end; ++p) {
        if (*p == '<' && end - p > 6 && SameNoCase(p + 1, "style", 5) && (p[6] == '>' || IsBlank(p[6]))) {
            const char* open = (const char*)memchr(p, '>', (size_t)(end - p));
            if (!open) return;
            const char* close = open + 1;
            while (close < end && !(*close == '<' && end - close > 7 && SameNoCase(close, "</style", 7))) ++close;
            ScanCssReferences(open + 1, (size_t)(close - open - 1), code, lead, sink);
            p = close;
        } else if (IsBlank(*p) && end - p > 7 && SameNoCase(p + 1, "style", 5)) {
            const char* q = p + 6;
            while (q < end && IsBlank(*q)) ++q;
            if (q == end || *q != '=') continue;
            ++q;
            while (q < end && IsBlank(*q)) ++q;
            if (q == end || (*q != '"' && *q != '\'')) continue;
            const char* close = (const char*)memchr(q + 1, *q, (size_t)(end - q - 1));
            if (!close) return;
            ScanCssReferences(q + 1, (size_t)(close - q - 1), code, lead, sink);
            p = close;
        }
    }
}

}  // namespace

int CHtmlTranslator::NextStyleLink(char* dest, int size) {
    if (!m_convertedValid) return 0;
    if (!m_styleLinksReady) {
        m_styleLinksReady = true;
        LinkCollector collector(m_styleLinks);
        int code = IsForeignCharset(m_textCode) ? m_textCode : ZVJCODE_SJIS;
        const char* end = m_converted + m_convertedLength;
        if (m_sheetLoaded)
            ScanCssReferences(m_converted, (size_t)m_convertedLength, code, m_settings->leadTable, collector);
        else
            CollectPageStyles(m_converted, end, code, m_settings->leadTable, collector);
    }
    if (m_nextStyleLink >= m_styleLinks.size() || size <= 0) return 0;
    CopyChars(dest, (size_t)size, m_styleLinks[m_nextStyleLink++].c_str(), m_settings->leadTable);
    return 1;
}

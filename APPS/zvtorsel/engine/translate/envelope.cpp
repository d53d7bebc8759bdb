#include "translate/envelope.h"

#include <stdio.h>
#include <string.h>

namespace {

const char kHeaderLine[] =
    "<!-- zvtorsel : z.v Torsel Sitekeeper's HTML Translation Service ver.1.01  -->\r\n";
const char kSizeLine1[] = "<!-- zvtorsel : ORG SIZE=";
const char kSizeLine2[] = " XLAT BLK=";
const char kSizeLine3[] = " ORG BLK=";
const char kSizeLine4[] = " -->\r\n";
const char kTranslatedMarker[] =
    "<!-- zvtorsel : This is a Translated Block. Don't modify.                  -->\r\n";
const char kOriginalMarker[] =
    "\r\n<!-- zvtorsel : This is an Original Block. Don't modify.                   -->\r\n";
const char kAlignMarker[] =
    "\r\n<!-- zvtorsel : This is a 512 byte Size Alignment Block. Don't modify.     -->\r\n";
const char kNoframesOpen[] = "<noframes>\r\n";
const char kNoframesClose[] = "\r\n</noframes>";
const char kCommentOpen[] = "<comment>\r\n";
const char kCommentClose[] = "\r\n</comment>";

static_assert(sizeof kHeaderLine - 1 == kEnvelopeLineLength, "header line");
static_assert(sizeof kTranslatedMarker - 1 == kEnvelopeLineLength, "translated marker");
static_assert(sizeof kOriginalMarker - 1 == kOriginalMarkerLength, "original marker");
static_assert(sizeof kAlignMarker - 1 == kAlignMarkerLength, "alignment marker");

const size_t kOrgSizeOffset = 105;
const size_t kXlatBlkOffset = 125;
const size_t kOrgBlkOffset = 144;
const size_t kFieldDigits = 10;
// Bytes from the end of the translated block to the first byte of the
// original in version 1.00 files, which always used the comment wrapper.
const size_t kOriginalMarkerEnd = kTranslatedBlockOffset + kOriginalMarkerLength;

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool ReadEnvelopeField(const char* p, long long* value) {
    long long v = 0;
    for (size_t i = 0; i < kFieldDigits; ++i) {
        if (!IsDigit(p[i])) return false;
        v = v * 10 + (p[i] - '0');
    }
    *value = v;
    return true;
}

bool MatchesEnvelopePattern(const char* text, const char* pattern, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (IsDigit(pattern[i]) ? !IsDigit(text[i]) : text[i] != pattern[i]) return false;
    }
    return true;
}

bool ParseEnvelopeHeader(const char* data, size_t length, EnvelopeHeader* header) {
    if (length < kEnvelopeLineLength) return false;
    if (!MatchesEnvelopePattern(data, kHeaderLine, kEnvelopeLineLength)) return false;
    if (length < kOrgBlkOffset + kFieldDigits) return false;
    header->version = (data[69] - '0') * 100 + (data[71] - '0') * 10 + (data[72] - '0');
    return ReadEnvelopeField(data + kOrgSizeOffset, &header->orgSize) &&
           ReadEnvelopeField(data + kXlatBlkOffset, &header->xlatBlk) &&
           ReadEnvelopeField(data + kOrgBlkOffset, &header->orgBlk);
}

ContentLocation LocateContent(const char* data, size_t length, size_t* offset,
                              size_t* contentLength) {
    *offset = 0;
    *contentLength = length;
    EnvelopeHeader h;
    if (!ParseEnvelopeHeader(data, length, &h)) return kPlainHtml;
    unsigned long long xlat = (unsigned long long)h.xlatBlk;
    unsigned long long org = (unsigned long long)h.orgBlk;
    if (org == 0) {
        if (kTranslatedBlockOffset + xlat > length) return kBrokenEnvelope;
        *offset = kTranslatedBlockOffset;
        *contentLength = (size_t)xlat;
        return kTranslatedBlock;
    }
    unsigned long long start = kOriginalMarkerEnd + xlat;
    if (h.version == 100) {
        start += sizeof kCommentOpen - 1;
    } else {
        while (start < length && data[start] != '\n') ++start;
        if (start >= length) return kBrokenEnvelope;
        ++start;
    }
    if (start > length || org > length - start) return kBrokenEnvelope;
    *offset = (size_t)start;
    *contentLength = (size_t)org;
    return kOriginalBlock;
}

EnvelopeWriter::EnvelopeWriter(const char* translated, size_t translatedLength,
                               const char* original, size_t sourceLength, bool keepOriginal,
                               bool useNoframes) {
    keepOriginal = keepOriginal && original;
    snprintf(m_sizeLine, sizeof m_sizeLine, "%s%010lu%s%010lu%s%010lu%s", kSizeLine1,
             (unsigned long)sourceLength, kSizeLine2, (unsigned long)translatedLength, kSizeLine3,
             (unsigned long)(keepOriginal ? sourceLength : 0), kSizeLine4);
    Add(kHeaderLine, kEnvelopeLineLength);
    Add(m_sizeLine, kEnvelopeLineLength);
    Add(kTranslatedMarker, kEnvelopeLineLength);
    if (translatedLength) Add(translated, translatedLength);
    size_t b = kTranslatedBlockOffset + translatedLength;
    if (keepOriginal) {
        const char* open = useNoframes ? kNoframesOpen : kCommentOpen;
        const char* close = useNoframes ? kNoframesClose : kCommentClose;
        Add(kOriginalMarker, kOriginalMarkerLength);
        Add(open, strlen(open));
        if (sourceLength) Add(original, sourceLength);
        Add(close, strlen(close));
        b += kOriginalMarkerLength + strlen(open) + sourceLength + strlen(close);
    }
    Add(kAlignMarker, kAlignMarkerLength);
    m_paddingLength = kEnvelopeAlignment - (b + kAlignMarkerLength) % kEnvelopeAlignment;
    size_t lines = m_paddingLength / kEnvelopeLineLength;
    memset(m_padding, ' ', m_paddingLength);
    for (size_t i = 1; i <= lines; ++i) {
        m_padding[i * kEnvelopeLineLength - 2] = '\r';
        m_padding[i * kEnvelopeLineLength - 1] = '\n';
    }
    Add(m_padding, m_paddingLength);
}

void EnvelopeWriter::Add(const void* data, size_t length) {
    m_pieces[m_count].data = data;
    m_pieces[m_count].length = length;
    ++m_count;
}

size_t EnvelopeWriter::TotalLength() const {
    size_t total = 0;
    for (int i = 0; i < m_count; ++i) total += m_pieces[i].length;
    return total;
}

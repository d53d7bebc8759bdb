#include "translate/css_envelope.h"

#include <stdio.h>
#include <string.h>

namespace {

const char kCssHeaderLine[] = "/* zvtorsel : z.v Torsel Sitekeeper's CSS Translation Service ver.1.01        \r\n";
const char kTrailerFormat[] = "   zvtorsel : ORG SIZE=%010lu XLAT BLK=%010lu ORG BLK=%010lu    */\r\n";
const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

static_assert(sizeof kCssHeaderLine - 1 == kCssHeaderLength, "header line");

const size_t kTrailerOrgSize = 23;
const size_t kTrailerXlatBlk = 43;
const size_t kTrailerOrgBlk = 62;
const size_t kBlockSeparator = kCssHeaderOffsetFromBlock;  // "\r\n" behind the sheet

// The trailer as written for digits 0: the pattern every file must match,
// digit for digit.
bool MatchesTrailer(const char* p) {
    char pattern[kCssTrailerLength + 1];
    snprintf(pattern, sizeof pattern, kTrailerFormat, 0ul, 0ul, 0ul);
    return MatchesEnvelopePattern(p, pattern, kCssTrailerLength);
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Decodes the base64 text of [p, end) in place to its start, skipping line
// ends and stopping at the first other byte; returns the bytes decoded.
size_t DecodeInPlace(char* p, const char* end) {
    char* out = p;
    unsigned long bits = 0;
    int count = 0;
    for (const char* in = p; in < end; ++in) {
        if (*in == '\r' || *in == '\n') continue;
        if (*in == '=') break;
        int v = Base64Value(*in);
        if (v < 0) break;
        bits = (bits << 6) | (unsigned long)v;
        if (++count == 4) {
            *out++ = (char)(bits >> 16);
            *out++ = (char)(bits >> 8);
            *out++ = (char)bits;
            bits = 0;
            count = 0;
        }
    }
    if (count == 2) *out++ = (char)(bits >> 4);
    if (count == 3) {
        *out++ = (char)(bits >> 10);
        *out++ = (char)(bits >> 2);
    }
    return (size_t)(out - p);
}

size_t Encode(const unsigned char* in, size_t length, char* out) {
    char* o = out;
    size_t column = 0;
    for (size_t i = 0; i < length; i += 3) {
        unsigned long v = (unsigned long)in[i] << 16;
        if (i + 1 < length) v |= (unsigned long)in[i + 1] << 8;
        if (i + 2 < length) v |= in[i + 2];
        o[0] = kBase64[(v >> 18) & 63];
        o[1] = kBase64[(v >> 12) & 63];
        o[2] = i + 1 < length ? kBase64[(v >> 6) & 63] : '=';
        o[3] = i + 2 < length ? kBase64[v & 63] : '=';
        o += 4;
        column += 4;
        if (column == kCssBase64LineLength || i + 3 >= length) {
            *o++ = '\r';
            *o++ = '\n';
            column = 0;
        }
    }
    return (size_t)(o - out);
}

}  // namespace

size_t CssEncodedLength(size_t length) {
    size_t chars = (length + 2) / 3 * 4;
    return chars + 2 * ((chars + kCssBase64LineLength - 1) / kCssBase64LineLength);
}

bool ParseCssTrailer(const char* trailer, EnvelopeHeader* header) {
    header->version = 0;
    return MatchesTrailer(trailer) && ReadEnvelopeField(trailer + kTrailerOrgSize, &header->orgSize) &&
           ReadEnvelopeField(trailer + kTrailerXlatBlk, &header->xlatBlk) &&
           ReadEnvelopeField(trailer + kTrailerOrgBlk, &header->orgBlk);
}

bool ParseCssEnvelope(const char* data, size_t length, EnvelopeHeader* header) {
    if (length < kBlockSeparator + kCssHeaderLength + kCssTrailerLength) return false;
    if (!ParseCssTrailer(data + length - kCssTrailerLength, header)) return false;
    unsigned long long xlat = (unsigned long long)header->xlatBlk;
    if (xlat + kBlockSeparator + kCssHeaderLength + kCssTrailerLength > length) return false;
    const char* head = data + xlat + kBlockSeparator;
    if (data[xlat] != '\r' || data[xlat + 1] != '\n') return false;
    if (!MatchesEnvelopePattern(head, kCssHeaderLine, kCssHeaderLength)) return false;
    header->version = (head[66] - '0') * 100 + (head[68] - '0') * 10 + (head[69] - '0');
    return true;
}

ContentLocation LocateCssContent(char* data, size_t length, size_t* offset, size_t* contentLength) {
    *offset = 0;
    *contentLength = length;
    EnvelopeHeader h;
    if (!ParseCssEnvelope(data, length, &h)) return kPlainHtml;
    size_t xlat = (size_t)h.xlatBlk;
    if (h.orgBlk == 0) {
        *contentLength = xlat;
        return kTranslatedBlock;
    }
    size_t start = xlat + kBlockSeparator + kCssHeaderLength;
    size_t decoded = DecodeInPlace(data + start, data + length - kCssTrailerLength);
    if ((long long)decoded != h.orgBlk) return kBrokenEnvelope;
    *offset = start;
    *contentLength = decoded;
    return kOriginalBlock;
}

CssEnvelopeWriter::CssEnvelopeWriter(const char* translated, size_t translatedLength, const char* original,
                                     size_t sourceLength, bool keepOriginal, char* encodeBuffer) {
    Add(translated, translatedLength);
    Add("\r\n", kBlockSeparator);
    Add(kCssHeaderLine, kCssHeaderLength);
    size_t encoded = 0;
    if (keepOriginal && original && sourceLength) {
        encoded = Encode((const unsigned char*)original, sourceLength, encodeBuffer);
        Add(encodeBuffer, encoded);
    }
    size_t before = translatedLength + kBlockSeparator + kCssHeaderLength + encoded + kCssTrailerLength;
    size_t padding = kEnvelopeAlignment - before % kEnvelopeAlignment;
    // Lines of 78 blanks and CR LF, then single blanks, as in the HTML envelope.
    memset(m_padding, ' ', sizeof m_padding);
    for (size_t line = 0; line + kEnvelopeLineLength <= padding; line += kEnvelopeLineLength) {
        m_padding[line + kEnvelopeLineLength - 2] = '\r';
        m_padding[line + kEnvelopeLineLength - 1] = '\n';
    }
    Add(m_padding, padding);
    snprintf(m_trailer, sizeof m_trailer, kTrailerFormat, (unsigned long)sourceLength, (unsigned long)translatedLength,
             (unsigned long)(keepOriginal ? sourceLength : 0));
    Add(m_trailer, kCssTrailerLength);
}

void CssEnvelopeWriter::Add(const void* data, size_t length) {
    if (length == 0) return;
    m_pieces[m_count].data = data;
    m_pieces[m_count].length = length;
    ++m_count;
}

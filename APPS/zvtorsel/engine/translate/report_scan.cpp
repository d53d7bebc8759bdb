// Title extraction and keyword matching of the report pages.
#include <string.h>

#include "translate/html_translator.h"
#include "zvsaa.h"

namespace {

const char kTitleTag[] = "<TITLE>";
const int kTitleTagLength = 7;

bool Found(HANDLE scanner, const char* text) { return zvSaaScanStringA(scanner, text) != nullptr; }

}  // namespace

BOOL CHtmlTranslator::OpenTitleScanners() {
    const char* patterns[2] = {kTitleTag, "<"};
    for (int i = 0; i < 2; ++i) {
        if (m_titleScanners[i]) continue;
        m_titleScanners[i] = zvSaaCreateCvtA(patterns[i], ZVSAA_IGNORE_CASE);
        if (!m_titleScanners[i]) return FALSE;
    }
    return TRUE;
}

BOOL CHtmlTranslator::OpenKeywordScanners(const char* const keywords[3], BOOL matchCase,
                                          BOOL patterns, BOOL orOperation) {
    int flags = (matchCase ? 0 : ZVSAA_IGNORE_CASE) | (patterns ? ZVSAA_SYNTAX : 0);
    m_keywordOperation = orOperation ? 1 : 0;
    for (int i = 0; i < 3; ++i) {
        HANDLE& slot = m_attributeScanners[i];
        if (slot) zvSaaCloseCvt(slot);
        slot = nullptr;
    }
    for (int i = 0; i < 3 && keywords[i] && keywords[i][0]; ++i) {
        m_attributeScanners[i] = zvSaaCreateCvtA(keywords[i], flags);
        if (!m_attributeScanners[i]) return FALSE;
    }
    return TRUE;
}

BOOL CHtmlTranslator::GetTitle(char* dest, int size) {
    if (!dest || size <= 0) return FALSE;
    dest[0] = 0;
    if (!m_convertedValid || !m_titleScanners[0] || !m_titleScanners[1]) return FALSE;
    const char* tag = zvSaaScanStringA(m_titleScanners[0], m_converted);
    if (!tag) return FALSE;
    const char* start = tag + kTitleTagLength;
    while (*start && (BYTE)*start < 0x21) ++start;
    if (!*start) return FALSE;
    const char* end = zvSaaScanStringA(m_titleScanners[1], start);
    if (end) {
        while (end > start && (BYTE)end[-1] < 0x21) --end;
    } else {
        end = start + strlen(start);
    }
    if (end == start) return FALSE;
    int written = 0;
    for (const char* p = start; p < end;) {
        bool lead = m_settings->IsLead((BYTE)*p);
        // A lead byte without its trail byte (cut by a line end or the end
        // of the title) is dropped rather than paired with a line end.
        if (*p == '\r' || *p == '\n' ||
            (lead && (p + 1 == end || p[1] == '\r' || p[1] == '\n'))) {
            ++p;
            continue;
        }
        int n = lead ? 2 : 1;
        if (written + n > size - 1) break;
        memcpy(dest + written, p, (size_t)n);
        written += n;
        p += n;
    }
    dest[written] = 0;
    return written > 0;
}

BOOL CHtmlTranslator::KeywordMatch() {
    if (!m_convertedValid || !m_attributeScanners[0]) return FALSE;
    const char* text = m_converted;
    HANDLE* k = m_attributeScanners;
    if (!k[1]) return Found(k[0], text);
    if (m_keywordOperation) {
        return Found(k[0], text) || Found(k[1], text) || (k[2] && Found(k[2], text));
    }
    return Found(k[0], text) && Found(k[1], text) && (!k[2] || Found(k[2], text));
}

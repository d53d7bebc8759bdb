#include "translate/html_translator.h"

#include <new>
#include <string.h>

#include "translate/css_envelope.h"
#include "translate/declared_charset.h"
#include "translate/envelope.h"
#include "zvjcode.h"
#include "zvsaa.h"

namespace {

const DWORD kInitialCapacity = 65536;
// Keeps 2C + 1024 within 32 bits and every length within a signed 32-bit value.
const DWORD kMaxCapacity = 0x40000000;
const DWORD kLoadSlack = 256;

inline DWORD OutputSize(DWORD capacity) { return 2 * capacity + 1024; }

char* Allocate(DWORD size) { return new (std::nothrow) char[size]; }

}  // namespace

CHtmlTranslator::CHtmlTranslator(IFiles& files, IMessageRoutine* messages, const MappingSettings& settings)
    : m_files(files), m_messages(messages), m_settings(&settings) {}

CHtmlTranslator::~CHtmlTranslator() { Release(); }

BOOL CHtmlTranslator::AllocBuffers(HtmlBufferSet set) {
    if (m_capacity == 0) m_capacity = kInitialCapacity;
    bool wantConverted = set >= kBuffersFileConverted;
    bool wantOutput = set == kBuffersAll;
    char* file = m_fileBuffer ? nullptr : Allocate(m_capacity);
    char* converted = (!wantConverted || m_converted) ? nullptr : Allocate(m_capacity);
    char* output = (!wantOutput || m_output) ? nullptr : Allocate(OutputSize(m_capacity));
    if ((!m_fileBuffer && !file) || (wantConverted && !m_converted && !converted) ||
        (wantOutput && !m_output && !output)) {
        delete[] file;
        delete[] converted;
        delete[] output;
        if (!m_fileBuffer && !m_converted && !m_output) m_capacity = 0;
        return FALSE;
    }
    if (file) {
        m_fileBuffer = file;
        m_fileBuffer[0] = 0;
        m_content = m_fileBuffer;
    }
    if (converted) {
        m_converted = converted;
        m_converted[0] = 0;
    }
    if (output) {
        m_output = output;
        m_output[0] = 0;
    }
    return TRUE;
}

// Replaces the held buffers by ones of the new capacity; the old ones stay
// (and the capacity with them) when an allocation fails.
bool CHtmlTranslator::GrowBuffers(DWORD needed) {
    DWORD capacity = m_capacity;
    while (capacity < needed) {
        if (capacity >= kMaxCapacity) return false;
        capacity *= 2;
    }
    if (capacity == m_capacity) return true;
    char* file = Allocate(capacity);
    char* converted = m_converted ? Allocate(capacity) : nullptr;
    char* output = m_output ? Allocate(OutputSize(capacity)) : nullptr;
    if (!file || (m_converted && !converted) || (m_output && !output)) {
        delete[] file;
        delete[] converted;
        delete[] output;
        return false;
    }
    delete[] m_fileBuffer;
    m_fileBuffer = file;
    if (m_converted) {
        delete[] m_converted;
        m_converted = converted;
    }
    if (m_output) {
        delete[] m_output;
        m_output = output;
        m_output[0] = 0;
    }
    m_capacity = capacity;
    return true;
}

long CHtmlTranslator::ReadIntoBuffer(const char* path) {
    std::unique_ptr<IReadFile> file = m_files.OpenRead(path);
    if (!file) {
        if (m_messages) m_messages->ShowResourceMessage(IDS_CANNOT_READ, path);
        return -1;
    }
    ULONGLONG length = file->Length();
    if (length > kMaxCapacity - kLoadSlack || !GrowBuffers((DWORD)length + kLoadSlack)) return -1;
    DWORD total = 0;
    while (total < m_capacity - 1) {
        DWORD n = 0;
        if (!file->Read(m_fileBuffer + total, m_capacity - 1 - total, &n) || n == 0) break;
        total += n;
    }
    file.reset();
    m_fileBuffer[total] = 0;
    m_content = m_fileBuffer;
    m_sourceLength = 0;
    m_hasOriginal = FALSE;
    m_textCode = ZVJCODE_SJIS;
    m_sheetLoaded = false;
    m_styleLinksReady = false;
    m_styleLinks.clear();
    m_nextStyleLink = 0;
    return (long)total;
}

BOOL CHtmlTranslator::ReadContent(const char* path, BOOL convert, bool styleSheet) {
    if (!m_fileBuffer || (convert && !m_converted)) return FALSE;
    m_convertedValid = false;
    m_scanPointer = nullptr;
    m_convertedLength = 0;
    long total = ReadIntoBuffer(path);
    if (total <= 0) return FALSE;
    size_t offset, contentLength;
    ContentLocation where = styleSheet ? LocateCssContent(m_fileBuffer, (size_t)total, &offset, &contentLength)
                                       : LocateContent(m_fileBuffer, (size_t)total, &offset, &contentLength);
    if (where == kBrokenEnvelope) return FALSE;
    if (where == kOriginalBlock) m_hasOriginal = TRUE;
    m_content = m_fileBuffer + offset;
    m_sourceLength = (long)contentLength;
    m_content[m_sourceLength] = 0;
    return TRUE;
}

BOOL CHtmlTranslator::LoadHtml(const char* path, BOOL convert, const char* contentType) {
    if (!ReadContent(path, convert, false)) return FALSE;
    if (!convert) return TRUE;
    int code = DecideTextCode(m_content, (size_t)m_sourceLength, CharsetOfContentType(contentType),
                              CharsetOfMeta(m_content, (size_t)m_sourceLength));
    if (code == ZVJCODE_NOT_TEXT) return FALSE;
    m_textCode = code;
    // A foreign set is copied as it is, only its line ends folded.
    m_convertedLength =
        zvConvertJpnCode(m_converted, ZVJCODE_SJIS, m_content, IsForeignCharset(code) ? ZVJCODE_SJIS : code);
    m_convertedValid = true;
    m_scanPointer = m_converted;
    return TRUE;
}

BOOL CHtmlTranslator::WriteTranslated(const char* path, const FILETIME& fileTime,
                                      BOOL keepOriginal, BOOL useNoframes) {
    if (!m_fileBuffer || !m_converted || !m_output) return FALSE;
    EnvelopeWriter envelope(m_output, (size_t)m_translatedLength, m_content,
                            (size_t)m_sourceLength, keepOriginal != 0, useNoframes != 0);
    return WritePage(path, envelope.Pieces(), envelope.Count(), fileTime) ? TRUE : FALSE;
}

BOOL CHtmlTranslator::WriteOriginal(const char* path, const FILETIME& fileTime) {
    if (!m_fileBuffer || !m_hasOriginal) return FALSE;
    FilePiece piece = {m_content, (size_t)m_sourceLength};
    return WritePage(path, &piece, 1, fileTime) ? TRUE : FALSE;
}

// A zero time leaves the file the time of writing.
bool CHtmlTranslator::WritePage(const char* path, const FilePiece* pieces, int count, const FILETIME& fileTime) {
    bool timed = fileTime.dwLowDateTime || fileTime.dwHighDateTime;
    return WriteWholeFile(m_files, path, pieces, count, timed ? &fileTime : nullptr);
}

BOOL CHtmlTranslator::ReadTranslationHeader(const char* path, long* orgSize, long* xlatBlk,
                                            long* orgBlk) {
    std::unique_ptr<IReadFile> file = m_files.OpenRead(path);
    if (!file) {
        if (m_messages) m_messages->ShowResourceMessage(IDS_CANNOT_READ, path);
        return FALSE;
    }
    char head[2 * kEnvelopeLineLength + 1];
    DWORD total = 0;
    while (total < 2 * kEnvelopeLineLength) {
        DWORD n = 0;
        if (!file->Read(head + total, (DWORD)(2 * kEnvelopeLineLength) - total, &n) || n == 0) break;
        total += n;
    }
    file.reset();
    head[total] = 0;
    EnvelopeHeader h;
    if (!ParseEnvelopeHeader(head, total, &h)) return FALSE;
    // Ten digits may exceed what a size can be; such a header is not ours.
    if (h.orgSize > 0x7FFFFFFF || h.xlatBlk > 0x7FFFFFFF || h.orgBlk > 0x7FFFFFFF) return FALSE;
    if (orgSize) *orgSize = (long)h.orgSize;
    if (xlatBlk) *xlatBlk = (long)h.xlatBlk;
    if (orgBlk) *orgBlk = (long)h.orgBlk;
    return TRUE;
}

void CHtmlTranslator::Release() {
    delete[] m_fileBuffer;
    delete[] m_converted;
    delete[] m_output;
    m_fileBuffer = m_converted = m_output = nullptr;
    m_content = m_scanPointer = nullptr;
    m_convertedValid = false;
    m_capacity = 0;
    m_sourceLength = m_convertedLength = m_translatedLength = 0;
    m_hasOriginal = FALSE;
    for (HANDLE& h : m_titleScanners) {
        if (h) zvSaaCloseCvt(h);
        h = nullptr;
    }
    for (HANDLE& h : m_attributeScanners) {
        if (h) zvSaaCloseCvt(h);
        h = nullptr;
    }
    if (m_tagScanner) zvSaaCloseCvt(m_tagScanner);
    if (m_schemeScanner) zvSaaCloseCvt(m_schemeScanner);
    m_tagScanner = m_schemeScanner = nullptr;
}

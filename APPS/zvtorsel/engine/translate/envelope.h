// The translation envelope: a header line, a size line, the translated
// block, optionally the original block in a noframes or comment element, and
// an alignment block that pads the file to a multiple of 512 bytes.
#pragma once
#include <stddef.h>

#include "base/files.h"
#include "zvtypes.h"

enum : size_t {
    kEnvelopeLineLength = 80,
    kTranslatedBlockOffset = 240,  // three 80-byte lines
    kOriginalMarkerLength = 82,
    kAlignMarkerLength = 82,
    kEnvelopeAlignment = 512,
};

struct EnvelopeHeader {
    int version;  // 1.01 reads as 101
    long long orgSize;
    long long xlatBlk;
    long long orgBlk;
};

// Recognises the header line (digits of the header match any digit) and
// reads the three ten-digit fields. False for a file that does not count as
// translated.
bool ParseEnvelopeHeader(const char* data, size_t length, EnvelopeHeader* header);

// The field readers of both envelopes (pages and style sheets).
// A field of ten decimal digits; false when one is not a digit.
bool ReadEnvelopeField(const char* p, long long* value);
// True when the length bytes of text match pattern, a digit of the pattern
// standing for any digit.
bool MatchesEnvelopePattern(const char* text, const char* pattern, size_t length);

// Where LoadHtml finds the content to work on. Result of LocateContent.
enum ContentLocation {
    kPlainHtml,        // no readable envelope: the whole file is the content
    kOriginalBlock,    // the untouched original the file keeps
    kTranslatedBlock,  // the file keeps no original
    kBrokenEnvelope,   // readable fields that point outside the file: unusable
};

// Finds the content of data (length bytes) by its envelope.
ContentLocation LocateContent(const char* data, size_t length, size_t* offset,
                              size_t* contentLength);

// The pieces of a translated file, ready for WriteWholeFile.
class EnvelopeWriter {
public:
    // original may be null when it is not kept; sourceLength goes into
    // ORG SIZE in any case.
    EnvelopeWriter(const char* translated, size_t translatedLength, const char* original,
                   size_t sourceLength, bool keepOriginal, bool useNoframes);
    const FilePiece* Pieces() const { return m_pieces; }
    int Count() const { return m_count; }
    size_t TotalLength() const;
    size_t PaddingLength() const { return m_paddingLength; }

private:
    void Add(const void* data, size_t length);

    char m_sizeLine[kEnvelopeLineLength + 1];
    char m_padding[kEnvelopeAlignment];
    size_t m_paddingLength;
    FilePiece m_pieces[10];
    int m_count = 0;
};

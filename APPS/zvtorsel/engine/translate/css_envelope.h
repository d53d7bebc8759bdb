// The envelope of a translated style sheet. The translated sheet comes
// first, so that an @charset stays the first bytes of the file, and one
// comment follows it: a header line, the original bytes in base64 when they
// are kept, the padding to a multiple of 512 bytes and a last line of 80
// bytes with the three sizes of the HTML envelope (ORG SIZE, XLAT BLK,
// ORG BLK), read from the end. Base64 has no "*", so nothing inside the
// comment can end it early, and a style sheet parser skips all of it.
#pragma once
#include <stddef.h>

#include "translate/envelope.h"
#include "base/files.h"

enum : size_t {
    kCssHeaderOffsetFromBlock = 2,  // the CR LF behind the translated sheet
    kCssHeaderLength = 80,
    kCssTrailerLength = 80,
    kCssBase64LineLength = 76,
};

// Recognises the last line and the header line of a translated sheet of
// length bytes. False for a file that does not count as translated.
bool ParseCssEnvelope(const char* data, size_t length, EnvelopeHeader* header);

// Reads the sizes of the last line (kCssTrailerLength bytes) of a
// translated sheet; false when it is not one.
bool ParseCssTrailer(const char* trailer, EnvelopeHeader* header);

// Finds the content of a style sheet as LocateContent does for a page; the
// original block is decoded in place (data is changed), so *offset and
// *contentLength give the original bytes.
ContentLocation LocateCssContent(char* data, size_t length, size_t* offset, size_t* contentLength);

// The pieces of a translated style sheet. The base64 text is written into
// encodeBuffer, which must hold CssEncodedLength(sourceLength) bytes.
class CssEnvelopeWriter {
public:
    CssEnvelopeWriter(const char* translated, size_t translatedLength, const char* original, size_t sourceLength,
                      bool keepOriginal, char* encodeBuffer);
    const FilePiece* Pieces() const { return m_pieces; }
    int Count() const { return m_count; }

private:
    void Add(const void* data, size_t length);

    char m_trailer[kCssTrailerLength + 1];
    char m_padding[kEnvelopeAlignment];
    FilePiece m_pieces[8];
    int m_count = 0;
};

// Bytes of the base64 block of length original bytes, line ends included.
size_t CssEncodedLength(size_t length);

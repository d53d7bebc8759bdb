// Arbitrary file bytes through envelope recognition (LoadHtml with and
// without conversion, ReadTranslationHeader), then the writers: whatever was
// loaded must come back unchanged from a freshly written envelope.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "translate/envelope.h"
#include "translate/html_translator.h"
#include "base/memoryfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CMemoryFiles files;
    files.Content("in") = std::string((const char*)data, size);
    files.readChunk = 1 + size % 997;
    MappingSettings mapping;
    CHtmlTranslator t(files, nullptr, mapping);
    if (!t.AllocBuffers(kBuffersAll)) return 0;

    long org, xlat, orgBlk;
    if (t.ReadTranslationHeader("in", &org, &xlat, &orgBlk) && (org < 0 || xlat < 0 || orgBlk < 0))
        abort();
    size_t offset, length;
    LocateContent((const char*)data, size, &offset, &length);
    if (offset > size || length > size - offset) abort();

    t.LoadHtml("in", TRUE);
    if (!t.LoadHtml("in", FALSE)) return 0;
    std::string content(t.Content(), (size_t)t.SourceLength());
    if (t.HasOriginal()) {
        if (!t.WriteOriginal("orig", FILETIME{1, 1})) abort();
        if (files.Content("orig") != content) abort();
    }
    // The content goes out as the original block of a new envelope and must
    // be found again there, whatever bytes it holds.
    if (!t.LoadHtml("in", TRUE)) return 0;
    t.Translate("C:\\", "", FALSE);
    if (t.LastTranslateFailed()) return 0;
    bool noframes = size & 1;
    if (!t.WriteTranslated("out", FILETIME{1, 1}, TRUE, noframes)) abort();
    const std::string& written = files.Content("out");
    if (written.empty() || written.size() % 512) abort();
    // An empty original is written as ORG BLK 0, which reads as "not kept".
    if (!t.LoadHtml("out", FALSE) || t.HasOriginal() != !content.empty()) abort();
    if (std::string(t.Content(), (size_t)t.SourceLength()) != content) abort();
    return 0;
}

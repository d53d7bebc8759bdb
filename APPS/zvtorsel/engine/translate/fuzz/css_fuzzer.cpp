// Arbitrary style sheet bytes through the scanner (from a buffer of their
// exact size, so that a read beyond it trips the sanitizer), the sheet
// translation with its envelope and the restore, which must give the bytes
// back (those of the original a translated sheet keeps); and as a page's
// style block and style attribute.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "translate/css_scanner.h"
#include "translate/html_translator.h"
#include "base/memoryfiles.h"
#include "zvjcode.h"

namespace {
CMemoryFiles* g_files;
MappingSettings* g_mapping;
CHtmlTranslator* g_translator;

class Check : public ICssReferenceSink {
public:
    explicit Check(size_t length) : m_length(length) {}
    void Reference(const CssReference& r) override {
        if (r.start >= r.end || r.end > m_length || r.urlLength >= kCssUrlSize || strlen(r.url) != r.urlLength) abort();
    }

private:
    size_t m_length;
};
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_files = new CMemoryFiles;
    g_mapping = new MappingSettings;
    g_translator = new CHtmlTranslator(*g_files, nullptr, *g_mapping);
    if (!g_translator->AllocBuffers(kBuffersAll) || !g_translator->OpenLinkScanners(TRUE)) abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    std::vector<char> exact(data + 1, data + size);
    static const int kCodes[] = {ZVJCODE_SJIS, ZVJCODE_JIS, ZVJCODE_EUC, -2};
    Check check(exact.size());
    ScanCssReferences(exact.data(), exact.size(), kCodes[data[0] & 3], g_mapping->leadTable, check);

    g_mapping->fileProtocolType = data[0] & 4 ? 3 : 1;
    const char* path = "C:\\Web\\http$\\h\\css\\\x83\x5c\\s.css";
    std::string sheet((const char*)data + 1, size - 1);
    g_files->Content(path) = sheet;
    // The tree reads the envelope of a sheet it lists.
    long orgSize, xlatBlk, orgBlk;
    if (g_translator->ReadStyleSheetEnvelope(path, &orgSize, &xlatBlk, &orgBlk) &&
        (orgSize < 0 || xlatBlk < 0 || orgBlk < 0))
        abort();
    if (g_translator->LoadStyleSheet(path, TRUE)) {
        // A sheet translated before is loaded as the original it keeps, and
        // that original is what a translation and restore must give back.
        std::string original(g_translator->Content(), (size_t)g_translator->SourceLength());
        BOOL changed = g_translator->TranslateStyleSheet("C:\\Web\\", "http://h/css/\x83\x5c/s.css", path);
        if (!g_translator->LastTranslateFailed() && changed) {
            if ((DWORD)g_translator->TranslatedLength() > 2 * g_translator->Capacity()) abort();
            if (!g_translator->WriteTranslatedStyleSheet(path, FILETIME{1, 2}, TRUE)) abort();
            if (g_files->Content(path).size() % 512 != 0) abort();
            if (!g_translator->LoadStyleSheet(path, FALSE) || !g_translator->HasOriginal()) abort();
            if (std::string(g_translator->Content(), (size_t)g_translator->SourceLength()) != original) abort();
        }
    }
    if (data[0] & 8) {
        g_files->Content("page") = "<style>" + sheet + "</style><p style=\"" + sheet + "\">";
        g_translator->SetLinkTargets(nullptr, "http://h/a/p.html");
        if (g_translator->LoadHtml("page", TRUE))
            g_translator->Translate("C:\\Web\\", "http://h/", TRUE, "C:\\Web\\http$\\h\\a\\p.html");
        g_translator->SetLinkTargets(nullptr, nullptr);
    }
    return 0;
}

// Arbitrary page bytes through Translate (links on and off, with anchored
// scanners) and NextLink (unanchored scanners), bounded destinations.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "translate/html_translator.h"
#include "base/memoryfiles.h"

namespace {
CMemoryFiles* g_files;
MappingSettings* g_mapping;
CHtmlTranslator* g_translator;
CHtmlTranslator* g_links;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_files = new CMemoryFiles;
    g_mapping = new MappingSettings;
    g_translator = new CHtmlTranslator(*g_files, nullptr, *g_mapping);
    g_links = new CHtmlTranslator(*g_files, nullptr, *g_mapping);
    if (!g_translator->AllocBuffers(kBuffersAll) || !g_translator->OpenLinkScanners(TRUE) ||
        !g_links->AllocBuffers(kBuffersFileConverted) || !g_links->OpenLinkScanners(FALSE))
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    bool links = data[0] & 1;
    g_mapping->fileProtocolType = data[0] & 2 ? 3 : 1;
    const char* folder = data[0] & 4 ? "C:\\Web\\" : "C:\\a-rebuild-folder-of-some-length\\x\\y\\";
    const char* root = data[0] & 8 ? "http://h/" : "";
    // Relative links from a page deep in a site of the folder, or file URLs
    // for a page outside it.
    std::string page = std::string(folder) + "http$\\h\\a\\\x83\x5c\\b\\p.html";
    g_files->Content("page") = std::string((const char*)data + 1, size - 1);
    if (g_translator->LoadHtml("page", TRUE)) {
        g_translator->Translate(folder, root, links, data[0] & 4 ? page.c_str() : "D:\\p.html");
        if (!g_translator->LastTranslateFailed()) {
            long n = g_translator->TranslatedLength();
            if (n < 0 || (DWORD)n > 2 * g_translator->Capacity()) abort();
            if (!links && n < g_translator->ConvertedLength()) abort();
        }
    }
    if (g_links->LoadHtml("page", TRUE)) {
        int destSize = 1 + data[0] / 16 * 70;
        std::vector<char> dest((size_t)destSize);
        int count = 0;
        while (int r = g_links->NextLink(dest.data(), destSize)) {
            if (r != 1 && r != 2) abort();
            if (strlen(dest.data()) >= (size_t)destSize) abort();
            if (++count > 100000) abort();
        }
    }
    return 0;
}

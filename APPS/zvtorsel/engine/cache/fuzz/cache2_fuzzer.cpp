// Arbitrary bytes as a Firefox cache2 entry file through the reader and the
// store: the walk, the listing and the decoded body of what it lists.
#include <stdint.h>

#include <memory>
#include <vector>

#include "cache/browsercachestore.h"
#include "cache/cache2.h"
#include "cache/tests/browsercache_kit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace browsercachekit;
    std::vector<BYTE> file(data, data + size);
    Cache2Entry entry;
    ParseCache2Entry(file.data(), file.size(), entry);

    CMemoryFiles files;
    files.AddFile("C:\\c\\entries\\" + std::string(40, 'A'), file);
    CBrowserCacheStore store("C:\\c\\", files);
    store.AddCache2("C:\\c\\");
    ReadWholeStore(store);
    return 0;
}

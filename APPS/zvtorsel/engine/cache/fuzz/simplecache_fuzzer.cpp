// Arbitrary bytes as a Chromium simple cache folder through the store: the
// input is an entry file "_0" and, cut in half, a sparse file "_s" of a
// second entry whose stream 1 is empty. Every body the walk lists is read.
#include <stdint.h>

#include <memory>
#include <vector>

#include "cache/browsercachestore.h"
#include "cache/simplecache.h"
#include "cache/tests/browsercache_kit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace browsercachekit;
    std::vector<BYTE> file(data, data + size);
    SimpleCacheEntry entry;
    ParseSimpleEntry(file.data(), file.size(), entry);
    std::vector<SimpleSparseRange> ranges;
    if (ParseSimpleSparse(file.data(), file.size(), ranges)) JoinSparseRanges(file.data(), file.size(), ranges);

    CMemoryFiles files;
    files.AddFile("C:\\c\\00000000000000aa_0", file);
    files.AddFile("C:\\c\\00000000000000bb_0",
        SimpleEntryFile("1/0/http://f.example/v", "HTTP/1.1 200 OK\n", std::vector<BYTE>(), 1));
    files.AddFile("C:\\c\\00000000000000bb_s", std::vector<BYTE>(file.begin(), file.begin() + size / 2));
    CBrowserCacheStore store("C:\\c\\", files);
    store.AddSimpleCache("C:\\c\\");
    ReadWholeStore(store);
    return 0;
}

// Arbitrary bytes as one file of a Chromium blockfile cache through the
// reader and the store: a sound cache of our writer (long key, chained
// bucket, "f_" body, encoded body), of which the first input byte picks the
// file that the rest of the input replaces.
#include <stdint.h>

#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cache/browsercachestore.h"
#include "cache/tests/browsercache_kit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace browsercachekit;
    if (size < 1) return 0;
    static const std::map<std::string, std::vector<BYTE>> sound = [] {
        const char head[] = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
        const char gzip[] = "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n";
        BlockfileWriter w;
        BlockfileWriter::Options external, chained;
        external.bodyExternal = true;
        chained.bucket = 2;
        w.AddEntry("1/0/_dk_https://a.example https://a.example https://a.example/", ResponseInfo(head, 1), Bytes("page"),
                   chained);
        w.AddEntry("https://a.example/" + std::string(200, 'k'), ResponseInfo(head, 1), Bytes("long key"), chained);
        w.AddEntry("https://a.example/f", ResponseInfo(head, 1), Bytes("external"), external);
        w.AddEntry("https://a.example/z", ResponseInfo(gzip, 1), Bytes("\x1f\x8b\x08\x00\x00\x00"), BlockfileWriter::Options());
        return w.Build();
    }();
    std::map<std::string, std::vector<BYTE>> files = sound;
    auto target = files.begin();
    std::advance(target, data[0] % files.size());
    target->second.assign(data + 1, data + size);
    CMemoryFiles memory;
    for (const auto& f : files) memory.AddFile("C:\\b\\" + f.first, f.second);
    CBrowserCacheStore store("C:\\b\\", memory);
    store.AddBlockfile("C:\\b\\");
    ReadWholeStore(store);
    return 0;
}

// Arbitrary bytes as one file of a Mozilla disk cache (version 1) through
// the reader and the store: a sound folder of our writer (every record kind,
// a separate body and metadata file, a gzip body), of which the first input
// byte picks the file that the rest of the input replaces, or, with the
// highest bit set, a map-less folder of that one block file.
#include <stdint.h>

#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cache/browsercachestore.h"
#include "cache/tests/browsercache_kit.h"
#include "cache/tests/mozcache_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace browsercachekit;
    if (size < 1) return 0;
    static const std::map<std::string, std::vector<BYTE>> sound = [] {
        const char head[] = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
        const char gzip[] = "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n";
        MozCacheWriter w;
        MozCacheWriter::Options apart;
        apart.metaFile = 0;
        w.Add("HTTP:http://a.example/", head, Bytes("page"));
        w.Add("HTTP:id=1&uri=http://a.example/post", head, Bytes(std::string(3000, 'p')));
        w.Add("HTTP:http://a.example/big", head, Bytes(std::string(20000, 'b')), apart);
        w.Add("HTTP:http://a.example/z", gzip, Bytes("\x1f\x8b\x08\x00\x00\x00"));
        return w.Build();
    }();
    std::map<std::string, std::vector<BYTE>> files;
    if (data[0] & 0x80) {
        files[std::string("_CACHE_00") + char('1' + (data[0] & 0x7f) % 3) + "_"].assign(data + 1, data + size);
    } else {
        files = sound;
        auto target = files.begin();
        std::advance(target, data[0] % files.size());
        target->second.assign(data + 1, data + size);
    }
    CMemoryFiles memory;
    for (const auto& f : files) memory.AddFile("C:\\m\\" + f.first, f.second);
    CBrowserCacheStore store("C:\\m\\", memory);
    store.AddMozillaCache("C:\\m\\");
    ReadWholeStore(store);
    return 0;
}

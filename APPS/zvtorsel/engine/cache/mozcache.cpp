#include "cache/mozcache.h"

#include <stdio.h>
#include <string.h>

#include "base/bytescan.h"
#include "cache/contentdecode.h"

namespace {

const size_t kMapHeader = 276;           // version, sizes, dirty flag, 32 eviction ranks, 32 bucket counts
const size_t kOldMapHeader = 4096;       // before Firefox 3 the header filled one bucket's space
const size_t kOldRecordsPerBucket = 256;
const size_t kBuckets = 32;
const size_t kRecordSize = 16;
const size_t kEntryHeader = 36;
const size_t kMostBlocks = 4;             // blocks of one entry or body
const size_t kLargestInBlocks = 16384;    // larger bodies go to a separate file
const int kGenerationsTried = 16;         // of a separate body the search finds by its hash

const DWORD kInitialized = 0x80000000u;
const DWORD kSelectorMask = 0x30000000u;
const DWORD kExtraBlocksMask = 0x03000000u;
const DWORD kBlockNumberMask = 0x00ffffffu;
const DWORD kGenerationMask = 0x000000ffu;

DWORD Be32(const BYTE* p) { return ((DWORD)p[0] << 24) | ((DWORD)p[1] << 16) | ((DWORD)p[2] << 8) | p[3]; }

size_t BlockSize(int number) { return (size_t)256 << (2 * (number - 1)); }

const char* BlockFileName(int number) {
    static const char* const kNames[] = {"_CACHE_001_", "_CACHE_002_", "_CACHE_003_"};
    return kNames[number - 1];
}

// "_CACHE_001_ (0x4200)" in text: made for every entry taken, so without printf.
struct WhereText {
    WhereText(int number, size_t offset) {
        char digits[2 * sizeof(size_t)];
        size_t n = 0;
        do {
            digits[n++] = "0123456789ABCDEF"[offset & 15];
            offset >>= 4;
        } while (offset && n < sizeof digits);
        const char* file = BlockFileName(number);
        length = strnlen(file, sizeof text - sizeof digits - 5);
        memcpy(text, file, length);
        memcpy(text + length, " (0x", 4);
        length += 4;
        while (n) text[length++] = digits[--n];
        text[length++] = ')';
    }
    std::string_view View() const { return std::string_view(text, length); }
    char text[48];
    size_t length;
};

bool HasScheme(const char* url, size_t size) {
    size_t i = 0;
    if (!size || !((url[0] | 32) >= 'a' && (url[0] | 32) <= 'z')) return false;
    while (i < size && url[i] != ':') {
        char c = url[i];
        if (!(((c | 32) >= 'a' && (c | 32) <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))
            return false;
        ++i;
    }
    return i < size;
}

void Mix(DWORD& a, DWORD& b, DWORD& c) {
    a -= b; a -= c; a ^= (c >> 13);
    b -= c; b -= a; b ^= (a << 8);
    c -= a; c -= b; c ^= (b >> 13);
    a -= b; a -= c; a ^= (c >> 12);
    b -= c; b -= a; b ^= (a << 16);
    c -= a; c -= b; c ^= (b >> 5);
    a -= b; a -= c; a ^= (c >> 3);
    b -= c; b -= a; b ^= (a << 10);
    c -= a; c -= b; c ^= (b >> 15);
}

DWORD Le32(const BYTE* k) { return k[0] | ((DWORD)k[1] << 8) | ((DWORD)k[2] << 16) | ((DWORD)k[3] << 24); }

}  // namespace

DWORD MozCacheHash(const char* key, size_t size) {
    const BYTE* k = (const BYTE*)key;
    DWORD a = 0x9e3779b9u, b = a, c = 0;
    size_t left = size;
    while (left >= 12) {
        a += Le32(k);
        b += Le32(k + 4);
        c += Le32(k + 8);
        Mix(a, b, c);
        k += 12;
        left -= 12;
    }
    c += (DWORD)size;
    // The last bytes: the lowest byte of c holds the length.
    for (size_t i = left; i-- > 0;) {
        if (i >= 8) c += (DWORD)k[i] << (8 * (i - 7));
        else if (i >= 4) b += (DWORD)k[i] << (8 * (i - 4));
        else a += (DWORD)k[i] << (8 * i);
    }
    Mix(a, b, c);
    return c;
}

std::string MozCacheSeparateName(DWORD hash, char type, int generation, bool nested) {
    char name[24];
    if (nested)
        snprintf(name, sizeof name, "%01X\\%02X\\%05X%c%02X", (unsigned)(hash >> 28), (unsigned)((hash >> 20) & 0xff),
                 (unsigned)(hash & 0xfffff), type, (unsigned)(generation & 0xff));
    else
        snprintf(name, sizeof name, "%08X%c%02X", (unsigned)hash, type, (unsigned)(generation & 0xff));
    return name;
}

std::string_view MozCacheKeyToUrl(const char* key, size_t size) {
    size = (size_t)(bytescan::Find(key, key + size, 0) - key);
    size_t start = 0;
    while (start < size && key[start] == '~') ++start;
    const char* colon = bytescan::Find(key + start, key + size, ':');
    if (colon == key + size || colon == key + start) return std::string_view();
    // The client tag ("HTTP", "HTTP~1~0", "FTP") holds letters, digits, "-" and "~".
    for (const char* p = key + start; p < colon; ++p) {
        char c = *p;
        if (!(((c | 32) >= 'a' && (c | 32) <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '~'))
            return std::string_view();
    }
    const char* url = colon + 1;
    size_t length = (size_t)(key + size - url);
    if (length >= 3 && memcmp(url, "id=", 3) == 0) {
        const char* uri = nullptr;
        for (const char* p = url; p + 5 <= url + length && !uri; ++p)
            if (memcmp(p, "&uri=", 5) == 0) uri = p;
        if (!uri) return std::string_view();
        length -= (size_t)(uri + 5 - url);
        url = uri + 5;
    }
    return HasScheme(url, length) ? std::string_view(url, length) : std::string_view();
}

void CMozCacheReader::Note(MozCacheDamage::Kind kind, std::string_view where, std::string_view url) {
    if (damage_.size() < kMaxDamageRows) damage_.push_back({kind, std::string(where), std::string(url)});
    else ++damageNotListed_;
}

std::string_view CMozCacheReader::KeepWhere(int number, size_t offset) {
    WhereText where(number, offset);
    return std::string_view(texts_->Add(where.text, where.length), where.length);
}

std::string_view CMozCacheReader::Keep(std::string_view text) {
    return std::string_view(texts_->Add(text.data(), text.size()), text.size());
}

size_t CMozCacheReader::BitmapSize(int number) const {
    // Firefox 4 made the block files larger and gave each a bitmap of its own size.
    if (version_ >= kMozCacheLatest) return (size_t)16384 >> (2 * (number - 1));
    return 4096;
}

bool CMozCacheReader::Claim(int file, size_t first, size_t count) {
    std::vector<bool>& blocks = claimed_[file - 1];
    if (first + count > blocks.size()) blocks.resize(first + count, false);
    for (size_t i = first; i < first + count; ++i)
        if (blocks[i]) return false;
    for (size_t i = first; i < first + count; ++i) blocks[i] = true;
    return true;
}

bool CMozCacheReader::ReadEntry(const BYTE* data, size_t room, MozCacheEntry* out) {
    if (room < kEntryHeader) return false;
    DWORD version = Be32(data);
    if ((version >> 16) != 1 || (version & 0xffff) == 0 || (version & 0xffff) > 0xff) return false;
    size_t keySize = Be32(data + 28);
    size_t metaSize = Be32(data + 32);
    if (keySize < 2 || keySize > room - kEntryHeader || metaSize > room - kEntryHeader - keySize) return false;
    const char* key = (const char*)data + kEntryHeader;
    // Zero-ended, no control bytes before, a colon.
    const char* keyEnd = key + keySize - 1;
    if (*keyEnd != 0 || !bytescan::NoneBelow(key, keyEnd, 0x20) || bytescan::Find(key, keyEnd, ':') == keyEnd)
        return false;
    const char* meta = key + keySize;
    const char* end = meta + metaSize;
    if (out) {
        MozCacheEntry& e = *out;
        e.version = version;
        e.key = std::string_view(key, keySize - 1);
        e.url = MozCacheKeyToUrl(key, keySize - 1);
        e.fetchCount = Be32(data + 8);
        e.lastFetched = Be32(data + 12);
        e.lastModified = Be32(data + 16);
        e.expiration = Be32(data + 20);
        e.dataSize = Be32(data + 24);
    }
    // Pairs of zero-ended names and values that fill the metadata exactly;
    // a caller drops an entry that fails part way.
    for (const char* name = meta; name < end;) {
        const char* nameEnd = bytescan::Find(name, end, 0);
        if (nameEnd == end) return false;
        const char* value = nameEnd + 1;
        const char* valueEnd = bytescan::Find(value, end, 0);
        if (valueEnd == end) return false;
        if (out) {
            std::string_view field(name, (size_t)(nameEnd - name));
            size_t valueLength = (size_t)(valueEnd - value);
            if (field == "response-head") out->hasHead = KeepHead(value, valueLength, out->head);
            else if (field == "request-method") out->requestMethod = std::string_view(value, valueLength);
            else if (field == "charset") out->charset = std::string_view(value, valueLength);
        }
        name = valueEnd + 1;
    }
    return true;
}

bool CMozCacheReader::KeepHead(const char* text, size_t size, MozCacheResponse& out) {
    if (!ParseResponseHead(text, size, parsed_)) {
        out = MozCacheResponse();
        return false;
    }
    out.status = parsed_.status;
    out.head = Keep(parsed_.head);
    // Types and codings are few, each kept once.
    out.contentType = std::string_view(texts_->Intern(parsed_.contentType), parsed_.contentType.size());
    out.contentEncoding = std::string_view(texts_->Intern(parsed_.contentEncoding), parsed_.contentEncoding.size());
    out.location = Keep(parsed_.location);
    out.lastModified = parsed_.lastModified;
    out.date = parsed_.date;
    return true;
}

bool CMozCacheReader::ReadMap(const BYTE* map, size_t size) {
    if (size < kMapHeader) return false;
    version_ = Be32(map);
    if ((version_ >> 16) != 1) return false;
    bool dirty = Be32(map + 12) != 0;
    size_t recordCount = Be32(map + 16);
    size_t recordsAt, perBucket;
    bool usageCounts;
    if (size == kOldMapHeader + kBuckets * kOldRecordsPerBucket * kRecordSize) {
        recordsAt = kOldMapHeader;
        perBucket = kOldRecordsPerBucket;
        usageCounts = false;
    } else if (recordCount && recordCount % kBuckets == 0 && (size - kMapHeader) / kRecordSize >= recordCount) {
        recordsAt = kMapHeader;
        perBucket = recordCount / kBuckets;
        usageCounts = true;
    } else {
        return false;
    }
    mapTruthful_ = !dirty;
    // The header's entry count, held to the records there are.
    size_t said = Be32(map + 8);
    entries_.reserve(said < kBuckets * perBucket ? said : kBuckets * perBucket);
    for (size_t bucket = 0; bucket < kBuckets; ++bucket) {
        size_t used = perBucket;
        if (usageCounts) {
            used = Be32(map + 148 + bucket * 4);
            if (used > perBucket) {
                mapTruthful_ = false;
                used = perBucket;
            }
        }
        for (size_t i = 0; i < used; ++i) {
            const BYTE* record = map + recordsAt + (bucket * perBucket + i) * kRecordSize;
            DWORD hash = Be32(record);
            if (!hash && !usageCounts) continue;  // a free record of the old fixed map
            ReadRecord(hash, Be32(record + 8), Be32(record + 12));
        }
    }
    return true;
}

void CMozCacheReader::ReadRecord(DWORD hash, DWORD dataLocation, DWORD metaLocation) {
    // Named only for a damage row: a sound map has tens of thousands of records.
    auto record = [hash] {
        char text[32];
        snprintf(text, sizeof text, "_CACHE_MAP_ (%08lX)", (unsigned long)hash);
        return std::string(text);
    };
    if (!(metaLocation & kInitialized)) {
        mapTruthful_ = false;
        Note(MozCacheDamage::BAD_RECORD, record());
        return;
    }
    // Read in place at the end of the list, and dropped unless it is taken.
    MozCacheEntry& entry = entries_.emplace_back();
    bool taken = false;
    struct DropUnlessTaken {
        std::vector<MozCacheEntry>& entries;
        const bool& taken;
        ~DropUnlessTaken() {
            if (!taken) entries.pop_back();
        }
    } drop{entries_, taken};
    int metaFile = (int)((metaLocation & kSelectorMask) >> 28);
    if (metaFile == 0) {
        int generation = (int)(metaLocation & kGenerationMask);
        std::string name = MozCacheSeparateName(hash, 'm', generation, version_ >= kMozCacheLatest);
        if (!separateSeen_.insert(name).second) {
            mapTruthful_ = false;
            Note(MozCacheDamage::BAD_RECORD, record());
            return;
        }
        // Kept: the entry's texts point into it.
        std::vector<BYTE>& bytes = separateBytes_.emplace_back();
        if (!separate_(name, bytes)) {
            separateBytes_.pop_back();
            Note(MozCacheDamage::MISSING_FILE, name);
            return;
        }
        if (!ReadEntry(bytes.data(), bytes.size(), &entry)) {
            separateBytes_.pop_back();
            Note(MozCacheDamage::BAD_ENTRY, name);
            return;
        }
        entry.where = Keep(name);
    } else {
        const MozCacheBytes* data = blockFiles_[metaFile - 1];
        size_t first = metaLocation & kBlockNumberMask;
        size_t count = ((metaLocation & kExtraBlocksMask) >> 24) + 1;
        size_t offset = BitmapSize(metaFile) + first * BlockSize(metaFile);
        if (!data) {
            Note(MozCacheDamage::MISSING_FILE, BlockFileName(metaFile));
            return;
        }
        if (offset >= data->size()) {
            Note(MozCacheDamage::BAD_RECORD, WhereText(metaFile, offset).View());
            return;
        }
        // The bitmap must say the blocks are in use; a map naming blocks
        // twice (or a bitmap wiped) is not to be trusted.
        const BYTE* bitmap = data->data();
        for (size_t b = first; b < first + count; ++b) {
            size_t word = (b / 32) * 4;
            if (word + 4 > BitmapSize(metaFile) || !((Be32(bitmap + word) >> (b % 32)) & 1)) mapTruthful_ = false;
        }
        if (!Claim(metaFile, first, count)) {
            mapTruthful_ = false;
            Note(MozCacheDamage::BAD_RECORD, WhereText(metaFile, offset).View());
            return;
        }
        size_t room = data->size() - offset < count * BlockSize(metaFile) ? data->size() - offset
                                                                         : count * BlockSize(metaFile);
        if (!ReadEntry(data->data() + offset, room, &entry)) {
            Note(MozCacheDamage::BAD_ENTRY, WhereText(metaFile, offset).View());
            return;
        }
        entry.where = KeepWhere(metaFile, offset);
    }
    if (entry.dataSize == 0) {
        taken = true;
        return;
    }
    int dataFile = (int)((dataLocation & kSelectorMask) >> 28);
    if (!(dataLocation & kInitialized)) {
        Note(MozCacheDamage::BAD_RECORD, record(), entry.url);
        return;
    }
    if (dataFile == 0) {
        std::string name =
            MozCacheSeparateName(hash, 'd', (int)(dataLocation & kGenerationMask), version_ >= kMozCacheLatest);
        ULONGLONG size = 0;
        if (!separateSize_(name, &size) || size < entry.dataSize) {
            Note(MozCacheDamage::MISSING_FILE, name, entry.url);
            return;
        }
        entry.place = MozCacheEntry::BODY_FILE;
        entry.bodyFile = Keep(name);
    } else {
        const MozCacheBytes* data = blockFiles_[dataFile - 1];
        size_t first = dataLocation & kBlockNumberMask;
        size_t count = ((dataLocation & kExtraBlocksMask) >> 24) + 1;
        size_t offset = BitmapSize(dataFile) + first * BlockSize(dataFile);
        if (!data) {
            Note(MozCacheDamage::MISSING_FILE, BlockFileName(dataFile), entry.url);
            return;
        }
        if (entry.dataSize > count * BlockSize(dataFile) || offset > data->size() ||
            entry.dataSize > data->size() - offset || !Claim(dataFile, first, count)) {
            Note(MozCacheDamage::BAD_RECORD, WhereText(dataFile, offset).View(), entry.url);
            return;
        }
        entry.place = MozCacheEntry::BODY_BLOCK;
        entry.bodyFile = BlockFileName(dataFile);
        entry.bodyOffset = offset;
    }
    taken = true;
}

void CMozCacheReader::FindSeparateBody(DWORD hash, MozCacheEntry& entry) {
    entry.place = MozCacheEntry::BODY_UNKNOWN;
    if (entry.dataSize <= kLargestInBlocks) return;
    for (int generation = 1; generation <= kGenerationsTried; ++generation) {
        for (bool nested : {true, false}) {
            std::string name = MozCacheSeparateName(hash, 'd', generation, nested);
            ULONGLONG size = 0;
            if (separateSize_(name, &size) && size == entry.dataSize) {
                entry.place = MozCacheEntry::BODY_FILE;
                entry.bodyFile = Keep(name);
                return;
            }
        }
    }
}

bool CMozCacheReader::SearchAt(int number, const MozCacheBytes& data, size_t at, size_t block,
                               MozCacheEntry* out) {
    size_t blockSize = BlockSize(number);
    size_t room = data.size() - at < kMostBlocks * blockSize ? data.size() - at : kMostBlocks * blockSize;
    if (!ReadEntry(data.data() + at, room, nullptr)) return false;
    // An entry that gives its own location must be where it says.
    DWORD self = Be32(data.data() + at + 4);
    if (self && !((self & kInitialized) && (int)((self & kSelectorMask) >> 28) == number &&
                  (self & kBlockNumberMask) == block))
        return false;
    if (!out) return true;
    ReadEntry(data.data() + at, room, out);
    out->where = KeepWhere(number, at);
    return true;
}

void CMozCacheReader::SearchFile(int number, const MozCacheBytes& data) {
    size_t blockSize = BlockSize(number);
    // Without a map the format, and with it the bitmap's size, is unknown:
    // the grid that holds more entries wins; of two alike the larger bitmap,
    // whose grid the smaller one's also meets.
    size_t best = mapUsed_ ? BitmapSize(number) : 0;
    if (!best) {
        size_t most = 0;
        for (size_t bitmap : {(size_t)16384 >> (2 * (number - 1)), (size_t)4096}) {
            size_t found = 0;
            for (size_t at = bitmap; at < data.size(); at += blockSize)
                if (SearchAt(number, data, at, (at - bitmap) / blockSize, nullptr)) ++found;
            if (found > most || !best) {
                most = found;
                best = bitmap;
            }
        }
    }
    grid_[number - 1] = best;
    std::vector<bool>& claimed = claimed_[number - 1];
    for (size_t at = best; at < data.size();) {
        size_t block = (at - best) / blockSize;
        MozCacheEntry entry;
        if ((block < claimed.size() && claimed[block]) || !SearchAt(number, data, at, block, &entry)) {
            at += blockSize;
            continue;
        }
        size_t used = kEntryHeader + entry.key.size() + 1 + Be32(data.data() + at + 32);
        size_t count = (used + blockSize - 1) / blockSize;
        Claim(number, block, count);
        if (entry.dataSize) FindSeparateBody(MozCacheHash(entry.key.data(), entry.key.size()), entry);
        entries_.push_back(std::move(entry));
        at += count * blockSize;
    }
}

void CMozCacheReader::Search() {
    for (int number = 1; number <= 3; ++number) {
        const MozCacheBytes* data = blockFiles_[number - 1];
        if (data) SearchFile(number, *data);
    }
    PlaceBodies();
}

namespace {

// How well bytes fit as the body of an entry: kFormatProven when their
// format proves it (a coding that decodes, a picture from its signature to
// its end mark), kTextEnds for text whose block holds nothing after it (a
// block written once), kPlausible for text otherwise or an unknown type
// whose block ends in zeros; 0 when they cannot be it.
enum { kNoFit = 0, kPlausible = 1, kTextEnds = 2, kFormatProven = 3 };

std::string Lower(std::string_view view) {
    std::string text(view);
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return text;
}

bool Zeros(const BYTE* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}

int BodyFit(const MozCacheResponse& head, const BYTE* p, size_t n, const BYTE* tail, size_t tailSize) {
    std::string encoding = Lower(head.contentEncoding);
    if (!encoding.empty() && encoding != "identity") {
        // Only bytes that begin as the coding does are worth decoding.
        bool gzip = encoding.find("gzip") != std::string::npos;
        if (gzip && (n < 2 || p[0] != 0x1f || p[1] != 0x8b)) return kNoFit;
        if (encoding == "deflate" && (n < 2 || (p[0] & 0x0f) != 8 || ((p[0] << 8) | p[1]) % 31)) return kNoFit;
        if (encoding == "zstd" && (n < 4 || memcmp(p, "\x28\xb5\x2f\xfd", 4) != 0)) return kNoFit;
        std::vector<BYTE> decoded;
        return DecodeContent(std::string(head.contentEncoding), p, n, decoded) == DECODE_DONE ? kFormatProven : kNoFit;
    }
    std::string type = Lower(head.contentType.substr(0, head.contentType.find(';')));
    if (type == "image/gif") return n >= 7 && memcmp(p, "GIF8", 4) == 0 && p[n - 1] == 0x3b ? kFormatProven : kNoFit;
    if (type == "image/png")
        return n >= 20 && memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0 && memcmp(p + n - 8, "IEND", 4) == 0 ? kFormatProven
                                                                                                     : kNoFit;
    if (type == "image/jpeg" || type == "image/pjpeg")
        return n >= 4 && p[0] == 0xff && p[1] == 0xd8 && p[n - 2] == 0xff && p[n - 1] == 0xd9 ? kFormatProven : kNoFit;
    bool text = type.compare(0, 5, "text/") == 0 || type.find("javascript") != std::string::npos ||
                type.find("json") != std::string::npos || type.find("xml") != std::string::npos;
    if (text) {
        if (memchr(p, 0, n)) return kNoFit;
        return Zeros(tail, tailSize) ? kTextEnds : kPlausible;
    }
    return Zeros(tail, tailSize) ? kPlausible : kNoFit;
}

// The block files a body of size bytes goes to: up to Firefox 3.6 the
// smallest whose four blocks hold it; from Firefox 4 the next one already
// when the smaller would need four blocks.
std::vector<int> BodyFiles(size_t size) {
    std::vector<int> files;
    int older = size <= 1024 ? 1 : size <= 4096 ? 2 : 3;
    int newer = size <= 768 ? 1 : size <= 3072 ? 2 : 3;
    files.push_back(older);
    if (newer != older) files.push_back(newer);
    return files;
}

// Bytes looked at, at most, while bodies are placed without a map.
const size_t kPlacementBudget = 256u << 20;

}  // namespace

bool CMozCacheReader::PlaceBody(MozCacheEntry& entry, bool strongOnly, size_t& budget) {
    struct Spot {
        int file;
        size_t block, count;
    };
    std::vector<Spot> best;
    int bestFit = kNoFit;
    size_t n = entry.dataSize;
    for (int file : BodyFiles(n)) {
        const MozCacheBytes* data = blockFiles_[file - 1];
        size_t grid = grid_[file - 1];
        if (!data || !grid || grid > data->size()) continue;
        size_t blockSize = BlockSize(file), count = (n + blockSize - 1) / blockSize;
        size_t blocks = (data->size() - grid) / blockSize + 1;
        // A wiped bitmap says nothing; a kept one must hold the body's blocks.
        bool bitmap = !Zeros(data->data(), grid);
        const std::vector<bool>& claimed = claimed_[file - 1];
        for (size_t b = 0; b + count <= blocks; ++b) {
            size_t at = grid + b * blockSize;
            if (at + n > data->size()) break;
            bool free = true;
            for (size_t i = b; i < b + count && free; ++i) {
                if (i < claimed.size() && claimed[i]) free = false;
                else if (bitmap && (i / 32) * 4 + 4 <= grid && !((Be32(data->data() + (i / 32) * 4) >> (i % 32)) & 1))
                    free = false;
            }
            if (!free) continue;
            if (budget < n) return false;
            budget -= n;
            size_t end = at + count * blockSize < data->size() ? at + count * blockSize : data->size();
            int fit = BodyFit(entry.head, data->data() + at, n, data->data() + at + n, end - at - n);
            if (fit < bestFit || fit == kNoFit) continue;
            if (fit > bestFit) best.clear();
            bestFit = fit;
            best.push_back({file, b, count});
        }
    }
    if (best.empty() || (strongOnly && bestFit < kFormatProven)) return false;
    // Several places fit: only when they hold the same bytes is any of them the body.
    auto spotBytes = [this](const Spot& spot) {
        return blockFiles_[spot.file - 1]->data() + grid_[spot.file - 1] + spot.block * BlockSize(spot.file);
    };
    const BYTE* first = spotBytes(best[0]);
    for (const Spot& spot : best) {
        const BYTE* other = spotBytes(spot);
        if (memcmp(first, other, n) != 0) return false;
    }
    if (!Claim(best[0].file, best[0].block, best[0].count)) return false;
    entry.place = MozCacheEntry::BODY_BLOCK;
    entry.bodyFile = BlockFileName(best[0].file);
    entry.bodyOffset = grid_[best[0].file - 1] + best[0].block * BlockSize(best[0].file);
    return true;
}

void CMozCacheReader::PlaceBodies() {
    size_t budget = kPlacementBudget;
    // Bodies whose format proves them first: the blocks they take are no
    // longer free for the text ones, which only then may be alone to fit.
    for (bool strongOnly : {true, false}) {
        for (bool placed = true; placed;) {
            placed = false;
            for (MozCacheEntry& entry : entries_)
                if (entry.place == MozCacheEntry::BODY_UNKNOWN && entry.hasHead && entry.dataSize &&
                    entry.dataSize <= kLargestInBlocks && PlaceBody(entry, strongOnly, budget))
                    placed = true;
        }
    }
}

void CMozCacheReader::Parse(const BYTE* map, size_t mapSize, const BlockFiles& blocks, const SeparateSize& separateSize,
                            const SeparateFile& separate) {
    // Asked once: every record looks at them.
    for (int number = 1; number <= 3; ++number) {
        blockBytes_[number - 1] = MozCacheBytes();
        blockFiles_[number - 1] = blocks(number, &blockBytes_[number - 1]) ? &blockBytes_[number - 1] : nullptr;
    }
    separateSize_ = separateSize;
    separate_ = separate;
    version_ = 0;
    mapUsed_ = mapTruthful_ = false;
    entries_.clear();
    damage_.clear();
    damageNotListed_ = 0;
    claimed_.assign(3, std::vector<bool>());
    separateSeen_.clear();
    separateBytes_.clear();
    texts_.reset(new CTextPool);
    mapUsed_ = map && ReadMap(map, mapSize);
    size_t named = entries_.size();
    Search();
    bool searched = entries_.size() > named;
    if (!mapUsed_ || !mapTruthful_ || searched) {
        mapUsed_ = false;
        Note(MozCacheDamage::MAP_UNUSED, "_CACHE_MAP_");
    }
    if (!named) version_ = 0;
    for (const MozCacheEntry& e : entries_)
        if (e.version > version_) version_ = e.version;
    DWORD newest = version_;
    if (newest > kMozCacheLatest) {
        char where[32];
        snprintf(where, sizeof where, "_CACHE_MAP_ (%lu.%lu)", (unsigned long)(newest >> 16),
                 (unsigned long)(newest & 0xffff));
        Note(MozCacheDamage::NEWER, where);
    }
}

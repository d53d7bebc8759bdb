#include "cache/browsercachestore.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/messagenumbers.h"
#include "cache/blockfile.h"
#include "cache/cache2.h"
#include "cache/cachekeys.h"
#include "cache/contentdecode.h"
#include "cache/mozcache.h"
#include "cache/simplecache.h"

namespace {

bool IsHex(const std::string& name, size_t from, size_t count) {
    if (name.size() < from + count) return false;
    for (size_t i = from; i < from + count; ++i)
        if (!isxdigit((unsigned char)name[i])) return false;
    return true;
}

ULONGLONG Value(const FILETIME& t) { return ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime; }

FILETIME ToFileTime(ULONGLONG v) {
    FILETIME t;
    t.dwLowDateTime = (DWORD)v;
    t.dwHighDateTime = (DWORD)(v >> 32);
    return t;
}

// The server's time of the body: Last-Modified, else Date, else when stored.
FILETIME BodyTime(const FILETIME& lastModified, const FILETIME& date, ULONGLONG stored) {
    if (Value(lastModified)) return lastModified;
    if (Value(date)) return date;
    return ToFileTime(stored);
}

FILETIME BodyTime(const HttpResponseHead& head, ULONGLONG stored) {
    return BodyTime(head.lastModified, head.date, stored);
}

}  // namespace

void CBrowserCacheStore::AddDamage(const std::string& where, UINT message) {
    if (damage_.size() < kMaxDamageRows) damage_.push_back({where, message});
    else ++damageNotListed_;
}

const std::vector<CacheDamage>& CBrowserCacheStore::Damage() const {
    rows_ = damage_;
    char count[32];
    if (damageNotListed_) {
        snprintf(count, sizeof count, " (+%lu)", (unsigned long)damageNotListed_);
        rows_.push_back({folder_ + count, IDS_WARN_CACHE_ENTRY_DAMAGED});
    }
    if (duplicates_) {
        snprintf(count, sizeof count, " (%lu)", (unsigned long)duplicates_);
        rows_.push_back({folder_ + count, IDS_WARN_CACHE_PARTITIONS});
    }
    return rows_;
}

void CBrowserCacheStore::Take(Record& record, int status, std::string_view location, const BYTE* body) {
    if (status < 200 || status > 299) {
        char code[16];
        snprintf(code, sizeof code, "%d", status);
        record.note = code;
        if (status >= 300 && status <= 399 && !location.empty()) {
            record.note += ' ';
            record.note += location;
        }
        record.size = 0;
    } else if (!record.sparse) {
        record.size = (DWORD)record.bodyLength;
        if (!record.encoding.empty() && body) {
            ULONGLONG decoded = 0;
            DecodeResult result = CountDecoded(record.encoding, body, (size_t)record.bodyLength, &decoded);
            if (result == DECODE_DONE) record.size = (DWORD)decoded;
            else if (result == DECODE_FAILED) AddDamage(std::string(record.url), IDS_WARN_CACHE_BODY_UNDECODED);
            record.undecodedNoted = result == DECODE_FAILED;
        }
    } else {
        record.size = (DWORD)record.bodyLength;
    }
    // The URL is kept before it is looked up, so that the table is searched
    // once; a duplicate's copy stays unused in the pool.
    const char* url = texts_.Add(record.url.data(), record.url.size());
    auto placed = byUrl_.try_emplace(std::string_view(url, record.url.size()), records_.size());
    if (placed.second) {
        Keep(record, url, records_.emplace_back());
        return;
    }
    ++duplicates_;
    Kept& kept = records_[placed.first->second];
    // A response beats a note (a redirect or an error page) of the same URL,
    // else the newer one wins. The texts of the one left stay in the pool.
    bool keptIsResponse = !*kept.note;
    bool better = keptIsResponse != record.note.empty() ? record.note.empty() : record.stored > kept.stored;
    if (better) Keep(record, kept.url, kept);
}

void CBrowserCacheStore::Keep(const Record& record, const char* url, Kept& k) {
    k.url = url;
    size_t cut = record.localFile.find_last_of("\\/");
    cut = cut == std::string_view::npos ? 0 : cut + 1;
    k.folder = texts_.Intern(record.localFile.substr(0, cut));
    k.file = texts_.Add(record.localFile.data() + cut, record.localFile.size() - cut);
    k.headSize = (DWORD)record.head.size();
    if (record.textsKept) {
        k.head = record.head.data();
        k.contentType = record.contentType.data();
        k.encoding = record.encoding.data();
    } else {
        k.head = texts_.Add(record.head.data(), record.head.size());
        k.contentType = texts_.Intern(record.contentType);
        k.encoding = texts_.Intern(record.encoding);
    }
    k.note = texts_.Intern(record.note);
    k.requestMethod = texts_.Intern(record.requestMethod);
    k.requestHead = texts_.Add(record.requestHead.data(), record.requestHead.size());
    k.bodyOffset = record.bodyOffset;
    k.bodyLength = record.bodyLength;
    k.stored = record.stored;
    k.lastModified = record.lastModified;
    k.lastAccess = record.lastAccess;
    k.expire = record.expire;
    k.size = record.size;
    k.sparse = record.sparse;
    k.undecodedNoted = record.undecodedNoted;
}

const CBrowserCacheStore::Kept* CBrowserCacheStore::Find(const char* url) const {
    auto found = url ? byUrl_.find(url) : byUrl_.end();
    return found == byUrl_.end() ? nullptr : &records_[found->second];
}

void CBrowserCacheStore::AddSimpleCache(const std::string& folder) {
    ++caches_;
    std::vector<std::string> names;
    if (!ListFiles(folder, names)) {
        AddDamage(folder, IDS_WARN_CACHE_UNREADABLE);
        return;
    }
    std::map<std::string, bool> sparseFiles;
    for (const std::string& name : names)
        if (name.size() == 18 && IsHex(name, 0, 16) && name.compare(16, 2, "_s") == 0) sparseFiles[name.substr(0, 16)] = true;
    std::vector<BYTE> file;
    for (const std::string& name : names) {
        // "todelete_" files and the index are no entries; "_1" holds side data.
        if (name.size() != 18 || !IsHex(name, 0, 16) || name.compare(16, 2, "_0") != 0) continue;
        std::string path = folder + name;
        if (!ReadFile(path, file)) {
            AddDamage(path, IDS_WARN_CACHE_UNREADABLE);
            continue;
        }
        SimpleCacheEntry entry;
        SimpleCacheResult result = ParseSimpleEntry(file.data(), file.size(), entry);
        if (result != SIMPLE_OK) {
            AddDamage(path, IDS_WARN_CACHE_ENTRY_DAMAGED);
            continue;
        }
        Record record;
        std::string url = ChromiumKeyToUrl(entry.key.data(), entry.key.size());
        if (url.empty()) continue;  // an entry of the browser's own, not of a site
        record.url = url;
        record.localFile = path;
        record.bodyOffset = entry.bodyOffset;
        record.bodyLength = entry.bodyLength;
        std::vector<SimpleSparseRange> ranges;
        std::vector<BYTE> sparse;
        std::string sparsePath;
        if (entry.bodyLength == 0 && sparseFiles.count(name.substr(0, 16))) {
            sparsePath = folder + name.substr(0, 16) + "_s";
            if (ReadFile(sparsePath, sparse) && ParseSimpleSparse(sparse.data(), sparse.size(), ranges)) {
                record.sparse = true;
                record.localFile = sparsePath;
                record.bodyLength = JoinSparseRanges(sparse.data(), sparse.size(), ranges).size();
            } else {
                AddDamage(sparsePath, IDS_WARN_CACHE_ENTRY_DAMAGED);
            }
        }
        record.head = entry.head.head;
        record.contentType = entry.head.contentType;
        record.encoding = entry.head.contentEncoding;
        record.stored = entry.responseTime;
        record.lastModified = BodyTime(entry.head, entry.responseTime);
        record.lastAccess = ToFileTime(entry.responseTime);
        Take(record, entry.head.status, entry.head.location, file.data() + entry.bodyOffset);
    }
}

void CBrowserCacheStore::AddCache2(const std::string& folder) {
    ++caches_;
    std::string entries = folder + "entries\\";
    std::vector<std::string> names;
    if (!ListFiles(entries, names)) {
        AddDamage(entries, IDS_WARN_CACHE_UNREADABLE);
        return;
    }
    bool newerNoted = false;
    std::vector<BYTE> file;
    for (const std::string& name : names) {
        if (name.size() != 40 || !IsHex(name, 0, 40)) continue;
        std::string path = entries + name;
        if (!ReadFile(path, file)) {
            AddDamage(path, IDS_WARN_CACHE_UNREADABLE);
            continue;
        }
        Cache2Entry entry;
        Cache2Result result = ParseCache2Entry(file.data(), file.size(), entry);
        if (result == CACHE2_DAMAGED) {
            AddDamage(path, IDS_WARN_CACHE_ENTRY_DAMAGED);
            continue;
        }
        if (result == CACHE2_NEWER && !newerNoted) {
            char version[32];
            snprintf(version, sizeof version, " (%lu)", (unsigned long)entry.version);
            AddDamage(path + version, IDS_WARN_CACHE_NEWER_FORMAT);
            newerNoted = true;
        }
        bool noResponse = false;
        Record record;
        std::string url = Cache2KeyToUrl(entry.key.data(), entry.key.size(), &noResponse);
        if (url.empty() || noResponse || !entry.hasHead) continue;
        record.url = url;
        record.localFile = path;
        record.bodyOffset = 0;
        record.bodyLength = entry.bodyLength;
        record.head = entry.head.head;
        record.contentType = entry.head.contentType;
        record.encoding = entry.head.contentEncoding;
        record.stored = Value(UnixSecondsToFileTime(entry.lastModified));
        record.lastModified = BodyTime(entry.head, record.stored);
        record.lastAccess = UnixSecondsToFileTime(entry.lastFetched);
        record.requestMethod = entry.requestMethod;
        record.requestHead = entry.requestHead;
        if (entry.expiration && entry.expiration != 0xffffffffu) record.expire = UnixSecondsToFileTime(entry.expiration);
        Take(record, entry.head.status, entry.head.location, file.data());
    }
}

bool CBrowserCacheStore::ReadBlockfileBytes(std::map<int, std::vector<BYTE>>& blocks, const std::string& folder,
                                            const BlockfileLocation& at, std::vector<BYTE>& out) {
    if (at.file.compare(0, 2, "f_") == 0) return ReadFile(folder + at.file, out) && at.length <= out.size();
    const std::vector<BYTE>& data = blocks[atoi(at.file.c_str() + 5)];
    if (at.offset > data.size() || at.length > data.size() - at.offset) return false;
    out.assign(data.begin() + (size_t)at.offset, data.begin() + (size_t)(at.offset + at.length));
    return true;
}

void CBrowserCacheStore::AddBlockfile(const std::string& folder) {
    ++caches_;
    std::vector<BYTE> index;
    if (!ReadFile(folder + "index", index)) {
        AddDamage(folder + "index", IDS_WARN_CACHE_UNREADABLE);
        return;
    }
    std::map<int, std::vector<BYTE>> blocks;
    std::vector<std::string> names;
    ListFiles(folder, names);
    for (const std::string& name : names) {
        if (name.compare(0, 5, "data_") != 0 || name.size() > 8) continue;
        int number = atoi(name.c_str() + 5);
        if (!ReadFile(folder + name, blocks[number])) {
            AddDamage(folder + name, IDS_WARN_CACHE_UNREADABLE);
            blocks.erase(number);
        }
    }
    CBrowserCacheStore& files = *this;
    CBlockfileReader reader;
    bool parsed = reader.Parse(
        index.data(), index.size(),
        [&blocks](int number) -> const std::vector<BYTE>* {
            auto found = blocks.find(number);
            return found == blocks.end() ? nullptr : &found->second;
        },
        [&files, &folder](const std::string& name, ULONGLONG* size) { return files.FileSize(folder + name, size); },
        [&files, &folder](const std::string& name, std::vector<BYTE>& out) { return files.ReadFile(folder + name, out); });
    if (!parsed) {
        AddDamage(folder + "index", IDS_WARN_CACHE_UNREADABLE);
        return;
    }
    if (reader.Version() != BLOCKFILE_2_0 && reader.Version() != BLOCKFILE_2_1 && reader.Version() != BLOCKFILE_3_0) {
        char version[32];
        snprintf(version, sizeof version, " (%lX)", (unsigned long)reader.Version());
        AddDamage(folder + "index" + version, IDS_WARN_CACHE_NEWER_FORMAT);
    }
    for (const BlockfileDamage& d : reader.Damage()) {
        char where[64];
        snprintf(where, sizeof where, "index (0x%08lX)", (unsigned long)d.address);
        std::string url = ChromiumKeyToUrl(d.key.data(), d.key.size());
        std::string place = folder + (d.file.empty() ? std::string(where) : d.file) + (url.empty() ? "" : " " + url);
        UINT message = d.kind == BlockfileDamage::MISSING_FILE                                      ? IDS_WARN_CACHE_BODY_MISSING
                       : d.kind == BlockfileDamage::DIRTY || d.kind == BlockfileDamage::EVICTED ? IDS_WARN_CACHE_ENTRY_UNFINISHED
                                                                                                 : IDS_WARN_CACHE_ENTRY_DAMAGED;
        AddDamage(place, message);
    }
    if (reader.DamageNotListed()) damageNotListed_ += reader.DamageNotListed();
    std::vector<BYTE> head, body;
    for (const BlockfileEntry& entry : reader.Entries()) {
        Record record;
        std::string url = ChromiumKeyToUrl(entry.key.data(), entry.key.size());
        if (url.empty()) continue;
        record.url = url;
        HttpResponseHead response;
        ULONGLONG responseTime = 0;
        const BlockfileLocation& headAt = entry.head;
        bool hasHead = entry.hasHead && ReadBlockfileBytes(blocks, folder, headAt, head);
        if (!hasHead || !ParseResponseInfo(head.data(), (size_t)headAt.length, response, &responseTime)) {
            AddDamage(folder + (headAt.file.empty() ? "index" : headAt.file) + " " + url, IDS_WARN_CACHE_ENTRY_DAMAGED);
            continue;
        }
        if (!responseTime) responseTime = entry.creationTime;
        std::string localFile = folder + (entry.body.file.empty() ? headAt.file : entry.body.file);
        record.localFile = localFile;
        record.bodyOffset = entry.body.offset;
        record.bodyLength = entry.body.length;
        record.head = response.head;
        record.contentType = response.contentType;
        record.encoding = response.contentEncoding;
        record.stored = responseTime;
        record.lastModified = BodyTime(response, responseTime);
        record.lastAccess = ToFileTime(responseTime);
        const BYTE* stored = nullptr;
        if (!record.encoding.empty() && record.bodyLength && StoredBody(record, body)) stored = body.data();
        Take(record, response.status, response.location, stored);
    }
}

void CBrowserCacheStore::AddMozillaCache(const std::string& folder) {
    ++caches_;
    std::vector<BYTE> map;
    bool hasMap = ReadFile(folder + "_CACHE_MAP_", map);
    // The block files hold nearly all of the cache: read into blocks that
    // are not cleared first.
    std::unique_ptr<BYTE[]> blocks[3];
    size_t blockSizes[3] = {0, 0, 0};
    bool anyBlocks = false;
    for (int number = 1; number <= 3; ++number) {
        char name[] = "_CACHE_00N_";
        name[9] = (char)('0' + number);
        anyBlocks |= ReadWholeFile(files_, (folder + name).c_str(), blocks[number - 1], &blockSizes[number - 1],
                                   kLargestCacheFile);
    }
    if (!hasMap && !anyBlocks) {
        AddDamage(folder + "_CACHE_MAP_", IDS_WARN_CACHE_UNREADABLE);
        return;
    }
    CBrowserCacheStore& files = *this;
    CMozCacheReader reader;
    reader.Parse(
        hasMap ? map.data() : nullptr, map.size(),
        [&blocks, &blockSizes](int number, MozCacheBytes* out) {
            out->bytes = blocks[number - 1].get();
            out->length = blockSizes[number - 1];
            return out->bytes != nullptr;
        },
        [&files, &folder](const std::string& name, ULONGLONG* size) { return files.FileSize(folder + name, size); },
        [&files, &folder](const std::string& name, std::vector<BYTE>& out) { return files.ReadFile(folder + name, out); });
    for (const MozCacheDamage& d : reader.Damage()) {
        UINT message = d.kind == MozCacheDamage::MISSING_FILE ? IDS_WARN_CACHE_BODY_MISSING
                       : d.kind == MozCacheDamage::MAP_UNUSED ? IDS_WARN_CACHE_MAP_UNUSED
                       : d.kind == MozCacheDamage::NEWER      ? IDS_WARN_CACHE_NEWER_FORMAT
                                                              : IDS_WARN_CACHE_ENTRY_DAMAGED;
        AddDamage(folder + d.where + (d.url.empty() ? "" : " " + d.url), message);
    }
    if (reader.DamageNotListed()) damageNotListed_ += reader.DamageNotListed();
    // The heads, types and codings the reader made stay where they are.
    reader.GiveTexts(texts_);
    std::vector<BYTE> body;
    // Of one room, reused: the local file of the entry being taken.
    std::string localFile = folder;
    byUrl_.reserve(records_.size() + reader.Entries().size());
    for (const MozCacheEntry& entry : reader.Entries()) {
        if (entry.url.empty()) continue;
        if (!entry.hasHead) {
            AddDamage(folder + std::string(entry.where) + " " + std::string(entry.url), IDS_WARN_CACHE_ENTRY_DAMAGED);
            continue;
        }
        if (entry.place == MozCacheEntry::BODY_UNKNOWN) {
            AddDamage(folder + std::string(entry.where) + " " + std::string(entry.url), IDS_WARN_CACHE_BODY_UNPLACED);
            continue;
        }
        Record record;
        record.url = entry.url;
        localFile.resize(folder.size());
        if (entry.place == MozCacheEntry::BODY_EMPTY) localFile += entry.where.substr(0, entry.where.find(' '));
        else localFile += entry.bodyFile;
        record.localFile = localFile;
        record.bodyOffset = entry.bodyOffset;
        record.bodyLength = entry.dataSize;
        record.head = entry.head.head;
        record.textsKept = true;
        record.contentType = entry.head.contentType;
        record.encoding = entry.head.contentEncoding;
        record.stored = Value(UnixSecondsToFileTime(entry.lastModified));
        record.lastModified = BodyTime(entry.head.lastModified, entry.head.date, record.stored);
        record.lastAccess = UnixSecondsToFileTime(entry.lastFetched);
        if (entry.expiration && entry.expiration != 0xffffffffu) record.expire = UnixSecondsToFileTime(entry.expiration);
        // A body in a block file is decoded from the bytes read already.
        const BYTE* stored = nullptr;
        if (!record.encoding.empty() && record.bodyLength) {
            if (entry.place == MozCacheEntry::BODY_BLOCK)
                stored = blocks[entry.bodyFile[9] - '1'].get() + entry.bodyOffset;
            else if (StoredBody(record, body)) stored = body.data();
        }
        Take(record, entry.head.status, entry.head.location, stored);
    }
}

void CBrowserCacheStore::Emit(UrlCacheEntry& entry) {
    const Kept& r = records_[walk_];
    // The entries of one cache share one kept folder text: copied once.
    if (r.folder != walkFolder_) {
        walkLocalFile_.assign(r.folder);
        walkFolder_ = r.folder;
        walkFolderLength_ = walkLocalFile_.size();
    }
    walkLocalFile_.resize(walkFolderLength_);
    walkLocalFile_ += r.file;
    entry.sourceUrl = r.url;
    entry.localFile = *r.note ? nullptr : walkLocalFile_.c_str();
    entry.entryType = 0;
    entry.sizeLow = r.size;
    entry.lastModified = r.lastModified;
    entry.lastAccess = r.lastAccess;
    entry.expire = r.expire;
    entry.headerInfo = r.headSize ? r.head : nullptr;
    entry.headerInfoSize = r.headSize;
    entry.contentType = *r.contentType ? r.contentType : nullptr;
    entry.note = *r.note ? r.note : nullptr;
}

bool CBrowserCacheStore::FindFirst(UrlCacheEntry& entry) {
    walk_ = 0;
    walking_ = !records_.empty();
    if (walking_) Emit(entry);
    return walking_;
}

bool CBrowserCacheStore::FindNext(UrlCacheEntry& entry) {
    if (!walking_ || ++walk_ >= records_.size()) return walking_ = false;
    Emit(entry);
    return true;
}

bool CBrowserCacheStore::GetLocalFile(const char* url, char* out, DWORD cap) {
    const Kept* r = Find(url);
    if (!r || cap == 0 || *r->note) return false;
    size_t folder = strlen(r->folder), file = strlen(r->file);
    if (folder + file + 1 > cap) return false;
    memcpy(out, r->folder, folder);
    memcpy(out + folder, r->file, file + 1);
    return true;
}

bool CBrowserCacheStore::StoredBody(const std::string& localFile, bool sparse, ULONGLONG offset, ULONGLONG length,
                                    std::vector<BYTE>& out) {
    out.clear();
    if (sparse) {
        std::vector<BYTE> file;
        if (!ReadFile(localFile, file)) return false;
        std::vector<SimpleSparseRange> ranges;
        if (!ParseSimpleSparse(file.data(), file.size(), ranges)) return false;
        out = JoinSparseRanges(file.data(), file.size(), ranges);
        return true;
    }
    // Only the body is read: a block file holds thousands of them.
    std::unique_ptr<IReadFile> file = files_.OpenRead(localFile.c_str());
    if (!file) return false;
    // The file may have changed since it was listed: the body must still fit.
    ULONGLONG fileLength = file->Length();
    if (offset > fileLength || length > fileLength - offset || length > kLargestCacheFile) return false;
    out.resize((size_t)length);
    size_t done = 0;
    while (done < out.size()) {
        size_t left = out.size() - done;
        DWORD got = 0;
        if (!file->ReadAt(offset + done, out.data() + done, left > (1u << 24) ? (1u << 24) : (DWORD)left, &got) ||
            got == 0) {
            out.clear();
            return false;
        }
        done += got;
    }
    return true;
}

bool CBrowserCacheStore::ReadBody(const char* url, std::vector<BYTE>& body, bool* undecoded) {
    if (undecoded) *undecoded = false;
    Kept* r = const_cast<Kept*>(Find(url));
    if (!r || *r->note) return false;
    std::vector<BYTE> stored;
    if (!StoredBody(LocalFile(*r), r->sparse, r->bodyOffset, r->bodyLength, stored)) return false;
    DecodeResult result = DecodeContent(r->encoding, stored.data(), stored.size(), body);
    if (result == DECODE_FAILED) {
        if (undecoded) *undecoded = true;
        NoteUndecoded(*r);
    }
    return true;
}

// A body whose size its trailer gave is found broken only when copied: its
// row follows the rows of the opening.
void CBrowserCacheStore::NoteUndecoded(Kept& kept) {
    std::lock_guard<std::mutex> hold(damageLock_);
    if (!kept.undecodedNoted) AddDamage(kept.url, IDS_WARN_CACHE_BODY_UNDECODED);
    kept.undecodedNoted = true;
}

namespace {

// The bytes of one body in its entry file, 64 KiB at a time.
class CFileRangeSource : public IBodySource {
public:
    CFileRangeSource(IReadFile& file, ULONGLONG offset, ULONGLONG length)
        : file_(file), offset_(offset), length_(length), piece_(64u << 10) {}
    bool Next(const BYTE** data, size_t* size) override {
        *data = piece_.data();
        *size = 0;
        if (done_ >= length_) return true;
        ULONGLONG left = length_ - done_;
        DWORD want = left < piece_.size() ? (DWORD)left : (DWORD)piece_.size(), got = 0;
        if (!file_.ReadAt(offset_ + done_, piece_.data(), want, &got) || got == 0) return false;
        done_ += got;
        *size = got;
        return true;
    }
    bool Rewind() override {
        done_ = 0;
        return true;
    }

private:
    IReadFile& file_;
    ULONGLONG offset_, length_, done_ = 0;
    std::vector<BYTE> piece_;
};

}  // namespace

bool CBrowserCacheStore::WriteBody(const char* url, IFiles& files, const char* path, const FILETIME& time,
                                   ULONGLONG* size, bool* undecoded) {
    if (undecoded) *undecoded = false;
    Kept* r = const_cast<Kept*>(Find(url));
    if (!r || *r->note) return false;
    // A sparse body is joined from its ranges first.
    if (r->sparse) return IUrlCache::WriteBody(url, files, path, time, size, undecoded);
    std::unique_ptr<IReadFile> file = files_.OpenRead(LocalFile(*r).c_str());
    if (!file) return false;
    // The file may have changed since it was listed: the body must still fit.
    ULONGLONG fileLength = file->Length();
    if (r->bodyOffset > fileLength || r->bodyLength > fileLength - r->bodyOffset) return false;
    CFileRangeSource source(*file, r->bodyOffset, r->bodyLength);
    std::unique_ptr<IReplacingFile> out = files.CreateReplacing(path);
    ULONGLONG written = 0;
    bool writeFailed = !out;
    BodySink sink = [&](const BYTE* data, size_t n) {
        if (!out || !out->Write(data, n)) {
            writeFailed = true;
            return false;
        }
        written += n;
        return true;
    };
    // Starting over drops what was written: the temporary goes with its writer.
    auto restart = [&] {
        out.reset();
        out = files.CreateReplacing(path);
        written = 0;
    };
    DecodeResult result = writeFailed ? DECODE_FAILED : StreamDecoded(r->encoding, source, sink, restart);
    if (writeFailed) return false;
    if (result == DECODE_FAILED) {
        restart();
        if (!source.Rewind() || StreamDecoded("", source, sink, restart) == DECODE_FAILED || writeFailed) return false;
        if (undecoded) *undecoded = true;
        NoteUndecoded(*r);
    }
    if (!out || !out->Commit(&time)) return false;
    *size = written;
    return true;
}

bool CBrowserCacheStore::ReadStoredResponse(const char* url, StoredResponse& out) {
    out = StoredResponse();
    const Kept* r = Find(url);
    if (!r) return false;
    if (!StoredBody(LocalFile(*r), r->sparse, r->bodyOffset, r->bodyLength, out.body)) return false;
    out.asSent = true;
    // A sparse entry holds the ranges the browser fetched, not always all.
    out.truncated = r->sparse;
    out.stored = ToFileTime(r->stored);
    out.requestMethod = r->requestMethod;
    out.requestHead = r->requestHead;
    return true;
}

bool CBrowserCacheStore::ListFiles(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    std::vector<DirEntry> entries;
    if (!files_.ListFolder(folder.c_str(), entries)) return false;
    for (const DirEntry& e : entries)
        if (!e.IsFolder()) names.push_back(e.name);
    return true;
}

bool CBrowserCacheStore::ReadFile(const std::string& path, std::vector<BYTE>& out) {
    return ReadWholeFile(files_, path.c_str(), out, kLargestCacheFile);
}

bool CBrowserCacheStore::FileSize(const std::string& path, ULONGLONG* size) {
    DirEntry e;
    if (!files_.GetFileInfo(path.c_str(), e) || e.IsFolder()) return false;
    *size = e.FullSize();
    return true;
}

#include "cache/cacheset.h"

#include <stdio.h>
#include <string.h>

#include <initializer_list>

#include "base/messagenumbers.h"
#include "zvchartables.h"

namespace {

ULONGLONG Value(const FILETIME& t) { return ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime; }

// When the browser stored the response: its fetch time where the store
// keeps one, else the time the server gave.
ULONGLONG StoredTime(const UrlCacheEntry& e) {
    ULONGLONG access = Value(e.lastAccess);
    return access ? access : Value(e.lastModified);
}

bool IsContent(const UrlCacheEntry& e) {
    return !(e.entryType & (CACHE_ENTRY_COOKIE | CACHE_ENTRY_HISTORY)) && e.sourceUrl && *e.sourceUrl;
}

bool SameNoCase(const std::string& a, const char* b) {
    if (a.size() != strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = (char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = (char)(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The folder names of a path, split at "\" and "/" (folder names are
// Shift_JIS, whose trail bytes may be 0x5C: a lead byte takes its trail).
std::vector<std::string> Components(const std::string& path) {
    const BYTE* leads = zvGetDBCSLeadTable();
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = (unsigned char)path[i];
        if (leads[c] && i + 1 < path.size()) {
            part += path[i];
            part += path[++i];
        } else if (c == '\\' || c == '/') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += (char)c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

// The index of the last component named any of names, or npos: the one
// nearest the cache (a copied disk may lie in a user folder itself).
size_t Find(const std::vector<std::string>& parts, std::initializer_list<const char*> names) {
    for (size_t i = parts.size(); i-- > 0;)
        for (const char* name : names)
            if (SameNoCase(parts[i], name)) return i;
    return std::string::npos;
}

std::string After(const std::vector<std::string>& parts, size_t at) {
    return at != std::string::npos && at + 1 < parts.size() ? parts[at + 1] : std::string();
}

const char kEllipsis[] = "\x81\x63";

}  // namespace

const char* CacheKindName(CacheKind kind) {
    switch (kind) {
    case CACHE_INDEXDAT: return "ie";
    case CACHE_SIMPLE: return "chromium-simple";
    case CACHE_BLOCKFILE: return "chromium-blockfile";
    case CACHE_CACHE2: return "firefox-cache2";
    case CACHE_MOZILLA: return "mozilla-v1";
    }
    return "";
}

std::string CacheCaption(CacheKind kind, const std::string& folder, bool nameFolder) {
    std::vector<std::string> parts = Components(folder);
    std::string user = After(parts, Find(parts, {"Users", "Documents and Settings"}));
    std::string browser, profile;
    switch (kind) {
    case CACHE_INDEXDAT:
        browser = "IE";
        break;
    case CACHE_SIMPLE:
    case CACHE_BLOCKFILE: {
        size_t data = Find(parts, {"User Data"});
        size_t opera = Find(parts, {"Opera Software"});
        if (data != std::string::npos && data > 0) {
            browser = parts[data - 1];
            profile = After(parts, data);
        } else if (opera != std::string::npos) {
            browser = "Opera";
            profile = After(parts, opera);
        } else {
            browser = "Chromium";
        }
        break;
    }
    case CACHE_CACHE2:
    case CACHE_MOZILLA: {
        size_t profiles = Find(parts, {"Profiles"});
        browser = profiles != std::string::npos && profiles > 0 ? parts[profiles - 1]
                  : kind == CACHE_CACHE2                       ? "Firefox"
                                                               : "Mozilla";
        profile = After(parts, profiles);
        break;
    }
    }
    // Without any name the browser left, the folder's own name says where it is.
    if ((nameFolder || (user.empty() && profile.empty())) && !parts.empty() && parts.back() != profile)
        profile = profile.empty() ? parts.back() : profile + "\\" + kEllipsis + "\\" + parts.back();
    std::string who = user;
    if (!user.empty() && !profile.empty()) who += std::string("\\") + kEllipsis + "\\";
    who += profile;
    return browser + " (" + who + ")";
}

void CCacheSet::Add(CacheSource source, std::unique_ptr<IUrlCache> store) {
    if (source.folder.compare(0, folder_.size(), folder_) == 0) source.relative = source.folder.substr(folder_.size());
    else source.relative = source.folder;
    source.caption = CacheCaption(source.kind, source.folder);
    sources_.push_back(std::move(source));
    stores_.push_back(std::move(store));
}

void CCacheSet::Index() {
    // Two caches of one person and browser (IE's cache and its history):
    // their folders' names tell them apart.
    std::vector<bool> same(sources_.size(), false);
    for (size_t i = 0; i < sources_.size(); ++i)
        for (size_t j = i + 1; j < sources_.size(); ++j)
            if (sources_[j].caption == sources_[i].caption) same[i] = same[j] = true;
    for (size_t i = 0; i < sources_.size(); ++i)
        if (same[i]) sources_[i].caption = CacheCaption(sources_[i].kind, sources_[i].folder, true);
    struct Best {
        size_t cache;
        ULONGLONG stored;
        bool note;
    };
    std::map<std::string, Best> best;
    for (size_t i = 0; i < stores_.size(); ++i) {
        UrlCacheEntry entry;
        CacheSource& source = sources_[i];
        ULONGLONG newest = 0;
        for (bool more = stores_[i]->FindFirst(entry); more; more = stores_[i]->FindNext(entry)) {
            ++source.entries;
            ULONGLONG stored = StoredTime(entry);
            if (stored > newest) newest = stored;
            // One cache gives all its URLs: no index of them to hold.
            if (!IsContent(entry) || stores_.size() == 1) continue;
            bool note = entry.note != nullptr;
            auto found = best.find(entry.sourceUrl);
            if (found == best.end()) {
                best.emplace(entry.sourceUrl, Best{i, stored, note});
                continue;
            }
            ++duplicates_;
            Best& kept = found->second;
            // A response beats a note (a redirect or an error page), else the newer wins.
            if (kept.note != note ? !note : stored > kept.stored) kept = Best{i, stored, note};
        }
        stores_[i]->FindClose();
        source.newest.dwLowDateTime = (DWORD)newest;
        source.newest.dwHighDateTime = (DWORD)(newest >> 32);
    }
    // Each URL leaves the one map as it enters the other: never both whole.
    for (auto b = best.begin(); b != best.end(); b = best.erase(b)) byUrl_.emplace_hint(byUrl_.end(), b->first, b->second.cache);
}

bool CCacheSet::Settle(UrlCacheEntry& entry, bool found) {
    while (walk_ < stores_.size()) {
        for (; found; found = stores_[walk_]->FindNext(entry)) {
            if (!IsContent(entry) || stores_.size() == 1) break;
            auto giver = byUrl_.find(entry.sourceUrl);
            if (giver == byUrl_.end() || giver->second == walk_) break;
        }
        if (found) {
            entry.cache = (DWORD)walk_;
            return true;
        }
        stores_[walk_]->FindClose();
        if (++walk_ < stores_.size()) found = stores_[walk_]->FindFirst(entry);
    }
    walking_ = false;
    return false;
}

bool CCacheSet::FindFirst(UrlCacheEntry& entry) {
    if (walking_ && walk_ < stores_.size()) stores_[walk_]->FindClose();
    walk_ = 0;
    walking_ = !stores_.empty();
    if (!walking_) return false;
    return Settle(entry, stores_[0]->FindFirst(entry));
}

bool CCacheSet::FindNext(UrlCacheEntry& entry) {
    if (!walking_ || walk_ >= stores_.size()) return false;
    return Settle(entry, stores_[walk_]->FindNext(entry));
}

void CCacheSet::FindClose() {
    if (walking_ && walk_ < stores_.size()) stores_[walk_]->FindClose();
    walking_ = false;
}

IUrlCache* CCacheSet::StoreOf(const char* url) const {
    if (!url) return nullptr;
    if (stores_.size() == 1) return stores_[0].get();
    auto found = byUrl_.find(url);
    return found == byUrl_.end() ? nullptr : stores_[found->second].get();
}

bool CCacheSet::GetLocalFile(const char* url, char* out, DWORD cap) {
    IUrlCache* store = StoreOf(url);
    return store && store->GetLocalFile(url, out, cap);
}

bool CCacheSet::ReadBody(const char* url, std::vector<BYTE>& body, bool* undecoded) {
    IUrlCache* store = StoreOf(url);
    if (!store) return false;
    if (store->BodiesInStore()) return store->ReadBody(url, body, undecoded);
    // Its cache file is the body (index.dat caches keep it decoded).
    char local[1024];
    if (!store->GetLocalFile(url, local, sizeof local)) return false;
    if (undecoded) *undecoded = false;
    return ReadWholeFile(files_, local, body, kLargestCacheFile);
}

bool CCacheSet::WriteBody(const char* url, IFiles& files, const char* path, const FILETIME& time, ULONGLONG* size,
                          bool* undecoded) {
    IUrlCache* store = StoreOf(url);
    if (!store) return false;
    if (store->BodiesInStore()) return store->WriteBody(url, files, path, time, size, undecoded);
    return IUrlCache::WriteBody(url, files, path, time, size, undecoded);
}

bool CCacheSet::ReadStoredResponse(const char* url, StoredResponse& out) {
    IUrlCache* store = StoreOf(url);
    if (!store) return false;
    if (store->BodiesInStore()) return store->ReadStoredResponse(url, out);
    out = StoredResponse();
    bool undecoded = false;
    return ReadBody(url, out.body, &undecoded);
}

const std::vector<CacheDamage>& CCacheSet::Damage() const {
    rows_ = notes_;
    for (const auto& store : stores_) {
        const std::vector<CacheDamage>& rows = store->Damage();
        rows_.insert(rows_.end(), rows.begin(), rows.end());
    }
    if (duplicates_) {
        char count[32];
        snprintf(count, sizeof count, " (%lu)", (unsigned long)duplicates_);
        rows_.push_back({folder_ + count, IDS_WARN_CACHE_PARTITIONS});
    }
    return rows_;
}

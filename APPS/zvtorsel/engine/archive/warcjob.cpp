#include "archive/warcjob.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "archive/warcrecord.h"
#include "base/messagenumbers.h"
#include "cache/cacheset.h"
#include "cache/httpresponse.h"
#include "cache/indexdatstore.h"

namespace {

bool NameIs(const std::string& line, size_t colon, const char* name) {
    size_t n = strlen(name);
    if (colon != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (tolower((unsigned char)line[i]) != tolower((unsigned char)name[i])) return false;
    return true;
}

bool IsTokenByte(unsigned char c) { return c > 0x20 && c < 0x7F && !strchr("()<>@,;:\\\"/[]?={}", c); }

// Control bytes of a stored line become spaces: a line never breaks early.
std::string Clean(const char* text, size_t size) {
    std::string out(text, size);
    for (char& c : out)
        if (((unsigned char)c < 0x20 && c != '\t') || c == 0x7F) c = ' ';
    return out;
}

// The stored head as lines: CR LF, a lone LF or CR, or NUL end a line; an
// empty line ends the head; a line that begins with white space continues
// the one before.
std::vector<std::string> HeadLines(const char* text, size_t size) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < size) {
        size_t end = at;
        while (end < size && text[end] != '\r' && text[end] != '\n' && text[end] != '\0') ++end;
        size_t next = end;
        if (next < size && text[next] == '\r' && next + 1 < size && text[next + 1] == '\n')
            next += 2;
        else if (next < size)
            ++next;
        if (end == at) {
            if (!lines.empty()) break;
        } else if ((text[at] == ' ' || text[at] == '\t') && lines.size() > 1) {
            lines.back() += " " + Clean(text + at + 1, end - at - 1);
        } else {
            lines.push_back(Clean(text + at, end - at));
        }
        at = next;
    }
    return lines;
}

std::string Trimmed(const std::string& s, size_t from) {
    size_t a = from, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
    return s.substr(a, b - a);
}

bool IsZero(const FILETIME& t) { return t.dwLowDateTime == 0 && t.dwHighDateTime == 0; }

std::string Counted(const std::string& seed, size_t serial) {
    char text[32];
    snprintf(text, sizeof text, "\n%lu", (unsigned long)serial);
    return seed + text;
}

// The request line's target and the Host of an absolute URL.
void RequestTarget(const std::string& url, std::string& host, std::string& target) {
    size_t scheme = url.find("://");
    size_t from = scheme == std::string::npos ? 0 : scheme + 3;
    size_t path = url.find_first_of("/?#", from);
    host = url.substr(from, path == std::string::npos ? std::string::npos : path - from);
    size_t at = host.rfind('@');
    if (at != std::string::npos) host.erase(0, at + 1);
    target = path == std::string::npos ? "/" : url.substr(path, url.find('#', path) - path);
    if (target.empty() || target[0] != '/') target.insert(0, "/");
}

class CArchiveRun {
public:
    CArchiveRun(IUrlCache& cache, CWarcWriter& writer, ISha1Maker& sha1, const WarcJobSettings& settings,
                const WarcJobHooks& hooks, IJobReport& report, WarcJobCounts& counts)
        : cache_(cache),
          writer_(writer),
          sha1_(sha1),
          settings_(settings),
          hooks_(hooks),
          report_(report),
          counts_(counts) {
        seed_ =
            settings.software + "\n" + WarcDate(settings.now) + "\n" + settings.cacheFolder + "\n" + settings.fileName;
    }

    WarcJobResult Run() {
        if (!WriteInfo()) return WARC_WRITE_FAILED;
        UrlCacheEntry entry;
        for (bool more = cache_.FindFirst(entry); more; more = cache_.FindNext(entry)) {
            if (hooks_.cancelled && hooks_.cancelled()) {
                cache_.FindClose();
                return WARC_CANCELLED;
            }
            if (!WriteEntry(entry)) {
                cache_.FindClose();
                return WARC_WRITE_FAILED;
            }
        }
        cache_.FindClose();
        for (const CacheDamage& damage : cache_.Damage()) report_.Warning(damage.where.c_str(), damage.message);
        return WARC_DONE;
    }

private:
    bool NewId(std::string& id) { return WarcRecordId(sha1_, Counted(seed_, serial_++), id); }

    bool Record(const std::vector<WarcField>& fields, const std::string& head, const BYTE* body, size_t size,
                bool payload) {
        if (!writer_.WriteRecord(fields, head, body, size, payload)) return false;
        if (++counts_.records % kWarcProgressStep == 0 && hooks_.progress) hooks_.progress(counts_.records);
        return true;
    }

    bool WriteInfo() {
        if (!NewId(infoId_)) return false;
        std::string block =
            "software: " + settings_.software + "\r\n" +
            "format: WARC File Format 1.1\r\n"
            "conformsTo: http://iipc.github.io/warc-specifications/specifications/warc-format/warc-1.1/\r\n"
            "description: responses recovered from a browser cache, as the browser stored them\r\n";
        block += "cache-folder: " +
                 (settings_.cacheFolder.empty() ? std::string("(live URL cache)") : settings_.cacheFolder) + "\r\n";
        if (!settings_.cacheKind.empty()) block += "cache-kind: " + settings_.cacheKind + "\r\n";
        std::vector<WarcField> fields = {{"WARC-Type", "warcinfo"},
                                         {"WARC-Record-ID", infoId_},
                                         {"WARC-Date", WarcDate(settings_.now)},
                                         {"WARC-Filename", settings_.fileName},
                                         {"Content-Type", "application/warc-fields"}};
        return Record(fields, std::string(), (const BYTE*)block.data(), block.size(), false);
    }

    bool WriteEntry(const UrlCacheEntry& entry) {
        if (hooks_.wanted && !(entry.sourceUrl && hooks_.wanted(entry.sourceUrl))) return true;
        if (!entry.sourceUrl || (entry.entryType & (CACHE_ENTRY_COOKIE | CACHE_ENTRY_HISTORY))) {
            ++counts_.notResponse;
            return true;
        }
        StoredResponse stored;
        if (!cache_.ReadStoredResponse(entry.sourceUrl, stored)) {
            // Stores that keep bodies of their own have said they cannot.
            bool read = !cache_.BodiesInStore() && (!entry.localFile || !*entry.localFile ||
                                                    (hooks_.readFile && hooks_.readFile(entry.localFile, stored.body)));
            if (!read) {
                report_.Warning(entry.sourceUrl, IDS_WARN_WARC_BODY_UNREADABLE);
                ++counts_.unreadable;
                return true;
            }
        }
        std::string uri = WarcUri(entry.sourceUrl, strlen(entry.sourceUrl));
        std::string responseId, head, dateText;
        if (!NewId(responseId)) return false;
        bool cut = false;
        bool http = entry.headerInfo && WarcResponseHead(entry.headerInfo, entry.headerInfoSize, stored.asSent,
                                                         stored.body.size(), head, dateText, &cut);
        if (stored.truncated || cut) {
            report_.Warning(entry.sourceUrl, IDS_WARN_WARC_TRUNCATED);
            ++counts_.truncated;
        }
        FILETIME when = stored.stored;
        if (IsZero(when) && !(dateText.size() && ParseHttpDate(dateText.c_str(), when))) when = FILETIME();
        if (IsZero(when)) when = IsZero(entry.lastAccess) ? entry.lastModified : entry.lastAccess;
        if (IsZero(when)) when = settings_.now;
        std::string date = WarcDate(when);

        std::vector<WarcField> fields = {{"WARC-Type", http ? "response" : "resource"},
                                         {"WARC-Record-ID", responseId},
                                         {"WARC-Date", date},
                                         {"WARC-Target-URI", uri},
                                         {"WARC-Warcinfo-ID", infoId_}};
        if (http) {
            fields.push_back({"Content-Type", "application/http;msgtype=response"});
        } else {
            const char* type = entry.contentType && *entry.contentType ? entry.contentType : "application/octet-stream";
            fields.push_back({"Content-Type", type});
        }
        if (stored.truncated || cut) fields.push_back({"WARC-Truncated", "unspecified"});
        if (!Record(fields, head, stored.body.data(), stored.body.size(), http)) return false;
        ++counts_.responses;
        return stored.requestMethod.empty() || !http || WriteRequest(uri, date, responseId, stored);
    }

    bool WriteRequest(const std::string& uri, const std::string& date, const std::string& responseId,
                      const StoredResponse& stored) {
        std::string id, host, target;
        if (!NewId(id)) return false;
        RequestTarget(uri, host, target);
        std::string method;
        for (unsigned char c : stored.requestMethod)
            if (IsTokenByte(c)) method += (char)c;
        if (method.empty()) method = "GET";
        std::string head = method + " " + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
        for (const std::string& line : HeadLines(stored.requestHead.data(), stored.requestHead.size())) {
            size_t colon = line.find(':');
            if (colon == std::string::npos || colon == 0 || NameIs(line, colon, "Host")) continue;
            head += line + "\r\n";
        }
        head += "\r\n";
        std::vector<WarcField> fields = {{"WARC-Type", "request"},
                                         {"WARC-Record-ID", id},
                                         {"WARC-Date", date},
                                         {"WARC-Target-URI", uri},
                                         {"WARC-Warcinfo-ID", infoId_},
                                         {"WARC-Concurrent-To", responseId},
                                         {"Content-Type", "application/http;msgtype=request"}};
        return Record(fields, head, nullptr, 0, false);
    }

    IUrlCache& cache_;
    CWarcWriter& writer_;
    ISha1Maker& sha1_;
    const WarcJobSettings& settings_;
    const WarcJobHooks& hooks_;
    IJobReport& report_;
    WarcJobCounts& counts_;
    std::string seed_, infoId_;
    size_t serial_ = 0;
};

const char* KindText(CacheKind kind) {
    switch (kind) {
    case CACHE_INDEXDAT: return "Internet Explorer index.dat folder";
    case CACHE_SIMPLE: return "Chromium simple cache";
    case CACHE_BLOCKFILE: return "Chromium blockfile cache";
    case CACHE_CACHE2: return "Firefox cache2";
    case CACHE_MOZILLA: return "Mozilla disk cache v1 (Firefox 1 to 31)";
    }
    return "browser cache";
}

}  // namespace

std::string WarcStoreKind(const IUrlCache& cache) {
    if (const std::vector<CacheSource>* sources = cache.Caches()) {
        std::string kinds;
        std::vector<CacheKind> named;
        for (const CacheSource& source : *sources) {
            if (std::find(named.begin(), named.end(), source.kind) != named.end()) continue;
            named.push_back(source.kind);
            kinds += (kinds.empty() ? "" : ", ") + std::string(KindText(source.kind));
        }
        if (sources->size() > 1) kinds += " (" + std::to_string(sources->size()) + " caches)";
        return kinds;
    }
    if (dynamic_cast<const CIndexDatUrlCache*>(&cache)) return KindText(CACHE_INDEXDAT);
    // A browser store read alone, outside a folder search, keeps no kind.
    if (cache.SourceFolder()) return "browser cache folder";
    return "live WinINet URL cache";
}

bool WarcNameIsPlain(const std::string& fileName) {
    size_t n = fileName.size();
    if (n < 5) return false;
    for (size_t i = 0; i < 5; ++i)
        if (tolower((unsigned char)fileName[n - 5 + i]) != ".warc"[i]) return false;
    return true;
}

namespace {

bool EndsNoCase(const std::string& name, const char* end) {
    size_t n = strlen(end);
    if (name.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (tolower((unsigned char)name[name.size() - n + i]) != end[i]) return false;
    return true;
}

}  // namespace

std::string WarcFileNameOf(const std::string& typed, bool plain) {
    if (EndsNoCase(typed, ".warc") || EndsNoCase(typed, ".warc.gz")) return typed;
    return typed + (plain ? ".warc" : ".warc.gz");
}

std::string WarcSuggestedName(const std::string& label, const BYTE* leadTable) {
    std::string name;
    for (size_t i = 0; i < label.size(); ++i) {
        unsigned char c = (unsigned char)label[i];
        // A trail byte 0x5C of a double-byte character is no separator.
        if (leadTable[c] && i + 1 < label.size()) {
            name += label.substr(i++, 2);
            continue;
        }
        name += c < 0x20 || strchr("\\/:*?\"<>|", c) ? '_' : (char)c;
    }
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    return (name.empty() ? std::string("cache") : name) + ".warc.gz";
}

bool WarcResponseHead(const char* stored, size_t size, bool keepEncoding, unsigned long long payloadSize,
                      std::string& head, std::string& date, bool* declaredLonger) {
    head.clear();
    date.clear();
    if (declaredLonger) *declaredLonger = false;
    std::vector<std::string> lines = HeadLines(stored, size);
    if (lines.empty() || lines[0].compare(0, 5, "HTTP/") != 0) return false;
    head = lines[0] + "\r\n";
    bool encoded = false;
    unsigned long long declared = 0;
    bool hasDeclared = false;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) continue;
        bool token = true;
        for (size_t k = 0; k < colon; ++k) token = token && IsTokenByte((unsigned char)line[k]);
        if (!token || NameIs(line, colon, "Transfer-Encoding")) continue;
        std::string value = Trimmed(line, colon + 1);
        if (NameIs(line, colon, "Content-Length")) {
            char* end = nullptr;
            unsigned long long v = strtoull(value.c_str(), &end, 10);
            if (end != value.c_str() && *end == 0) declared = v, hasDeclared = true;
            continue;
        }
        if (NameIs(line, colon, "Content-Encoding")) {
            encoded = true;
            if (!keepEncoding) continue;
        }
        if (NameIs(line, colon, "Date")) date = value;
        head += line + "\r\n";
    }
    // A decoded body's length says nothing about the encoded one the server declared.
    if (declaredLonger && hasDeclared && (keepEncoding || !encoded)) *declaredLonger = declared > payloadSize;
    char length[48];
    snprintf(length, sizeof length, "Content-Length: %llu\r\n\r\n", payloadSize);
    head += length;
    return true;
}

WarcJobResult WriteCacheArchive(IUrlCache& cache, IArchiveSink& sink, ISha1Maker& sha1, const WarcJobSettings& settings,
                                const WarcJobHooks& hooks, IJobReport& report, WarcJobCounts& counts) {
    counts = WarcJobCounts();
    CWarcWriter writer(sink, sha1, settings.gzip);
    CArchiveRun run(cache, writer, sha1, settings, hooks, report, counts);
    return run.Run();
}

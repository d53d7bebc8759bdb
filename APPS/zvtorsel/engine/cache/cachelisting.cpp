#include "cache/cachelisting.h"

#include <stdio.h>

#include "cache/cacheset.h"

namespace {

void AppendText(std::string& out, const char* text) {
    if (!text) return;
    const unsigned char* p = (const unsigned char*)text;
    while (*p) {
        // Runs of plain bytes go in whole; a listing writes every URL and path.
        const unsigned char* run = p;
        while (*p >= 0x20 && *p != 0x7f) ++p;
        out.append((const char*)run, (size_t)(p - run));
        if (!*p) break;
        char escape[3] = {'%', "0123456789ABCDEF"[*p >> 4], "0123456789ABCDEF"[*p & 15]};
        out.append(escape, sizeof escape);
        ++p;
    }
}

// The decimal digits of n, at least width of them.
void AppendNumber(std::string& out, unsigned long n, int width = 1) {
    char digits[16];
    char* end = digits + sizeof digits;
    char* p = end;
    do {
        *--p = (char)('0' + n % 10);
        n /= 10;
    } while ((n || end - p < width) && p > digits);
    out.append(p, (size_t)(end - p));
}

void AppendTime(std::string& out, const FILETIME& time) {
    ULONGLONG value = ((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime;
    if (value == 0) return;
    ULONGLONG seconds = value / 10000000ULL;
    // Civil date of the days since 1601-01-01. Past the day count the
    // numbers fit 32 bits, whose divisions the 32-bit build makes without a
    // library call (a listing dates every entry).
    unsigned long dayCount = (unsigned long)(seconds / 86400);
    int s = (int)(seconds - (ULONGLONG)dayCount * 86400);
    long days = (long)dayCount - 134774 + 719468;
    long era = days / 146097, doe = days - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
    int day = (int)(doy - (153 * mp + 2) / 5 + 1), month = (int)(mp < 10 ? mp + 3 : mp - 9);
    long year = yoe + era * 400 + (month <= 2);
    // "YYYY-MM-DD hh:mm:ss" by hand: a listing writes one for every entry.
    AppendNumber(out, (unsigned long)year, 4);
    int hour = s / 3600, minute = s / 60 % 60, second = s % 60;
    const char tail[] = {'-', (char)('0' + month / 10), (char)('0' + month % 10), '-', (char)('0' + day / 10),
                         (char)('0' + day % 10), ' ', (char)('0' + hour / 10), (char)('0' + hour % 10), ':',
                         (char)('0' + minute / 10), (char)('0' + minute % 10), ':', (char)('0' + second / 10),
                         (char)('0' + second % 10)};
    out.append(tail, sizeof tail);
}

}  // namespace

void AppendCacheListingLine(std::string& line, const UrlCacheEntry& entry, const char* cacheFolder) {
    AppendText(line, entry.sourceUrl);
    line += '\t';
    AppendText(line, entry.localFile);
    line += '\t';
    AppendNumber(line, (unsigned long)entry.sizeLow);
    line += '\t';
    AppendTime(line, entry.lastModified);
    if (entry.contentType || entry.note || cacheFolder) {
        line += '\t';
        AppendText(line, entry.contentType);
        line += '\t';
        AppendText(line, entry.note);
    }
    if (cacheFolder) {
        line += '\t';
        AppendText(line, cacheFolder);
    }
}

std::string CacheListingLine(const UrlCacheEntry& entry, const char* cacheFolder) {
    std::string line;
    AppendCacheListingLine(line, entry, cacheFolder);
    return line;
}

size_t ListCaches(IUrlCache& cache, const std::function<void(const std::string&)>& line) {
    const std::vector<CacheSource>* caches = cache.Caches();
    std::vector<CacheSource> one;
    if (!caches) {
        // The live cache, or one index.dat folder: the store is the cache.
        CacheSource self;
        self.caption = cache.SourceFolder() ? cache.SourceFolder() : "";
        UrlCacheEntry entry;
        ULONGLONG newest = 0;
        for (bool more = cache.FindFirst(entry); more; more = cache.FindNext(entry)) {
            ++self.entries;
            ULONGLONG t = ((ULONGLONG)entry.lastAccess.dwHighDateTime << 32) | entry.lastAccess.dwLowDateTime;
            if (!t) t = ((ULONGLONG)entry.lastModified.dwHighDateTime << 32) | entry.lastModified.dwLowDateTime;
            if (t > newest) newest = t;
        }
        cache.FindClose();
        self.newest.dwLowDateTime = (DWORD)newest;
        self.newest.dwHighDateTime = (DWORD)(newest >> 32);
        one.push_back(self);
        caches = &one;
    }
    for (const CacheSource& source : *caches) {
        std::string text = CacheKindName(source.kind);
        text += '\t';
        AppendText(text, source.relative.c_str());
        char count[24];
        snprintf(count, sizeof count, "\t%lu\t", (unsigned long)source.entries);
        text += count;
        AppendTime(text, source.newest);
        text += '\t';
        AppendText(text, source.caption.c_str());
        line(text);
    }
    return caches->size();
}

size_t ListUrlCache(IUrlCache& cache, const std::function<void(const std::string&)>& line, IJobReport& report) {
    size_t count = 0;
    UrlCacheEntry entry;
    const std::vector<CacheSource>* caches = cache.Caches();
    // One line's room for all of them.
    std::string text;
    if (cache.FindFirst(entry)) {
        do {
            const char* from = caches && entry.cache < caches->size() ? (*caches)[entry.cache].relative.c_str() : nullptr;
            text.clear();
            AppendCacheListingLine(text, entry, from);
            line(text);
            ++count;
        } while (cache.FindNext(entry));
        cache.FindClose();
    }
    for (const CacheDamage& damage : cache.Damage()) report.Warning(damage.where.c_str(), damage.message);
    return count;
}

// The synthetic Chromium simple cache of the scale benchmark, platform-free
// so that the host writes it natively and scale_bench.exe under Wine alike:
// every entry file in one folder, as Chromium keeps them; one in ten a
// Japanese page (Shift_JIS or EUC-JP, gzip-encoded) linking its nine
// pictures (GIF), grouped in sites and folders of constant size, so the
// cache grows in entries, not in folder depth.
#pragma once
#include <stdio.h>

#include <functional>
#include <string>
#include <vector>

#include "cache/tests/browsercache_kit.h"

namespace scalecachekit {

const int kGroup = 10;               // a page and its nine pictures
const int kSites = 20;
const int kEntriesPerFolder = 1000;  // of all sites together: 50 per site folder

// Shift_JIS to EUC-JP: both are JIS X 0208 rows, only the byte pairs differ.
inline std::string ToEucJp(const std::string& sjis) {
    std::string out;
    for (size_t i = 0; i < sjis.size(); ++i) {
        BYTE c1 = (BYTE)sjis[i];
        bool lead = (c1 >= 0x81 && c1 <= 0x9F) || (c1 >= 0xE0 && c1 <= 0xEF);
        if (!lead || i + 1 >= sjis.size()) {
            out += (char)c1;
            continue;
        }
        unsigned j1 = c1 - (c1 >= 0xE0 ? 0xB0 : 0x70), j2 = (BYTE)sjis[++i];
        j1 <<= 1;
        if (j2 < 0x9F) {
            j1 -= 1;
            j2 -= j2 >= 0x80 ? 0x20 : 0x1F;
        } else {
            j2 -= 0x7E;
        }
        out += (char)(j1 | 0x80);
        out += (char)(j2 | 0x80);
    }
    return out;
}

struct Place {
    std::string site, folder;  // "https://wwwNN.zvbench.jp/", "dNNNN/"
};

inline Place PlaceOf(int i) {
    char site[64], folder[32];
    snprintf(site, sizeof site, "https://www%02d.zvbench.jp/", (i / kGroup) % kSites);
    snprintf(folder, sizeof folder, "d%04d/", i / kEntriesPerFolder);
    return {site, folder};
}

inline std::string PictureName(int i) { return "p" + std::to_string(i) + ".gif"; }

// A page of Japanese prose (about 8 KB) with its pictures and two links.
inline std::string Page(int i, int entries, bool euc) {
    std::string charset = euc ? "EUC-JP" : "Shift_JIS";
    std::string text = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + charset +
                       "\"><title>ページ " + std::to_string(i) + " の記録</title></head><body>\n";
    for (int k = 1; k < kGroup && i + k < entries; ++k)
        text += "<p><img src=\"" + PictureName(i + k) + "\" alt=\"写真" + std::to_string(k) + "\"></p>\n";
    for (int k = 0; k < 40; ++k)
        text += "<p>この段落は" + std::to_string(k) +
                "番目です。キャッシュから再構築したページを、ローカルのフォルダーで閲覧できます。</p>\n";
    int next = i + kGroup < entries ? i + kGroup : 0;
    Place nextAt = PlaceOf(next);
    text += "<a href=\"" + nextAt.site + nextAt.folder + "p" + std::to_string(next) + ".html\">次のページ</a>\n";
    text += "<a href=\"/\">トップへ戻る</a>\n</body></html>\n";
    return euc ? ToEucJp(text) : text;
}

// A valid 1x1 GIF, padded with a comment to a few kilobytes as photos of a
// page are.
inline std::vector<BYTE> Picture(int i) {
    static const BYTE head[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
    std::vector<BYTE> gif(head, head + sizeof head);
    size_t target = 3000 + (size_t)(i * 7919) % 5000;
    gif.push_back(0x21);
    gif.push_back(0xFE);
    while (gif.size() + 260 < target) {
        gif.push_back(255);
        for (int k = 0; k < 255; ++k) gif.push_back((BYTE)('a' + (i + k) % 26));
    }
    gif.push_back(0);
    static const BYTE image[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
    gif.insert(gif.end(), image, image + sizeof image);
    return gif;
}

// The 16 hexadecimal digits Chromium takes from the key's hash.
inline std::string EntryName(const std::string& key) {
    ULONGLONG h = 1469598103934665603ULL;
    for (char c : key) h = (h ^ (BYTE)c) * 1099511628211ULL;
    char name[32];
    snprintf(name, sizeof name, "%016llx_0", (unsigned long long)h);
    return name;
}

// Receives each file of the cache by its name below the cache folder
// ("index-dir/the-real-index" with a "/"); false stops the writing.
using WriteFile = std::function<bool(const std::string& name, const std::vector<BYTE>& bytes)>;

// The index files first, then the entries; 0 when every file was written,
// else the number of the entry that failed plus one (-1: the index).
inline long long WriteCache(int entries, const WriteFile& write, unsigned long long* totalBytes) {
    // The fake index Chromium writes beside its entries: magic and version.
    std::vector<BYTE> index;
    browsercachekit::PutLe64(index, 0xfcfb6d1ba7725c30ULL);
    browsercachekit::PutLe32(index, 9);
    index.resize(24, 0);
    if (!write("index", index) || !write("index-dir/the-real-index", browsercachekit::Bytes("index"))) return -1;
    const std::string dates = "Last-Modified: Sat, 05 Apr 2003 06:07:08 GMT\r\nDate: Tue, 08 Dec 2026 22:49:50 GMT\r\n";
    *totalBytes = 0;
    for (int i = 0; i < entries; ++i) {
        Place at = PlaceOf(i);
        bool page = i % kGroup == 0;
        std::string url = at.site + at.folder + (page ? "p" + std::to_string(i) + ".html" : PictureName(i));
        std::string site = at.site.substr(0, at.site.size() - 1);
        std::string key = "1/0/_dk_" + site + " " + site + " " + url;
        std::string head;
        std::vector<BYTE> body;
        if (page) {
            bool euc = i % (3 * kGroup) == 0;
            head = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=" + std::string(euc ? "EUC-JP" : "Shift_JIS") +
                   "\r\nContent-Encoding: gzip\r\n" + dates;
            body = browsercachekit::Gzip(Page(i, entries, euc));
        } else {
            head = "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n" + dates;
            body = Picture(i);
        }
        std::vector<BYTE> file = browsercachekit::SimpleEntryFile(key, head, body, 13000000000000000ULL + i);
        *totalBytes += file.size();
        if (!write(EntryName(key), file)) return i + 1;
    }
    return 0;
}

}  // namespace scalecachekit

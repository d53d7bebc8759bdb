// The loopback HTTP server of the downloader's Wine tests (started by
// run_with_server.sh, which sets ZV_HTTP_PORT), and helpers around a run.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <map>
#include <string>

namespace loopback {

// "http://127.0.0.1:PORT", or empty when no server runs beside the test.
inline std::string Base() {
    const char* port = getenv("ZV_HTTP_PORT");
    return port && *port ? std::string("http://127.0.0.1:") + port : std::string();
}

// Requests per path so far, read past the cache.
inline std::map<std::string, int> Hits() {
    std::map<std::string, int> hits;
    HINTERNET net = InternetOpenA("zvtest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!net) return hits;
    HINTERNET url = InternetOpenUrlA(net, (Base() + "/_hits").c_str(), nullptr, 0,
                                     INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    std::string text;
    if (url) {
        char buffer[4096];
        DWORD n;
        while (InternetReadFile(url, buffer, sizeof(buffer), &n) && n) text.append(buffer, n);
        InternetCloseHandle(url);
    }
    InternetCloseHandle(net);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        size_t space = line.find(' ');
        if (space != std::string::npos) hits[line.substr(space + 1)] = atoi(line.c_str());
        pos = end + 1;
    }
    return hits;
}

// Requests for a path since `before` was taken (tests may run repeatedly
// against one server).
inline int NewHits(const std::map<std::string, int>& before, const std::string& path) {
    std::map<std::string, int> now = Hits();
    auto was = before.find(path);
    return now[path] - (was == before.end() ? 0 : was->second);
}

// The file the cache holds for url, or empty.
inline std::string CacheFile(const std::string& url) {
    char buffer[4096];
    DWORD size = sizeof(buffer);
    INTERNET_CACHE_ENTRY_INFOA* info = (INTERNET_CACHE_ENTRY_INFOA*)buffer;
    if (!GetUrlCacheEntryInfoA(url.c_str(), info, &size) || !info->lpszLocalFileName) return "";
    return info->lpszLocalFileName;
}

// Writes "download.lst" into folder with these URLs as url0, url1, ...
inline bool WriteList(const std::string& folder, const std::vector<std::string>& urls) {
    std::string file = folder + "download.lst";
    DeleteFileA(file.c_str());
    bool ok = WritePrivateProfileStringA("download", "entry", std::to_string(urls.size()).c_str(), file.c_str());
    for (size_t n = 0; n < urls.size(); ++n)
        ok = WritePrivateProfileStringA("download", ("url" + std::to_string(n)).c_str(), urls[n].c_str(),
                                        file.c_str()) &&
             ok;
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
    return ok;
}

inline std::string ListKey(const std::string& folder, int n) {
    char value[1024];
    GetPrivateProfileStringA("download", ("url" + std::to_string(n)).c_str(), "", value, sizeof(value),
                             (folder + "download.lst").c_str());
    return value;
}

}  // namespace loopback

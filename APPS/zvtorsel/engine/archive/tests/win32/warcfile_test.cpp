// zvtorsel.exe /warc: on the real Chromium and Firefox fixtures and on an
// index.dat folder: the archives read back record by record with every
// digest, a body that cannot be read is a failed entry, and neither a killed
// run nor a target that cannot be written leaves a file under its name.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "archive/tests/warcreader.h"
#include "base/messagenumbers.h"
#include "base/win32/win32files.h"
#include "cache/browsercachestore.h"
#include "cache/contentdecode.h"
#include "cache/tests/indexdat_writer.h"
#include "jobs/tests/win32/diskkit.h"
#include "tree/tests/testkit.h"

namespace {

using diskkit::ReadAll;
using diskkit::RemoveTree;
using diskkit::RunProgram;
using diskkit::WriteAll;

std::string Fixtures() {
    std::string path = "Z:" + std::string(ZV_CACHE_TEST_DATA);
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::vector<BYTE> Bytes(const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); }

// The "name: value" lines of a warcinfo block.
std::map<std::string, std::string> InfoFields(const warctest::Record& info) {
    std::map<std::string, std::string> fields;
    std::string block(info.block.begin(), info.block.end());
    for (size_t at = 0; at < block.size();) {
        size_t end = block.find("\r\n", at);
        if (end == std::string::npos) end = block.size();
        size_t colon = block.find(": ", at);
        if (colon < end) fields[block.substr(at, colon - at)] = block.substr(colon + 2, end - colon - 2);
        at = end + 2;
    }
    return fields;
}

// The warcinfo record names the program and its version, the format, where
// the records came from, the folder and the exact kind of store read.
void CheckInfo(const std::vector<warctest::Record>& records, const std::string& folder, const char* kind) {
    ASSERT_FALSE(records.empty());
    EXPECT_EQ("warcinfo", records[0].Field("WARC-Type"));
    EXPECT_EQ("application/warc-fields", records[0].Field("Content-Type"));
    std::map<std::string, std::string> info = InfoFields(records[0]);
    const std::string software = info["software"];
    EXPECT_EQ(0u, software.find("z.v Torsel Sitekeeper ")) << software;
    EXPECT_NE(std::string::npos, software.find_first_of("0123456789")) << "no version: " << software;
    EXPECT_NE(std::string::npos, software.find('.', 22)) << software;
    EXPECT_EQ("WARC File Format 1.1", info["format"]);
    EXPECT_NE(std::string::npos, info["description"].find("recovered from a browser cache"));
    EXPECT_EQ(folder.back() == '\\' ? folder : folder + "\\", info["cache-folder"]);
    EXPECT_EQ(kind, info["cache-kind"]);
}

bool TemporaryLeft(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "$$zvt*.tmp").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

class WarcFile : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        base = std::string(temp) + "zvt_warc\\";
        RemoveTree(base);
        cacheFolder = base + "disk\\Temporary Internet Files\\";
        content = cacheFolder + "Content.IE5\\";
        for (const std::string& f : {base, base + "disk\\", cacheFolder, content, content + "ABCD1234\\",
                                     content + "EFGH5678\\", base + "out\\"})
            CreateDirectoryA(f.substr(0, f.size() - 1).c_str(), nullptr);
    }
    void TearDown() override { RemoveTree(base); }

    void Put(const std::string& url, const std::string& file, const std::string& headers, const std::string* data) {
        IndexDatWriterEntry e;
        e.url = url;
        e.file = file;
        e.folder = (int)(entries.size() % 2);
        e.size = data ? (DWORD)data->size() : 0;
        e.modified = e.accessed = Utc(2003, 4, 5, 6, 7, 8);
        e.headers = headers;
        entries.push_back(e);
        if (data) {
            ASSERT_TRUE(WriteAll(content + writer.folders[e.folder] + "\\" + file, *data));
        }
    }
    void WriteIndex() {
        std::vector<BYTE> file = writer.Build(entries);
        ASSERT_TRUE(WriteAll(content + "index.dat", std::string(file.begin(), file.end())));
    }
    // Runs the job; the archive's records, read back and checked.
    int Archive(const std::string& cache, const std::string& name, std::vector<warctest::Record>& records) {
        std::string target = base + "out\\" + name, log = base + "out\\log.txt";
        int code = RunProgram("\"/warc:" + target + "\" \"/cache:" + cache + "\" \"/log:" + log + "\"");
        logText = ReadAll(log);
        std::string why;
        bool read = warctest::ReadArchive(Bytes(ReadAll(target)), name.find(".gz") != std::string::npos, records, why);
        EXPECT_TRUE(read) << why;
        for (const warctest::Record& r : records) EXPECT_TRUE(warctest::CheckDigests(r, sha1, why)) << why;
        EXPECT_FALSE(TemporaryLeft(base + "out\\"));
        EXPECT_NE(std::string::npos, logText.find(diskkit::ProgramString(IDS_WARC_DONE).substr(0, 10)));
        // The index test's archive stays for the independent reader when asked.
        char keep[MAX_PATH];
        if (GetEnvironmentVariableA("ZV_WARC_KEEP", keep, sizeof keep))
            CopyFileA(target.c_str(), (std::string(keep) + "\\" + name).c_str(), FALSE);
        return code;
    }

    std::string base, cacheFolder, content, logText;
    CIndexDatWriter writer;
    std::vector<IndexDatWriterEntry> entries;
    warctest::TestSha1Maker sha1;
};

TEST_F(WarcFile, BrowserFixturesBecomeArchivesOfEveryResponse) {
    std::vector<warctest::Record> records;
    ASSERT_EQ(0, Archive(Fixtures() + "chromium-simple", "chromium.warc.gz", records));
    ASSERT_GT(records.size(), 6u);
    CheckInfo(records, Fixtures() + "chromium-simple", "Chromium simple cache");
    for (size_t i = 1; i < records.size(); ++i) EXPECT_EQ("response", records[i].Field("WARC-Type"));

    ASSERT_EQ(0, Archive(Fixtures() + "firefox-cache2", "firefox.warc", records));
    CheckInfo(records, Fixtures() + "firefox-cache2", "Firefox cache2");
    size_t requests = 0, responses = 0;
    for (const warctest::Record& r : records) {
        requests += r.Field("WARC-Type") == "request";
        responses += r.Field("WARC-Type") == "response";
    }
    EXPECT_EQ(9u, responses);
    EXPECT_EQ(9u, requests);
}

// The older stores a copied disk holds, through the program's own store
// detection: every entry the store can read is one response record of the
// plain URL whose payload is the body as stored, and which (unless cut)
// decodes to the body the store gives; every other one is a failure row of
// the log.
TEST_F(WarcFile, MozillaV1AndChromiumBlockfileFixturesBecomeResponses) {
    struct Fixture {
        const char* folder;
        const char* kind;
        size_t fewestResponses;
    } fixtures[] = {{"firefox-cache1", "Mozilla disk cache v1 (Firefox 1 to 31)", 6},
                    {"chrome-blockfile", "Chromium blockfile cache", 40}};
    CWin32Files files;
    for (const Fixture& f : fixtures) {
        SCOPED_TRACE(f.folder);
        std::string folder = Fixtures() + f.folder;
        std::vector<warctest::Record> records;
        int code = Archive(folder, std::string(f.folder) + ".warc.gz", records);
        CheckInfo(records, folder, f.kind);
        folder += "\\";
        std::map<std::string, const warctest::Record*> byUri;
        for (size_t i = 1; i < records.size(); ++i) {
            EXPECT_EQ("response", records[i].Field("WARC-Type"));
            EXPECT_TRUE(byUri.emplace(records[i].Field("WARC-Target-URI"), &records[i]).second);
        }
        CBrowserCacheStore store(folder, files);
        if (f.kind[0] == 'M')
            store.AddMozillaCache(folder);
        else
            store.AddBlockfile(folder);
        size_t responses = 0, unreadable = 0;
        UrlCacheEntry e;
        for (bool more = store.FindFirst(e); more; more = store.FindNext(e)) {
            std::string url = e.sourceUrl;
            SCOPED_TRACE(url);
            StoredResponse stored;
            if (!store.ReadStoredResponse(e.sourceUrl, stored)) {
                ++unreadable;
                EXPECT_NE(std::string::npos,
                          logText.find(url + " : " + diskkit::ProgramString(IDS_WARN_WARC_BODY_UNREADABLE)));
                continue;
            }
            // The store's keys ("HTTP:" and the like) are never the URI.
            EXPECT_EQ(0u, url.find("http"));
            auto found = byUri.find(url);
            ASSERT_NE(byUri.end(), found);
            ++responses;
            std::string head;
            std::vector<BYTE> payload, decoded, body;
            ASSERT_TRUE(found->second->SplitHttp(head, payload));
            EXPECT_EQ(0u, head.find("HTTP/1."));
            EXPECT_TRUE(payload == stored.body);
            // A body cut short (a redirect kept without its bytes) decodes to nothing.
            if (!found->second->Field("WARC-Truncated").empty()) continue;
            std::string encoding;
            size_t at = head.find("\r\nContent-Encoding: ");
            if (at != std::string::npos) encoding = head.substr(at + 20, head.find("\r\n", at + 2) - at - 20);
            EXPECT_NE(DECODE_FAILED, DecodeContent(encoding, payload.data(), payload.size(), decoded));
            bool undecoded = true;
            ASSERT_TRUE(store.ReadBody(e.sourceUrl, body, &undecoded));
            EXPECT_TRUE(decoded == body);
        }
        store.FindClose();
        EXPECT_GE(responses, f.fewestResponses);
        EXPECT_EQ(responses, byUri.size());
        // Entries the store could not read at all are missing from the
        // archive too: each is a failure row, and the run ends with 3.
        size_t leftOut = 0;
        for (const CacheDamage& d : store.Damage()) {
            if (d.message != IDS_WARN_CACHE_BODY_UNPLACED && d.message != IDS_WARN_CACHE_BODY_MISSING &&
                d.message != IDS_WARN_CACHE_ENTRY_DAMAGED)
                continue;
            ++leftOut;
            EXPECT_NE(std::string::npos, logText.find("! " + d.where + " : " + diskkit::ProgramString(d.message)))
                << d.where;
        }
        EXPECT_EQ(unreadable || leftOut ? 3 : 0, code);
    }
}

TEST_F(WarcFile, IndexDatBodiesAreStoredDecodedAndAnUnreadableOneFails) {
    const std::string page = "<html>\x95\x5C\x83\x5C</html>\n";
    Put("http://old.zvtest/", "index[1].htm",
        "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\n"
        "Transfer-Encoding: chunked\r\n\r\n",
        &page);
    Put("http://old.zvtest/gone.gif", "gone[1].gif", "HTTP/1.1 200 OK\r\n\r\n", nullptr);
    WriteIndex();
    std::vector<warctest::Record> records;
    EXPECT_EQ(3, Archive(cacheFolder, "index.warc.gz", records));
    ASSERT_EQ(2u, records.size());
    CheckInfo(records, cacheFolder, "Internet Explorer index.dat folder");
    std::string head;
    std::vector<BYTE> payload;
    ASSERT_TRUE(records[1].SplitHttp(head, payload));
    EXPECT_EQ("http://old.zvtest/", records[1].Field("WARC-Target-URI"));
    EXPECT_EQ(
        "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(page.size()) + "\r\n\r\n",
        head);
    EXPECT_TRUE(payload == Bytes(page));
    EXPECT_NE(std::string::npos,
              logText.find("http://old.zvtest/gone.gif : " + diskkit::ProgramString(IDS_WARN_WARC_BODY_UNREADABLE)));
}

TEST_F(WarcFile, NeitherAKilledRunNorAnUnwritableTargetLeavesAFile) {
    // Enough bytes that the run is still writing when it is killed.
    std::string body(256 * 1024, 0);
    unsigned seed = 7;
    for (char& c : body) c = (char)((seed = seed * 1103515245u + 12345u) >> 23);
    for (int i = 0; i < 200; ++i) {
        std::string n = std::to_string(i);
        Put("http://big.zvtest/" + n, n + "[1].bin", "HTTP/1.1 200 OK\r\n\r\n", &body);
    }
    WriteIndex();
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, sizeof module - 1);
    std::string program = module;
    program = program.substr(0, program.find_last_of('\\') + 1) + "zvtorsel.exe";
    std::string target = base + "out\\big.warc.gz";
    std::string line =
        "\"" + program + "\" \"/warc:" + target + "\" \"/cache:" + cacheFolder + "\" \"/log:" + base + "log.txt\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    bool seen = false;
    for (int wait = 0; wait < 60000 && !seen; ++wait) {
        seen = TemporaryLeft(base + "out\\");
        if (!seen) Sleep(1);
    }
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(pi.hProcess, 0)) << "the run ended before it was killed";
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_TRUE(seen);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(target.c_str()));

    std::string error;
    EXPECT_EQ(2, RunProgram("\"/warc:" + base + "no such folder\\x.warc.gz\" \"/cache:" + cacheFolder + "\"", &error));
    EXPECT_NE(std::string::npos, error.find("x.warc.gz"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((base + "no such folder").c_str()));
}

}  // namespace

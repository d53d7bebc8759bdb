// Index files of our writer checked by Debian's libmsiecf-utils first, then
// read by our reader: both must list the same URL records. Host only.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <iconv.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "cache/indexdat.h"
#include "cache/tests/indexdat_writer.h"

namespace {

std::string RunTool(const std::string& command, int* status) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    *status = pclose(p);
    return out;
}

std::string Utf8(const std::string& sjis) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    std::string out(sjis.size() * 3 + 1, 0);
    char* in = const_cast<char*>(sjis.data());
    size_t inLeft = sjis.size(), outLeft = out.size();
    char* o = &out[0];
    iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

// "Aug 06, 2000 23:46:23.793436900" as the oracle prints times.
std::string OracleTime(ULONGLONG filetime, bool fraction) {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    long long seconds = (long long)(filetime / 10000000ULL);
    long long days = seconds / 86400 - 134774 + 719468;  // days since 0000-03-01
    long long era = days / 146097, doe = days - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
    int day = (int)(doy - (153 * mp + 2) / 5 + 1), month = (int)(mp < 10 ? mp + 3 : mp - 9);
    long long year = yoe + era * 400 + (month <= 2);
    int s = (int)(seconds % 86400);
    char text[64];
    snprintf(text, sizeof text, "%s %02d, %lld %02d:%02d:%02d", months[month - 1], day, year, s / 3600, s / 60 % 60,
             s % 60);
    std::string result = text;
    if (fraction) {
        snprintf(text, sizeof text, ".%07u00", (unsigned)(filetime % 10000000ULL));
        result += text;
    }
    return result;
}

// The URL records of msiecfexport's listing, each as its "key : value" lines.
std::vector<std::map<std::string, std::string>> ExportedUrlRecords(const std::string& text) {
    std::vector<std::map<std::string, std::string>> records;
    std::map<std::string, std::string> current;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        size_t colon = line.find(": ");
        if (line.empty() || colon == std::string::npos) {
            if (current["Record type"] == "URL") records.push_back(current);
            current.clear();
            continue;
        }
        std::string key = line.substr(0, colon);
        while (!key.empty() && (key.back() == '\t' || key.back() == ' ')) key.pop_back();
        current[key] = line.substr(colon + 2);
    }
    if (current["Record type"] == "URL") records.push_back(current);
    return records;
}

TEST(IndexDatOracle, LibmsiecfListsTheSameUrlRecordsAsOurReader) {
    int status = -1;
    RunTool("msiecfexport -V 2>&1", &status);
    ASSERT_EQ(0, status) << "libmsiecf-utils is not installed (scripts/install-deps.sh)";

    std::vector<IndexDatWriterEntry> entries;
    const char* const names[] = {"index.html", "a b.gif", "find.cgi?k=1&q=a:b/c", "\x83\x5c\x95\x5c.html", ""};
    for (int i = 0; i < 300; ++i) {
        IndexDatWriterEntry e;
        e.url = "http://host" + std::to_string(i % 7) + ".test" + (i % 5 == 0 ? ":8080" : "") + "/d" +
                std::to_string(i) + "/" + names[i % 5];
        if (i % 31 == 0) e.url += "?" + std::string(300, 'q');
        if (i % 10 == 9) {
            e.url = "Visited: user@" + e.url;
            e.type = 0x00200001;
        } else {
            e.file = "f" + std::to_string(i) + "[1].htm";
            e.folder = i % 2;
        }
        if (i % 13 == 0) e.kind = IndexDatWriterEntry::REDR;
        if (i % 17 == 0) e.kind = IndexDatWriterEntry::LEAK;
        e.size = (DWORD)(i * 37);
        e.modified = 0x01c4000000000000ULL + (ULONGLONG)i * 123456789ULL;
        e.accessed = 0x01c5000000000000ULL + (ULONGLONG)i * 987654321ULL;
        e.expireFat = i % 3 ? 0 : ((25u << 9) | (6u << 5) | (DWORD)(1 + i % 28)) | ((DWORD)(13u << 11) << 16);
        entries.push_back(e);
    }
    CIndexDatWriter writer;
    writer.slotsPerTable = 64;
    std::vector<BYTE> file = writer.Build(entries);
    char path[] = "/tmp/zvindexdatXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ((ssize_t)file.size(), write(fd, file.data(), file.size()));
    close(fd);

    std::string info = RunTool(std::string("msiecfinfo ") + path + " 2>&1", &status);
    EXPECT_EQ(0, status) << info;
    EXPECT_NE(std::string::npos, info.find("Version\t\t\t\t: 5.2")) << info;
    std::string exported = RunTool(std::string("msiecfexport -c windows-932 ") + path + " 2>&1", &status);
    EXPECT_EQ(0, status);
    unlink(path);
    std::vector<std::map<std::string, std::string>> oracle = ExportedUrlRecords(exported);

    CIndexDatReader reader;
    ASSERT_TRUE(reader.Parse(file.data(), file.size()));
    EXPECT_TRUE(reader.Damage().empty());
    ASSERT_EQ(oracle.size(), reader.Records().size());
    for (size_t i = 0; i < oracle.size(); ++i) {
        const IndexDatRecord& r = reader.Records()[i];
        std::map<std::string, std::string>& o = oracle[i];
        SCOPED_TRACE(r.url);
        EXPECT_EQ(Utf8(r.url), o["Location"]);
        EXPECT_EQ(r.fileName ? Utf8(r.fileName) : "", o["Filename"]);
        if (r.fileName) {
            std::string folder = reader.Folders()[r.folder];
            EXPECT_EQ(std::to_string(r.folder), o["Cache directory index"].substr(0, 1));
            EXPECT_NE(std::string::npos, o["Cache directory index"].find(folder));
        }
        ULONGLONG modified = ((ULONGLONG)r.lastModified.dwHighDateTime << 32) | r.lastModified.dwLowDateTime;
        ULONGLONG access = ((ULONGLONG)r.lastAccess.dwHighDateTime << 32) | r.lastAccess.dwLowDateTime;
        ULONGLONG expire = ((ULONGLONG)r.expire.dwHighDateTime << 32) | r.expire.dwLowDateTime;
        EXPECT_EQ(OracleTime(modified, true), o["Secondary time"]);
        EXPECT_EQ(OracleTime(access, true), o["Primary time"]);
        EXPECT_EQ(expire ? OracleTime(expire, false) : "", o["Expiration time"]);
    }
}

}  // namespace
#endif

// zvtorsel.exe /list and /search on a folder that /rebuild made from the cache.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "jobs/tests/win32/diskkit.h"

namespace {

const char kNihongoSjis[] = "\x93\xfa\x96\x7b\x8c\xea";
const char kNihongoEuc[] = "\xc6\xfc\xcb\xdc\xb8\xec";
const char kListTitle[] =
    "\x83\x8d\x81\x5b\x83\x4a\x83\x8b\x83\x41\x83\x68\x83\x8c\x83\x58\x88\xea\x97\x97\x95\x5c";
const char kListCount[] = "\x88\xea\x97\x97\x95\x5c\x90\x94";  // 一覧表数
const char kFoundCount[] = "\x94\xad\x8c\xa9\x90\x94";          // 発見数
const char kSearchResult[] = " \x82\xcc\x8c\x9f\x8d\xf5\x8c\x8b\x89\xca";  // " の検索結果"

using diskkit::RunProgram;

std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

class ReportCommands : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        folder = std::string(temp) + "zvt_reports\\";
        log = std::string(temp) + "zvt_reports.log";
        diskkit::RemoveTree(folder);
        CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
        // Stored report settings of earlier runs must not change the pages.
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\z.v\\zvkestor\\CreateList");
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\z.v\\zvkestor\\SearchKeyWord");
        HKEY key;
        if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\z.v\\zvkestor\\Rebuild", &key) == ERROR_SUCCESS) {
            DWORD two = 2;
            RegSetValueExA(key, "FileProtocolType", 0, REG_DWORD, (const BYTE*)&two, sizeof two);
            RegCloseKey(key);
        }
    }
    void TearDown() override {
        diskkit::RemoveTree(folder);
        DeleteFileA(log.c_str());
    }

    // Fills the cache and rebuilds it into the folder.
    bool Rebuild() {
        diskkit::ClearCache();
        FILETIME t = {0x2A3B4C00, 0x01D00000};
        bool ok = diskkit::PutInCache("http://rpt.test/", std::string("<html><title>Top &amp; ") +
                                                             kNihongoSjis + "</title>" + kNihongoSjis + "</html>",
                                      "html", t) &&
                  diskkit::PutInCache("http://rpt.test/s&q/default.asp", "<title>Asp</title>", "asp", t) &&
                  diskkit::PutInCache("http://rpt.test/euc/page.htm",
                                      std::string("<b>") + kNihongoEuc + "<b>", "htm", t) &&
                  diskkit::PutInCache("http://rpt.test/euc/other.htm", "<b>nothing</b>", "htm", t);
        return ok && RunProgram("/rebuild \"/folder:" + folder + "\"") == 0;
    }

    std::string Log() { return diskkit::ReadAll(log); }

    std::string folder, log;
};

TEST_F(ReportCommands, ListAndSearchWritePagesAndCountLines) {
    if (RunProgram("/list /nonsense") == -1) GTEST_SKIP() << "zvtorsel.exe is not built";
    ASSERT_TRUE(Rebuild());
    std::string head = Lines({"<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML i18n//EN\">", "<HTML>", "<HEAD>",
                              "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;charset=SHIFT_JIS\">"});
    std::string body = Lines({"</HEAD>", "<BODY TEXT=\"#000000\" LINK=\"#0000FF\" BGCOLOR=\"#FFFFFF\">",
                              "<FONT SIZE=3>"});
    std::string tail = Lines({"</FONT>", "</BODY>", "</HTML>"});

    EXPECT_EQ(0, RunProgram("/list \"/folder:" + folder + "\" \"/log:" + log + "\""));
    EXPECT_EQ(std::string(kListCount) + " : 2\r\n", Log());
    EXPECT_EQ(head + Lines({"<TITLE>" + std::string(kListTitle) + "</TITLE>",
                            "<BASE HREF=\"file://" + folder + "base.html\">"}) +
                  body +
                  Lines({std::string(kListTitle) + " : 2<BR>",
                         "<A HREF=\"http$\\rpt.test\\index.html\">http://rpt.test/</A> : Top &amp; " +
                             std::string(kNihongoSjis) + "<BR>",
                         "<A HREF=\"http$\\rpt.test\\s&q\\default.asp\">http://rpt.test/s&amp;q/default.asp</A>"
                         " : Asp<BR>"}) +
                  tail,
              diskkit::ReadAll(folder + "locallst.htm"));

    std::string expression = std::string("'") + kNihongoSjis + "'";
    EXPECT_EQ(0, RunProgram(std::string("/search:") + kNihongoSjis + " /search:zzz /or \"/folder:" + folder +
                            "\" \"/log:" + log + "\""));
    EXPECT_EQ(std::string(kFoundCount) + " : 2 / 4\r\n", Log());
    std::string heading = std::string("'") + kNihongoSjis + "' + 'zzz'" + kSearchResult;
    EXPECT_EQ(head + Lines({"<TITLE>" + heading + "</TITLE>", "<BASE HREF=\"file://" + folder + "base.html\">"}) +
                  body +
                  Lines({heading + " : 2 / 4<BR>",
                         "<A HREF=\"http$\\rpt.test\\euc\\page.htm\">http://rpt.test/euc/page.htm</A><BR>",
                         "<A HREF=\"http$\\rpt.test\\index.html\">http://rpt.test/index.html</A> : Top &amp; " +
                             std::string(kNihongoSjis) + "<BR>"}) +
                  tail,
              diskkit::ReadAll(folder + kNihongoSjis + "+zzz.htm"));

    // /in: narrows the search to a sub-folder; its own files are then skipped.
    EXPECT_EQ(0, RunProgram(std::string("/search:") + kNihongoSjis + " \"/in:" + folder + "http$\\rpt.test\" \"/folder:" +
                            folder + "\" \"/log:" + log + "\""));
    EXPECT_EQ(std::string(kFoundCount) + " : 1 / 3\r\n", Log());
    EXPECT_EQ(2, RunProgram("/list /search:x"));
    EXPECT_EQ(2, RunProgram("/search:a /search:b /search:c /search:d"));
}

TEST_F(ReportCommands, FailuresAndARunningCopy) {
    if (RunProgram("/list /nonsense") == -1) GTEST_SKIP() << "zvtorsel.exe is not built";
    std::string missing = folder + "missing\\";
    // A folder that is not there is refused before the job starts.
    EXPECT_EQ(2, RunProgram("/list \"/folder:" + missing + "\" \"/log:" + log + "\""));
    EXPECT_EQ(2, RunProgram("/search:x \"/folder:" + missing + "\" \"/log:" + log + "\""));

    HANDLE mutex = CreateMutexA(nullptr, TRUE, "z.v Torsel Sitekeeper is executing.");
    ASSERT_NE(nullptr, mutex);
    EXPECT_EQ(2, RunProgram("/list \"/folder:" + folder + "\""));
    CloseHandle(mutex);
}

}  // namespace

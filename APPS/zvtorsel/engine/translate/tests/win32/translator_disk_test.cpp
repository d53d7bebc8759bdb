#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "mapping/win32/win32_file_clock.h"
#include "base/win32/win32files.h"
#include "mapping/url_mapping.h"
#include "translate/html_translator.h"

namespace {

class TranslatorOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "zvh4test\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        path = folder + "\x83\x5c\x95\x5c.htm";  // trail bytes 0x5C in the name
    }
    void TearDown() override {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
        RemoveDirectoryA(folder.c_str());
    }
    void Put(const std::string& content) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD n;
        WriteFile(h, content.data(), (DWORD)content.size(), &n, nullptr);
        CloseHandle(h);
    }
    std::string Get() {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return "<missing>";
        std::string s(GetFileSize(h, nullptr), 0);
        DWORD n = 0;
        if (!s.empty()) ReadFile(h, &s[0], (DWORD)s.size(), &n, nullptr);
        CloseHandle(h);
        return s;
    }
    int FilesInFolder() {
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((folder + "*").c_str(), &d);
        int n = 0;
        if (h == INVALID_HANDLE_VALUE) return 0;
        do {
            if (!(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
        } while (FindNextFileA(h, &d));
        FindClose(h);
        return n;
    }

    std::string folder, path;
};

TEST_F(TranslatorOnDisk, TranslatesAndRestoresInPlace) {
    const std::string page = "<html>\r\n<a href=\"http://h/x.html\">\x83\x5c</a>\r\n</html>";
    Put(page);
    CWin32Files files;
    const MappingSettings mapping;
    CHtmlTranslator t(files, nullptr, mapping);
    ASSERT_TRUE(t.AllocBuffers(kBuffersAll));
    ASSERT_TRUE(t.OpenLinkScanners(TRUE));
    ASSERT_TRUE(t.LoadHtml(path.c_str(), TRUE));
    ASSERT_TRUE(t.Translate("C:\\Web\\", "http://h/", TRUE));
    const FILETIME when = {0x37a9aa80, 0x01bf3f21};  // 1999-12-05 13:04:09 UTC
    ASSERT_TRUE(t.WriteTranslated(path.c_str(), when, TRUE, TRUE));
    std::string translated = Get();
    EXPECT_EQ(translated.size() % 512, 0u);
    EXPECT_NE(translated.find("file://C:\\Web\\http$\\h\\x.html"), std::string::npos);
    EXPECT_EQ(FilesInFolder(), 1);

    long org, xlat, orgBlk;
    ASSERT_TRUE(t.ReadTranslationHeader(path.c_str(), &org, &xlat, &orgBlk));
    EXPECT_EQ(org, (long)page.size());
    EXPECT_EQ(orgBlk, org);

    FILETIME found;
    ASSERT_TRUE(Win32FileClock().LastWriteTime(path.c_str(), &found));
    EXPECT_EQ(found.dwHighDateTime, when.dwHighDateTime);
    EXPECT_EQ(found.dwLowDateTime, when.dwLowDateTime);

    ASSERT_TRUE(t.LoadHtml(path.c_str(), FALSE));
    ASSERT_TRUE(t.WriteOriginal(path.c_str(), when));
    EXPECT_EQ(Get(), page);
    EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(TranslatorOnDisk, TimeStampUsesTheFileWhenTheEntryHasNoTime) {
    Put("x");
    FILETIME when = {0x7db50500, 0x01c08d96};  // 2001-02-03 04:05:06 UTC
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFileTime(h, nullptr, nullptr, &when);
    CloseHandle(h);
    MappingSettings settings;
    settings.clock = &Win32FileClock();
    char out[kUrlBufferSize];
    ASSERT_TRUE(MapUrlToName(("http://h/q?" + std::string(60, 'a')).c_str(), path.c_str(),
                             FILETIME{0, 0}, FALSE, out, sizeof out, settings));
    EXPECT_STREQ(out, "http://h/q_01203_040506.htm");
    FILETIME none;
    EXPECT_FALSE(Win32FileClock().LastWriteTime((folder + "nothing").c_str(), &none));
}

}  // namespace

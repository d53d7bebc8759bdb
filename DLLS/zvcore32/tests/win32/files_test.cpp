#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zvcore32.h"

namespace {

// A private folder below the temp folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        path_ = std::string(base) + "zvcore32_test_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder() { RemoveTree(path_); }
    const std::string& path() const { return path_; }

    void CreateFile(const std::string& name, const FILETIME* time = nullptr) const {
        HANDLE h = ::CreateFileA((path_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << name;
        DWORD written;
        WriteFile(h, "x", 1, &written, nullptr);
        if (time) SetFileTime(h, nullptr, nullptr, time);
        CloseHandle(h);
    }
    bool Exists(const std::string& name) const {
        return GetFileAttributesA((path_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    static void RemoveTree(const std::string& folder) {
        WIN32_FIND_DATAA data;
        HANDLE h = FindFirstFileA((folder + "*").c_str(), &data);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::string name = data.cFileName;
                if (name == "." || name == "..") continue;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(folder + name + "\\");
                } else {
                    DeleteFileA((folder + name).c_str());
                }
            } while (FindNextFileA(h, &data));
            FindClose(h);
        }
        RemoveDirectoryA(folder.c_str());
    }
    std::string path_;
};

// A successful extension scan is the one call that clears the last error.
void ClearError() {
    zvScanExtNameA("x.y");
    ASSERT_EQ(zvGetErrCode(), 0u);
}

FILETIME LocalTime(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s) {
    SYSTEMTIME st = {y, mo, 0, d, h, mi, s, 0};
    FILETIME local, utc;
    SystemTimeToFileTime(&st, &local);
    LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

}  // namespace

TEST(Exports, EveryFunctionResolvesByUndecoratedName) {
    HMODULE module = LoadLibraryA("zvcore32.dll");
    ASSERT_NE(module, nullptr);
    const char* names[] = {
        "zvGetVersion", "zvGetErrCode", "zvDispLastError", "zvFigureSepStrA", "zvFigureSepInt32A",
        "zvFigureSepInt64A", "zvScanFileNameA", "zvScanExtNameA", "zvControlRightPathA", "zvControlRightUrlA",
        "zvMakeUniqPathA", "zvMakeDirectoriesA", "zvRenameFileA", "zvGetDBCSLeadTable", "zvScanFileNameW",
        "zvScanExtNameW", "zvControlRightPathW", "zvControlRightUrlW", "zvControlFileTimeAtFat",
        "zvRegulateFileTime", "zvAddTimeToFileTime", "zvSubTimeToFileTime", "zvSetFileTimeA", "zvSetFileTimeW",
        "zvMakeUniqPathW", "zvMakeDirectoriesW", "zvRenameFileW", "zvCreateFileOpA", "zvCreateFileOpW",
        "zvSetFileOpEntry", "zvOperateFileOpA", "zvOperateFileOpW", "zvCloseFileOp",
    };
    for (const char* name : names) EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
    auto version = (int(WINAPI*)())(void*)GetProcAddress(module, "zvGetVersion");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version(), 113);
    FreeLibrary(module);
}

TEST(LibraryState, TablesFollowTheSystemCodePage) {
    ASSERT_EQ(GetACP(), 932u) << "tests run with LC_ALL=ja_JP.UTF-8";
    const BYTE* lead = zvGetDBCSLeadTable();
    for (int b = 32; b < 256; ++b) EXPECT_EQ(lead[b], IsDBCSLeadByte((BYTE)b) ? 1 : 0) << b;
}

TEST(FigureSep, FormatsWithThousandsSeparator) {
    char out[64];
    EXPECT_STREQ(zvFigureSepInt32A(1234567, out, sizeof out, 0), "1,234,567");
    EXPECT_STREQ(zvFigureSepInt32A(-1, out, sizeof out, 0), "4,294,967,295");
    EXPECT_STREQ(zvFigureSepInt32A(999, out, sizeof out, 0), "999");
    EXPECT_STREQ(zvFigureSepInt32A(0, out, sizeof out, 0), "0");
    EXPECT_STREQ(zvFigureSepInt64A(0x2DFDC1C3u, 0x1u, out, sizeof out, 0), "5,066,572,227");
    EXPECT_STREQ(zvFigureSepStrA("1000", out, sizeof out, 0), "1,000");
    char tiny[3];
    EXPECT_EQ(zvFigureSepInt32A(1234567, tiny, sizeof tiny, 0), nullptr) << "too small a buffer is refused";
}

TEST(MakeUniqPath, DateThenTimeThenCounterWithFlags0x12) {
    TempFolder dir;
    FILETIME stamp = LocalTime(1999, 12, 31, 23, 59, 58);
    dir.CreateFile("page.htm", &stamp);
    char out[MAX_PATH];
    std::string path = dir.path() + "page.htm";

    ASSERT_TRUE(zvMakeUniqPathA(out, path.c_str(), nullptr, 0x12));
    EXPECT_EQ(std::string(out), dir.path() + "page_99c31.htm");
    dir.CreateFile("page_99c31.htm");
    ASSERT_TRUE(zvMakeUniqPathA(out, path.c_str(), nullptr, 0x12));
    EXPECT_EQ(std::string(out), dir.path() + "page_99c31_235958.htm");
    dir.CreateFile("page_99c31_235958.htm");
    ASSERT_TRUE(zvMakeUniqPathA(out, path.c_str(), &stamp, 0x12));
    EXPECT_EQ(std::string(out), dir.path() + "page_99c31_235958(1).htm");
    dir.CreateFile("page_99c31_235958(1).htm");
    ASSERT_TRUE(zvMakeUniqPathA(out, path.c_str(), &stamp, 0x12));
    EXPECT_EQ(std::string(out), dir.path() + "page_99c31_235958(2).htm");
}

TEST(MakeUniqPath, CounterAtOnceAndErrors) {
    TempFolder dir;
    dir.CreateFile("name.ext");
    char out[MAX_PATH];
    FILETIME stamp = LocalTime(2001, 2, 3, 4, 5, 6);
    ASSERT_TRUE(zvMakeUniqPathA(out, (dir.path() + "free.ext").c_str(), &stamp, 0x01));
    EXPECT_EQ(std::string(out), dir.path() + "free(1).ext") << "flag 0x01 skips the plain name";
    ASSERT_TRUE(zvMakeUniqPathA(out, (dir.path() + "noext").c_str(), &stamp, 0x08));
    EXPECT_EQ(std::string(out), dir.path() + "noext_01203");

    ClearError();
    EXPECT_FALSE(zvMakeUniqPathA(out, (dir.path() + "missing.htm").c_str(), nullptr, 0x12));
    EXPECT_EQ(zvGetErrCode(), 0x7A768004u);
}

TEST(MakeUniqPath, CandidateLongerThanMaxPathFailsWithoutOverflow) {
    struct Guarded {
        char out[MAX_PATH];
        char guard[64];
    } buffers;
    memset(buffers.guard, 0x5A, sizeof buffers.guard);
    std::string path = "c:\\" + std::string(MAX_PATH - 10, 'a') + ".htm";  // 3 + 250 + 4 bytes
    FILETIME stamp = LocalTime(2001, 2, 3, 4, 5, 6);
    ClearError();
    EXPECT_FALSE(zvMakeUniqPathA(buffers.out, path.c_str(), &stamp, 0x12));
    EXPECT_EQ(zvGetErrCode(), 0x7A760003u);
    for (char c : buffers.guard) ASSERT_EQ(c, 0x5A);
}

TEST(MakeDirectories, CreatesAncestorsOnly) {
    TempFolder dir;
    EXPECT_TRUE(zvMakeDirectoriesA((dir.path() + "a\\b/c.htm").c_str()));
    EXPECT_TRUE(dir.Exists("a\\b"));
    EXPECT_FALSE(dir.Exists("a\\b\\c.htm"));
    EXPECT_TRUE(zvMakeDirectoriesA((dir.path() + "x\\y\\").c_str()));
    EXPECT_TRUE(dir.Exists("x\\y"));
    std::string so = std::string("\x83\x5c") + "\\f.htm";
    EXPECT_TRUE(zvMakeDirectoriesA((dir.path() + so).c_str()));
    EXPECT_TRUE(dir.Exists("\x83\x5c"));
    EXPECT_TRUE(zvMakeDirectoriesA("c:\\x.htm"));
    ClearError();
    EXPECT_FALSE(zvMakeDirectoriesA("nofolder.htm"));
    EXPECT_EQ(zvGetErrCode(), 0x7A760003u);
    dir.CreateFile("blocker");
    EXPECT_FALSE(zvMakeDirectoriesA((dir.path() + "blocker\\sub\\f.htm").c_str()));
    EXPECT_EQ(zvGetErrCode(), 0x7A768015u);
}

TEST(RenameFile, RenamesThroughTemporaryAndRefusesExistingTarget) {
    TempFolder dir;
    dir.CreateFile("old.htm");
    dir.CreateFile("taken.htm");
    EXPECT_TRUE(zvRenameFileA((dir.path() + "old.htm").c_str(), "new.htm"));
    EXPECT_TRUE(dir.Exists("new.htm"));
    EXPECT_FALSE(dir.Exists("old.htm"));
    EXPECT_FALSE(dir.Exists("zvcore32.tmp"));

    ClearError();
    EXPECT_FALSE(zvRenameFileA((dir.path() + "new.htm").c_str(), "TAKEN.htm"));
    EXPECT_EQ(zvGetErrCode(), 0x7A76800Cu);
    EXPECT_TRUE(dir.Exists("new.htm"));

    EXPECT_FALSE(zvRenameFileA((dir.path() + "absent.htm").c_str(), "other.htm"));
    EXPECT_EQ(zvGetErrCode(), 0x7A76800Bu);
    EXPECT_FALSE(dir.Exists("zvcore32.tmp"));
}

TEST(SetFileTime, SetsLastWriteAndReportsMissingFile) {
    TempFolder dir;
    dir.CreateFile("f.htm");
    FILETIME t = LocalTime(2000, 1, 2, 3, 4, 6);
    ASSERT_TRUE(zvSetFileTimeA((dir.path() + "f.htm").c_str(), &t));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA((dir.path() + "f.htm").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &t), 0);

    ClearError();
    EXPECT_FALSE(zvSetFileTimeA((dir.path() + "missing.htm").c_str(), &t));
    EXPECT_EQ(zvGetErrCode(), 0x7A768005u);
    FILETIME zero = {0, 0};
    EXPECT_FALSE(zvSetFileTimeA((dir.path() + "f.htm").c_str(), &zero));
    EXPECT_EQ(zvGetErrCode(), 0x7A760003u);
}

TEST(WideFileOperations, FollowTheNarrowRules) {
    TempFolder dir;
    FILETIME stamp = LocalTime(1999, 12, 31, 23, 59, 58);
    dir.CreateFile("w.htm", &stamp);
    std::wstring folder(dir.path().begin(), dir.path().end());
    WCHAR out[MAX_PATH];
    ASSERT_TRUE(zvMakeUniqPathW(out, (folder + L"w.htm").c_str(), nullptr, 0x12));
    EXPECT_EQ(std::wstring(out), folder + L"w_99c31.htm");

    ASSERT_TRUE(zvMakeDirectoriesW((folder + L"\x30bd\\\x8868\\f.htm").c_str()));
    EXPECT_NE(GetFileAttributesW((folder + L"\x30bd\\\x8868").c_str()), INVALID_FILE_ATTRIBUTES);

    ASSERT_TRUE(zvRenameFileW((folder + L"w.htm").c_str(), L"\x30bd.htm"));
    EXPECT_NE(GetFileAttributesW((folder + L"\x30bd.htm").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(dir.Exists("zvcore32.tmp"));
}

TEST(WideFileOperations, TheLongFormFindsNamesBeyondMaxPath) {
    TempFolder dir;
    FILETIME stamp = LocalTime(1999, 12, 31, 23, 59, 58);
    std::wstring folder = L"\\\\?\\" + std::wstring(dir.path().begin(), dir.path().end()) + std::wstring(200, L'd');
    std::wstring stem = folder + L"\\" + std::wstring(80, L'f');
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    HANDLE h = CreateFileW((stem + L".htm").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFileTime(h, nullptr, nullptr, &stamp);
    CloseHandle(h);

    std::vector<WCHAR> out(ZV_LONG_PATH_UNITS);
    EXPECT_TRUE(zvMakeUniqPathW(out.data(), (stem + L".htm").c_str(), nullptr, 0x12));
    EXPECT_EQ(std::wstring(out.data()), stem + L"_99c31.htm");
    ClearError();
    WCHAR plain[MAX_PATH];
    EXPECT_FALSE(zvMakeUniqPathW(plain, (stem + L".htm").substr(4).c_str(), &stamp, 0x12)) << "the plain form stops";
    EXPECT_EQ(zvGetErrCode(), 0x7A760003u);

    DeleteFileW((stem + L".htm").c_str());
    RemoveDirectoryW(folder.c_str());
}

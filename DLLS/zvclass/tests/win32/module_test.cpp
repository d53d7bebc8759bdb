#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zvclass.h"

namespace {

// Names in the module's export table.
std::vector<std::string> ExportNames(HMODULE module) {
    std::vector<std::string> names;
    auto base = (const BYTE*)module;
    auto dos = (const IMAGE_DOS_HEADER*)base;
    auto nt = (const IMAGE_NT_HEADERS*)(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (!dir.VirtualAddress) return names;
    auto exports = (const IMAGE_EXPORT_DIRECTORY*)(base + dir.VirtualAddress);
    auto nameRvas = (const DWORD*)(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) names.push_back((const char*)(base + nameRvas[i]));
    return names;
}

bool Exported(const std::vector<std::string>& names, const std::string& klass, const std::string& member) {
    for (const auto& n : names) {
        if (n.find(klass) != std::string::npos && n.find(member) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

TEST(ClassModule, ExportsEveryClassOperation) {
    HMODULE module = LoadLibraryA("zvclass.dll");
    ASSERT_NE(module, nullptr);
    std::vector<std::string> names = ExportNames(module);
    const struct {
        const char* klass;
        const char* member;
    } expected[] = {
        {"8zvCTime2", "SetCurrentTime"}, {"8zvCTime2", "AdjustEvenSecond"}, {"8zvCTime2", "Format"},
        {"8zvCTime2", "GetYear"},        {"8zvCTime2", "eqE"},              {"8zvCTime2", "ltE"},
        {"7zvCTime", "AdjustEvenSecond"}, {"7zvCTime", "GetSecond"},        {"7zvCHash", "GetHash"},
        {"8zvCArray", "ExpandEntries"},  {"8zvCArray", "GetEntries"},       {"8zvCArray", "ixE"},
        {"11zvCThousand", "MakeThousand"}, {"8zvCExDll", "GetVersion"},     {"8zvCExDll", "SetCtrlErrMsg"},
        {"8zvCExDll", "GetCtrlErrMsg"},  {"11zvCInternal", "IsInvalid"},    {"11zvCInternal", "GetInternal"},
    };
    for (const auto& e : expected) EXPECT_TRUE(Exported(names, e.klass, e.member)) << e.klass << "::" << e.member;
    FreeLibrary(module);
}

TEST(ClassModule, StringTableAndVersionBlock) {
    HMODULE module = GetModuleHandleA("zvclass.dll");
    ASSERT_NE(module, nullptr);
    char text[128];
    ASSERT_GT(LoadStringA(module, 6, text, sizeof text), 0);
    EXPECT_STREQ(text, "%04d/%02d/%02d %02d:%02d:%02d");
    ASSERT_GT(LoadStringA(module, 9, text, sizeof text), 0);
    EXPECT_STREQ(text, "\x92v\x96\xbd\x93I\x82\xc8\x83G\x83\x89\x81[ : zvCHash \x82\xaa\x83\x81\x83\x82\x83\x8a\x81[\x8am\x95\xdb\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81" "B")
        << "Shift_JIS text of message 9";

    char path[MAX_PATH];
    GetModuleFileNameA(module, path, sizeof path);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", (void**)&fixed, &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    char* description = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\041103a4\\FileDescription", (void**)&description,
                               &length));
    EXPECT_STREQ(description, "z.v Extension DLL ver.1.02");
}

TEST(ClassModule, LocalTimeFollowsTheSystem) {
    SYSTEMTIME st = {2004, 2, 0, 29, 23, 59, 59, 0};
    FILETIME local, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    zvCTime2 t(utc);
    EXPECT_STREQ(t.Format(), "2004/02/29 23:59:59");
}

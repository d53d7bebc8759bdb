#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "zvcore32.h"

namespace {


// A private key below HKEY_CURRENT_USER, removed with everything in it.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { key_ = "Software\\zvcore32_test_" + std::to_string(GetCurrentProcessId()); }
    void TearDown() override { zvRegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str()); }
    const char* key() const { return key_.c_str(); }
    std::string key_;
};

TEST_F(RegistryTest, ValuesRoundTripWithTheirTypes) {
    ASSERT_TRUE(zvRegSetKeyAndStrValueA(HKEY_CURRENT_USER, key(), "sub", "text", "\x95\x5C\x8E\xA6"));
    ASSERT_TRUE(zvRegSetKeyAndDwordValueA(HKEY_CURRENT_USER, key(), "sub", "number", 0xCAFE));
    const BYTE bytes[5] = {1, 0, 2, 0, 3};
    ASSERT_TRUE(zvRegSetKeyAndBinValueA(HKEY_CURRENT_USER, key(), "sub", "blob", bytes, sizeof bytes));
    EXPECT_TRUE(zvRegFindKeyA(HKEY_CURRENT_USER, key(), "sub"));

    char text[16];
    ASSERT_TRUE(zvRegGetStrValueA(HKEY_CURRENT_USER, key(), "sub", "text", text, sizeof text));
    EXPECT_STREQ("\x95\x5C\x8E\xA6", text);
    DWORD number = 0;
    ASSERT_TRUE(zvRegGetDwordValueA(HKEY_CURRENT_USER, key(), "sub", "number", &number));
    EXPECT_EQ(0xCAFEu, number);
    BYTE back[8] = {};
    ASSERT_TRUE(zvRegGetBinValueA(HKEY_CURRENT_USER, key(), "sub", "blob", back, sizeof back));
    EXPECT_EQ(0, memcmp(bytes, back, sizeof bytes));

    // The same key through the wide twins.
    std::wstring wkey(key_.begin(), key_.end());
    WCHAR wtext[16];
    ASSERT_TRUE(zvRegSetKeyAndStrValueW(HKEY_CURRENT_USER, wkey.c_str(), L"sub", L"wide", L"abc"));
    ASSERT_TRUE(zvRegGetStrValueW(HKEY_CURRENT_USER, wkey.c_str(), L"sub", L"wide", wtext, sizeof wtext));
    EXPECT_STREQ(L"abc", wtext);
}

TEST_F(RegistryTest, FailuresGiveTheirCodes) {
    ASSERT_TRUE(zvRegSetKeyAndStrValueA(HKEY_CURRENT_USER, key(), nullptr, "text", "a longer text"));
    ASSERT_TRUE(zvRegSetKeyAndDwordValueA(HKEY_CURRENT_USER, key(), nullptr, "number", 7));
    char small[4] = "xyz";
    DWORD number;
    EXPECT_FALSE(zvRegGetStrValueA(HKEY_CURRENT_USER, key(), nullptr, "text", small, sizeof small));
    EXPECT_EQ(0x7A768020u, zvGetErrCode()) << "too small a buffer";
    EXPECT_STREQ("xyz", small) << "nothing written past the buffer";

    EXPECT_FALSE(zvRegGetStrValueA(HKEY_CURRENT_USER, key(), nullptr, "number", small, sizeof small));
    EXPECT_EQ(0x7A760009u, zvGetErrCode()) << "wrong type";
    EXPECT_FALSE(zvRegGetDwordValueA(HKEY_CURRENT_USER, key(), nullptr, "missing", &number));
    EXPECT_EQ(0x7A768020u, zvGetErrCode()) << "missing value";
    EXPECT_FALSE(zvRegGetDwordValueA(HKEY_CURRENT_USER, key(), "nokey", "number", &number));
    EXPECT_EQ(0x7A76801Du, zvGetErrCode()) << "missing key";
    EXPECT_FALSE(zvRegFindKeyA(HKEY_CURRENT_USER, key(), "nokey"));
    EXPECT_EQ(0x7A76801Du, zvGetErrCode());
    EXPECT_FALSE(zvRegGetDwordValueA(HKEY_CURRENT_USER, key(), nullptr, "number", nullptr));
    EXPECT_EQ(0x7A760003u, zvGetErrCode()) << "null buffer";
    EXPECT_FALSE(zvRegDeleteKeyA(HKEY_CURRENT_USER, (key_ + "\\nokey").c_str()));
    EXPECT_EQ(0x7A76801Du, zvGetErrCode());
}

TEST_F(RegistryTest, DeleteRemovesNestedSubkeys) {
    ASSERT_TRUE(zvRegSetKeyAndDwordValueA(HKEY_CURRENT_USER, key(), "a\\b\\c", "v", 1));
    ASSERT_TRUE(zvRegSetKeyAndDwordValueA(HKEY_CURRENT_USER, key(), "a\\d", "v", 2));
    ASSERT_TRUE(zvRegSetKeyAndDwordValueA(HKEY_CURRENT_USER, key(), "e", "v", 3));
    EXPECT_TRUE(zvRegDeleteKeyA(HKEY_CURRENT_USER, key()));
    EXPECT_FALSE(zvRegFindKeyA(HKEY_CURRENT_USER, key(), nullptr));
}

TEST(ComRegistration, GuidTextAndServerKeys) {
    // {01234567-89AB-CDEF-0123-456789ABCDEF}
    const GUID id = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    const char idText[] = "{01234567-89AB-CDEF-0123-456789ABCDEF}";
    char text[64];
    ASSERT_EQ(S_OK, zvStringFromGuidA(&id, text, sizeof text));
    EXPECT_STREQ(idText, text);
    EXPECT_EQ((HRESULT)0x80070057, zvStringFromGuidA(nullptr, text, sizeof text));
    EXPECT_NE(S_OK, zvStringFromGuidA(&id, text, 10)) << "too small a buffer is a failure";

    const std::string clsid = std::string("CLSID\\") + idText;
    ASSERT_EQ(S_OK, zvRegisterServerA(&id, 4 | 32 | (5 << 16), "C:\\x\\srv.dll", "Test server", "zvTest.Server.1",
                                      "zvTest.Server", 0x31, &id, 0x00020001));
    char value[MAX_PATH];
    auto read = [&](const std::string& key, const char* sub, const char* name) {
        value[0] = 0;
        return zvRegGetStrValueA(HKEY_CLASSES_ROOT, key.c_str(), sub, name, value, sizeof value) ? std::string(value)
                                                                                                 : std::string("?");
    };
    EXPECT_EQ("Test server", read(clsid, nullptr, nullptr));
    EXPECT_EQ("C:\\x\\srv.dll", read(clsid, "InprocServer32", nullptr));
    EXPECT_EQ("Apartment", read(clsid, "InprocServer32", "ThreadingModel"));
    EXPECT_TRUE(zvRegFindKeyA(HKEY_CLASSES_ROOT, clsid.c_str(), "Programmable"));
    EXPECT_FALSE(zvRegFindKeyA(HKEY_CLASSES_ROOT, clsid.c_str(), "Control"));
    EXPECT_EQ("C:\\x\\srv.dll,5", read(clsid, "ToolboxBitmap32", nullptr));
    EXPECT_EQ("0", read(clsid, "MiscStatus", nullptr));
    EXPECT_EQ("49", read(clsid, "MiscStatus", "1"));
    EXPECT_EQ("zvTest.Server.1", read(clsid, "ProgID", nullptr));
    EXPECT_EQ(idText, read("zvTest.Server.1", "CLSID", nullptr));
    EXPECT_EQ("zvTest.Server.1", read("zvTest.Server", "CurVer", nullptr));
    EXPECT_EQ(idText, read(clsid, "TypeLib", nullptr));
    EXPECT_EQ("1.2", read(clsid, "Version", nullptr));

    EXPECT_EQ(S_OK, zvUnregisterServerA(&id, "zvTest.Server.1", "zvTest.Server"));
    EXPECT_FALSE(zvRegFindKeyA(HKEY_CLASSES_ROOT, clsid.c_str(), nullptr));
    EXPECT_FALSE(zvRegFindKeyA(HKEY_CLASSES_ROOT, "zvTest.Server.1", nullptr));
    EXPECT_FALSE(zvRegFindKeyA(HKEY_CLASSES_ROOT, "zvTest.Server", nullptr));
}

}  // namespace

// The Susie plug-in host against zvpng.spi and a plug-in that decodes only
// data beginning with "OK".
#include "pictures/win32/spihost.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "pictures/win32/win32captions.h"
#include "base/win32/win32files.h"
#include "zvpix32.h"

namespace {

// 3 x 2 RGBA: red, blue, red / red, red, green of alpha 127.
const char kPng[] =
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x03\x00\x00\x00\x02"
    "\x08\x06\x00\x00\x00\x9d\x74\x66\x1a\x00\x00\x00\x1a\x49\x44\x41\x54\x08\xd7\x63\xf8\xcf\xc0\xf0"
    "\x9f\x81\xe1\xff\xff\xff\x0c\x0c\xff\x21\x2c\x08\xa3\x1e\x00\x98\x01\x0b\x75\x23\x93\x60\xad\x00"
    "\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82";

std::string TestFolder() {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string path = module;
    return path.substr(0, path.find_last_of('\\') + 1);
}

class SpiHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        table.resize(3);
        table[0].extension = "png";
        table[0].path = TestFolder() + "zvpng.spi";
        table[1].extension = "zz";
        table[1].path = TestFolder() + "zvfailspi.spi";
        table[2].extension = "gone";
        table[2].path = TestFolder() + "missing.spi";
        if (GetFileAttributesA(table[0].path.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no zvpng.spi";
        ASSERT_TRUE(LoadSpiModules(table));
        takeCalls = (int(WINAPI*)())(void*)GetProcAddress(table[1].module, "TakeCallCount");
        ASSERT_TRUE(takeCalls);
    }
    void TearDown() override { UnloadSpiModules(table); }

    std::vector<SpiPlugin> table;
    int(WINAPI* takeCalls)() = nullptr;
};

TEST_F(SpiHostTest, LoadsOnlyPluginsWithBothEntryPoints) {
    EXPECT_TRUE(table[0].module && table[0].getPicture && table[0].getPictureInfo);
    EXPECT_TRUE(table[1].module);
    EXPECT_EQ(nullptr, table[2].module);
    EXPECT_EQ(nullptr, table[2].getPicture);
    std::vector<BYTE> packed;
    EXPECT_FALSE(SpiDecode(table[2], (const BYTE*)kPng, sizeof(kPng) - 1, packed));
    UnloadSpiModules(table);
    EXPECT_EQ(nullptr, table[0].module);
    EXPECT_EQ(nullptr, table[0].getPicture);
}

TEST_F(SpiHostTest, PngPluginDecodesAfterALeading128ByteHeader) {
    std::string withHeader(128, 'h');
    withHeader.append(kPng, sizeof(kPng) - 1);
    for (const std::string& data : {std::string(kPng, sizeof(kPng) - 1), withHeader}) {
        std::vector<BYTE> packed;
        ASSERT_TRUE(SpiDecode(table[0], (const BYTE*)data.data(), (DWORD)data.size(), packed));
        DibInfo info;
        info.size = DIBINFO_SIZE;
        HZVDIB dib = zvSetDIBitmap(packed.data(), (DWORD)packed.size(), &info);
        ASSERT_TRUE(dib);
        EXPECT_EQ(3u, info.width);
        EXPECT_EQ(2u, info.height);
        EXPECT_EQ((DWORD)ZVFMT_24BIT, info.format & ~1u);
        const BYTE* blue = info.topRow + 3;
        EXPECT_EQ(255, blue[0]);
        EXPECT_EQ(0, blue[2]);
        const BYTE* halfGreen = info.topRow + info.rowStep + 6;  // laid on white
        EXPECT_EQ(128, halfGreen[0]);
        EXPECT_EQ(255, halfGreen[1]);
        EXPECT_EQ(128, halfGreen[2]);
        zvDeleteDIBitmap(dib);
    }

    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string path = std::string(temp) + "zvt_spi.png";
    CWin32Files files;
    ASSERT_TRUE(WriteWholeFile(files, path.c_str(), withHeader.data(), withHeader.size(), nullptr));
    int width = 0, height = 0;
    EXPECT_TRUE(SpiPictureSize(table[0], path.c_str(), &width, &height));
    EXPECT_EQ(3, width);
    EXPECT_EQ(2, height);
    DeleteFileA(path.c_str());
}

TEST_F(SpiHostTest, FailedCallsAreRetried128BytesOnOnlyForLongerData) {
    std::vector<BYTE> packed;
    std::string data = std::string(128, 'x') + "OK\x07";
    ASSERT_TRUE(SpiDecode(table[1], (const BYTE*)data.data(), (DWORD)data.size(), packed));
    EXPECT_EQ(2, takeCalls());
    ASSERT_GE(packed.size(), sizeof(BITMAPINFOHEADER) + 8);
    EXPECT_EQ(7, packed[sizeof(BITMAPINFOHEADER) + 1]);

    std::string exact(128, 'x');
    EXPECT_FALSE(SpiDecode(table[1], (const BYTE*)exact.data(), (DWORD)exact.size(), packed));
    EXPECT_EQ(1, takeCalls());

    std::string direct = "OK\x05";
    EXPECT_TRUE(SpiDecode(table[1], (const BYTE*)direct.data(), (DWORD)direct.size(), packed));
    EXPECT_EQ(1, takeCalls());

    int width, height;
    EXPECT_FALSE(SpiPictureSize(table[1], "C:\\any.zz", &width, &height));
    EXPECT_EQ(2, takeCalls());
}

}  // namespace

#include "pictures/viewerlogic.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "mapping/mapping_settings.h"
#include "picturekit.h"
#include "pictures/spilist.h"

namespace {

TEST(SourceViewText, LineEndsBecomeCrLfWithinTheBufferWithoutSplittingCharacters) {
    const BYTE* lead = MappingSettings().leadTable;
    char out[32];
    std::string text = "a\nb\r\nc\x95\\d";
    size_t n = PrepareSourceText(text.data(), text.size(), out, sizeof(out), lead);
    EXPECT_EQ(std::string("a\r\nb\r\nc\x95\\d"), std::string(out, n));

    // 100 KB of lines: the edit text stays below 63000 bytes, ends whole.
    std::string big;
    while (big.size() < 100000) big += "0123456789\n";
    std::vector<char> buffer(kSourceViewCapacity);
    n = PrepareSourceText(big.data(), big.size(), buffer.data(), buffer.size(), lead);
    EXPECT_LE(n, 62999u);
    EXPECT_GE(n, 62998u);
    EXPECT_EQ(0, buffer[n]);
    EXPECT_EQ(n, strlen(buffer.data()));

    // A double-byte character at the very end is left out rather than cut.
    std::string dbcs = "ab\x95\\";
    n = PrepareSourceText(dbcs.data(), dbcs.size(), out, 4, lead);
    EXPECT_EQ(std::string("ab"), std::string(out, n));
    n = PrepareSourceText("x\n", 2, out, 3, lead);
    EXPECT_EQ(std::string("x"), std::string(out, n));
}

class CRefusingPlugin : public IPicturePlugins {
public:
    int Count() override { return 1; }
    const char* Extension(int) override { return "gif"; }
    bool PictureSize(int, const char*, int*, int*) override { return false; }
    bool Decode(int, const BYTE*, DWORD, std::vector<BYTE>& packed) override {
        ++calls;
        if (!accept) return false;
        std::vector<BYTE> bmp = SolidBmp(3, 2, 0);
        packed.assign(bmp.begin() + 14, bmp.end());
        return true;
    }
    int calls = 0;
    bool accept = false;
};

TEST(PictureViewDecoding, PluginsComeFirstThenTheBuiltInDecoders) {
    std::vector<BYTE> bmp = SolidBmp(7, 5, 0x123456), packed;
    CRefusingPlugin plugin;
    DibInfo info;
    HZVDIB dib = DecodeForViewer(bmp.data(), (DWORD)bmp.size(), &plugin, packed, info);
    ASSERT_TRUE(dib);
    EXPECT_EQ(1, plugin.calls);
    EXPECT_EQ(7u, info.width);
    zvDeleteDIBitmap(dib);

    plugin.accept = true;
    dib = DecodeForViewer(bmp.data(), (DWORD)bmp.size(), &plugin, packed, info);
    ASSERT_TRUE(dib);
    EXPECT_EQ(3u, info.width);
    zvDeleteDIBitmap(dib);

    std::vector<BYTE> text = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(nullptr, DecodeForViewer(text.data(), (DWORD)text.size(), nullptr, packed, info));
}

TEST(PictureViewPlacement, ScrollBarsAreDecidedAndTheWindowGrowsForThem) {
    const ViewerFrame frame = {8, 30, 16, 16};
    // A small picture: no bars, window = picture + frame.
    ViewerPlacement p = PlacePictureWindow(-20, -5, 200, 100, frame, 0, 0, 1280, 1000);
    EXPECT_EQ(0, p.x);
    EXPECT_EQ(0, p.y);
    EXPECT_EQ(208, p.width);
    EXPECT_EQ(130, p.height);
    EXPECT_FALSE(p.bars.horizontal || p.bars.vertical);

    // Too tall: a vertical bar, and the window widens by its width.
    p = PlacePictureWindow(100, 0, 300, 2000, frame, 0, 0, 1280, 1000);
    EXPECT_EQ(1000, p.height);
    EXPECT_EQ(324, p.width);
    EXPECT_TRUE(p.bars.vertical);
    EXPECT_FALSE(p.bars.horizontal);

    // Too tall near the right edge: no room to widen, so a horizontal bar too.
    p = PlacePictureWindow(1280 - 308, 0, 300, 2000, frame, 0, 0, 1280, 1000);
    EXPECT_EQ(308, p.width);
    EXPECT_TRUE(p.bars.vertical);
    EXPECT_TRUE(p.bars.horizontal);

    // A vertical bar alone can make the width short: both bars.
    ViewerBars bars = DecideBars(308, 130, 300, 110, frame);
    EXPECT_TRUE(bars.vertical);
    EXPECT_TRUE(bars.horizontal);

    int minW, minH, maxW, maxH;
    PictureWindowLimits(300, 2000, frame, p.bars, &minW, &minH, &maxW, &maxH);
    EXPECT_EQ(8 + 16 + 1, minW);
    EXPECT_EQ(30 + 16 + 1, minH);
    EXPECT_EQ(324, maxW);
    EXPECT_EQ(2046, maxH);

    EXPECT_EQ(0, ClampScroll(-5, 300, 100));
    EXPECT_EQ(200, ClampScroll(250, 300, 100));
    EXPECT_EQ(0, ClampScroll(10, 50, 100));
}

TEST(PictureViewPlacement, TinyPicturesGetAUsableWindowCentredWithoutAStoredPosition) {
    const ViewerFrame frame = {8, 30, 16, 16};
    ViewerPlacement p = PlacePictureWindow(kViewerNoPosition, 0, 1, 1, frame, 0, 40, 1280, 1040);
    EXPECT_EQ(kViewerMinClientWidth + 8, p.width);
    EXPECT_EQ(kViewerMinClientHeight + 30, p.height);
    EXPECT_EQ((1280 - p.width) / 2, p.x);
    EXPECT_EQ(40 + (1000 - p.height) / 2, p.y);
    EXPECT_FALSE(p.bars.horizontal || p.bars.vertical) << "a client larger than the picture needs no bar";

    int minW, minH, maxW, maxH;
    PictureWindowLimits(1, 1, frame, p.bars, &minW, &minH, &maxW, &maxH);
    EXPECT_EQ(p.width, maxW) << "the placed size can be kept when resizing";
    EXPECT_EQ(p.height, maxH);

    // A stored position is kept (inside the work area).
    p = PlacePictureWindow(300, 200, 1, 1, frame, 0, 0, 1280, 1000);
    EXPECT_EQ(300, p.x);
    EXPECT_EQ(200, p.y);
}

}  // namespace

namespace {

TEST(SpiListValues, SplitAtTheFirstComma) {
    SpiListEntry entry;
    ASSERT_TRUE(ParseSpiValue("spi,C:\\x.spi", entry));
    EXPECT_EQ("spi", entry.extension);
    EXPECT_EQ("C:\\x.spi", entry.path);
    ASSERT_TRUE(ParseSpiValue("jpg,C:\\a,b\\x.spi", entry));
    EXPECT_EQ("C:\\a,b\\x.spi", entry.path);
    EXPECT_FALSE(ParseSpiValue("C:\\x.spi", entry));
    EXPECT_FALSE(ParseSpiValue(nullptr, entry));
    EXPECT_EQ("png,C:\\p.spi", FormatSpiValue(SpiListEntry{"png", "C:\\p.spi"}));

    EXPECT_EQ("png", ExtensionOfPluginFilter("*.PNG;*.apng"));
    EXPECT_EQ("jpeg", ExtensionOfPluginFilter(" *.jpeg"));
    EXPECT_EQ("", ExtensionOfPluginFilter("*.*"));
    EXPECT_EQ("", ExtensionOfPluginFilter("PNG"));
    EXPECT_EQ("", ExtensionOfPluginFilter("*.a,b")) << "a comma would split the stored value";
    EXPECT_EQ("", ExtensionOfPluginFilter(nullptr));
}

}  // namespace

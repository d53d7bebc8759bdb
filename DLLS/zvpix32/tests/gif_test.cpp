// GIF decoder: files built here byte by byte, with a literal-only LZW
// encoder that follows the decoder's code-width rules.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "gif_decoder.h"
#include "zvpix32.h"

namespace {

typedef std::vector<BYTE> Bytes;

void Put16(Bytes& v, unsigned x) {
    v.push_back((BYTE)x);
    v.push_back((BYTE)(x >> 8));
}

// LZW codes packed least significant bit first, in sub-blocks of up to 255.
class CodeWriter {
public:
    void Put(unsigned code, int width) {
        acc_ |= code << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            bytes_.push_back((BYTE)acc_);
            acc_ >>= 8;
            bits_ -= 8;
        }
    }
    Bytes SubBlocks(size_t blockSize = 255) {
        if (bits_) bytes_.push_back((BYTE)acc_);
        Bytes out;
        for (size_t at = 0; at < bytes_.size(); at += blockSize) {
            const size_t n = bytes_.size() - at < blockSize ? bytes_.size() - at : blockSize;
            out.push_back((BYTE)n);
            out.insert(out.end(), bytes_.begin() + at, bytes_.begin() + at + n);
        }
        out.push_back(0);
        return out;
    }

private:
    Bytes bytes_;
    unsigned acc_ = 0;
    int bits_ = 0;
};

// Clear, every pixel as a literal code (a clear whenever `clearEvery` codes
// were sent, 0 for never), end code.
Bytes EncodeLiterals(const Bytes& pixels, int minCodeSize, size_t clearEvery = 0) {
    const int clear = 1 << minCodeSize, end = clear + 1;
    const int startWidth = (minCodeSize == 1 ? 2 : minCodeSize) + 1;
    CodeWriter w;
    int width = startWidth, nextFree = end;
    w.Put(clear, width);
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (clearEvery && i && i % clearEvery == 0) {
            w.Put(clear, width);
            width = startWidth;
            nextFree = end;
        }
        w.Put(pixels[i], width);
        if (nextFree < 4096) ++nextFree;
        if (nextFree > (1 << width) - 1 && width < 12) ++width;
    }
    w.Put(end, width);
    return w.SubBlocks();
}

struct Frame {
    unsigned left = 0, top = 0, width = 1, height = 1;
    bool interlaced = false;
    Bytes localColors;  // red-green-blue triples, a power of two of them
    int minCodeSize = 2;
    Bytes data;  // sub-blocks; made from `pixels` when empty
    Bytes pixels;
};

int TableBits(size_t entries) {
    int n = 0;
    while ((2u << n) < entries) ++n;
    return n;
}

class GifBuilder {
public:
    explicit GifBuilder(unsigned screenW = 16, unsigned screenH = 16, Bytes global = Bytes(), BYTE aspect = 0) {
        const char* sig = "GIF89a";
        file_.assign(sig, sig + 6);
        Put16(file_, screenW);
        Put16(file_, screenH);
        file_.push_back(global.empty() ? 0 : (BYTE)(0x80 | TableBits(global.size() / 3)));
        file_.push_back(0);
        file_.push_back(aspect);
        file_.insert(file_.end(), global.begin(), global.end());
    }
    GifBuilder& Control(unsigned delay, bool transparent, BYTE index) {
        const BYTE block[] = {'!', 0xF9, 4, (BYTE)(transparent ? 1 : 0), (BYTE)delay, (BYTE)(delay >> 8), index, 0};
        file_.insert(file_.end(), block, block + sizeof block);
        return *this;
    }
    GifBuilder& Comment(const char* text) {
        file_.push_back('!');
        file_.push_back(0xFE);
        file_.push_back((BYTE)strlen(text));
        file_.insert(file_.end(), text, text + strlen(text));
        file_.push_back(0);
        return *this;
    }
    GifBuilder& Image(const Frame& f) {
        file_.push_back(',');
        Put16(file_, f.left);
        Put16(file_, f.top);
        Put16(file_, f.width);
        Put16(file_, f.height);
        BYTE flags = f.interlaced ? 0x40 : 0;
        if (!f.localColors.empty()) flags |= (BYTE)(0x80 | TableBits(f.localColors.size() / 3));
        file_.push_back(flags);
        file_.insert(file_.end(), f.localColors.begin(), f.localColors.end());
        file_.push_back((BYTE)f.minCodeSize);
        const Bytes data = f.data.empty() ? EncodeLiterals(f.pixels, f.minCodeSize) : f.data;
        file_.insert(file_.end(), data.begin(), data.end());
        return *this;
    }
    Bytes Done() {
        file_.push_back(';');
        return file_;
    }

private:
    Bytes file_;
};

Bytes Palette(int entries) {
    Bytes p;
    for (int i = 0; i < entries; ++i) {
        p.push_back((BYTE)(10 + i));
        p.push_back((BYTE)(100 + i));
        p.push_back((BYTE)(200 + i));
    }
    return p;
}

Bytes Ramp(size_t n, int modulo) {
    Bytes p(n);
    for (size_t i = 0; i < n; ++i) p[i] = (BYTE)(i % modulo);
    return p;
}

Frame Simple(unsigned w, unsigned h, int colours = 4) {
    Frame f;
    f.width = w;
    f.height = h;
    f.pixels = Ramp((size_t)w * h, colours);
    return f;
}

struct Decoded {
    HZVDIB dib = nullptr;
    DibInfo info;
    DWORD error = 0;
    DWORD delay = 0;
    Decoded(const Bytes& file, DWORD frame = 0, bool withRequest = true, DWORD size = 0xFFFFFFFF) {
        memset(&info, 0xCD, sizeof info);
        info.size = DIBINFO_SIZE;
        GifFrameRequest request = {16, 0, frame, 0xDEAD};
        dib = zvConvertGifToDib(file.data(), size == 0xFFFFFFFF ? (DWORD)file.size() : size,
                                withRequest ? &request : nullptr, &info);
        error = dib ? 0 : zvGdiGetErrCode();
        delay = request.delay;
    }
    ~Decoded() {
        if (dib) zvDeleteDIBitmap(dib);
    }
    BYTE Pixel(unsigned x, unsigned y) const { return info.topRow[(size_t)y * info.stride + x]; }
    Bytes Row(unsigned y) const { return Bytes(info.topRow + (size_t)y * info.stride, info.topRow + (size_t)y * info.stride + info.width); }
};

TEST(GifDecoder, RefusesBadArgumentsAndDamagedFiles) {
    const Bytes good = GifBuilder(8, 8, Palette(4)).Image(Simple(4, 4)).Done();
    DibInfo info;
    info.size = DIBINFO_SIZE;
    EXPECT_EQ(zvConvertGifToDib(nullptr, 10, nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), (DWORD)ZVPIX_ERR_BAD_ARGUMENT);
    EXPECT_EQ(zvConvertGifToDib(good.data(), (DWORD)good.size(), nullptr, nullptr), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), (DWORD)ZVPIX_ERR_BAD_ARGUMENT);
    info.size = 63;
    EXPECT_EQ(zvConvertGifToDib(good.data(), (DWORD)good.size(), nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), (DWORD)ZVPIX_ERR_RECORD_SIZE);

    Bytes notGif = good;
    notGif[0] = 'J';
    Frame bigCode = Simple(4, 4);
    bigCode.minCodeSize = 12;
    bigCode.data = {2, 0xFF, 0xFF, 0};
    Frame overlong = Simple(4, 4);
    overlong.data = {200, 1, 2, 3};
    Frame huge = Simple(4, 4);
    huge.width = huge.height = 65535;
    Frame empty = Simple(0, 4);
    empty.data = {1, 0, 0};
    Bytes unknownBlock = GifBuilder(8, 8, Palette(4)).Done();
    unknownBlock.back() = 0x42;
    Bytes extensionOverrun = GifBuilder(8, 8, Palette(4)).Comment("hello").Done();
    extensionOverrun.resize(extensionOverrun.size() - 4);
    const Bytes twoFrames = GifBuilder(8, 8, Palette(4)).Image(Simple(2, 2)).Image(Simple(3, 3)).Done();
    Bytes skippedOverrun = twoFrames;
    skippedOverrun.resize(skippedOverrun.size() - 12);

    struct Case {
        const char* what;
        Bytes file;
        DWORD frame;
        DWORD size;
        DWORD error;
    } cases[] = {
        {"not GIF", notGif, 0, 0, ZVPIX_ERR_DAMAGED},
        {"header cut", good, 0, 12, ZVPIX_ERR_DAMAGED},
        {"global table cut", good, 0, 20, ZVPIX_ERR_DAMAGED},
        {"no block after the table", good, 0, 25, ZVPIX_ERR_DAMAGED},
        {"unknown block", unknownBlock, 0, 0, ZVPIX_ERR_DAMAGED},
        {"extension runs past the data", extensionOverrun, 0, 0, ZVPIX_ERR_DAMAGED},
        {"trailer before the frame", good, 1, 0, ZVPIX_ERR_NO_IMAGE},
        {"frame 2 of two", twoFrames, 2, 0, ZVPIX_ERR_NO_IMAGE},
        {"skipped frame runs past the data", skippedOverrun, 1, 0, ZVPIX_ERR_DAMAGED},
        {"code size 12", GifBuilder(8, 8, Palette(4)).Image(bigCode).Done(), 0, 0, ZVPIX_ERR_DAMAGED},
        {"first sub-block past the data", GifBuilder(8, 8, Palette(4)).Image(overlong).Done(), 0, 0,
         ZVPIX_ERR_DAMAGED},
        {"zero width", GifBuilder(8, 8, Palette(4)).Image(empty).Done(), 0, 0, ZVPIX_ERR_DAMAGED},
        {"65535 x 65535, beyond 1 GiB", GifBuilder(8, 8, Palette(4)).Image(huge).Done(), 0, 0,
         ZVPIX_ERR_OUT_OF_MEMORY},
    };
    for (const Case& c : cases) {
        Decoded d(c.file, c.frame, true, c.size ? c.size : (DWORD)c.file.size());
        EXPECT_EQ(d.dib, nullptr) << c.what;
        EXPECT_EQ(d.error, c.error) << c.what;
    }
    // Success leaves the stored code alone.
    const DWORD before = zvGdiGetErrCode();
    Decoded ok(good);
    ASSERT_NE(ok.dib, nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), before);
}

TEST(GifDecoder, FillsRecordHeaderAndColourTable) {
    Frame f = Simple(5, 3);
    f.left = 2;
    f.top = 7;
    Decoded d(GifBuilder(16, 16, Palette(4)).Image(f).Done(), 0, false);
    ASSERT_NE(d.dib, nullptr);
    EXPECT_EQ(d.info.flags, (DWORD)DIBF_INDEXED);
    EXPECT_EQ(d.info.format & ~1u, (DWORD)ZVFMT_8BIT);
    EXPECT_EQ(d.info.left, 2);
    EXPECT_EQ(d.info.top, 7);
    EXPECT_EQ(d.info.width, 5u);
    EXPECT_EQ(d.info.height, 3u);
    EXPECT_EQ(d.info.stride, 8u);
    EXPECT_EQ(d.info.rowStep, 8);
    EXPECT_EQ(d.info.aspect, (DWORD)DIB_ASPECT_SQUARE);
    EXPECT_EQ(d.info.transparent, 0u);
    EXPECT_EQ(d.info.colorCount, 4u);
    EXPECT_EQ(d.info.bits, d.info.topRow);
    ASSERT_NE(d.info.header, nullptr);
    EXPECT_EQ(d.info.header->biWidth, 5);
    EXPECT_EQ(d.info.header->biHeight, -3);
    EXPECT_EQ(d.info.header->biBitCount, 8);
    EXPECT_EQ(d.info.header->biClrUsed, 4u);
    EXPECT_EQ(d.info.header->biSizeImage, 8u * 3 + 256);
    EXPECT_EQ((BYTE*)d.info.colors, (BYTE*)d.info.header + 40);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD q = d.info.colors[i];
        if (i < 4)
            EXPECT_TRUE(q.rgbRed == 10 + i && q.rgbGreen == 100 + i && q.rgbBlue == 200 + i && q.rgbReserved == 0);
        else
            EXPECT_TRUE(q.rgbRed == 0 && q.rgbGreen == 0 && q.rgbBlue == 0 && q.rgbReserved == 0) << i;
    }
    for (unsigned y = 0; y < 3; ++y)
        for (unsigned x = 0; x < 5; ++x) EXPECT_EQ(d.Pixel(x, y), (y * 5 + x) % 4);
    // The spare bytes after the rows belong to the buffer.
    memset(d.info.bits, 0x55, 8 * 3 + 256);

    // A local table wins over the global one; no table at all gives none.
    Frame local = Simple(2, 2);
    local.localColors = Palette(16);
    Decoded withLocal(GifBuilder(16, 16, Palette(4)).Image(local).Done());
    ASSERT_NE(withLocal.dib, nullptr);
    EXPECT_EQ(withLocal.info.colorCount, 16u);
    EXPECT_EQ(withLocal.info.colors[15].rgbRed, 25);
    Decoded noTable(GifBuilder(16, 16).Image(Simple(2, 2)).Done());
    ASSERT_NE(noTable.dib, nullptr);
    EXPECT_EQ(noTable.info.colorCount, 0u);
    EXPECT_EQ(noTable.info.header->biClrUsed, 0u);
    EXPECT_EQ(noTable.info.colors[0].rgbRed, 0);
}

TEST(GifDecoder, GraphicControlCarriesAcrossFramesAndAspectIsRead) {
    const Bytes file = GifBuilder(16, 16, Palette(8), 49)
                           .Control(10, true, 5)
                           .Image(Simple(2, 2))
                           .Comment("between")
                           .Image(Simple(3, 3))
                           .Control(0, false, 6)
                           .Image(Simple(4, 4))
                           .Done();
    struct Case {
        DWORD frame;
        DWORD flags;
        DWORD transparent;
        DWORD delay;
        DWORD width;
    } cases[] = {
        {0, DIBF_INDEXED | DIBF_TRANSPARENT | DIBF_ASPECT, 5, 100, 2},
        {1, DIBF_INDEXED | DIBF_TRANSPARENT | DIBF_ASPECT, 5, 100, 3},
        {2, DIBF_INDEXED | DIBF_ASPECT, 0, 0, 4},
    };
    for (const Case& c : cases) {
        Decoded d(file, c.frame);
        ASSERT_NE(d.dib, nullptr) << c.frame;
        EXPECT_EQ(d.info.flags, c.flags) << c.frame;
        EXPECT_EQ(d.info.transparent, c.transparent) << c.frame;
        EXPECT_EQ(d.delay, c.delay) << c.frame;
        EXPECT_EQ(d.info.width, c.width) << c.frame;
        EXPECT_EQ(d.info.aspect, 50176u) << c.frame;
    }
    Decoded noControl(GifBuilder(16, 16, Palette(8)).Image(Simple(2, 2)).Done());
    EXPECT_EQ(noControl.delay, 0u);
}

TEST(GifDecoder, InterlacedRowsArriveByPassFromEightRowsOn) {
    // Each row's pixels carry its arrival number.
    for (unsigned height : {7u, 8u, 20u}) {
        Frame f;
        f.width = 3;
        f.height = height;
        f.interlaced = true;
        f.minCodeSize = 5;
        for (unsigned n = 0; n < height; ++n) f.pixels.insert(f.pixels.end(), 3, (BYTE)n);
        Decoded d(GifBuilder(16, 32, Palette(32)).Image(f).Done());
        ASSERT_NE(d.dib, nullptr);
        std::vector<unsigned> order;
        if (height < 8) {
            for (unsigned r = 0; r < height; ++r) order.push_back(r);
        } else {
            for (unsigned r = 0; r < height; r += 8) order.push_back(r);
            for (unsigned r = 4; r < height; r += 8) order.push_back(r);
            for (unsigned r = 2; r < height; r += 4) order.push_back(r);
            for (unsigned r = 1; r < height; r += 2) order.push_back(r);
        }
        for (unsigned n = 0; n < height; ++n) EXPECT_EQ(d.Row(order[n]), Bytes(3, (BYTE)n)) << height << " " << n;
    }
    Frame eight;
    eight.width = 1;
    eight.height = 8;
    eight.interlaced = true;
    eight.minCodeSize = 3;
    eight.pixels = {0, 1, 2, 3, 4, 5, 6, 7};
    Decoded d(GifBuilder(16, 16, Palette(8)).Image(eight).Done());
    const BYTE expected[8] = {0, 4, 2, 5, 1, 6, 3, 7};  // arrival order 0, 4, 2, 6, 1, 3, 5, 7
    for (unsigned y = 0; y < 8; ++y) EXPECT_EQ(d.Pixel(0, y), expected[y]) << y;
}

TEST(GifDecoder, LzwCodeRules) {
    // Minimum code size 1: codes start 3 bits wide, clear code 2, end code 3.
    Frame one = Simple(9, 7, 2);
    one.minCodeSize = 1;
    Decoded d1(GifBuilder(16, 16, Palette(2)).Image(one).Done());
    ASSERT_NE(d1.dib, nullptr);
    for (unsigned y = 0; y < 7; ++y)
        for (unsigned x = 0; x < 9; ++x) EXPECT_EQ(d1.Pixel(x, y), (y * 9 + x) % 2);

    // A code equal to the next free one: previous string plus its first pixel.
    // Size 2: clear 4; 0 (its entry lands on the end code 5); 6 = "0 0";
    // 1 (entry 7 = "0 0 1", next free 8 widens the codes to 4 bits); 8 = "1 1"; end.
    CodeWriter w;
    const unsigned codes[][2] = {{4, 3}, {0, 3}, {6, 3}, {1, 3}, {8, 4}, {5, 4}};
    for (const auto& c : codes) w.Put(c[0], (int)c[1]);
    Frame kwk;
    kwk.width = 6;
    kwk.height = 1;
    kwk.data = w.SubBlocks();
    Decoded d2(GifBuilder(16, 16, Palette(4)).Image(kwk).Done());
    ASSERT_NE(d2.dib, nullptr);
    EXPECT_EQ(d2.Row(0), (Bytes{0, 0, 0, 1, 1, 1}));

    // An empty first sub-block yields a handle and no pixels; so does a
    // string code right after a clear, which stops the image where it is.
    Frame empty = Simple(4, 2);
    empty.data = {0};
    Decoded d3(GifBuilder(16, 16, Palette(4)).Image(empty).Done());
    ASSERT_NE(d3.dib, nullptr);
    EXPECT_EQ(d3.Row(0), Bytes(4, 0));
    CodeWriter stop;
    for (unsigned code : {4u, 1u, 2u, 4u, 6u, 3u}) stop.Put(code, 3);
    Frame stopped = Simple(4, 1);
    stopped.data = stop.SubBlocks();
    Decoded d4(GifBuilder(16, 16, Palette(4)).Image(stopped).Done());
    ASSERT_NE(d4.dib, nullptr);
    EXPECT_EQ(d4.Row(0), (Bytes{1, 2, 0, 0}));

    // Codes across many sub-blocks, a full table without a clear (widths
    // stay at 12 bits), and pixels beyond the last row discarded.
    const Bytes many = Ramp(64 * 100, 256);
    Frame full;
    full.width = 64;
    full.height = 99;
    full.minCodeSize = 8;
    full.data = EncodeLiterals(many, 8);
    Decoded d5(GifBuilder(64, 100, Palette(256)).Image(full).Done());
    ASSERT_NE(d5.dib, nullptr);
    for (unsigned y = 0; y < 99; ++y) ASSERT_EQ(d5.Row(y), Bytes(many.begin() + y * 64, many.begin() + y * 64 + 64)) << y;
    full.data = EncodeLiterals(many, 8, 1000);
    Decoded d6(GifBuilder(64, 100, Palette(256)).Image(full).Done());
    ASSERT_NE(d6.dib, nullptr);
    EXPECT_EQ(d6.Row(98), Bytes(many.begin() + 98 * 64, many.begin() + 99 * 64));

    // A stream cut short keeps what it decoded.
    const Bytes whole = GifBuilder(64, 100, Palette(256)).Image(full).Done();
    Decoded cut(whole, 0, true, (DWORD)whole.size() / 2);
    ASSERT_NE(cut.dib, nullptr);
    EXPECT_EQ(cut.Row(10), Bytes(many.begin() + 640, many.begin() + 704));
}

}  // namespace

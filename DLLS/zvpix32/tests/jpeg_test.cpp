// JPEG decoder: files written here from chosen coefficients, sequential and
// progressive, with expected pixels worked out by hand from the transform
// and colour conversion arithmetic.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "jpeg_decoder.h"
#include "jpeg_huffman.h"
#include "jpeg_transform.h"
#include "zvpix32.h"

namespace {

typedef std::vector<BYTE> Bytes;
typedef std::vector<int> Block;  // 64 coefficients in zig-zag order

const int kZigZag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
                         41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
                         30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Zig-zag block from coefficients given at natural (row * 8 + column) positions.
Block Natural(std::initializer_list<std::pair<int, int>> at) {
    Block b(64, 0);
    for (const auto& p : at)
        for (int k = 0; k < 64; ++k)
            if (kZigZag[k] == p.first) b[k] = p.second;
    return b;
}

int SizeOf(int v) {
    int n = 0;
    for (unsigned a = (unsigned)abs(v); a; a >>= 1) ++n;
    return n;
}

// An image as MCUs of blocks (decoder order: luminance blocks, then Cb, Cr).
struct Picture {
    int width, height;
    int h, v;           // luminance sampling
    int components;     // 1 or 3
    std::vector<std::vector<Block>> mcus;
    int McuW() const { return 8 * h; }
    int McuH() const { return 8 * v; }
    int McusPerRow() const { return (width + McuW() - 1) / McuW(); }
    int McuRows() const { return (height + McuH() - 1) / McuH(); }
    int BlocksPerMcu() const { return components == 1 ? 1 : h * v + 2; }
};

Picture MakePicture(int width, int height, int h, int v, int components, unsigned seed) {
    Picture p{width, height, h, v, components, {}};
    for (int m = 0; m < p.McusPerRow() * p.McuRows(); ++m) {
        std::vector<Block> blocks;
        for (int b = 0; b < p.BlocksPerMcu(); ++b) {
            Block blk(64, 0);
            seed = seed * 1103515245 + 12345;
            blk[0] = (int)((seed >> 16) % 161) - 80;
            for (int k = 1; k < 64; ++k) {
                seed = seed * 1103515245 + 12345;
                const int r = (int)((seed >> 16) % 100);
                if (k < 12 ? r < 60 : r < 6) blk[k] = (int)((seed >> 8) % 41) - 20;
            }
            blocks.push_back(blk);
        }
        p.mcus.push_back(blocks);
    }
    return p;
}

// Writes segments and entropy-coded data. Huffman tables: DC sizes 0..11 as
// 4-bit codes; AC symbols (EOB runs, ZRL, every run/size up to size 10) as
// 8-bit codes, so any coefficients can be written.
class JpegWriter {
public:
    JpegWriter() {
        acSymbols_.push_back(0x00);
        for (int r = 1; r < 15; ++r) acSymbols_.push_back((BYTE)(r << 4));
        acSymbols_.push_back(0xF0);
        for (int r = 0; r < 16; ++r)
            for (int s = 1; s <= 10; ++s) acSymbols_.push_back((BYTE)(r << 4 | s));
    }
    Bytes out;

    void Marker(BYTE code) {
        out.push_back(0xFF);
        out.push_back(code);
    }
    void Segment(BYTE code, const Bytes& body) {
        Marker(code);
        out.push_back((BYTE)((body.size() + 2) >> 8));
        out.push_back((BYTE)(body.size() + 2));
        out.insert(out.end(), body.begin(), body.end());
    }
    void Jfif() { Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0}); }
    void Quant(int number, BYTE value) {
        Bytes body(65, value);
        body[0] = (BYTE)number;
        Segment(0xDB, body);
    }
    void Huffman() {
        Bytes dc(17 + 12, 0);
        dc[4] = 12;
        for (int i = 0; i < 12; ++i) dc[17 + i] = (BYTE)i;
        Segment(0xC4, dc);
        Bytes ac(17 + acSymbols_.size(), 0);
        ac[0] = 0x10;
        ac[8] = (BYTE)acSymbols_.size();
        for (size_t i = 0; i < acSymbols_.size(); ++i) ac[17 + i] = acSymbols_[i];
        Segment(0xC4, ac);
    }
    void Frame(BYTE code, const Picture& p) {
        Bytes body = {8, (BYTE)(p.height >> 8), (BYTE)p.height, (BYTE)(p.width >> 8), (BYTE)p.width,
                      (BYTE)p.components};
        for (int c = 0; c < p.components; ++c) {
            body.push_back((BYTE)(c + 1));
            body.push_back(c == 0 ? (BYTE)(p.h << 4 | p.v) : 0x11);
            body.push_back(0);
        }
        Segment(code, body);
    }
    void Scan(std::initializer_list<int> components, int ss, int se, int ah, int al) {
        Bytes body = {(BYTE)components.size()};
        for (int c : components) {
            body.push_back((BYTE)(c + 1));
            body.push_back(0x00);
        }
        body.push_back((BYTE)ss);
        body.push_back((BYTE)se);
        body.push_back((BYTE)(ah << 4 | al));
        Segment(0xDA, body);
    }

    void Bits(unsigned value, int n) {
        for (int i = n - 1; i >= 0; --i) {
            acc_ = (acc_ << 1) | ((value >> i) & 1);
            if (++bits_ == 8) {
                out.push_back((BYTE)acc_);
                if (acc_ == 0xFF) out.push_back(0);
                acc_ = 0;
                bits_ = 0;
            }
        }
    }
    void Flush() {
        while (bits_) Bits(1, 1);
    }
    void Value(int v) {
        const int n = SizeOf(v);
        Bits(v >= 0 ? (unsigned)v : (unsigned)(v + (1 << n) - 1), n);
    }
    void Dc(int diff) {
        Bits((unsigned)SizeOf(diff), 4);
        Value(diff);
    }
    void AcSymbol(int rs) {
        for (size_t i = 0; i < acSymbols_.size(); ++i)
            if (acSymbols_[i] == rs) Bits((unsigned)i, 8);
    }
    // A run of `blocks` end-of-band blocks.
    void EobRun(int blocks) {
        int r = 0;
        while ((2 << r) <= blocks) ++r;
        AcSymbol(r << 4);
        Bits((unsigned)(blocks - (1 << r)), r);
    }
    // Sequential block, or the AC band of a first progressive scan (without EOB runs).
    void Band(const Block& b, int ss, int se, int al) {
        int run = 0;
        for (int k = ss; k <= se; ++k) {
            const int v = b[k] >= 0 ? b[k] >> al : -((-b[k]) >> al);
            if (v == 0) {
                ++run;
                continue;
            }
            for (; run > 15; run -= 16) AcSymbol(0xF0);
            AcSymbol(run << 4 | SizeOf(v));
            Value(v);
            run = 0;
        }
        if (run) AcSymbol(0x00);
    }
    void SequentialBlock(const Block& b, int* predictor) {
        Dc(b[0] - *predictor);
        *predictor = b[0];
        Band(b, 1, 63, 0);
    }
    // Refinement of bit `al` over positions ss..se, one band per block.
    void RefineBand(const Block& b, int ss, int se, int al) {
        int last = -1;
        for (int k = ss; k <= se; ++k)
            if ((abs(b[k]) >> al) == 1) last = k;
        int run = 0;
        std::vector<int> pending;
        for (int k = ss; k <= se; ++k) {
            const int a = abs(b[k]) >> al;
            if (a == 0) {
                ++run;
                continue;
            }
            while (run > 15 && k <= last) {
                AcSymbol(0xF0);
                for (int bit : pending) Bits((unsigned)bit, 1);
                pending.clear();
                run -= 16;
            }
            if (a > 1) {
                pending.push_back(a & 1);
                continue;
            }
            AcSymbol(run << 4 | 1);
            Bits(b[k] < 0 ? 0 : 1, 1);
            for (int bit : pending) Bits((unsigned)bit, 1);
            pending.clear();
            run = 0;
        }
        if (run || !pending.empty()) {
            AcSymbol(0x00);
            for (int bit : pending) Bits((unsigned)bit, 1);
        }
    }

private:
    std::vector<BYTE> acSymbols_;
    unsigned acc_ = 0;
    int bits_ = 0;
};

void Header(JpegWriter& w, BYTE frameCode, const Picture& p, BYTE quant = 1) {
    w.Marker(0xD8);
    w.Jfif();
    w.Quant(0, quant);
    w.Huffman();
    w.Frame(frameCode, p);
}

Bytes Sequential(const Picture& p, int restartInterval = 0, BYTE quant = 1) {
    JpegWriter w;
    Header(w, 0xC0, p, quant);
    if (restartInterval) w.Segment(0xDD, {0, (BYTE)restartInterval});
    if (p.components == 1)
        w.Scan({0}, 0, 63, 0, 0);
    else
        w.Scan({0, 1, 2}, 0, 63, 0, 0);
    int pred[3] = {0, 0, 0};
    const int total = (int)p.mcus.size();
    for (int m = 0; m < total; ++m) {
        for (int b = 0; b < p.BlocksPerMcu(); ++b) {
            const int c = p.components == 1 ? 0 : b < p.h * p.v ? 0 : b - p.h * p.v + 1;
            w.SequentialBlock(p.mcus[m][b], &pred[c]);
        }
        if (restartInterval && (m + 1) % restartInterval == 0 && m + 1 < total) {
            w.Flush();
            w.Marker((BYTE)(0xD0 + ((m + 1) / restartInterval - 1) % 8));
            pred[0] = pred[1] = pred[2] = 0;
        }
    }
    w.Flush();
    w.Marker(0xD9);
    return w.out;
}

// Blocks of component `c` in raster order over its own block grid.
std::vector<const Block*> ComponentBlocks(const Picture& p, int c) {
    const int ch = c == 0 ? p.h : 1, cv = c == 0 ? p.v : 1;
    const int wide = (p.width * ch + 8 * p.h - 1) / (8 * p.h);
    const int high = (p.height * cv + 8 * p.v - 1) / (8 * p.v);
    const int first = c == 0 ? 0 : p.h * p.v + c - 1;
    std::vector<const Block*> blocks;
    for (int by = 0; by < high; ++by)
        for (int bx = 0; bx < wide; ++bx)
            blocks.push_back(&p.mcus[(by / cv) * p.McusPerRow() + bx / ch][first + (by % cv) * ch + bx % ch]);
    return blocks;
}

// Progressive: DC at point transform 1, then its refinement; luminance AC in
// two bands (the low one at point transform 1 plus a refinement), chroma
// AC in one band. EOB runs join consecutive empty bands.
Bytes Progressive(const Picture& p, size_t* secondScanStart = nullptr) {
    JpegWriter w;
    Header(w, 0xC2, p);
    const bool colour = p.components == 3;
    auto dcScan = [&](int ah, int al) {
        if (colour)
            w.Scan({0, 1, 2}, 0, 0, ah, al);
        else
            w.Scan({0}, 0, 0, ah, al);
        int pred[3] = {0, 0, 0};
        for (const auto& mcu : p.mcus)
            for (int b = 0; b < p.BlocksPerMcu(); ++b) {
                const int c = !colour ? 0 : b < p.h * p.v ? 0 : b - p.h * p.v + 1;
                if (ah) {
                    w.Bits((unsigned)(mcu[b][0] >> al) & 1, 1);
                } else {
                    w.Dc((mcu[b][0] >> al) - pred[c]);
                    pred[c] = mcu[b][0] >> al;
                }
            }
        w.Flush();
    };
    auto acFirst = [&](int c, int ss, int se, int al) {
        w.Scan({c}, ss, se, 0, al);
        int empty = 0;
        for (const Block* b : ComponentBlocks(p, c)) {
            bool any = false;
            for (int k = ss; k <= se; ++k) any = any || (abs((*b)[k]) >> al) != 0;
            if (!any) {
                ++empty;
                continue;
            }
            if (empty) w.EobRun(empty);
            empty = 0;
            w.Band(*b, ss, se, al);
        }
        if (empty) w.EobRun(empty);
        w.Flush();
    };
    dcScan(0, 1);
    if (secondScanStart) *secondScanStart = w.out.size();
    acFirst(0, 1, 5, 1);
    dcScan(1, 0);
    if (colour) {
        acFirst(1, 1, 63, 0);
        acFirst(2, 1, 63, 0);
    }
    acFirst(0, 6, 63, 0);
    w.Scan({0}, 1, 5, 1, 0);
    for (const Block* b : ComponentBlocks(p, 0)) w.RefineBand(*b, 1, 5, 0);
    w.Flush();
    w.Marker(0xD9);
    return w.out;
}

struct Decoded {
    HZVDIB dib = nullptr;
    DibInfo info;
    DWORD error = 0;
    Decoded(const BYTE* data, size_t size) {
        memset(&info, 0xCD, sizeof info);
        info.size = DIBINFO_SIZE;
        dib = zvConvertJpegToDib(data, (DWORD)size, nullptr, &info);
        error = dib ? 0 : zvGdiGetErrCode();
    }
    explicit Decoded(const Bytes& file) : Decoded(file.data(), file.size()) {}
    ~Decoded() {
        if (dib) zvDeleteDIBitmap(dib);
    }
    const BYTE* At(int x, int y) const { return info.topRow + (size_t)y * info.stride + 3 * x; }
    bool SameRows(const Decoded& other, int from, int to) const {
        for (int y = from; y < to; ++y)
            if (memcmp(At(0, y), other.At(0, y), 3 * info.width)) return false;
        return true;
    }
};

TEST(JpegDecoder, OneBlockThroughTransformAndColourConversion) {
    // Grey: DC 80. Column pass 256·91·80 = 1863680 → 3640, the empty columns
    // give −1; row pass → 323 in units of 1/32; (323 + 4112) >> 5 = 138.
    Picture grey{8, 8, 1, 1, 1, {{Natural({{0, 80}})}}};
    Decoded g(Sequential(grey));
    ASSERT_NE(g.dib, nullptr) << std::hex << g.error;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(g.At(x, y)[0], 138) << x << "," << y;
            EXPECT_EQ(g.At(x, y)[1], 138);
            EXPECT_EQ(g.At(x, y)[2], 138);
        }
    EXPECT_EQ(g.info.format & ~1u, (DWORD)ZVFMT_24BIT);
    EXPECT_EQ(g.info.flags, 0u);
    EXPECT_EQ(g.info.colorCount, 0u);
    EXPECT_EQ(g.info.colors, nullptr);
    EXPECT_EQ(g.info.header->biBitCount, 24);
    EXPECT_EQ(g.info.header->biHeight, -8);

    // Colour: Y with a horizontal and a vertical ramp, flat Cb, Cr ramp.
    // Worked through the same passes: Y row 0 = 311 334 375 429 487 541 582
    // 604, Cb −83, Cr row 0 = 188 179 159 135 108 83 64 54; then
    // K = (Y + 4112) · 65536, blue (K + 116130·Cb) >> 21, green
    // (K − 22554·Cb − 46802·Cr) >> 21, red (K + 91881·Cr) >> 21.
    Picture colour{8, 8, 1, 1, 3,
                   {{Natural({{0, 80}, {1, -40}, {8, 24}, {9, 10}}), Natural({{0, -20}}),
                     Natural({{0, 30}, {1, 12}})}}};
    Decoded c(Sequential(colour));
    ASSERT_NE(c.dib, nullptr) << std::hex << c.error;
    struct Pixel {
        int x, y;
        BYTE blue, green, red;
    } expected[] = {{0, 0, 133, 134, 146}, {7, 0, 142, 147, 149}, {0, 7, 120, 121, 133},
                    {7, 7, 139, 143, 146}, {4, 3, 136, 139, 145}};
    for (const Pixel& p : expected) {
        EXPECT_EQ(c.At(p.x, p.y)[0], p.blue) << p.x << "," << p.y;
        EXPECT_EQ(c.At(p.x, p.y)[1], p.green) << p.x << "," << p.y;
        EXPECT_EQ(c.At(p.x, p.y)[2], p.red) << p.x << "," << p.y;
    }

    // Dequantisation: quantiser 2 and halved coefficients give the same picture.
    Picture halved = colour;
    for (auto& b : halved.mcus[0])
        for (int& v : b) v /= 2;
    Decoded q(Sequential(halved, 0, 2));
    ASSERT_NE(q.dib, nullptr);
    EXPECT_TRUE(q.SameRows(c, 0, 8));
}

TEST(JpegDecoder, McuLayoutsAndPartialMcus) {
    // 17 × 2 with 2 × 2 sampling: 2 MCUs per row, the second gives 1 column,
    // the stride is 52 and the buffer holds a whole MCU row of 16 rows.
    Picture p{17, 2, 2, 2, 3, {}};
    p.mcus.push_back({Natural({{0, 40}}), Natural({{0, 40}}), Natural({{0, 40}}), Natural({{0, 40}}),
                      Natural({{0, 0}}), Natural({{0, 0}})});
    p.mcus.push_back({Natural({{0, -64}}), Natural({{0, 100}}), Natural({{0, 100}}), Natural({{0, 100}}),
                      Natural({{0, 0}}), Natural({{0, 0}})});
    Decoded d(Sequential(p));
    ASSERT_NE(d.dib, nullptr) << std::hex << d.error;
    EXPECT_EQ(d.info.width, 17u);
    EXPECT_EQ(d.info.height, 2u);
    EXPECT_EQ(d.info.stride, 52u);
    EXPECT_EQ(d.info.rowStep, 52);
    EXPECT_EQ(d.info.header->biSizeImage, 52u * 16);
    // The first MCU is flat; the second's only column comes from its darker Y0.
    const BYTE left = d.At(0, 0)[1], right = d.At(16, 1)[1];
    EXPECT_EQ(left, d.At(15, 1)[1]);
    EXPECT_LT(right, left);
    for (int x = 0; x < 17; ++x) EXPECT_EQ(d.At(x, 0)[0], d.At(x, 0)[2]) << x;  // grey chroma

    // Every layout with sizes that leave partial MCUs decodes in full.
    const struct {
        int w, h, hs, vs, comps;
    } layouts[] = {{13, 11, 1, 1, 1}, {21, 9, 1, 1, 3}, {33, 17, 2, 1, 3}, {35, 33, 2, 2, 3}};
    for (const auto& l : layouts) {
        const Picture pic = MakePicture(l.w, l.h, l.hs, l.vs, l.comps, (unsigned)l.w);
        Decoded s(Sequential(pic));
        ASSERT_NE(s.dib, nullptr) << l.w;
        EXPECT_EQ(s.info.stride, (DWORD)(3 * l.w + 3) & ~3u);
        // The same coefficients sent progressively give the very same pixels.
        Decoded prog(Progressive(pic));
        ASSERT_NE(prog.dib, nullptr) << l.w << " " << std::hex << prog.error;
        EXPECT_TRUE(prog.SameRows(s, 0, l.h)) << l.w;
        if (l.comps == 1) {
            for (int x = 0; x < l.w; ++x) EXPECT_EQ(s.At(x, l.h - 1)[0], s.At(x, l.h - 1)[1]);
        }
    }
}

TEST(JpegDecoder, FindsStartAndKeepsTablesAcrossCalls) {
    const Picture pic = MakePicture(24, 16, 2, 1, 3, 5);
    const Bytes file = Sequential(pic);
    Decoded plain(file);
    ASSERT_NE(plain.dib, nullptr);

    Bytes leading(100, 0xFF);
    leading[50] = 0xD7;
    leading.insert(leading.end(), file.begin(), file.end());
    Decoded shifted(leading);
    ASSERT_NE(shifted.dib, nullptr);
    EXPECT_TRUE(shifted.SameRows(plain, 0, 16));

    // The same file without its DQT and DHT segments uses the tables left behind.
    Bytes bare;
    size_t pos = 2;
    bare.insert(bare.end(), file.begin(), file.begin() + 2);
    while (pos < file.size()) {
        const BYTE code = file[pos + 1];
        const size_t length = ((size_t)file[pos + 2] << 8) | file[pos + 3];
        if (code == 0xDA) {
            bare.insert(bare.end(), file.begin() + pos, file.end());
            break;
        }
        if (code != 0xDB && code != 0xC4) bare.insert(bare.end(), file.begin() + pos, file.begin() + pos + 2 + length);
        pos += 2 + length;
    }
    Decoded reused(bare);
    ASSERT_NE(reused.dib, nullptr);
    EXPECT_TRUE(reused.SameRows(plain, 0, 16));

    // APP1 to APP15 and COM are skipped whatever they hold.
    Bytes withApps(file.begin(), file.begin() + 2);
    JpegWriter apps;
    apps.Segment(0xE1, {'E', 'x', 'i', 'f', 0, 0, 0xFF, 0xD9});
    apps.Segment(0xEF, {1, 2, 3});
    apps.Segment(0xFE, {'h', 'i'});
    withApps.insert(withApps.end(), apps.out.begin(), apps.out.end());
    withApps.insert(withApps.end(), file.begin() + 2, file.end());
    Decoded skipped(withApps);
    ASSERT_NE(skipped.dib, nullptr);
    EXPECT_TRUE(skipped.SameRows(plain, 0, 16));
}

// The file with `segment` put in just before the first frame header.
Bytes WithSegment(const Bytes& file, BYTE code, const Bytes& body) {
    size_t pos = 2;
    while (file[pos + 1] != 0xC0 && file[pos + 1] != 0xC2) pos += 2 + (((size_t)file[pos + 2] << 8) | file[pos + 3]);
    JpegWriter w;
    w.Segment(code, body);
    Bytes out(file.begin(), file.begin() + pos);
    out.insert(out.end(), w.out.begin(), w.out.end());
    out.insert(out.end(), file.begin() + pos, file.end());
    return out;
}

TEST(JpegDecoder, RefusesWhatItCannotDecode) {
    const Picture pic = MakePicture(16, 16, 1, 1, 3, 9);
    const Bytes good = Sequential(pic);
    DibInfo info;
    info.size = DIBINFO_SIZE;
    EXPECT_EQ(zvConvertJpegToDib(nullptr, 10, nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), (DWORD)ZVPIX_ERR_BAD_ARGUMENT);
    EXPECT_EQ(zvConvertJpegToDib(good.data(), (DWORD)good.size(), nullptr, nullptr), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), (DWORD)ZVPIX_ERR_BAD_ARGUMENT);
    info.size = 60;
    EXPECT_EQ(zvConvertJpegToDib(good.data(), (DWORD)good.size(), nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), (DWORD)ZVPIX_ERR_RECORD_SIZE);

    auto frameWith = [&](BYTE code, BYTE precision, BYTE count, BYTE sampling) {
        Bytes f = good;
        size_t pos = 2;
        while (f[pos + 1] != 0xC0) pos += 2 + (((size_t)f[pos + 2] << 8) | f[pos + 3]);
        f[pos + 1] = code;
        f[pos + 4] = precision;
        if (count != 3) f[pos + 9] = count;
        f[pos + 11] = sampling;
        return f;
    };
    Bytes huge = frameWith(0xC0, 8, 3, 0x22);
    {
        size_t pos = 2;
        while (huge[pos + 1] != 0xC0) pos += 2 + (((size_t)huge[pos + 2] << 8) | huge[pos + 3]);
        memset(&huge[pos + 5], 0xFF, 4);
    }
    Bytes headersOnly(good.begin(), good.begin() + 2);
    {
        size_t pos = 2;
        while (good[pos + 1] != 0xDA) pos += 2 + (((size_t)good[pos + 2] << 8) | good[pos + 3]);
        headersOnly.assign(good.begin(), good.begin() + pos);
        headersOnly.push_back(0xFF);
        headersOnly.push_back(0xD9);
    }
    Bytes scanFirst = {0xFF, 0xD8};
    {
        JpegWriter w;
        w.Scan({0}, 0, 63, 0, 0);
        scanFirst.insert(scanFirst.end(), w.out.begin(), w.out.end());
    }
    Bytes twoFrames = WithSegment(good, 0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0});
    Bytes badApp0 = WithSegment(good, 0xE0, {'E', 'x', 'i', 'f', 0});
    Bytes longSegment = good;
    longSegment[5] = 0xFF;  // the JFIF segment claims more than the file holds
    Bytes badMarker = WithSegment(good, 0x00, {});
    Bytes rst = WithSegment(good, 0xD3, {});
    Bytes notFF = WithSegment(good, 0xE1, {1});
    notFF[2] = 0x00;
    Bytes refine = Progressive(MakePicture(16, 8, 1, 1, 1, 3));
    for (size_t i = 0; i + 1 < refine.size(); ++i)
        if (refine[i] == 0xFF && refine[i + 1] == 0xDA && refine[i + 9] == 0x10) {
            refine[i + 9] = 0x20;  // a refinement whose high nibble is not the low one plus 1
            break;
        }

    struct Case {
        const char* what;
        Bytes file;
        DWORD error;
    } cases[] = {
        {"no start of image", Bytes(good.begin() + 2, good.end()), ZVPIX_ERR_DAMAGED},
        {"arithmetic coding", frameWith(0xC9, 8, 3, 0x11), ZVPIX_ERR_UNSUPPORTED_IMAGE},
        {"lossless", frameWith(0xC3, 8, 3, 0x11), ZVPIX_ERR_UNSUPPORTED_IMAGE},
        {"hierarchical", frameWith(0xC5, 8, 3, 0x11), ZVPIX_ERR_UNSUPPORTED_IMAGE},
        {"12-bit samples", frameWith(0xC1, 12, 3, 0x11), ZVPIX_ERR_UNSUPPORTED_IMAGE},
        {"two components", frameWith(0xC0, 8, 2, 0x11), ZVPIX_ERR_UNSUPPORTED_IMAGE},
        {"ten components", frameWith(0xC0, 8, 10, 0x11), ZVPIX_ERR_DAMAGED},
        {"sampling 1x2", frameWith(0xC0, 8, 3, 0x12), ZVPIX_ERR_DAMAGED},
        {"sampling 4x1", frameWith(0xC0, 8, 3, 0x41), ZVPIX_ERR_DAMAGED},
        {"end of image before any scan", headersOnly, ZVPIX_ERR_NO_IMAGE},
        {"65535 x 65535, beyond 1 GiB", huge, ZVPIX_ERR_OUT_OF_MEMORY},
        {"scan before the frame", scanFirst, ZVPIX_ERR_DAMAGED},
        {"second frame header", twoFrames, ZVPIX_ERR_DAMAGED},
        {"APP0 neither JFIF nor JFXX", badApp0, ZVPIX_ERR_DAMAGED},
        {"segment longer than the data", longSegment, ZVPIX_ERR_DAMAGED},
        {"marker below 0xC0", badMarker, ZVPIX_ERR_DAMAGED},
        {"restart marker outside a scan", rst, ZVPIX_ERR_DAMAGED},
        {"Huffman class 2", WithSegment(good, 0xC4, Bytes(17, 0x20)), ZVPIX_ERR_DAMAGED},
        {"Huffman table 4", WithSegment(good, 0xC4, Bytes(17, 0x04)), ZVPIX_ERR_DAMAGED},
        {"Huffman values past the segment", WithSegment(good, 0xC4, {0x00, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}),
         ZVPIX_ERR_DAMAGED},
        {"quantisation table 4", WithSegment(good, 0xDB, Bytes(65, 0x04)), ZVPIX_ERR_DAMAGED},
        {"quantisation table cut", WithSegment(good, 0xDB, Bytes(40, 0x00)), ZVPIX_ERR_DAMAGED},
        {"refinement nibbles", refine, ZVPIX_ERR_DAMAGED},
        {"no 0xFF where a marker must be", notFF, ZVPIX_ERR_DAMAGED},
    };
    for (const Case& c : cases) {
        Decoded d(c.file);
        EXPECT_EQ(d.dib, nullptr) << c.what;
        EXPECT_EQ(d.error, c.error) << c.what << std::hex << " got " << d.error;
    }
    // A success leaves the stored code alone; the tables are good again.
    const DWORD before = zvGdiGetErrCode();
    Decoded ok(good);
    ASSERT_NE(ok.dib, nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), before);
}

// FNV-1a over what a decode hands back: the error, or the size and every
// visible pixel byte.
uint32_t DecodeHashOnce(const Bytes& file, size_t size, uint32_t h) {
    Decoded d(file.data(), size);
    auto mix = [&h](const BYTE* p, size_t n) {
        for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
    };
    if (!d.dib) {
        mix((const BYTE*)&d.error, sizeof d.error);
        return h;
    }
    mix((const BYTE*)&d.info.width, sizeof d.info.width);
    mix((const BYTE*)&d.info.height, sizeof d.info.height);
    for (DWORD y = 0; y < d.info.height; ++y) mix(d.At(0, (int)y), 3 * d.info.width);
    return h;
}

// The same through the plain paths and the fast ones, which must agree. The
// switch between them is not exported from the DLL: Windows builds check the
// fast paths against the recorded pictures only.
uint32_t DecodeHash(const Bytes& file, size_t size, uint32_t h) {
#ifndef _WIN32
    g_zvJpegFastPaths = false;
    const uint32_t plain = DecodeHashOnce(file, size, h);
    g_zvJpegFastPaths = true;
    const uint32_t fast = DecodeHashOnce(file, size, h);
    EXPECT_EQ(fast, plain) << "bytes " << size;
    return fast;
#else
    return DecodeHashOnce(file, size, h);
#endif
}

// Written files of every layout, sequential (also with restarts and with
// quantisers large enough to overflow the transform) and progressive, then
// cut short and with bytes overwritten: the fast paths decode each as the
// plain ones do, and all as the scalar decoder did before the fast paths.
TEST(JpegDecoder, DamagedFilesDecodeAsBefore) {
    struct Layout {
        int h, v, components;
    };
    const Layout layouts[] = {{1, 1, 1}, {1, 1, 3}, {2, 1, 3}, {2, 2, 3}};
    Bytes hostileQuant = {0x10};
    for (int k = 0; k < 64; ++k) {
        hostileQuant.push_back((BYTE)(0x40 + k));
        hostileQuant.push_back((BYTE)(k * 37));
    }
    std::vector<Bytes> files;
    unsigned seed = 77;
    for (const Layout& l : layouts) {
        const Picture pic = MakePicture(41, 27, l.h, l.v, l.components, seed++);
        files.push_back(Sequential(pic));
        files.push_back(Sequential(pic, 2));
        files.push_back(WithSegment(Sequential(pic), 0xDB, hostileQuant));
        files.push_back(Progressive(pic));
    }
    std::vector<uint32_t> hashes;
    for (const Bytes& file : files) {
        uint32_t h = DecodeHash(file, file.size(), 2166136261u);
        for (int cut = 1; cut < 16; ++cut) h = DecodeHash(file, file.size() * cut / 16, h);
        for (int round = 0; round < 24; ++round) {
            Bytes damaged = file;
            for (int i = 0; i < 3; ++i) {
                seed = seed * 1103515245u + 12345u;
                const size_t at = 200 + (seed >> 8) % (damaged.size() - 200);
                damaged[at] = (BYTE)(i == 0 ? 0xFF : seed >> 24);
            }
            h = DecodeHash(damaged, damaged.size(), h);
        }
        hashes.push_back(h);
    }
    const std::vector<uint32_t> expected = {
        2374882848u, 3514146958u, 1927281237u, 3296613203u, 2571615681u, 3707627565u, 1707616003u, 3729915685u,
        589504491u,  1107504870u, 1997254181u, 2641954571u, 3489458567u, 879369578u,  1315236862u, 192968825u,
    };
    EXPECT_EQ(hashes, expected);
}

TEST(JpegDecoder, RestartIntervalsAndDamagedScansKeepWhatWasDecoded) {
    const Picture pic = MakePicture(64, 32, 2, 2, 3, 11);
    const Bytes plainFile = Sequential(pic);
    Decoded plain(plainFile);
    ASSERT_NE(plain.dib, nullptr);
    for (int interval : {1, 3}) {
        Decoded r(Sequential(pic, interval));
        ASSERT_NE(r.dib, nullptr) << interval;
        EXPECT_TRUE(r.SameRows(plain, 0, 32)) << interval;
    }
    // A bad restart marker after the first MCU row ends the picture there.
    Bytes broken = Sequential(pic, 4);
    size_t marker = 0;
    for (size_t i = 0; i + 1 < broken.size(); ++i)
        if (broken[i] == 0xFF && broken[i + 1] == 0xD0) marker = i;
    ASSERT_NE(marker, 0u);
    broken[marker + 1] = 0xC4;
    Decoded b(broken);
    ASSERT_NE(b.dib, nullptr);
    EXPECT_TRUE(b.SameRows(plain, 0, 16));
    for (int y = 16; y < 32; ++y)
        for (int x = 0; x < 64; ++x) EXPECT_EQ(b.At(x, y)[1], 0) << x << "," << y;

    // A sequential file cut in its scan: the MCU rows it holds are right.
    Decoded cut(plainFile.data(), plainFile.size() * 2 / 3);
    ASSERT_NE(cut.dib, nullptr);
    EXPECT_TRUE(cut.SameRows(plain, 0, 16));
    EXPECT_FALSE(cut.SameRows(plain, 16, 32));
}

TEST(JpegDecoder, ProgressiveFileCutInItsSecondScan) {
    // Grey 64 × 8: eight blocks. The second scan carries AC 1..5 of each block.
    Picture pic = MakePicture(64, 8, 1, 1, 1, 21);
    for (auto& mcu : pic.mcus) mcu[0][1] = 30;  // every block has an AC value there
    size_t second = 0;
    const Bytes file = Progressive(pic, &second);
    Decoded whole(file);
    ASSERT_NE(whole.dib, nullptr);

    // The DC-only picture: what every block holds after the first scan.
    Picture dcOnly = pic;
    for (auto& mcu : dcOnly.mcus) {
        const int dc = mcu[0][0] & ~1;
        mcu[0] = Block(64, 0);
        mcu[0][0] = dc;
    }
    Decoded flat(Sequential(dcOnly));
    ASSERT_NE(flat.dib, nullptr);

    // Cut a few bytes into the second scan's data.
    const size_t at = second + 10 + 6;
    Decoded cut(file.data(), at);
    ASSERT_NE(cut.dib, nullptr) << std::hex << cut.error;
    auto blockEquals = [](const Decoded& a, const Decoded& b, int block) {
        for (int y = 0; y < 8; ++y)
            if (memcmp(a.At(8 * block, y), b.At(8 * block, y), 24)) return false;
        return true;
    };
    EXPECT_FALSE(blockEquals(cut, flat, 0)) << "the first block got its AC values";
    EXPECT_TRUE(blockEquals(cut, flat, 7)) << "the last block kept only the first scan";
    int reached = 0;
    while (reached < 8 && !blockEquals(cut, flat, reached)) ++reached;
    for (int blk = reached; blk < 8; ++blk) EXPECT_TRUE(blockEquals(cut, flat, blk)) << blk;
    EXPECT_GT(reached, 0);
    EXPECT_LT(reached, 8);
}

// Scaled decoding. A scaled pixel is the mean of the full picture's pixels
// that it stands for: the reduced transforms average the full transform's
// outputs, and chroma is kept at the output's resolution, so only rounding
// (and clamping, which these pictures do not reach) parts them.
struct ScaledDecoded : Decoded {
    ScaledDecoded(const BYTE* data, size_t size, DWORD scale) : Decoded(nullptr, 0) {
        memset(&info, 0xCD, sizeof info);
        info.size = DIBINFO_SIZE;
        dib = zvConvertJpegToDibScaled(data, (DWORD)size, scale, &info);
        error = dib ? 0 : zvGdiGetErrCode();
    }
    ScaledDecoded(const Bytes& file, DWORD scale) : ScaledDecoded(file.data(), file.size(), scale) {}
};

// Largest difference between a scaled picture and the means of the full
// picture's boxes that lie wholly inside it.
int WorstBoxMeanDifference(const Decoded& full, const Decoded& scaled, int scale) {
    int worst = 0;
    for (int y = 0; y < (int)full.info.height / scale; ++y)
        for (int x = 0; x < (int)full.info.width / scale; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < scale; ++dy)
                    for (int dx = 0; dx < scale; ++dx) sum += full.At(x * scale + dx, y * scale + dy)[c];
                const int mean = (sum + scale * scale / 2) / (scale * scale);
                worst = std::max(worst, abs(mean - scaled.At(x, y)[c]));
            }
    return worst;
}

// The lookups are read instead of the code search: each entry must be what
// the search finds for the pattern's first bits, for whole, sparse and
// damaged (overfull) count sets alike.
TEST(JpegHuffman, LookupsAgreeWithTheCodeSearch) {
    struct Case {
        const char* name;
        BYTE counts[16];
    } cases[] = {
        {"standard luminance DC", {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0}},
        {"standard luminance AC", {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 125}},
        {"one code of one bit", {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"gaps between lengths", {0, 0, 1, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 9, 0, 0}},
        {"only codes past the lookup", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 8, 0, 0, 0, 0}},
        {"more codes than bits allow", {3, 5, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"overfull at the lookup's edge", {0, 0, 0, 0, 0, 0, 0, 0, 200, 56, 0, 0, 0, 0, 0, 0}},
    };
    BYTE values[256];
    for (int i = 0; i < 256; ++i) values[i] = (BYTE)(i * 37 + 11);
    for (const Case& c : cases) {
        int count = 0;
        for (BYTE n : c.counts) count += n;
        JpegHuffmanTable t;
        ASSERT_TRUE(t.Build(c.counts, values, count)) << c.name;
        const int k = JpegHuffmanTable::kLookupBits;
        for (int pattern = 0; pattern < (1 << k); ++pattern) {
            uint16_t lookup = 0;
            int32_t ac = 0;
            for (int length = 1; length <= k; ++length) {
                const int32_t prefix = pattern >> (k - length);
                if (prefix > t.maxCode[length]) continue;
                const BYTE value = t.ValueAt(length, prefix);
                lookup = (uint16_t)(length << 8 | value);
                const int size = value & 15, used = length + size;
                if (size && used <= k) {
                    const int32_t bits = (pattern >> (k - used)) & ((1 << size) - 1);
                    const int32_t coefficient = bits < (1 << (size - 1)) ? bits - (1 << size) + 1 : bits;
                    ac = (int32_t)((uint32_t)coefficient << 16) | (value >> 4) << 8 | used;
                }
                break;
            }
            ASSERT_EQ(lookup, t.lookup[pattern]) << c.name << ", pattern " << pattern;
            ASSERT_EQ(ac, t.acLookup[pattern]) << c.name << ", pattern " << pattern;
        }
    }
}

TEST(JpegScaled, PicturesAreTheBoxMeansOfTheFullOnes) {
    const struct {
        int w, h, hs, vs, comps;
    } layouts[] = {{13, 11, 1, 1, 1}, {21, 9, 1, 1, 3}, {33, 17, 2, 1, 3}, {35, 33, 2, 2, 3},
                   {1, 1, 2, 2, 3},   {7, 9, 2, 1, 3},  {64, 48, 2, 2, 3}};
    for (const auto& l : layouts) {
        const Picture pic = MakePicture(l.w, l.h, l.hs, l.vs, l.comps, (unsigned)(l.w * 7 + l.h));
        const Bytes files[] = {Sequential(pic), Sequential(pic, 1), Progressive(pic)};
        Decoded full(files[0]);
        ASSERT_NE(full.dib, nullptr);
        for (const Bytes& file : files)
            for (int scale : {1, 2, 4, 8}) {
                SCOPED_TRACE(testing::Message() << l.w << "x" << l.h << " sampling " << l.hs << l.vs << " scale "
                                                << scale << " file " << (&file - files));
                ScaledDecoded s(file, (DWORD)scale);
                ASSERT_NE(s.dib, nullptr) << std::hex << s.error;
                EXPECT_EQ(s.info.width, (DWORD)(l.w + scale - 1) / scale);
                EXPECT_EQ(s.info.height, (DWORD)(l.h + scale - 1) / scale);
                EXPECT_EQ(s.info.stride, (3 * s.info.width + 3) & ~3u);
                EXPECT_EQ(s.info.header->biWidth, (LONG)s.info.width);
                EXPECT_EQ(s.info.header->biHeight, -(LONG)s.info.height);
                // Whole MCU rows of the reduced MCU height.
                const DWORD mcuRows = (DWORD)(l.h + 8 * l.vs - 1) / (8 * l.vs);
                EXPECT_EQ(s.info.header->biSizeImage, s.info.stride * mcuRows * (8 * l.vs / scale));
                if (scale == 1)
                    EXPECT_TRUE(s.SameRows(full, 0, l.h));
                else
                    EXPECT_LE(WorstBoxMeanDifference(full, s, scale), 2);
                // The last row and column, outside any whole box, are near their neighbours.
                const int lastX = (int)s.info.width - 1, lastY = (int)s.info.height - 1;
                if (lastX > 0) {
                    EXPECT_NEAR(s.At(lastX, lastY)[1], s.At(lastX - 1, lastY)[1], 60);
                }
            }
    }
}

TEST(JpegScaled, CutAndDamagedFilesDecodeWhatTheyHold) {
    const Picture pic = MakePicture(64, 32, 2, 2, 3, 11);
    const Bytes file = Sequential(pic);
    for (int scale : {2, 4, 8}) {
        ScaledDecoded whole(file, (DWORD)scale);
        ASSERT_NE(whole.dib, nullptr);
        // A cut before the last MCU of the second MCU row: the first row is
        // kept, the MCUs not reached are cleared.
        ScaledDecoded cut(file.data(), file.size() * 2 / 3, (DWORD)scale);
        ASSERT_NE(cut.dib, nullptr);
        const int mcuRow = 16 / scale;
        EXPECT_TRUE(cut.SameRows(whole, 0, mcuRow)) << scale;
        for (int y = mcuRow; y < 2 * mcuRow; ++y)
            for (int x = 48 / scale; x < 64 / scale; ++x)
                EXPECT_EQ(cut.At(x, y)[1], 0) << scale << " " << x << "," << y;
    }
    // Every cut and scrambled copy of every kind of file, at every scale.
    unsigned seed = 5;
    for (const Picture& p : {MakePicture(41, 27, 2, 2, 3, 1), MakePicture(23, 30, 2, 1, 3, 2),
                             MakePicture(17, 13, 1, 1, 1, 3)})
        for (const Bytes& f : {Sequential(p), Sequential(p, 2), Progressive(p)})
            for (int scale : {2, 4, 8}) {
                for (int cut = 1; cut < 16; ++cut) ScaledDecoded(f.data(), f.size() * cut / 16, (DWORD)scale);
                for (int round = 0; round < 8; ++round) {
                    Bytes damaged = f;
                    for (int i = 0; i < 3; ++i) {
                        seed = seed * 1103515245u + 12345u;
                        damaged[200 + (seed >> 8) % (damaged.size() - 200)] = (BYTE)(seed >> 24);
                    }
                    ScaledDecoded(damaged, (DWORD)scale);
                }
            }
}

TEST(JpegScaled, OnlyPowersOfTwoUpToEight) {
    const Bytes file = Sequential(MakePicture(16, 16, 1, 1, 1, 9));
    for (DWORD scale : {0u, 3u, 16u, 0x80000000u}) {
        ScaledDecoded d(file, scale);
        EXPECT_EQ(d.dib, nullptr) << scale;
        EXPECT_EQ(d.error, (DWORD)ZVPIX_ERR_BAD_ARGUMENT) << scale;
    }
}

#ifndef _WIN32
// The reduced transform at 8 × 8 is the transform itself; smaller, each
// sample is within one unit of the mean of the samples it stands for.
TEST(JpegScaled, ReducedTransformsAverageTheFullOne) {
    unsigned seed = 3;
    BYTE all[64];
    for (int i = 0; i < 64; ++i) all[i] = (BYTE)i;
    for (int round = 0; round < 500; ++round) {
        int32_t coef[64];
        for (int i = 0; i < 64; ++i) {
            seed = seed * 1103515245u + 12345u;
            // Magnitudes of real pictures, so that no sum wraps.
            coef[i] = i == 0 ? (int32_t)((seed >> 8) % 1601) - 800
                             : (seed >> 28) < 3 ? (int32_t)((seed >> 8) % 121) - 60 : 0;
        }
        int32_t full[64], reduced[64];
        zvJpegInverseTransform(coef, full, 8, false);
        zvJpegReducedTransform(coef, all, 64, 8, 8, reduced, 8);
        ASSERT_EQ(memcmp(full, reduced, sizeof full), 0) << round;
        for (int size : {4, 2, 1}) {
            const int run = 8 / size;
            zvJpegReducedTransform(coef, all, 64, size, size, reduced, 8);
            for (int i = 0; i < size; ++i)
                for (int j = 0; j < size; ++j) {
                    double mean = 0;
                    for (int y = 0; y < run; ++y)
                        for (int x = 0; x < run; ++x) mean += full[(i * run + y) * 8 + j * run + x];
                    EXPECT_NEAR(reduced[i * 8 + j], mean / (run * run), 1.5) << round << " " << size;
                }
        }
    }
}
#endif

}  // namespace

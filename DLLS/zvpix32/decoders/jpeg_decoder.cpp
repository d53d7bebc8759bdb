#include "jpeg_decoder.h"

#include <stdlib.h>
#include <string.h>

#include "jpeg_huffman.h"
#include "jpeg_transform.h"
#include "jpeg_vector.h"

size_t g_zvJpegMaxBufferBytes = (size_t)1 << 30;
bool g_zvJpegFastPaths = true;
size_t g_zvJpegKeptWorkBytes = (size_t)64 << 20;

namespace {

// Memory on a 64-byte boundary that outlives a decode, so that the pages a
// decode touched are warm for the next one.
class WorkMemory {
public:
    // At least `bytes` bytes, contents undefined; null when none.
    void* Get(size_t bytes) {
        if (bytes > bytes_) {
            Release();
            memory_ = malloc(bytes + 64);
            if (!memory_) return nullptr;
            bytes_ = bytes;
        }
        return Aligned();
    }
    // Takes over a block from malloc that holds `bytes` bytes after its 64-byte boundary.
    void Adopt(void* memory, size_t bytes) {
        Release();
        memory_ = memory;
        bytes_ = bytes;
    }
    void* Aligned() const { return (void*)(((uintptr_t)memory_ + 63) & ~(uintptr_t)63); }
    size_t Bytes() const { return bytes_; }
    void Release() {
        free(memory_);
        memory_ = nullptr;
        bytes_ = 0;
    }

private:
    void* memory_ = nullptr;
    size_t bytes_ = 0;
};

// The progressive coefficient store, and per block its non-zero map and DC value.
WorkMemory g_coefficientMemory;
WorkMemory g_blockMapMemory;

// Tables outlive a call: a file without its own tables decodes with those
// that the previous file left.
JpegHuffmanTable g_dcTables[4];
JpegHuffmanTable g_acTables[4];
int32_t g_quantTables[4][64];

const int kMaxComponents = 9;
const int kNotInScan = 255;
const int kMaxBlocksPerMcu = 6;
// Bytes that one MCU can use up at most (six blocks of the longest codes, all
// stuffed); an MCU that starts closer to the end may overrun it.
const size_t kMcuMaxBytes = 4096;

// Per 64-byte line of a block's stored coefficients, the zig-zag positions
// that lie in it: 16 or 32 coefficients in natural order per line.
template <typename Coef>
struct LineCoefficients {
    enum { kLines = (int)sizeof(Coef), kPerLine = 64 / kLines };
    uint64_t mask[kLines];
    LineCoefficients() : mask() {
        for (int k = 0; k < 64; ++k) mask[g_zvJpegNaturalOrder[k] / kPerLine] |= (uint64_t)1 << k;
    }
};
template <typename Coef>
const LineCoefficients<Coef> kLineCoefficients;

DWORD Be16(const BYTE* p) { return ((DWORD)p[0] << 8) | p[1]; }

bool HaveSse2() {
    static const bool have = zvJpegHaveSse2();
    return have;
}
bool HaveAvx2() {
    static const bool have = zvJpegHaveAvx2();
    return have;
}

int DecodeSymbol(JpegBitReader& in, const JpegHuffmanTable& t) {
    return g_zvJpegFastPaths ? in.Decode(t) : in.DecodeBitByBit(t);
}

struct Component {
    BYTE id;
    int h, v;  // sampling factors
    int quant;
    int dcTable, acTable;
    int32_t predictor;
    DWORD eobRun;
    DWORD blocksWide, blocksHigh;  // the component's own block grid
    int firstBlock;                // index of its first block within an MCU
};

// One block of an MCU: which component, and where in the MCU's luminance plane.
struct McuBlock {
    int component;
    int x, y;
};

enum ScanResult { SCAN_COMPLETE, SCAN_STOP };

class Decoder {
public:
    Decoder(const BYTE* data, size_t size, int scaleShift, IJpegPixelSink& sink)
        : data_(data), size_(size), fast_(g_zvJpegFastPaths), vector_(fast_ && HaveSse2()),
          wideVector_(fast_ && HaveAvx2()), scale_(scaleShift), sink_(sink) {}
    ~Decoder() {
        if (g_coefficientMemory.Bytes() + g_blockMapMemory.Bytes() > g_zvJpegKeptWorkBytes) {
            g_coefficientMemory.Release();
            g_blockMapMemory.Release();
        }
    }

    DWORD Run(size_t pos, JpegPicture* picture);

private:
    DWORD ReadFrame(const BYTE* seg, size_t length, bool progressive);
    DWORD ReadHuffmanTables(const BYTE* seg, size_t length);
    DWORD ReadQuantTables(const BYTE* seg, size_t length);
    // Returns an error code, 0 to go on, or sets *finished when decoding ends.
    DWORD ReadScan(const BYTE* seg, size_t length, size_t* pos, bool* finished);

    ScanResult SequentialScan(JpegBitReader& in, int ss, int se);
    template <bool kFast>
    ScanResult SequentialMcus(JpegBitReader& in);
    // Ends a sequential scan at MCU `mcuIndex`, clearing what no scan has written.
    ScanResult StopSequential(DWORD mcuIndex) {
        if (!imageComplete_) ClearUnwritten(mcuIndex);
        return SCAN_STOP;
    }
    ScanResult ProgressiveScan(JpegBitReader& in, int ss, int se, int ah, int al);
    template <typename Coef>
    ScanResult AcScan(JpegBitReader& in, Component& c, int ss, int se, int ah, int al);
    bool WidenCoefficients();
    bool Restart(JpegBitReader& in, DWORD* untilRestart);

    // Decodes one block into `coef` (all zero on entry) and lists the
    // positions it set in `touched`; false when the data is damaged.
    template <bool kFast>
    bool DecodeSequentialBlock(JpegBitReader& in, Component& c, int32_t* coef, BYTE* touched, int* touchedCount,
                               bool* firstRowOnly);
    void DecodeDcFirst(JpegBitReader& in, Component& c, int32_t& dc, int al);
    template <typename Coef>
    void DecodeAcFirst(JpegBitReader& in, Component& c, Coef* coef, uint64_t& nonzero, int ss, int se, int al);
    template <typename Coef>
    bool DecodeAcRefine(JpegBitReader& in, Component& c, Coef* coef, uint64_t& nonzero, int ss, int se, int al);

    void PutMcu(const JpegMcuSamples& samples, DWORD mx, DWORD my);
    // `positions` lists the natural positions of the coefficients that may
    // be non-zero; the reduced transforms read only those.
    void TransformBlock(const int32_t* coef, bool firstRowOnly, const BYTE* positions, int count, const McuBlock& b,
                        JpegMcuSamples& samples);
    template <typename Coef>
    void OutputCoefficients();
    void ClearUnwritten(DWORD mcuIndex);
    void Finish(JpegPicture* picture);

    const BYTE* data_;
    size_t size_;
    const bool fast_;    // lookup Huffman decoding
    const bool vector_;      // SSE2 transform and colour conversion
    const bool wideVector_;  // AVX2 transform and colour conversion
    const int scale_;    // output reduced by 1 << scale_
    IJpegPixelSink& sink_;

    bool haveFrame_ = false;
    bool progressive_ = false;
    bool scanDecoded_ = false;
    bool imageComplete_ = false;  // a sequential scan reached every MCU
    DWORD restartInterval_ = 0;
    DWORD width_ = 0, height_ = 0;
    int componentCount_ = 0;
    Component components_[kMaxComponents];
    JpegLayout layout_ = JPEG_LAYOUT_GREY;
    int mcuWidth_ = 8, mcuHeight_ = 8;
    DWORD mcusPerRow_ = 0, mcuRows_ = 0;
    int blocksPerMcu_ = 0;
    McuBlock mcuBlocks_[kMaxBlocksPerMcu];

    // The output: the picture and its MCUs reduced by the scale.
    DWORD outWidth_ = 0, outHeight_ = 0;
    int outMcuWidth_ = 8, outMcuHeight_ = 8;
    BYTE* pixels_ = nullptr;
    DWORD stride_ = 0;
    size_t pixelBytes_ = 0;
    // AC coefficients of every block: 16-bit while no scan can store a value
    // beyond ±32767, which holds for every file written with 8-bit samples,
    // else widened to 32 bits. Both hold the same values. Only the values
    // that the non-zero maps name are ever written or read, so the store is
    // not cleared.
    void* coefficients_ = nullptr;  // in g_coefficientMemory
    bool wideCoefficients_ = false;
    uint32_t coefficientBound_ = 0;  // no stored value is larger in magnitude
    // Per block, bit k set when the coefficient at zig-zag position k (1..63)
    // is not 0, so that refinements need not read the zero ones.
    uint64_t* nonzero_ = nullptr;
    // DC coefficients apart from the others, so that DC scans touch little memory.
    int32_t* dcCoefficients_ = nullptr;
};

DWORD Decoder::ReadFrame(const BYTE* seg, size_t length, bool progressive) {
    if (haveFrame_) return ZVPIX_ERR_DAMAGED;
    if (length < 6) return ZVPIX_ERR_DAMAGED;
    const int count = seg[5];
    if (count > kMaxComponents) return ZVPIX_ERR_DAMAGED;
    if (length < 6 + 3 * (size_t)count) return ZVPIX_ERR_DAMAGED;
    if (seg[0] != 8 || (count != 1 && count != 3)) return ZVPIX_ERR_UNSUPPORTED_IMAGE;
    height_ = Be16(seg + 1);
    width_ = Be16(seg + 3);
    if (width_ == 0 || height_ == 0) return ZVPIX_ERR_DAMAGED;
    for (int i = 0; i < count; ++i) {
        const BYTE* p = seg + 6 + 3 * i;
        Component& c = components_[i];
        c.id = p[0];
        c.h = p[1] >> 4;
        c.v = p[1] & 15;
        c.quant = p[2];
        if (c.quant > 3) return ZVPIX_ERR_DAMAGED;
        if (i > 0 && p[1] != 0x11) return ZVPIX_ERR_DAMAGED;
    }
    const BYTE sampling = seg[7];
    if (count == 1) {
        if (sampling != 0x11) return ZVPIX_ERR_DAMAGED;
        layout_ = JPEG_LAYOUT_GREY;
    } else if (sampling == 0x11) {
        layout_ = JPEG_LAYOUT_1X1;
    } else if (sampling == 0x21) {
        layout_ = JPEG_LAYOUT_2X1;
    } else if (sampling == 0x22) {
        layout_ = JPEG_LAYOUT_2X2;
    } else {
        return ZVPIX_ERR_DAMAGED;
    }
    componentCount_ = count;
    progressive_ = progressive;
    haveFrame_ = true;

    const Component& y = components_[0];
    mcuWidth_ = 8 * y.h;
    mcuHeight_ = 8 * y.v;
    mcusPerRow_ = (width_ + mcuWidth_ - 1) / mcuWidth_;
    mcuRows_ = (height_ + mcuHeight_ - 1) / mcuHeight_;
    blocksPerMcu_ = 0;
    for (int i = 0; i < count; ++i) {
        Component& c = components_[i];
        c.blocksWide = (width_ * c.h + 8 * y.h - 1) / (8 * y.h);
        c.blocksHigh = (height_ * c.v + 8 * y.v - 1) / (8 * y.v);
        c.firstBlock = blocksPerMcu_;
        for (int by = 0; by < c.v; ++by)
            for (int bx = 0; bx < c.h; ++bx) mcuBlocks_[blocksPerMcu_++] = {i, 8 * bx, 8 * by};
    }
    outWidth_ = (width_ + (1u << scale_) - 1) >> scale_;
    outHeight_ = (height_ + (1u << scale_) - 1) >> scale_;
    outMcuWidth_ = mcuWidth_ >> scale_;
    outMcuHeight_ = mcuHeight_ >> scale_;

    stride_ = (3 * outWidth_ + 3) & ~3u;
    const unsigned long long pixelBytes = (unsigned long long)stride_ * mcuRows_ * outMcuHeight_;
    const unsigned long long blocks = progressive ? (unsigned long long)mcusPerRow_ * mcuRows_ * blocksPerMcu_ : 0;
    if (pixelBytes > g_zvJpegMaxBufferBytes || blocks * 64 * sizeof(int32_t) > g_zvJpegMaxBufferBytes)
        return ZVPIX_ERR_OUT_OF_MEMORY;
    pixelBytes_ = (size_t)pixelBytes;
    pixels_ = sink_.Reserve(outWidth_, outHeight_, stride_, pixelBytes_);
    if (!pixels_) return ZVPIX_ERR_OUT_OF_MEMORY;
    if (progressive) {
        coefficients_ = g_coefficientMemory.Get((size_t)blocks * 64 * sizeof(int16_t));
        void* maps = g_blockMapMemory.Get((size_t)blocks * (sizeof(uint64_t) + sizeof(int32_t)));
        if (!coefficients_ || !maps) return ZVPIX_ERR_OUT_OF_MEMORY;
        memset(maps, 0, (size_t)blocks * (sizeof(uint64_t) + sizeof(int32_t)));
        nonzero_ = (uint64_t*)maps;
        dcCoefficients_ = (int32_t*)(nonzero_ + blocks);
    }
    return 0;
}

DWORD Decoder::ReadHuffmanTables(const BYTE* seg, size_t length) {
    size_t at = 0;
    while (at < length) {
        const BYTE kind = seg[at];
        const int number = kind & 15;
        if ((kind >> 4) > 1 || number > 3) return ZVPIX_ERR_DAMAGED;
        if (length - at < 17) return ZVPIX_ERR_DAMAGED;
        const BYTE* counts = seg + at + 1;
        int total = 0;
        for (int i = 0; i < 16; ++i) total += counts[i];
        if (total > 256 || length - at - 17 < (size_t)total) return ZVPIX_ERR_DAMAGED;
        JpegHuffmanTable& t = (kind >> 4) ? g_acTables[number] : g_dcTables[number];
        t.Build(counts, seg + at + 17, total);
        at += 17 + total;
    }
    return 0;
}

DWORD Decoder::ReadQuantTables(const BYTE* seg, size_t length) {
    size_t at = 0;
    while (at < length) {
        const int precision = seg[at] >> 4;
        const int number = seg[at] & 15;
        if (number > 3 || precision > 1) return ZVPIX_ERR_DAMAGED;
        const size_t bytes = precision ? 128 : 64;
        if (length - at - 1 < bytes) return ZVPIX_ERR_DAMAGED;
        const BYTE* q = seg + at + 1;
        for (int k = 0; k < 64; ++k)
            g_quantTables[number][g_zvJpegNaturalOrder[k]] = (int32_t)(precision ? Be16(q + 2 * k) : q[k]);
        at += 1 + bytes;
    }
    return 0;
}

DWORD Decoder::ReadScan(const BYTE* seg, size_t length, size_t* pos, bool* finished) {
    if (!haveFrame_) return ZVPIX_ERR_DAMAGED;
    if (length < 1) return ZVPIX_ERR_DAMAGED;
    const int count = seg[0];
    if (count < 1 || count > componentCount_ || length < 4 + 2 * (size_t)count) return ZVPIX_ERR_DAMAGED;
    for (int i = 0; i < componentCount_; ++i) {
        components_[i].dcTable = components_[i].acTable = kNotInScan;
        components_[i].predictor = 0;
        components_[i].eobRun = 0;
    }
    int inScan = 0;
    for (int i = 0; i < count; ++i) {
        const BYTE id = seg[1 + 2 * i];
        const int dc = seg[2 + 2 * i] >> 4, ac = seg[2 + 2 * i] & 15;
        if (dc > 3 || ac > 3) return ZVPIX_ERR_DAMAGED;
        int which = -1;
        for (int c = 0; c < componentCount_ && which < 0; ++c)
            if (components_[c].id == id) which = c;
        if (which < 0) return ZVPIX_ERR_DAMAGED;
        if (components_[which].dcTable == kNotInScan) ++inScan;
        components_[which].dcTable = dc;
        components_[which].acTable = ac;
    }
    const BYTE* tail = seg + 1 + 2 * count;
    const int ss = tail[0], se = tail[1], ah = tail[2] >> 4, al = tail[2] & 15;

    JpegBitReader in(data_, size_, *pos);
    ScanResult result;
    if (progressive_) {
        if (ah != 0 && ah != al + 1) return ZVPIX_ERR_DAMAGED;
        if (ss > 0 && inScan != 1) {
            result = SCAN_STOP;
        } else {
            result = ProgressiveScan(in, ss, se, ah, al);
        }
    } else {
        if (inScan != componentCount_) return ZVPIX_ERR_UNSUPPORTED_IMAGE;
        result = SequentialScan(in, ss, se);
    }
    scanDecoded_ = true;
    if (result == SCAN_STOP) {
        *finished = true;
        return 0;
    }
    *pos = in.AlignToByte();
    if (*pos > size_) *finished = true;
    return 0;
}

bool Decoder::Restart(JpegBitReader& in, DWORD* untilRestart) {
    if (!restartInterval_) return true;
    if (--*untilRestart) return true;
    *untilRestart = restartInterval_;
    for (int i = 0; i < componentCount_; ++i) {
        components_[i].predictor = 0;
        components_[i].eobRun = 0;
    }
    const size_t at = in.AlignToByte();
    if (at + 2 > size_ || data_[at] != 0xFF) return false;
    const BYTE code = data_[at + 1];
    if (!((code >= 0xD0 && code <= 0xD7) || code == 0x01)) return false;
    in = JpegBitReader(data_, size_, at + 2);
    return true;
}

template <bool kFast>
bool Decoder::DecodeSequentialBlock(JpegBitReader& in, Component& c, int32_t* coef, BYTE* touched, int* touchedCount,
                                    bool* firstRowOnly) {
    // A local reader stays in registers; stores into `coef` could alias the caller's.
    JpegBitReader r = in;
    const int32_t* q = g_quantTables[c.quant];
    const JpegHuffmanTable& dc = g_dcTables[c.dcTable];
    const int dcSize = kFast ? r.Decode(dc) : r.DecodeBitByBit(dc);
    if (dcSize > 16) return false;
    c.predictor = (int32_t)((uint32_t)c.predictor + (uint32_t)r.Extend(dcSize));
    coef[0] = (int32_t)((uint32_t)c.predictor * (uint32_t)q[0]);
    int count = 1;
    touched[0] = 0;
    int rows = 0;
    const JpegHuffmanTable& ac = g_acTables[c.acTable];
    for (int k = 1; k < 64;) {
        int z;
        int32_t value;
        if (kFast) {
            r.Reserve();
            const uint32_t ahead = r.Peek(JpegHuffmanTable::kLookupBits);
            const int32_t hit = ac.acLookup[ahead];
            if (hit) {
                // Code and value bits in one step; a run past the block uses the code only.
                k += (hit >> 8) & 0xFF;
                if (k > 63) {
                    r.Skip(ac.lookup[ahead] >> 8);
                    break;
                }
                r.Skip(hit & 0xFF);
                z = g_zvJpegNaturalOrder[k];
                value = hit >> 16;
            } else {
                const int rs = r.Decode(ac);
                if (rs == 0) break;
                k += rs >> 4;
                if (k > 63) break;
                if (!(rs & 15)) {
                    ++k;
                    continue;
                }
                z = g_zvJpegNaturalOrder[k];
                value = r.Extend(rs & 15);
            }
        } else {
            const int rs = r.DecodeBitByBit(ac);
            if (rs == 0) break;
            k += rs >> 4;
            if (k > 63) break;
            if (!(rs & 15)) {
                ++k;
                continue;
            }
            z = g_zvJpegNaturalOrder[k];
            value = r.Extend(rs & 15);
        }
        coef[z] = (int32_t)((uint32_t)value * (uint32_t)q[z]);
        touched[count++] = (BYTE)z;
        rows |= z;
        ++k;
    }
    in = r;
    *touchedCount = count;
    *firstRowOnly = (rows & 0x38) == 0;
    return true;
}

void Decoder::TransformBlock(const int32_t* coef, bool firstRowOnly, const BYTE* positions, int count,
                             const McuBlock& b, JpegMcuSamples& samples) {
    if (scale_) {
        // Scaled MCUs hold every component at the output's resolution:
        // luminance blocks shrink by the scale, chroma blocks to the MCU.
        int32_t* out = b.component == 0 ? samples.y + (b.y >> scale_) * outMcuWidth_ + (b.x >> scale_)
                                        : b.component == 1 ? samples.cb : samples.cr;
        const int w = b.component == 0 ? 8 >> scale_ : outMcuWidth_;
        const int h = b.component == 0 ? 8 >> scale_ : outMcuHeight_;
        // One sample per block is the block's mean: the DC value alone.
        if (w == 1 && h == 1) count = 1;
        zvJpegReducedTransform(coef, positions, count, w, h, out, outMcuWidth_);
        return;
    }
    int32_t* out = samples.y + b.y * mcuWidth_ + b.x;
    int stride = mcuWidth_;
    if (b.component != 0) {
        out = b.component == 1 ? samples.cb : samples.cr;
        stride = 8;
    }
    // A block of one coefficient row takes the scalar shortcut.
    if (wideVector_ && !firstRowOnly)
        zvJpegInverseTransformAvx2(coef, out, stride);
    else if (vector_ && !firstRowOnly)
        zvJpegInverseTransformSse2(coef, out, stride);
    else
        zvJpegInverseTransform(coef, out, stride, firstRowOnly);
}

void Decoder::PutMcu(const JpegMcuSamples& samples, DWORD mx, DWORD my) {
    const DWORD x = mx * outMcuWidth_;
    const DWORD columns = outWidth_ - x < (DWORD)outMcuWidth_ ? outWidth_ - x : (DWORD)outMcuWidth_;
    BYTE* dst = pixels_ + (size_t)my * outMcuHeight_ * stride_ + 3 * x;
    if (scale_)
        zvJpegConvertPlanes(layout_ == JPEG_LAYOUT_GREY, samples, outMcuWidth_, outMcuHeight_, dst, stride_,
                            (int)columns);
    else if (wideVector_ && columns == (DWORD)mcuWidth_)
        zvJpegConvertWholeMcuAvx2(layout_, samples, dst, stride_);
    else if (vector_ && columns == (DWORD)mcuWidth_)
        zvJpegConvertWholeMcuSse2(layout_, samples, dst, stride_);
    else
        zvJpegConvertMcu(layout_, samples, dst, stride_, (int)columns);
}

void Decoder::ClearUnwritten(DWORD mcuIndex) {
    const DWORD my = mcuIndex / mcusPerRow_, mx = mcuIndex % mcusPerRow_;
    BYTE* rowStart = pixels_ + (size_t)my * outMcuHeight_ * stride_;
    const size_t start = 3 * (size_t)mx * outMcuWidth_;
    for (int r = 0; r < outMcuHeight_; ++r) memset(rowStart + (size_t)r * stride_ + start, 0, stride_ - start);
    const size_t done = (size_t)(my + 1) * outMcuHeight_ * stride_;
    if (done < pixelBytes_) memset(pixels_ + done, 0, pixelBytes_ - done);
}

ScanResult Decoder::SequentialScan(JpegBitReader& in, int ss, int se) {
    if (ss != 0 || se != 63) return StopSequential(0);
    return fast_ ? SequentialMcus<true>(in) : SequentialMcus<false>(in);
}

template <bool kFast>
ScanResult Decoder::SequentialMcus(JpegBitReader& in) {
    JpegMcuSamples samples;
    int32_t coef[64] = {};
    BYTE touched[64];
    DWORD untilRestart = restartInterval_;
    const DWORD total = mcusPerRow_ * mcuRows_;
    DWORD mx = 0, my = 0;
    for (DWORD m = 0; m < total; ++m) {
        for (int b = 0; b < blocksPerMcu_; ++b) {
            int count = 0;
            bool firstRowOnly = true;
            const bool ok = DecodeSequentialBlock<kFast>(in, components_[mcuBlocks_[b].component], coef, touched,
                                                         &count, &firstRowOnly);
            if (!ok) return StopSequential(m);
            TransformBlock(coef, firstRowOnly, touched, count, mcuBlocks_[b], samples);
            for (int i = 0; i < count; ++i) coef[touched[i]] = 0;
        }
        if (in.Overran()) return StopSequential(m);
        PutMcu(samples, mx, my);
        if (++mx == mcusPerRow_) {
            mx = 0;
            ++my;
        }
        if (m + 1 < total && !Restart(in, &untilRestart)) return StopSequential(m + 1);
    }
    imageComplete_ = true;
    return SCAN_COMPLETE;
}

void Decoder::DecodeDcFirst(JpegBitReader& in, Component& c, int32_t& dc, int al) {
    int size = DecodeSymbol(in, g_dcTables[c.dcTable]);
    if (size > 16) size = 0;
    const uint32_t diff = (uint32_t)in.Extend(size);
    c.predictor = (int32_t)((uint32_t)c.predictor + (diff << al));
    dc = c.predictor;
}

template <typename Coef>
void Decoder::DecodeAcFirst(JpegBitReader& in, Component& c, Coef* coef, uint64_t& nonzero, int ss, int se, int al) {
    if (c.eobRun > 0) {
        --c.eobRun;
        return;
    }
    const JpegHuffmanTable& t = g_acTables[c.acTable];
    for (int k = ss; k <= se;) {
        if (fast_) {
            in.Reserve();
            const uint32_t ahead = in.Peek(JpegHuffmanTable::kLookupBits);
            const int32_t hit = t.acLookup[ahead];
            if (hit) {
                // Code and value bits in one step; a run past the band uses the code only.
                k += (hit >> 8) & 0xFF;
                if (k > se) {
                    in.Skip(t.lookup[ahead] >> 8);
                    return;
                }
                in.Skip(hit & 0xFF);
                coef[g_zvJpegNaturalOrder[k]] = (Coef)(int32_t)((uint32_t)(hit >> 16) << al);
                nonzero |= (uint64_t)1 << k;
                ++k;
                continue;
            }
        }
        const int rs = DecodeSymbol(in, t);
        const int r = rs >> 4, s = rs & 15;
        if (s == 0) {
            if (r < 15) {
                c.eobRun = (1u << r) - 1 + in.Bits(r);
                return;
            }
            k += 16;
            continue;
        }
        k += r;
        if (k > se) return;
        // Extend(s) << al with s <= 15 and al <= 15 is never 0.
        coef[g_zvJpegNaturalOrder[k]] = (Coef)(int32_t)((uint32_t)in.Extend(s) << al);
        nonzero |= (uint64_t)1 << k;
        ++k;
    }
}

template <typename Coef>
bool Decoder::DecodeAcRefine(JpegBitReader& in, Component& c, Coef* coef, uint64_t& nonzero, int ss, int se, int al) {
    const int32_t plus = (int32_t)(1u << al), minus = (int32_t)(~0u << al);
    // Adds a correction bit to a coefficient already non-zero; it stays non-zero.
    auto refine = [&](Coef& v) {
        if (in.Bit() && (v & plus) == 0) v = (Coef)(int32_t)((uint32_t)v + (uint32_t)(v >= 0 ? plus : minus));
    };
    int k = ss;
    if (c.eobRun == 0) {
        const JpegHuffmanTable& t = g_acTables[c.acTable];
        for (; k <= se; ++k) {
            const int rs = DecodeSymbol(in, t);
            int r = rs >> 4;
            const int s = rs & 15;
            int32_t value = 0;
            if (s) {
                if (s != 1) return false;
                value = in.Bit() ? plus : minus;
            } else if (r != 15) {
                c.eobRun = (1u << r) + in.Bits(r);
                break;
            }
            for (; k <= se; ++k) {
                if (nonzero >> k & 1) {
                    refine(coef[g_zvJpegNaturalOrder[k]]);
                } else if (--r < 0) {
                    break;
                }
            }
            if (value && k <= se) {
                coef[g_zvJpegNaturalOrder[k]] = (Coef)value;
                nonzero |= (uint64_t)1 << k;
            }
        }
    }
    if (c.eobRun > 0) {
        if (k <= se) {
            // Only the non-zero coefficients of the rest of the band take a bit.
            uint64_t rest = nonzero & (~(uint64_t)0 << k) & (~(uint64_t)0 >> (63 - se));
            while (rest) {
                refine(coef[g_zvJpegNaturalOrder[__builtin_ctzll(rest)]]);
                rest &= rest - 1;
            }
        }
        --c.eobRun;
    }
    return true;
}

ScanResult Decoder::ProgressiveScan(JpegBitReader& in, int ss, int se, int ah, int al) {
    DWORD untilRestart = restartInterval_;
    const bool dcScan = ss == 0;
    if (dcScan) {
        if (se != 0) return SCAN_STOP;
        for (int i = 0; i < componentCount_; ++i)
            if (components_[i].dcTable == kNotInScan) return SCAN_STOP;
    } else if (se < ss || se > 63) {
        return SCAN_STOP;
    }
    int32_t saved[kMaxBlocksPerMcu];
    if (dcScan) {
        const DWORD total = mcusPerRow_ * mcuRows_;
        for (DWORD m = 0; m < total; ++m) {
            int32_t* dc = dcCoefficients_ + (size_t)m * blocksPerMcu_;
            const bool nearEnd = in.Position() + kMcuMaxBytes > size_;
            if (nearEnd) memcpy(saved, dc, sizeof(int32_t) * blocksPerMcu_);
            for (int b = 0; b < blocksPerMcu_; ++b) {
                Component& c = components_[mcuBlocks_[b].component];
                if (ah == 0)
                    DecodeDcFirst(in, c, dc[b], al);
                else if (in.Bit())
                    dc[b] = (int32_t)((uint32_t)dc[b] | (1u << al));
            }
            if (in.Overran()) {
                if (nearEnd) memcpy(dc, saved, sizeof(int32_t) * blocksPerMcu_);
                return SCAN_STOP;
            }
            if (m + 1 < total && !Restart(in, &untilRestart)) return SCAN_STOP;
        }
        return SCAN_COMPLETE;
    }
    int which = 0;
    while (components_[which].acTable == kNotInScan) ++which;
    Component& c = components_[which];
    // The largest value that the scan can leave in the store.
    const uint64_t bound =
        ah ? (uint64_t)coefficientBound_ + (1u << al) : (uint64_t)(((1u << g_acTables[c.acTable].maxSize) - 1) << al);
    if (bound > coefficientBound_) coefficientBound_ = bound > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)bound;
    if (!wideCoefficients_ && coefficientBound_ > 32767 && !WidenCoefficients()) return SCAN_STOP;
    return wideCoefficients_ ? AcScan<int32_t>(in, c, ss, se, ah, al) : AcScan<int16_t>(in, c, ss, se, ah, al);
}

bool Decoder::WidenCoefficients() {
    const size_t blocks = (size_t)mcusPerRow_ * mcuRows_ * blocksPerMcu_;
    void* memory = malloc(blocks * 64 * sizeof(int32_t) + 64);
    if (!memory) return false;
    int32_t* wide = (int32_t*)(((uintptr_t)memory + 63) & ~(uintptr_t)63);
    const int16_t* narrow = (const int16_t*)coefficients_;
    for (size_t b = 0; b < blocks; ++b)
        for (uint64_t left = nonzero_[b]; left; left &= left - 1) {
            const size_t at = b * 64 + g_zvJpegNaturalOrder[__builtin_ctzll(left)];
            wide[at] = narrow[at];
        }
    g_coefficientMemory.Adopt(memory, blocks * 64 * sizeof(int32_t));
    coefficients_ = wide;
    wideCoefficients_ = true;
    return true;
}

template <typename Coef>
ScanResult Decoder::AcScan(JpegBitReader& in, Component& c, int ss, int se, int ah, int al) {
    DWORD untilRestart = restartInterval_;
    Coef* const store = (Coef*)coefficients_;
    Coef saved[64];
    const DWORD total = c.blocksWide * c.blocksHigh;
    // Sampling factors are 1 or 2.
    const int wideShift = c.h >> 1, tallShift = c.v >> 1;
    const bool refining = ah != 0;
    const uint64_t band = (~(uint64_t)0 << ss) & (~(uint64_t)0 >> (63 - se));
    DWORD n = 0;
    for (DWORD by = 0; by < c.blocksHigh; ++by) {
        const size_t rowFirst =
            (size_t)(by >> tallShift) * mcusPerRow_ * blocksPerMcu_ + c.firstBlock + (size_t)(by & tallShift) * c.h;
        auto blockIndex = [&](DWORD bx) {
            return rowFirst + (size_t)(bx >> wideShift) * blocksPerMcu_ + (bx & wideShift);
        };
        for (DWORD bx = 0; bx < c.blocksWide; ++bx, ++n) {
            const size_t index = blockIndex(bx);
            uint64_t& nonzero = nonzero_[index];
            if (c.eobRun > 0 && (!refining || (nonzero & band) == 0)) {
                // An end-of-band run passes the block over without a bit read.
                --c.eobRun;
                if (n + 1 < total && !Restart(in, &untilRestart)) return SCAN_STOP;
                continue;
            }
            Coef* coef = store + index * 64;
            // The blocks of a grid row lie apart in the store; fetch the
            // lines of the block after next that the scan will use: those
            // with the band's non-zero coefficients when refining, those of
            // the band unless an end-of-band run passes the block over.
            if (bx + 2 < c.blocksWide && (refining || c.eobRun < 3)) {
                const size_t ahead = blockIndex(bx + 2);
                const uint64_t used = refining ? nonzero_[ahead] & band : band;
                for (int line = 0; line < LineCoefficients<Coef>::kLines; ++line)
                    if (used & kLineCoefficients<Coef>.mask[line])
                        __builtin_prefetch((const BYTE*)(store + ahead * 64) + 64 * line);
            }
            const bool nearEnd = in.Position() + kMcuMaxBytes > size_;
            const uint64_t savedNonzero = nonzero;
            if (nearEnd) memcpy(saved, coef, sizeof saved);
            bool ok = true;
            if (refining)
                ok = DecodeAcRefine(in, c, coef, nonzero, ss, se, al);
            else
                DecodeAcFirst(in, c, coef, nonzero, ss, se, al);
            if (!ok || in.Overran()) {
                if (nearEnd) {
                    memcpy(coef, saved, sizeof saved);
                    nonzero = savedNonzero;
                }
                return SCAN_STOP;
            }
            if (n + 1 < total && !Restart(in, &untilRestart)) return SCAN_STOP;
        }
    }
    return SCAN_COMPLETE;
}

template <typename Coef>
void Decoder::OutputCoefficients() {
    JpegMcuSamples samples;
    int32_t coef[64];
    BYTE positions[64];
    DWORD m = 0;
    for (DWORD my = 0; my < mcuRows_; ++my) {
        for (DWORD mx = 0; mx < mcusPerRow_; ++mx, ++m) {
            for (int b = 0; b < blocksPerMcu_; ++b) {
                const size_t index = (size_t)m * blocksPerMcu_ + b;
                const Coef* stored = (const Coef*)coefficients_ + index * 64;
                const int32_t* q = g_quantTables[components_[mcuBlocks_[b].component].quant];
                int32_t rows = 0;
                int count = 1;
                memset(coef, 0, sizeof coef);
                coef[0] = (int32_t)((uint32_t)dcCoefficients_[index] * (uint32_t)q[0]);
                positions[0] = 0;
                // Only the coefficients that the map names are not 0.
                for (uint64_t left = nonzero_[index]; left; left &= left - 1) {
                    const int z = g_zvJpegNaturalOrder[__builtin_ctzll(left)];
                    coef[z] = (int32_t)((uint32_t)stored[z] * (uint32_t)q[z]);
                    positions[count++] = (BYTE)z;
                    if (z >= 8) rows |= coef[z];
                }
                TransformBlock(coef, rows == 0, positions, count, mcuBlocks_[b], samples);
            }
            PutMcu(samples, mx, my);
        }
    }
}

void Decoder::Finish(JpegPicture* picture) {
    if (progressive_) {
        if (wideCoefficients_)
            OutputCoefficients<int32_t>();
        else
            OutputCoefficients<int16_t>();
    }
    picture->width = outWidth_;
    picture->height = outHeight_;
    picture->stride = stride_;
    picture->pixels = pixels_;
}

DWORD Decoder::Run(size_t pos, JpegPicture* picture) {
    for (;;) {
        if (size_ - pos < 2) {
            if (!scanDecoded_) return ZVPIX_ERR_DAMAGED;
            Finish(picture);
            return 0;
        }
        if (data_[pos] != 0xFF) return ZVPIX_ERR_DAMAGED;
        const BYTE code = data_[pos + 1];
        pos += 2;
        if (code < 0xC0 || (code >= 0xD0 && code <= 0xD8)) return ZVPIX_ERR_DAMAGED;
        if (code == 0xD9) {
            if (!scanDecoded_) return ZVPIX_ERR_NO_IMAGE;
            Finish(picture);
            return 0;
        }
        if (size_ - pos < 2) return ZVPIX_ERR_DAMAGED;
        const size_t length = Be16(data_ + pos);
        if (length < 2 || length > size_ - pos) return ZVPIX_ERR_DAMAGED;
        const BYTE* seg = data_ + pos + 2;
        const size_t segLength = length - 2;
        pos += length;
        DWORD err = 0;
        switch (code) {
        case 0xC0:
        case 0xC1: err = ReadFrame(seg, segLength, false); break;
        case 0xC2: err = ReadFrame(seg, segLength, true); break;
        case 0xC3:
        case 0xC5:
        case 0xC6:
        case 0xC7:
        case 0xC9:
        case 0xCA:
        case 0xCB:
        case 0xCD:
        case 0xCE:
        case 0xCF: err = ZVPIX_ERR_UNSUPPORTED_IMAGE; break;
        case 0xC4: err = ReadHuffmanTables(seg, segLength); break;
        case 0xDB: err = ReadQuantTables(seg, segLength); break;
        case 0xDD:
            if (segLength < 2) err = ZVPIX_ERR_DAMAGED;
            else restartInterval_ = Be16(seg);
            break;
        case 0xDA: {
            bool finished = false;
            err = ReadScan(seg, segLength, &pos, &finished);
            if (!err && finished) {
                Finish(picture);
                return 0;
            }
            break;
        }
        case 0xE0:
            if (segLength < 4 || (memcmp(seg, "JFIF", 4) != 0 && memcmp(seg, "JFXX", 4) != 0))
                err = ZVPIX_ERR_DAMAGED;
            break;
        default: break;
        }
        if (err) return err;
    }
}

// Handle, header and pixel buffer of a "DIBM" made at the frame header, and
// freed again unless the decode succeeds.
class DibSink : public IJpegPixelSink {
public:
    ~DibSink() {
        if (dib_) zvDeleteDIBitmap(dib_);
    }
    BYTE* Reserve(DWORD width, DWORD height, DWORD, size_t bytes) override {
        BITMAPINFOHEADER* header = (BITMAPINFOHEADER*)calloc(1, sizeof(BITMAPINFOHEADER));
        BYTE* pixels = (BYTE*)malloc(bytes);
        if (!header || !pixels) {
            free(pixels);
            free(header);
            return nullptr;
        }
        header->biSize = sizeof(BITMAPINFOHEADER);
        header->biWidth = (LONG)width;
        header->biHeight = -(LONG)height;
        header->biPlanes = 1;
        header->biBitCount = 24;
        header->biCompression = BI_RGB;
        header->biSizeImage = (DWORD)bytes;
        DibInfo scratch;
        scratch.size = DIBINFO_SIZE;
        dib_ = zvCreateOwnedDib(header, pixels, &scratch);
        if (!dib_) return nullptr;
        header_ = header;
        return pixels;
    }
    HZVDIB Release(const JpegPicture& picture, DibInfo* info) {
        info->flags = 0;
        info->format = ZVFMT_24BIT + zvGdiSixteenColorFlag();
        info->left = 0;
        info->top = 0;
        info->width = picture.width;
        info->height = picture.height;
        info->aspect = DIB_ASPECT_SQUARE;
        info->stride = picture.stride;
        info->rowStep = (LONG)picture.stride;
        info->transparent = 0;
        info->colorCount = 0;
        info->header = header_;
        info->colors = nullptr;
        info->bits = picture.pixels;
        info->topRow = picture.pixels;
        HZVDIB dib = dib_;
        dib_ = nullptr;
        return dib;
    }

private:
    HZVDIB dib_ = nullptr;
    BITMAPINFOHEADER* header_ = nullptr;
};

HZVDIB DecodeToDib(const BYTE* data, DWORD size, int scaleShift, DibInfo* info) {
    if (!data || !info) return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);
    if (info->size != DIBINFO_SIZE) return zvGdiFail(ZVPIX_ERR_RECORD_SIZE);
    size_t pos = 0;
    while (pos + 1 < size && !(data[pos] == 0xFF && data[pos + 1] == 0xD8)) ++pos;
    if (pos + 1 >= size) return zvGdiFail(ZVPIX_ERR_DAMAGED);
    DibSink sink;
    JpegPicture picture;
    const DWORD err = zvJpegDecode(data, size, pos + 2, scaleShift, sink, &picture);
    if (err) return zvGdiFail(err);
    return sink.Release(picture, info);
}

}  // namespace

DWORD zvJpegDecode(const BYTE* data, size_t size, size_t pos, int scaleShift, IJpegPixelSink& sink,
                   JpegPicture* picture) {
    Decoder decoder(data, size, scaleShift, sink);
    return decoder.Run(pos, picture);
}

ZV_EXPORT(HZVDIB) zvConvertJpegToDib(const BYTE* data, DWORD size, void*, DibInfo* info) {
    return DecodeToDib(data, size, 0, info);
}

ZV_EXPORT(HZVDIB) zvConvertJpegToDibScaled(const BYTE* data, DWORD size, DWORD scale, DibInfo* info) {
    int shift = 0;
    while (shift < 3 && (1u << shift) < scale) ++shift;
    if ((1u << shift) != scale) return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);
    return DecodeToDib(data, size, shift, info);
}

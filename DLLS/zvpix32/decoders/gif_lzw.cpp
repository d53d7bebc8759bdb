#include "gif_lzw.h"

#include <string.h>

namespace {

const int kMaxCodes = 4096;
const int kNoCode = -1;

// Sends strings of indexes to their rows, sequentially or by the four
// interlace passes; once a non-interlaced frame is full it takes no more.
class RowWriter {
public:
    explicit RowWriter(const GifFrameTarget& t)
        : target_(t), interlaced_(t.interlaced && t.height >= 8), row_(0), pass_(0), column_(0) {}

    bool Full() const { return row_ >= target_.height; }

    // Room left in the current row.
    DWORD Room() const { return target_.width - column_; }
    BYTE* Cursor() const { return target_.pixels + (size_t)row_ * target_.stride + column_; }

    void Advance(DWORD count) {
        column_ += count;
        if (column_ == target_.width) NextRow();
    }

    void Write(const BYTE* run, DWORD count) {
        while (count && !Full()) {
            DWORD chunk = Room() < count ? Room() : count;
            memcpy(Cursor(), run, chunk);
            run += chunk;
            count -= chunk;
            Advance(chunk);
        }
    }

private:
    void NextRow() {
        static const DWORD kPassStart[4] = {0, 4, 2, 1};
        static const DWORD kPassStep[4] = {8, 8, 4, 2};
        column_ = 0;
        if (!interlaced_) {
            ++row_;
            return;
        }
        row_ += kPassStep[pass_];
        while (row_ >= target_.height) {
            pass_ = (pass_ + 1) & 3;
            row_ = kPassStart[pass_];
        }
    }

    const GifFrameTarget& target_;
    bool interlaced_;
    DWORD row_;
    int pass_;
    DWORD column_;
};

// Codes packed least significant bit first across sub-blocks.
class CodeReader {
public:
    CodeReader(const BYTE* data, const BYTE* end, DWORD firstBlock)
        : p_(data), end_(end), blockLeft_(firstBlock), acc_(0), bits_(0) {}

    // False when the stream ends (terminator or end of data) before `width` bits.
    bool Read(int width, int* code) {
        while (bits_ < width) {
            if (blockLeft_ == 0) {
                if (p_ >= end_) return false;
                blockLeft_ = *p_++;
                if (blockLeft_ == 0) return false;
            }
            if (p_ >= end_) return false;
            acc_ |= (DWORD)*p_++ << bits_;
            bits_ += 8;
            --blockLeft_;
        }
        *code = (int)(acc_ & ((1u << width) - 1));
        acc_ >>= width;
        bits_ -= width;
        return true;
    }

private:
    const BYTE* p_;
    const BYTE* end_;
    DWORD blockLeft_;
    DWORD acc_;
    int bits_;
};

struct CodeTable {
    unsigned short prefix[kMaxCodes];
    unsigned short length[kMaxCodes];
    BYTE suffix[kMaxCodes];
    BYTE first[kMaxCodes];
};

// Writes the string of `code` (length known) straight into the row when it
// fits, else through a scratch buffer that the writer spreads over rows.
void EmitString(const CodeTable& t, int code, RowWriter& out, BYTE* scratch) {
    const DWORD n = t.length[code];
    if (n <= out.Room()) {
        BYTE* dst = out.Cursor();
        for (DWORD i = n; i-- > 0;) {
            dst[i] = t.suffix[code];
            code = t.prefix[code];
        }
        out.Advance(n);
        return;
    }
    for (DWORD i = n; i-- > 0;) {
        scratch[i] = t.suffix[code];
        code = t.prefix[code];
    }
    out.Write(scratch, n);
}

}  // namespace

GifLzwResult zvGifDecodeLzw(const BYTE* data, size_t size, int minCodeSize, const GifFrameTarget& target) {
    if (minCodeSize < 0 || minCodeSize > 11) return GIF_LZW_BAD_CODE_SIZE;
    if (size < 1 || (size_t)data[0] > size - 1) return GIF_LZW_CANNOT_BEGIN;
    if (data[0] == 0 || target.width == 0 || target.height == 0) return GIF_LZW_DONE;

    static CodeTable table;
    static BYTE scratch[kMaxCodes];
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    const int startWidth = (minCodeSize == 1 ? 2 : minCodeSize) + 1;
    for (int i = 0; i < clearCode; ++i) {
        table.prefix[i] = 0;
        table.length[i] = 1;
        table.suffix[i] = (BYTE)i;
        table.first[i] = (BYTE)i;
    }

    RowWriter out(target);
    CodeReader reader(data + 1, data + size, data[0]);
    int width = startWidth;
    int nextFree = endCode;
    int previous = kNoCode;
    int code;
    while (!out.Full() && reader.Read(width, &code)) {
        if (code == clearCode) {
            width = startWidth;
            nextFree = endCode;
            previous = kNoCode;
        } else if (code < clearCode) {
            if (nextFree < kMaxCodes) {
                // After a clear this lands on the end code's slot, which is never read.
                table.prefix[nextFree] = (unsigned short)(previous == kNoCode ? 0 : previous);
                table.length[nextFree] = (unsigned short)(previous == kNoCode ? 1 : table.length[previous] + 1);
                table.first[nextFree] = previous == kNoCode ? (BYTE)code : table.first[previous];
                table.suffix[nextFree] = (BYTE)code;
                ++nextFree;
            }
            *out.Cursor() = (BYTE)code;
            out.Advance(1);
            previous = code;
        } else {
            if (code == endCode || code > nextFree || previous == kNoCode) break;
            if (nextFree < kMaxCodes) {
                const BYTE firstPixel = code == nextFree ? table.first[previous] : table.first[code];
                table.prefix[nextFree] = (unsigned short)previous;
                table.length[nextFree] = (unsigned short)(table.length[previous] + 1);
                table.first[nextFree] = table.first[previous];
                table.suffix[nextFree] = firstPixel;
                ++nextFree;
            }
            EmitString(table, code, out, scratch);
            previous = code;
        }
        if (nextFree > (1 << width) - 1 && width < 12) ++width;
    }
    return GIF_LZW_DONE;
}

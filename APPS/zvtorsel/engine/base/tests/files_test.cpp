// Whole-file reads, which the cache readers take their largest files with:
// a file from a few MiB is read in two halves at once, and what comes back
// must be the file, byte for byte, whatever its size and however short the
// pieces each read hands out; a read that fails gives no bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/files.h"
#include "base/memoryfiles.h"

namespace {

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    unsigned state = 12345;
    for (char& c : bytes) c = (char)((state = state * 1103515245u + 12345u) >> 16);
    return bytes;
}

// A read of its files that reaches the given byte fails.
class CFailingFiles : public CMemoryFiles {
public:
    explicit CFailingFiles(ULONGLONG failAt) : failAt_(failAt) {}
    std::unique_ptr<IReadFile> OpenRead(const char* path) override {
        std::unique_ptr<IReadFile> inner = CMemoryFiles::OpenRead(path);
        return inner ? std::unique_ptr<IReadFile>(new Reader(std::move(inner), failAt_)) : nullptr;
    }

private:
    class Reader : public IReadFile {
    public:
        Reader(std::unique_ptr<IReadFile> inner, ULONGLONG failAt) : inner_(std::move(inner)), failAt_(failAt) {}
        ULONGLONG Length() override { return inner_->Length(); }
        bool Read(void* buffer, DWORD size, DWORD* got) override { return ReadAt(at_, buffer, size, got); }
        bool ReadAt(ULONGLONG offset, void* buffer, DWORD size, DWORD* got) override {
            *got = 0;
            if (offset <= failAt_ && offset + size > failAt_) return false;
            bool ok = inner_->ReadAt(offset, buffer, size, got);
            at_ = offset + *got;
            return ok;
        }

    private:
        std::unique_ptr<IReadFile> inner_;
        ULONGLONG failAt_, at_ = 0;
    };
    ULONGLONG failAt_;
};

TEST(ReadWholeFile, LargeFilesComeBackWholeAtEverySizeAndPieceLength) {
    const size_t sizes[] = {0, 1, 4095, (4u << 20) - 1, 4u << 20, (4u << 20) + 1, (6u << 20) + 4097};
    for (size_t chunk : {(size_t)-1, (size_t)65536, (size_t)1000}) {
        for (size_t size : sizes) {
            CMemoryFiles files;
            files.readChunk = chunk;
            std::string expected = Pattern(size);
            files.AddFile("C:\\cache\\_CACHE_002_", expected);
            std::unique_ptr<BYTE[]> bytes;
            size_t length = 99;
            ASSERT_TRUE(ReadWholeFile(files, "C:\\cache\\_CACHE_002_", bytes, &length, 64u << 20)) << size;
            ASSERT_EQ(size, length);
            EXPECT_TRUE(std::string((const char*)bytes.get(), length) == expected) << size << " in pieces of " << chunk;
        }
    }
}

TEST(ReadWholeFile, AFailureInEitherHalfOrAFileOverTheCapGivesNoBytes) {
    const size_t size = (5u << 20) + 12345;
    for (ULONGLONG failAt : {(ULONGLONG)100, (ULONGLONG)size / 2 + 8192, (ULONGLONG)size - 1}) {
        CFailingFiles files(failAt);
        files.AddFile("C:\\cache\\_CACHE_003_", Pattern(size));
        std::unique_ptr<BYTE[]> bytes;
        size_t length = 99;
        EXPECT_FALSE(ReadWholeFile(files, "C:\\cache\\_CACHE_003_", bytes, &length, 64u << 20)) << failAt;
        EXPECT_FALSE(bytes);
        EXPECT_EQ(0u, length);
    }
    CMemoryFiles files;
    files.AddFile("C:\\cache\\_CACHE_003_", Pattern(size));
    std::unique_ptr<BYTE[]> bytes;
    size_t length = 99;
    EXPECT_FALSE(ReadWholeFile(files, "C:\\cache\\_CACHE_003_", bytes, &length, size - 1));
    EXPECT_FALSE(ReadWholeFile(files, "C:\\cache\\missing", bytes, &length, size));
    EXPECT_FALSE(bytes);
}

}  // namespace

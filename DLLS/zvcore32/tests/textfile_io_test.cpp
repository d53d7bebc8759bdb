// The text reader over an injected file interface: failures the file system
// does not produce on demand.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "zvcore32.h"

namespace {

struct MemoryFile {
    std::string content;
    size_t position = 0;
    int readsBeforeFailure = -1;  // -1: never fails
    bool failSeek = false;
    bool closed = false;
};

MemoryFile* g_file;

void* Open(const char*) { return g_file; }

BOOL Read(void* file, void* buffer, DWORD size, DWORD* done) {
    MemoryFile* f = static_cast<MemoryFile*>(file);
    if (f->readsBeforeFailure == 0) return FALSE;
    if (f->readsBeforeFailure > 0) f->readsBeforeFailure--;
    size_t n = f->content.size() - f->position;
    if (n > size) n = size;
    memcpy(buffer, f->content.data() + f->position, n);
    f->position += n;
    *done = (DWORD)n;
    return TRUE;
}

BOOL Seek(void* file, DWORD offset) {
    MemoryFile* f = static_cast<MemoryFile*>(file);
    if (f->failSeek || offset > f->content.size()) return FALSE;
    f->position = offset;
    return TRUE;
}

void Close(void* file) { static_cast<MemoryFile*>(file)->closed = true; }

const ZvFileIo g_io = {Open, Read, Seek, Close};

TEST(TextFileIo, ReadErrorClosesTheFile) {
    MemoryFile file;
    file.content = std::string(1500, 'a') + "\nb\n";
    file.readsBeforeFailure = 1;
    g_file = &file;
    HANDLE tf = zvOpenTextFileWithIo(&g_io, "memory");
    ASSERT_NE(tf, nullptr);
    char line[2000];
    EXPECT_EQ(zvReadTextFileA(tf, line, sizeof line), FALSE);
    EXPECT_EQ(zvGetErrCode(), 0x7A768007u);
    EXPECT_TRUE(file.closed);
    EXPECT_EQ(zvReadTextFileA(tf, line, sizeof line), FALSE);
    EXPECT_EQ(zvGetErrCode(), 0x7A76FFFFu);
    EXPECT_EQ(zvCloseTextFile(tf), TRUE);
}

TEST(TextFileIo, RereadAfterRefillRestoresTheBuffer) {
    MemoryFile file;
    file.content = std::string(1020, 'a') + "\n" + std::string(40, 'b') + "\n";
    g_file = &file;
    HANDLE tf = zvOpenTextFileWithIo(&g_io, "memory");
    ASSERT_NE(tf, nullptr);
    char line[2000];
    EXPECT_EQ(zvReadTextFileA(tf, line, sizeof line), TRUE);
    EXPECT_EQ(zvReadTextFileA(tf, line, 10), FALSE);
    EXPECT_EQ(zvGetErrCode(), 0x7A760006u);
    EXPECT_EQ(file.position, 1024u);  // the first buffer was read again
    EXPECT_EQ(zvReadTextFileA(tf, line, sizeof line), TRUE);
    EXPECT_EQ(std::string(line), std::string(40, 'b'));

    // A failed re-read is a read error, not a silent loss of data.
    MemoryFile broken;
    broken.content = file.content;
    g_file = &broken;
    HANDLE tf2 = zvOpenTextFileWithIo(&g_io, "memory");
    ASSERT_NE(tf2, nullptr);
    EXPECT_EQ(zvReadTextFileA(tf2, line, sizeof line), TRUE);
    broken.failSeek = true;
    EXPECT_EQ(zvReadTextFileA(tf2, line, 10), FALSE);
    EXPECT_EQ(zvGetErrCode(), 0x7A768007u);
    EXPECT_TRUE(broken.closed);
    EXPECT_EQ(zvCloseTextFile(tf2), TRUE);
    EXPECT_EQ(zvCloseTextFile(tf), TRUE);
}

}  // namespace

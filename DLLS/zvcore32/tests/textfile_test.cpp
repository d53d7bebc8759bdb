#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "zvcore32.h"

namespace {

const char* const FILE_NAME = "zvcore32_textfile_test.txt";

void WriteFile(const std::string& content) {
    FILE* f = fopen(FILE_NAME, "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fwrite(content.data(), 1, content.size(), f), content.size());
    fclose(f);
}

// Every line of the file, read with a buffer of size bytes; the last entry
// is the error code of the call that returned 0.
std::vector<std::string> ReadAll(const std::string& content, int size = 4096) {
    WriteFile(content);
    std::vector<std::string> lines;
    HANDLE tf = zvOpenTextFileA(FILE_NAME);
    EXPECT_NE(tf, nullptr);
    if (!tf) return lines;
    std::vector<char> line(size);
    while (zvReadTextFileA(tf, line.data(), size)) lines.push_back(line.data());
    char code[16];
    snprintf(code, sizeof code, "%08X", (unsigned)zvGetErrCode());
    lines.push_back(code);
    EXPECT_EQ(zvCloseTextFile(tf), TRUE);
    return lines;
}

typedef std::vector<std::string> Lines;

TEST(TextFile, LineEndConventions) {
    EXPECT_EQ(ReadAll("a\r\n\r\nb"), (Lines{"a", "", "b", "7A760007"}));
    EXPECT_EQ(ReadAll("a\n\rb\r\rc\n\nd\r\n"), (Lines{"a", "b", "", "c", "", "d", "7A760007"}));
    EXPECT_EQ(ReadAll("last line"), (Lines{"last line", "7A760007"}));
    EXPECT_EQ(ReadAll(""), (Lines{"7A760007"}));
    EXPECT_EQ(ReadAll("\n"), (Lines{"", "7A760007"}));
    EXPECT_EQ(ReadAll("a\nb\x1a" "c\nd\n"), (Lines{"a", "b", "7A760007"}));
    EXPECT_EQ(ReadAll("\x83\x5C\r\n\x95\x5C"), (Lines{"\x83\x5C", "\x95\x5C", "7A760007"}));
    EXPECT_EQ(ReadAll(std::string("a\nb\0c\n", 6)), (Lines{"a", "7A760009"}));
}

TEST(TextFile, BufferBoundaries) {
    // A line of size - 1 bytes fits; one more is refused and left unread.
    EXPECT_EQ(ReadAll("abcd\nxy", 5), (Lines{"abcd", "xy", "7A760007"}));
    EXPECT_EQ(ReadAll("abcde\nxy", 5), (Lines{"7A760006"}));
    EXPECT_EQ(ReadAll("\n\n", 1), (Lines{"", "", "7A760007"}));

    std::string longLine(1500, 'q');
    std::string straddle = std::string(1019, 'a') + "\n" + "0123456789" + "\n" + longLine + "\nend";
    EXPECT_EQ(ReadAll(straddle), (Lines{std::string(1019, 'a'), "0123456789", longLine, "end", "7A760007"}));
    // CR LF split by the buffer boundary is still one line end.
    std::string pair = std::string(1023, 'b') + "\r\n" + "c";
    EXPECT_EQ(ReadAll(pair), (Lines{std::string(1023, 'b'), "c", "7A760007"}));

    // A too long line is read again whole with a larger buffer, also when
    // the refused attempt had to refill the buffer.
    WriteFile(std::string(1000, 'x') + "\n" + longLine + "\n" + "tail\n");
    HANDLE tf = zvOpenTextFileA(FILE_NAME);
    ASSERT_NE(tf, nullptr);
    std::vector<char> small(100), big(2000);
    EXPECT_EQ(zvReadTextFileA(tf, big.data(), 2000), TRUE);
    EXPECT_EQ(std::string(big.data()), std::string(1000, 'x'));
    EXPECT_EQ(zvReadTextFileA(tf, small.data(), 100), FALSE);
    EXPECT_EQ(zvGetErrCode(), 0x7A760006u);
    EXPECT_EQ(zvReadTextFileA(tf, small.data(), 100), FALSE);
    EXPECT_EQ(zvReadTextFileA(tf, big.data(), 1501), TRUE);
    EXPECT_EQ(std::string(big.data()), longLine);
    EXPECT_EQ(zvReadTextFileA(tf, small.data(), 100), TRUE);
    EXPECT_EQ(std::string(small.data()), "tail");
    EXPECT_EQ(zvReadTextFileA(tf, small.data(), 100), FALSE);
    EXPECT_EQ(zvGetErrCode(), 0x7A760007u);
    EXPECT_EQ(zvCloseTextFile(tf), TRUE);
}

TEST(TextFile, Errors) {
    zvCloseTextFile(nullptr);
    EXPECT_EQ(zvOpenTextFileA("no such file.txt"), nullptr);
    EXPECT_EQ(zvGetErrCode(), 0x7A768005u);

    WriteFile(std::string("a\nb\0c\n", 6));
    HANDLE tf = zvOpenTextFileA(FILE_NAME);
    ASSERT_NE(tf, nullptr);
    char line[16];
    EXPECT_EQ(zvReadTextFileA(tf, nullptr, 16), FALSE);
    EXPECT_EQ(zvGetErrCode(), 0x7A760003u);
    EXPECT_EQ(zvReadTextFileA(tf, line, 0), FALSE);
    EXPECT_EQ(zvGetErrCode(), 0x7A760003u);
    EXPECT_EQ(zvReadTextFileA(tf, line, sizeof line), TRUE);
    EXPECT_EQ(zvReadTextFileA(tf, line, sizeof line), FALSE);
    EXPECT_EQ(zvGetErrCode(), 0x7A760009u);
    EXPECT_EQ(zvReadTextFileA(tf, line, sizeof line), FALSE);
    EXPECT_EQ(zvGetErrCode(), 0x7A76FFFFu);  // closed by the error
    EXPECT_EQ(zvCloseTextFile(tf), TRUE);

    DWORD fake[8] = {0x46547678};
    EXPECT_EQ(zvReadTextFileA(fake, line, sizeof line), FALSE);
    EXPECT_EQ(zvGetErrCode(), 0x7A760004u);
    EXPECT_EQ(zvReadTextFileA(nullptr, line, sizeof line), FALSE);
    zvSaaCloseCvt(nullptr);
    EXPECT_EQ(zvCloseTextFile(fake), FALSE);
    EXPECT_EQ(zvGetErrCode(), 0x7A760004u);
    remove(FILE_NAME);
}

}  // namespace

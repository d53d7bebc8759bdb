// The in-memory file layer that most engine tests and the fuzz targets run
// on: a folder lists each of its children once, however much lies below
// them, in the order of their names, and a Shift_JIS name whose trail byte
// is 0x5C is one name, not a folder and a name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/memoryfiles.h"

namespace {

std::vector<std::string> Names(CMemoryFiles& files, const char* folder) {
    std::vector<DirEntry> entries;
    EXPECT_TRUE(files.ListFolder(folder, entries)) << folder;
    std::vector<std::string> names;
    for (const DirEntry& e : entries) names.push_back(e.name + ((e.attributes & 0x10) ? "\\" : ""));
    return names;
}

TEST(MemoryFiles, AFolderListsEachChildOnceWhateverLiesBelowIt) {
    CMemoryFiles files;
    // "b!" and "b0" sort before the subtree "b\...", "b]" (the byte after
    // the separator) and "b_" just after it.
    files.AddFile("C:\\r\\b\\x\\y\\deep.htm", "1");
    files.AddFile("C:\\r\\b\\z.gif", "2");
    files.AddFile("C:\\r\\b!.htm", "3");
    files.AddFile("C:\\r\\b0\\q.htm", "4");
    files.AddFile("C:\\r\\b]x.htm", "7");
    files.AddFile("C:\\r\\b_x\\r.htm", "8");
    files.AddFile("C:\\r\\c.htm", "5");
    files.AddFile("C:\\r\\A.htm", "6");
    files.AddFolder("C:\\r\\empty");
    EXPECT_EQ(Names(files, "C:\\r"), (std::vector<std::string>{"A.htm", "b\\", "b!.htm", "b0\\", "b]x.htm", "b_x\\", "c.htm", "empty\\"}));
    EXPECT_EQ(Names(files, "C:\\r\\b"), (std::vector<std::string>{"x\\", "z.gif"}));
    EXPECT_EQ(Names(files, "C:/r/b/x"), (std::vector<std::string>{"y\\"}));
    EXPECT_EQ(Names(files, "C:\\r\\empty"), std::vector<std::string>{});
    std::vector<DirEntry> entries;
    EXPECT_FALSE(files.ListFolder("C:\\r\\c.htm", entries));
    EXPECT_FALSE(files.ListFolder("C:\\r\\gone", entries));
}

TEST(MemoryFiles, ATrailByte5CIsPartOfTheName) {
    CMemoryFiles files;
    const std::string so = "\x83\x5C";     // ソ
    const std::string hyou = "\x95\x5C";   // 表
    files.AddFile("C:\\r\\" + so + "\\" + hyou + ".htm", "1");
    files.AddFile("C:\\r\\" + so + "\\" + hyou + "\\a.gif", "2");
    files.AddFile("C:\\r\\" + so + ".htm", "3");
    EXPECT_EQ(Names(files, "C:\\r"), (std::vector<std::string>{so + "\\", so + ".htm"}));
    EXPECT_EQ(Names(files, ("C:\\r\\" + so).c_str()), (std::vector<std::string>{hyou + "\\", hyou + ".htm"}));
    EXPECT_EQ(Names(files, ("C:\\r\\" + so + "\\" + hyou).c_str()), std::vector<std::string>{"a.gif"});
}

// A chain of folders as deep as a hostile page can name is listed level by
// level; each level holds one folder and one file.
TEST(MemoryFiles, EveryLevelOfADeepChainListsItsOwnTwoEntries) {
    CMemoryFiles files;
    std::string folder = "C:\\r";
    for (int level = 0; level < 400; ++level) {
        folder += "\\d";
        files.AddFile(folder + "\\p.gif", "g");
    }
    std::string at = "C:\\r";
    for (int level = 0; level < 400; ++level) {
        at += "\\d";
        std::vector<std::string> expected = {"p.gif"};
        if (level < 399) expected.insert(expected.begin(), "d\\");
        ASSERT_EQ(Names(files, at.c_str()), expected) << "level " << level;
    }
}

}  // namespace

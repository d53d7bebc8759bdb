#include <gtest/gtest.h>

#include <map>

#include "setuptext.h"

namespace {

bool Cp932Lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

const std::string kSo = "\x83\x5c";   // ソ: trail byte 0x5C
const std::string kHyo = "\x95\x5c";  // 表

}  // namespace

TEST(SetupText, UnescapesDefinitionValues) {
    EXPECT_EQ(UnescapeDefinitionText("line1\\nline2", Cp932Lead), "line1\nline2");
    EXPECT_EQ(UnescapeDefinitionText("a\\\\b\\\"c\\", Cp932Lead), "a\\b\"c");
    EXPECT_EQ(UnescapeDefinitionText("tab\there\x1f!", Cp932Lead), "tabhere!");
    // The trail byte of ソ is not an escape, and an escaped double-byte character stays whole.
    EXPECT_EQ(UnescapeDefinitionText(kSo + "n" + "\\" + kHyo + "n", Cp932Lead), kSo + "n" + kHyo + "n");
}

TEST(SetupText, TidiesPathsAtCharacterStarts) {
    EXPECT_EQ(TidyPath("c:\\\\a//b\\\\\\c\\", Cp932Lead), "c:\\a/b\\c");
    EXPECT_EQ(TidyPath("\\\\\\server\\\\share\\", Cp932Lead), "\\\\server\\share");
    EXPECT_EQ(TidyPath("c:\\", Cp932Lead), "c:\\") << "a drive root keeps its separator";
    // A folder whose name ends in ソ keeps its trail byte, followed by one real separator.
    EXPECT_EQ(TidyPath("c:\\" + kSo + "\\\\x\\", Cp932Lead), "c:\\" + kSo + "\\x");
    EXPECT_EQ(TidyPath("c:\\" + kSo, Cp932Lead), "c:\\" + kSo);

    EXPECT_EQ(FileNameOffset("sub\\" + kSo, Cp932Lead), 4u);
    EXPECT_EQ(FileNameOffset(kSo + "x", Cp932Lead), 0u) << "no separator inside ソ";
    EXPECT_EQ(FolderOf("c:\\" + kHyo + "\\f.txt", Cp932Lead), "c:\\" + kHyo);
    EXPECT_FALSE(HasFolderPart(kHyo + ".txt", Cp932Lead));
}

TEST(SetupText, PathListHoldsEachFolderOnce) {
    PathList list;
    list.Add("c:\\app\\sub");
    list.Add("c:\\app\\other");
    list.Add("C:\\APP\\SUB");
    list.Add("c:\\app");
    EXPECT_EQ(list.Text(), "c:\\app\\sub;c:\\app\\other;c:\\app;");
}

TEST(SetupText, DefinitionFilesStayBelowTheirFolders) {
    EXPECT_TRUE(IsPathBelow("zvtorsel.exe", Cp932Lead));
    EXPECT_TRUE(IsPathBelow("help\\.\\a..b\\x.htm", Cp932Lead));
    EXPECT_TRUE(IsPathBelow(kSo + "\\" + kHyo, Cp932Lead));
    for (const char* outside : {"", "..\\x", "a/../../x", "a\\.. \\x", "C:\\boot.ini", "c:x", "\\x", "//srv/x", ".."})
        EXPECT_FALSE(IsPathBelow(outside, Cp932Lead)) << outside;

    std::map<std::string, std::string> values = {
        {"App1|AppName", "A"},          {"App1|File1", "a.exe"},
        {"App1|File2", "..\\..\\x.dll"}, {"App1|File3", "sub\\b.htm"},
        {"App1|CommonFile1", "C:\\x.dll"}, {"App1|RegSetKey", "z.v\\..\\.."},
        {"App2|AppName", "B"},          {"App2|RegSetKey", "z.v\\b"},
    };
    SetupDefinition definition;
    ReadSetupDefinition(
        [&](const std::string& section, const char* key, const char* fallback, size_t) {
            auto it = values.find(section + "|" + key);
            return it == values.end() ? std::string(fallback) : it->second;
        },
        "title", "outline", Cp932Lead, definition);
    EXPECT_EQ(definition.title, "title");
    ASSERT_EQ(definition.apps.size(), 2u);
    EXPECT_EQ(definition.apps[0].files, (std::vector<std::string>{"a.exe", "sub\\b.htm"}));
    EXPECT_TRUE(definition.apps[0].commonFiles.empty());
    EXPECT_EQ(definition.apps[0].regSetKey, "");
    EXPECT_EQ(definition.apps[0].outline, "outline");
    EXPECT_EQ(definition.apps[1].regSetKey, "z.v\\b");
}

TEST(SetupText, InstallRecordRoundTripsAndMergesOnce) {
    InstallRecord record;
    InstallRecord::Add(record.files, "c:\\App\\" + kSo + ".txt");
    InstallRecord::Add(record.files, "C:\\APP\\" + kSo + ".TXT");
    InstallRecord::Add(record.folders, "c:\\App");
    InstallRecord::Add(record.keys, "Software\\x\\App Paths\\a.exe");
    InstallRecord::Add(record.links, "c:\\menu\\App.lnk");
    EXPECT_EQ(record.files.size(), 1u) << "a path differing in case only is the same file";

    InstallRecord read = InstallRecord::Parse(record.Text() + "Unknown=x\r\nno equals sign\n\nFile=c:\\App\\b.txt");
    EXPECT_EQ(read.files, (std::vector<std::string>{"c:\\App\\" + kSo + ".txt", "c:\\App\\b.txt"}));
    EXPECT_EQ(read.folders, std::vector<std::string>{"c:\\App"});
    EXPECT_EQ(read.keys, std::vector<std::string>{"Software\\x\\App Paths\\a.exe"});
    EXPECT_EQ(read.links, std::vector<std::string>{"c:\\menu\\App.lnk"});

    record.Merge(read);
    EXPECT_EQ(record.files.size(), 2u);
    EXPECT_EQ(record.folders.size(), 1u);
    EXPECT_TRUE(InstallRecord::Parse("").files.empty());
}

// The help pages are copied beside the program (the tests' working folder)
// by the build; these checks read them there, as the program would.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kPages[] = {"zvtorsel.htm", "diffver.htm",  "rbldtree.htm", "locallst.htm", "localkwd.htm",
                              "localpic.htm", "download.htm", "options.htm",  "htmlfmt.htm",  "setspi.htm"};

std::string Read(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return (char)tolower(c); });
    return text;
}

// Code page 932: single bytes below 0x80 and half-width kana 0xA1 to 0xDF;
// lead bytes 0x81 to 0x9F and 0xE0 to 0xFC with a trail byte 0x40 to 0xFC except 0x7F.
// Returns the offset of the first bad byte, or npos.
size_t FirstInvalidShiftJis(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = (unsigned char)text[i];
        if (c == 0) return i;
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) continue;
        bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        if (!lead || i + 1 >= text.size()) return i;
        unsigned char t = (unsigned char)text[i + 1];
        if (t < 0x40 || t == 0x7F || t > 0xFC) return i;
        ++i;
    }
    return std::string::npos;
}

// Values of every HREF="..." (case ignored) in the page.
std::vector<std::string> Links(const std::string& page) {
    std::vector<std::string> links;
    std::string lower = Lower(page);
    for (size_t at = lower.find("href=\""); at != std::string::npos; at = lower.find("href=\"", at + 1)) {
        size_t start = at + 6, end = page.find('"', start);
        if (end == std::string::npos) break;
        links.push_back(page.substr(start, end - start));
    }
    return links;
}

// The setting keys each page documents: those of the dialog it belongs to.
// clang-format off
const std::map<std::string, std::vector<std::string>> kKeysOfPage = {
    {"zvtorsel.htm", {"RebuildFolder", "NoWarning129", "BaseFolderNo"}},
    {"diffver.htm", {"NoWarning129"}},
    {"rbldtree.htm",
     {"TreeArrangement", "CmdShow", "PosX", "PosY", "SizeX", "SizeY", "HSplit", "VSplit", "RebuildVSplit",
      "CacheVSplit", "WarningHSplit", "RebuildSort", "CacheSort"}},
    {"locallst.htm",
     {"BaseFolderNo", "TextColor", "LinkColor", "BackColor", "FontSize", "Title", "SortType", "LineSpace",
      "UnorderedList", "ListedFile%d"}},
    {"localkwd.htm",
     {"BaseFolderNo", "KeyWord%x%x", "TextColor", "LinkColor", "BackColor", "FontSize", "Operation", "Case", "RE",
      "Title", "SortType", "LineSpace", "UnorderedList"}},
    {"localpic.htm",
     {"BaseFolderNo", "ScanLimit", "bmp", "gif", "jpg", "png", "pjpg", "xbm", "ClassResFile", "AddOther",
      "SizeMinX", "SizeMinY", "SizeMaxX", "SizeMaxY", "Thumbnail", "ThumbNaming", "ThumbFontHeight",
      "ThumbFontWidth", "ThumbFontEsc", "ThumbFontOrient", "ThumbFontWeight", "ThumbFontItalic",
      "ThumbFontUnderline", "ThumbFontStrikeOut", "ThumbFontCharSet", "ThumbFontOutPrec", "ThumbFontClipPrec",
      "ThumbFontQuality", "ThumbFontPitchFamily", "ThumbFontName", "ThumbFontColor", "ThumbWidth", "ThumbHCount",
      "Border", "Separation", "TextColor", "LinkColor", "BackColor", "FontSize", "LineSpace", "UnorderedList"}},
    {"download.htm", {"ThreadEntry", "Disconnect"}},
    {"options.htm",
     {"RebuildFolder", "RebuildFolder%d", "ViewHistTree", "HideWarning", "CnvtPercent", "CheckCopyMark",
      "szMoveCheckSP", "CacheBackDL", "XlatRebuild", "UseNoframeTag", "RenameOld", "ContRbldTree",
      "FileProtocolType", "CacheFolder"}},
    {"htmlfmt.htm",
     {"TextColor", "LinkColor", "BackColor", "FontSize", "Title", "SortType", "LineSpace", "UnorderedList"}},
    {"setspi.htm", {"SPI%d"}},
};
// clang-format on

}  // namespace

TEST(HelpPages, AreShiftJisHtmlThatLinkOnlyToPagesThatExistAndNameTheirKeys) {
    for (const char* name : kPages) {
        SCOPED_TRACE(name);
        std::string page = Read(name);
        ASSERT_GT(page.size(), 1000u) << "missing or nearly empty";
        EXPECT_EQ(FirstInvalidShiftJis(page), std::string::npos);
        std::string lower = Lower(page);
        EXPECT_NE(lower.find("charset=shift_jis"), std::string::npos);
        EXPECT_NE(lower.find("<title>"), std::string::npos);
        EXPECT_NE(lower.find("</html>"), std::string::npos);

        for (const std::string& link : Links(page)) {
            SCOPED_TRACE(link);
            EXPECT_EQ(link.find(':'), std::string::npos) << "pages link only to each other";
            size_t hash = link.find('#');
            std::string target = link.substr(0, hash);
            EXPECT_NE(std::find(std::begin(kPages), std::end(kPages), target), std::end(kPages));
            if (hash != std::string::npos) {
                std::string anchor = "name=\"" + Lower(link.substr(hash + 1)) + "\"";
                EXPECT_NE(Lower(Read(target)).find(anchor), std::string::npos);
            }
        }
        // Each key as a word of its own: "<CODE>key</CODE>".
        for (const std::string& key : kKeysOfPage.at(name))
            EXPECT_NE(page.find("<CODE>" + key + "</CODE>"), std::string::npos) << key;
    }
}

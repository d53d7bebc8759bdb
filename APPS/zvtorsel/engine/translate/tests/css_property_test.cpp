// Over generated style sheets: translating and restoring gives the exact
// bytes back, and every rewritten reference leads, as a browser resolves it
// from the sheet's place, to the file the mapping gives its URL.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "mapping/url_mapping.h"
#include "translate/css_envelope.h"
#include "translate/css_scanner.h"
#include "translate/html_translator.h"
#include "base/memoryfiles.h"
#include "zvjcode.h"

namespace {

const char kSheetUrl[] = "http://h/css/d/s.css";
const char kSheetPath[] = "C:\\Web\\http$\\h\\css\\d\\s.css";

struct Generated {
    std::string css;
    std::vector<std::string> expectedUrls;  // absolute, in order of the references
    std::vector<std::string> decoys;        // text that must come through unchanged
};

struct SheetGenerator {
    std::mt19937 random{20261209};
    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); }

    // A name as written and as the URL holds it.
    void Name(std::string& written, std::string& url, bool quoted) {
        static const char* const plain[] = {"a.gif",     "bg-1.png", "\x83\x5c.gif", "\x95\x5c/\x94\x5c.jpg",
                                            "q.cgi?x=1", "x%20y.gif"};
        size_t k = Pick(8);
        if (k < 6) {
            written = url = plain[k];
        } else if (k == 6) {
            // An escaped blank and parenthesis.
            written = quoted ? "b c(1).gif" : "b\\20 c\\(1\\).gif";
            url = "b c(1).gif";
        } else {
            written = quoted ? "semi;colon).gif" : "semi\\;colon\\).gif";
            url = "semi;colon).gif";
        }
    }
    std::string Reference(std::vector<std::string>& urls) {
        static const char* const prefixes[] = {"", "../", "/", "./e/", "http://o.test/p/"};
        static const char* const bases[] = {"http://h/css/d/", "http://h/css/", "http://h/", "http://h/css/d/e/",
                                            "http://o.test/p/"};
        size_t form = Pick(5);
        char quote = "\"' "[Pick(3)];
        std::string written, url;
        Name(written, url, quote != ' ');
        urls.push_back(bases[form] + url);
        std::string value = prefixes[form] + written;
        std::string space = Pick(3) == 0 ? "\n  " : "";
        if (Pick(6) == 0) {
            urls.back() = bases[form] + url;
            return "@import " + std::string(1, quote == ' ' ? '"' : quote) + value + (quote == ' ' ? '"' : quote) +
                   ";\n";
        }
        if (quote == ' ') return "url(" + space + value + space + ")";
        return "url(" + space + quote + value + quote + space + ")";
    }
    Generated Sheet() {
        Generated g;
        size_t rules = 1 + Pick(8);
        for (size_t r = 0; r < rules; ++r) {
            switch (Pick(5)) {
                case 0: {
                    std::string decoy = "/* url(c" + std::to_string(r) + ".gif) ; ) */";
                    g.decoys.push_back(decoy);
                    g.css += decoy + "\r\n";
                    break;
                }
                case 1: {
                    std::string decoy = "content: \"url(s" + std::to_string(r) + ".gif); \\\" )\"";
                    g.decoys.push_back(decoy);
                    g.css += "p:after { " + decoy + " }\n";
                    break;
                }
                case 2:
                    g.css += "@media screen and (min-width: 10px) { .n" + std::to_string(r) +
                             " { background: " + Reference(g.expectedUrls) + " no-repeat } }\n";
                    break;
                default:
                    g.css += ".r" + std::to_string(r) + " { background-image: " + Reference(g.expectedUrls) + "; }\n";
                    break;
            }
        }
        return g;
    }
};

class Collect : public ICssReferenceSink {
public:
    void Reference(const CssReference& r) override { urls.push_back(r.url); }
    std::vector<std::string> urls;
};

// The file a browser opens for a relative reference from the file at
// fromPath (below the rebuild folder).
std::string BrowserTarget(const std::string& fromPath, const std::string& link) {
    std::vector<std::string> parts;
    std::string seg;
    for (char c : fromPath) {
        if (c == '\\') {
            parts.push_back(seg);
            seg.clear();
        } else {
            seg += c;
        }
    }
    std::string path = link.substr(0, link.find('#'));
    seg.clear();
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') {
            seg += path[i];
            continue;
        }
        if (seg == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (seg != "." || i == path.size()) {
            parts.push_back(seg);
        }
        seg.clear();
    }
    std::string joined;
    for (const std::string& p : parts) joined += (joined.empty() ? "" : "\\") + p;
    std::string decoded;
    for (size_t i = 0; i < joined.size(); ++i) {
        if (joined[i] == '%' && i + 2 < joined.size() && isxdigit((unsigned char)joined[i + 1]) &&
            isxdigit((unsigned char)joined[i + 2])) {
            decoded += (char)std::stoi(joined.substr(i + 1, 2), nullptr, 16);
            i += 2;
        } else {
            decoded += joined[i];
        }
    }
    return decoded;
}

TEST(CssProperties, TranslationRestoresExactlyAndEveryReferenceLeadsToItsFile) {
    CMemoryFiles files;
    MappingSettings settings;
    settings.fileProtocolType = 1;
    CHtmlTranslator translator(files, nullptr, settings);
    ASSERT_TRUE(translator.AllocBuffers(kBuffersAll));
    SheetGenerator generator;
    const std::string below = std::string(kSheetPath).substr(strlen("C:\\Web\\"));
    for (int round = 0; round < 400; ++round) {
        Generated g = generator.Sheet();
        SCOPED_TRACE(g.css);
        files.Content(kSheetPath) = g.css;
        ASSERT_TRUE(translator.LoadStyleSheet(kSheetPath, TRUE));
        translator.TranslateStyleSheet("C:\\Web\\", kSheetUrl, kSheetPath);
        ASSERT_FALSE(translator.LastTranslateFailed());
        ASSERT_TRUE(translator.WriteTranslatedStyleSheet(kSheetPath, FILETIME{3, 4}, TRUE));
        const std::string& file = files.Content(kSheetPath);
        ASSERT_EQ(0u, file.size() % 512);
        EnvelopeHeader h;
        ASSERT_TRUE(ParseCssEnvelope(file.data(), file.size(), &h));
        std::string block = file.substr(0, (size_t)h.xlatBlk);
        for (const std::string& decoy : g.decoys) EXPECT_NE(std::string::npos, block.find(decoy)) << decoy;

        Collect found;
        ScanCssReferences(block.data(), block.size(), ZVJCODE_SJIS, settings.leadTable, found);
        ASSERT_EQ(g.expectedUrls.size(), found.urls.size()) << block;
        for (size_t i = 0; i < found.urls.size(); ++i) {
            char local[kUrlBufferSize];
            int query = UrlToLocalPath(g.expectedUrls[i].c_str(), local, sizeof local, settings);
            EXPECT_EQ(std::string(local) + (query ? ".gif" : ""), BrowserTarget(below, found.urls[i]))
                << g.expectedUrls[i] << " written as " << found.urls[i];
        }

        ASSERT_TRUE(translator.LoadStyleSheet(kSheetPath, FALSE));
        ASSERT_TRUE(translator.WriteOriginal(kSheetPath, FILETIME{3, 4}));
        ASSERT_EQ(g.css, files.Content(kSheetPath));
    }
}

}  // namespace

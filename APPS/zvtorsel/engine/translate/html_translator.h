// The reversible HTML translation: loading a page out of its translation
// envelope, link rewriting, writing the envelope back and restoring the
// original. One instance per pane or report dialog, used by one thread.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

#include "base/files.h"
#include "mapping/mapping_settings.h"
#include "translate/message_routine.h"
#include "translate/link_targets.h"
#include "zvtypes.h"

namespace xlat {
class BlockWriter;
}

enum HtmlBufferSet {
    kBuffersFile = 1,           // restore, write-back of originals
    kBuffersFileConverted = 2,  // link analysis, title extraction
    kBuffersAll = 3,            // translation and code conversion
};

enum { kAttributeScannerCount = 11 };

class CHtmlTranslator {
public:
    // messages may be null (nothing is shown); settings are the job's and
    // must outlive the translator.
    CHtmlTranslator(IFiles& files, IMessageRoutine* messages, const MappingSettings& settings);
    ~CHtmlTranslator();
    CHtmlTranslator(const CHtmlTranslator&) = delete;
    CHtmlTranslator& operator=(const CHtmlTranslator&) = delete;

    // Takes a buffer set (keeping buffers already held); on failure frees
    // what this call took and returns FALSE.
    BOOL AllocBuffers(HtmlBufferSet set);

    // contentType, the cache entry's Content-Type when known, may declare
    // the page's character set; the page's META comes next.
    BOOL LoadHtml(const char* path, BOOL convert, const char* contentType = nullptr);
    BOOL WriteTranslated(const char* path, const FILETIME& fileTime, BOOL keepOriginal,
                         BOOL useNoframes);
    BOOL WriteOriginal(const char* path, const FILETIME& fileTime);
    BOOL ReadTranslationHeader(const char* path, long* orgSize, long* xlatBlk, long* orgBlk);
    void Release();

    BOOL OpenLinkScanners(BOOL anchored);
    // Returns TRUE when the page changed; FALSE when it did not or on failure
    // (LastTranslateFailed() tells the two apart). pagePath, the file the
    // page is written to, places relative links (FileProtocolType 1); without
    // it links are written as file URLs.
    BOOL Translate(const char* rebuildFolder, const char* siteRoot, BOOL translateLinks,
                   const char* pagePath = nullptr);
    // Style sheets: loaded out of their envelope (css_envelope.h) and
    // converted as LoadHtml converts a page (the declared set first: the
    // server's, then @charset), their url() and @import references
    // rewritten like links, resolved against the sheet's own (mapped) URL,
    // and written with their envelope; without sheetUrl only the code is
    // converted. WriteOriginal restores them.
    BOOL LoadStyleSheet(const char* path, BOOL convert, const char* contentType = nullptr);
    BOOL TranslateStyleSheet(const char* rebuildFolder, const char* sheetUrl, const char* sheetPath = nullptr);
    BOOL WriteTranslatedStyleSheet(const char* path, const FILETIME& fileTime, BOOL keepOriginal);
    BOOL ReadStyleSheetEnvelope(const char* path, long* orgSize, long* xlatBlk, long* orgBlk);

    // Where Translate finds the real names of query links, for the page of
    // pageUrl (its mapped URL); null names give ".gif" and ".html" guesses.
    void SetLinkTargets(ILinkTargets* names, const char* pageUrl);

    // 0: no further link, 1: a link, 2: the link of a BASE tag. After the
    // tags of a page come the references of its style blocks and style
    // attributes; a loaded style sheet gives its references alone.
    int NextLink(char* dest, int size);

    // Title extraction and keyword matching on the converted text of the
    // loaded page (report pages). The title scanners find "<TITLE>" and "<"
    // in any case; the keyword scanners take the first three attribute slots.
    BOOL OpenTitleScanners();
    // Keywords from the first on, up to the first empty one, each compiled
    // with ignore-case unless matchCase and with pattern syntax when patterns.
    BOOL OpenKeywordScanners(const char* const keywords[3], BOOL matchCase, BOOL patterns,
                             BOOL orOperation);
    // The title of the loaded page without CR and LF, cut to size - 1 bytes
    // at a character boundary; FALSE when it has none or it is empty.
    BOOL GetTitle(char* dest, int size);
    BOOL KeywordMatch();

    // Decodes &amp; &quot; &gt; &lt;; writes at most size - 1 bytes and a zero.
    // Returns the position of the zero.
    static char* UnescapeEntities(char* dest, const char* src, int size);
    // Writes & " < > as entities; double-byte characters are copied whole.
    // Writes at most size - 1 bytes (never half an entity or character) and a
    // zero; returns the position of the zero.
    static char* EscapeHtml(char* dest, const char* src, int size, const BYTE* leadTable);

    // State read by the jobs and report pages.
    DWORD Capacity() const { return m_capacity; }
    long SourceLength() const { return m_sourceLength; }
    long ConvertedLength() const { return m_convertedLength; }
    long TranslatedLength() const { return m_translatedLength; }
    const char* Content() const { return m_content; }
    const char* ConvertedText() const { return m_converted; }
    const char* Output() const { return m_output; }
    BOOL HasOriginal() const { return m_hasOriginal; }
    // The code the loaded page was read as (0 to 2, or a foreign set kept
    // as it is, declared_charset.h).
    int TextCode() const { return m_textCode; }
    bool LastTranslateFailed() const { return m_translateFailed; }

    // Scanner slots shared with title extraction and keyword search; the
    // translator closes whatever they hold in Release().
    HANDLE& TitleScanner(int i) { return m_titleScanners[i]; }
    HANDLE& AttributeScanner(int i) { return m_attributeScanners[i]; }
    int& KeywordOperation() { return m_keywordOperation; }
    char* ScanPointer() const { return m_scanPointer; }

private:
    bool GrowBuffers(DWORD needed);
    // Where the links of one translation lead from.
    struct LinkContext {
        const char* rebuildFolder;
        const char* siteRoot;
        const char* pageBelow;  // the written file below the rebuild folder, for relative links
        const char* baseUrl;    // resolves style sheet references; empty: as the page's links
        int code;               // of the text being written (declared_charset.h)
    };
    // Copies css [p, end) with its references rewritten; rewritten values
    // are quoted with quote, and htmlText writes LF as CR LF.
    void TranslateCss(xlat::BlockWriter& out, const char* p, const char* end, const LinkContext& context,
                      char quote, bool htmlText);
    // The local address of a style sheet's reference; false when it stays.
    bool CssAddress(const char* url, const LinkContext& context, char* out, size_t size);
    // Copies the attribute text [p, end) of the tag named [tag, tagEnd),
    // rewriting the link places of later HTML that the attribute table
    // leaves: style sheets of style attributes, every srcset candidate,
    // poster, OBJECT data, EMBED src beside a PLUGINSPAGE, a refresh
    // META's address.
    void AttributeText(xlat::BlockWriter& out, const char* p, const char* end, const LinkContext& context,
                       const char* tag, const char* tagEnd);
    // Writes the link value [p, end) (entities undecoded, fragment kept)
    // as its local address; a value with a scheme stays.
    void LinkValue(xlat::BlockWriter& out, const char* p, const char* end, bool picture, const LinkContext& context);
    void SourceSet(xlat::BlockWriter& out, const char* p, const char* end, const LinkContext& context);

    // The next style sheet reference for NextLink, gathered at the first call.
    int NextStyleLink(char* dest, int size);

    // Reads path whole into the file buffer (terminated); the bytes read,
    // or -1 when it could not be read.
    long ReadIntoBuffer(const char* path);
    bool WritePage(const char* path, const FilePiece* pieces, int count, const FILETIME& fileTime);
    // Reads a page or a style sheet and finds what to work on: the original
    // inside an envelope, else the whole file. FALSE for a broken envelope.
    BOOL ReadContent(const char* path, BOOL convert, bool styleSheet);
    // The local address of linkText (a link as written, "/" already
    // replaced by the site root; it may gain "index.html") into out.
    void LocalAddress(char* linkText, bool picture, const char* rebuildFolder, const char* siteRoot,
                      const char* pageBelow, char* out, size_t size);
    // The extension behind the mapped local path of linkText, a link with a
    // query: the file's real one when the trees know it.
    const char* QueryExtension(const char* linkText, const char* siteRoot, bool picture, char* ext,
                               size_t size);
    bool AllocHeld(DWORD capacity, bool file, bool converted, bool output);

    IFiles& m_files;
    IMessageRoutine* m_messages;
    const MappingSettings* m_settings;

    DWORD m_capacity = 0;
    long m_sourceLength = 0;
    long m_convertedLength = 0;
    long m_translatedLength = 0;
    char* m_fileBuffer = nullptr;
    char* m_converted = nullptr;
    char* m_output = nullptr;
    char* m_content = nullptr;
    char* m_scanPointer = nullptr;
    BOOL m_hasOriginal = FALSE;
    int m_textCode = 0;
    int m_keywordOperation = 0;
    HANDLE m_titleScanners[2] = {};
    HANDLE m_tagScanner = nullptr;
    bool m_tagAnchored = false;
    HANDLE m_schemeScanner = nullptr;
    HANDLE m_attributeScanners[kAttributeScannerCount] = {};
    bool m_convertedValid = false;  // the converted buffer holds the loaded page
    bool m_translateFailed = false;
    ILinkTargets* m_linkTargets = nullptr;
    bool m_sheetLoaded = false;  // the loaded text is a style sheet
    bool m_styleLinksReady = false;
    std::vector<std::string> m_styleLinks;
    size_t m_nextStyleLink = 0;
    char m_pageUrl[1024] = {};
};

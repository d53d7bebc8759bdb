#include "commandline.h"

#include <stdlib.h>
#include <string.h>

#include "resource.h"

namespace {

// Option names are ASCII: only ASCII letters fold, so no byte of a
// double-byte character can match one.
bool StartsNoCase(const std::string& text, const char* prefix) {
    size_t n = strlen(prefix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

bool IsNoCase(const std::string& text, const char* word) {
    return text.size() == strlen(word) && StartsNoCase(text, word);
}

std::vector<std::string> SplitWords(const char* text, bool& balanced) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((*p == ' ' || *p == '\t') && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word.push_back(*p);
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    balanced = !quoted;
    return words;
}

std::string AsFolder(std::string path) {
    char last = path.back();
    if (last != '\\' && last != '/') path += '\\';
    return path;
}

// Which options each job takes, as bits.
enum Option { OPT_FOLDER = 1, OPT_LOG = 2, OPT_CACHE = 4, OPT_DELETE = 8, OPT_SEARCH = 16, OPT_IN = 32,
              OPT_RESULT = 64, OPT_THREADS = 128, OPT_LINKS = 256 };

unsigned AllowedOptions(CommandJob job) {
    switch (job) {
    case CommandJob::Rebuild: return OPT_FOLDER | OPT_LOG | OPT_CACHE | OPT_DELETE | OPT_LINKS;
    case CommandJob::List: return OPT_FOLDER | OPT_LOG | OPT_LINKS;
    case CommandJob::Search: return OPT_FOLDER | OPT_LOG | OPT_SEARCH | OPT_IN | OPT_LINKS;
    case CommandJob::Pictures: return OPT_FOLDER | OPT_LOG | OPT_IN | OPT_RESULT | OPT_LINKS;
    case CommandJob::Download: return OPT_FOLDER | OPT_LOG | OPT_THREADS;
    case CommandJob::CacheList: return OPT_LOG | OPT_CACHE;
    case CommandJob::Caches: return OPT_LOG | OPT_CACHE;
    case CommandJob::Warc: return OPT_LOG | OPT_CACHE;
    case CommandJob::Windows: return 0;
    }
    return 0;
}

bool SetJob(CommandLine& out, CommandJob job) {
    if (out.job != CommandJob::Windows && out.job != job) return false;
    out.job = job;
    return true;
}

bool Refuse(CommandLineRefusal& why, unsigned message, const std::string& argument) {
    why.message = message;
    why.argument = argument;
    return false;
}

}  // namespace

bool ParseCommandLine(const char* text, CommandLine& out, CommandLineRefusal& why) {
    bool balanced;
    std::vector<std::string> words = SplitWords(text, balanced);
    if (!balanced) return Refuse(why, IDS_CMD_QUOTES, "");
    unsigned used = 0;
    // The first word that gave each option, to name a misplaced one as typed.
    std::vector<std::string> given(32);
    for (const std::string& w : words) {
        unsigned before = used;
        bool ok = true;
        if (IsNoCase(w, "/rebuild")) {
            ok = SetJob(out, CommandJob::Rebuild);
        } else if (IsNoCase(w, "/list")) {
            ok = SetJob(out, CommandJob::List);
        } else if (IsNoCase(w, "/pictures")) {
            ok = SetJob(out, CommandJob::Pictures);
        } else if (IsNoCase(w, "/download")) {
            ok = SetJob(out, CommandJob::Download);
        } else if (IsNoCase(w, "/cachelist")) {
            ok = SetJob(out, CommandJob::CacheList);
        } else if (IsNoCase(w, "/caches")) {
            ok = SetJob(out, CommandJob::Caches);
        } else if (StartsNoCase(w, "/warc:") && w.size() > 6) {
            ok = SetJob(out, CommandJob::Warc);
            out.warcFile = w.substr(6);
        } else if (StartsNoCase(w, "/search:") && w.size() > 8) {
            ok = SetJob(out, CommandJob::Search);
            if (ok && out.keywords.size() == 3) return Refuse(why, IDS_CMD_KEYWORDS, w);
            out.keywords.push_back(w.substr(8));
            used |= OPT_SEARCH;
        } else if (IsNoCase(w, "/or") || IsNoCase(w, "/case") || IsNoCase(w, "/re")) {
            (IsNoCase(w, "/or") ? out.orSearch : IsNoCase(w, "/case") ? out.matchCase : out.patterns) = true;
            used |= OPT_SEARCH;
        } else if (IsNoCase(w, "/delete")) {
            out.allowDelete = true;
            used |= OPT_DELETE;
        } else if (StartsNoCase(w, "/folder:") && w.size() > 8) {
            out.folder = AsFolder(w.substr(8));
            used |= OPT_FOLDER;
        } else if (StartsNoCase(w, "/log:") && w.size() > 5) {
            out.log = w.substr(5);
            used |= OPT_LOG;
        } else if (StartsNoCase(w, "/cache:") && w.size() > 7) {
            out.cache = AsFolder(w.substr(7));
            used |= OPT_CACHE;
        } else if (StartsNoCase(w, "/in:") && w.size() > 4) {
            out.searchIn = AsFolder(w.substr(4));
            used |= OPT_IN;
        } else if (StartsNoCase(w, "/result:") && w.size() > 8) {
            out.resultPage = w.substr(8);
            used |= OPT_RESULT;
        } else if (IsNoCase(w, "/links:relative") || IsNoCase(w, "/links:file") || IsNoCase(w, "/links:file3")) {
            out.fileProtocolType = IsNoCase(w, "/links:relative") ? 1 : IsNoCase(w, "/links:file") ? 2 : 3;
            used |= OPT_LINKS;
        } else if (StartsNoCase(w, "/threads:")) {
            if (w.size() != 10 || w[9] < '1' || w[9] > '5') return Refuse(why, IDS_CMD_THREADS, w);
            out.threads = w[9] - '0';
            used |= OPT_THREADS;
        } else {
            return Refuse(why, IDS_CMD_UNKNOWN, w);
        }
        if (!ok) return Refuse(why, IDS_CMD_TWO_JOBS, w);
        for (unsigned bit = 0; bit < given.size(); ++bit)
            if ((used & ~before) & (1u << bit)) given[bit] = w;
    }
    if ((used & OPT_IN) && (used & OPT_RESULT)) return Refuse(why, IDS_CMD_IN_AND_RESULT, "");
    unsigned misplaced = used & ~AllowedOptions(out.job);
    if (misplaced == 0) return true;
    unsigned bit = 0;
    while (!(misplaced & (1u << bit))) ++bit;
    return Refuse(why, out.job == CommandJob::Windows ? IDS_CMD_NO_JOB : IDS_CMD_NOT_FOR_JOB, given[bit]);
}

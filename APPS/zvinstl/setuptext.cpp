#include "setuptext.h"

#include <string.h>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

size_t CharLength(const std::string& s, size_t at, LeadByteTest isLead) {
    return (isLead((unsigned char)s[at]) && at + 1 < s.size()) ? 2 : 1;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

}  // namespace

std::string UnescapeDefinitionText(const std::string& text, LeadByteTest isLead) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t length = CharLength(text, i, isLead);
        if (length == 1 && text[i] == '\\') {
            if (i + 1 == text.size()) break;  // a lone backslash at the end escapes nothing
            ++i;                              // the escaped character follows
            length = CharLength(text, i, isLead);
            if (length == 1 && text[i] == 'n') {
                out += '\n';
                ++i;
                continue;
            }
        }
        unsigned char c = (unsigned char)text[i];
        bool control = length == 1 && c >= 1 && c <= 31;
        if (!control) out.append(text, i, length);
        i += length;
    }
    return out;
}

std::string TidyPath(const std::string& path, LeadByteTest isLead) {
    std::string out;
    size_t i = 0;
    bool afterSeparator = false;
    size_t keep = 0;  // leading characters that a trailing-separator cut must not take
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        out.append(path, 0, 2);
        i = 2;
        keep = 2;
        afterSeparator = true;
    }
    while (i < path.size()) {
        size_t length = CharLength(path, i, isLead);
        bool separator = length == 1 && IsSeparator(path[i]);
        if (!(separator && afterSeparator)) out.append(path, i, length);
        afterSeparator = separator;
        i += length;
    }
    // "c:\" keeps its separator: without it the path would mean the drive's current folder.
    bool driveRoot = out.size() == 3 && out[1] == ':';
    if (afterSeparator && out.size() > keep && !driveRoot) out.pop_back();
    return out;
}

size_t FileNameOffset(const std::string& path, LeadByteTest isLead) {
    size_t offset = 0;
    for (size_t i = 0; i < path.size(); i += CharLength(path, i, isLead)) {
        if (IsSeparator(path[i])) offset = i + 1;
    }
    return offset;
}

std::string FolderOf(const std::string& path, LeadByteTest isLead) {
    size_t offset = FileNameOffset(path, isLead);
    return offset ? path.substr(0, offset - 1) : std::string();
}

std::string JoinPath(const std::string& folder, const std::string& name) { return folder + "\\" + name; }

bool SamePath(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

void PathList::Add(const std::string& folder) {
    size_t start = 0;
    while (start < text_.size()) {
        size_t end = text_.find(';', start);
        if (SamePath(text_.substr(start, end - start), folder)) return;
        start = end + 1;
    }
    text_ += folder + ";";
}

bool IsPathBelow(const std::string& path, LeadByteTest isLead) {
    if (path.empty() || IsSeparator(path[0]) || path.find(':') != std::string::npos) return false;
    size_t start = 0;
    for (size_t i = 0;; i += CharLength(path, i, isLead)) {
        if (i >= path.size() || (IsSeparator(path[i]) && CharLength(path, i, isLead) == 1)) {
            std::string component = path.substr(start, i - start);
            // Windows drops trailing dots and spaces: ".. " is ".." too.
            size_t kept = component.find_last_not_of(". ");
            if (kept == std::string::npos && component.find("..") != std::string::npos) return false;
            if (i >= path.size()) return true;
            start = i + 1;
        }
    }
}

void ReadSetupDefinition(const DefinitionLookup& lookup, const std::string& noTitle, const std::string& noOutline,
                         LeadByteTest isLead, SetupDefinition& definition) {
    definition.title = UnescapeDefinitionText(lookup("Setup", "Title", noTitle.c_str(), 256), isLead);
    definition.apps.clear();
    for (int n = 1; n <= 16; ++n) {
        SetupApp app;
        app.section = "App" + std::to_string(n);
        app.name = lookup(app.section, "AppName", "", 256);
        if (app.name.empty()) break;
        app.exeName = lookup(app.section, "ExeName", "", 256);
        app.outline = UnescapeDefinitionText(lookup(app.section, "Outline", noOutline.c_str(), 1024), isLead);
        app.regSetKey = TidyPath(lookup(app.section, "RegSetKey", "", 1024), isLead);
        if (!app.regSetKey.empty() && !IsPathBelow(app.regSetKey, isLead)) app.regSetKey.clear();
        app.folder = lookup(app.section, "Folder", "default", 1024);
        for (const char* list : {"File", "CommonFile"}) {
            std::vector<std::string>& names = list[0] == 'F' ? app.files : app.commonFiles;
            for (int i = 1;; ++i) {
                std::string key = list + std::to_string(i);
                std::string value = lookup(app.section, key.c_str(), "\x01", 1024);
                if (value == "\x01") break;
                if (IsPathBelow(TidyPath(value, isLead), isLead)) names.push_back(value);
            }
        }
        definition.apps.push_back(app);
    }
}

void InstallRecord::Add(std::vector<std::string>& list, const std::string& value) {
    if (!value.empty() && !Holds(list, value)) list.push_back(value);
}

bool InstallRecord::Holds(const std::vector<std::string>& list, const std::string& value) {
    for (const std::string& item : list)
        if (SamePath(item, value)) return true;
    return false;
}

void InstallRecord::Merge(const InstallRecord& other) {
    for (const std::string& v : other.files) Add(files, v);
    for (const std::string& v : other.folders) Add(folders, v);
    for (const std::string& v : other.keys) Add(keys, v);
    for (const std::string& v : other.links) Add(links, v);
}

namespace {

struct RecordKind {
    const char* name;
    std::vector<std::string> InstallRecord::*list;
};

const RecordKind kRecordKinds[] = {
    {"File", &InstallRecord::files},
    {"Folder", &InstallRecord::folders},
    {"Key", &InstallRecord::keys},
    {"Link", &InstallRecord::links},
};

}  // namespace

std::string InstallRecord::Text() const {
    std::string text;
    for (const RecordKind& kind : kRecordKinds)
        for (const std::string& value : this->*kind.list) text += std::string(kind.name) + "=" + value + "\r\n";
    return text;
}

InstallRecord InstallRecord::Parse(const std::string& text) {
    InstallRecord record;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string name = line.substr(0, equals);
        for (const RecordKind& kind : kRecordKinds)
            if (name == kind.name) Add(record.*kind.list, line.substr(equals + 1));
    }
    return record;
}

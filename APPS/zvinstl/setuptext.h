// Text handling of the setup program that needs no system: definition text
// unescaping, path tidying and the path list. Shift_JIS aware through a
// lead-byte test, so that a trail byte 0x5C is never taken for a separator.
#pragma once
#include <stddef.h>

#include <functional>
#include <string>
#include <vector>

typedef bool (*LeadByteTest)(unsigned char byte);

// Drops bytes 1-31, turns "\n" into a line feed and "\x" into x; keeps
// double-byte characters whole.
std::string UnescapeDefinitionText(const std::string& text, LeadByteTest isLead);

// Collapses repeated separators (a leading pair stays: network paths) and
// removes a trailing separator.
std::string TidyPath(const std::string& path, LeadByteTest isLead);

// Offset just behind the last separator; 0 when there is none.
size_t FileNameOffset(const std::string& path, LeadByteTest isLead);
inline bool HasFolderPart(const std::string& path, LeadByteTest isLead) { return FileNameOffset(path, isLead) > 0; }
// The path without its last component and separator; empty when there is none.
std::string FolderOf(const std::string& path, LeadByteTest isLead);

std::string JoinPath(const std::string& folder, const std::string& name);

// Folders each followed by ";", every folder once (compared without regard to ASCII case).
class PathList {
public:
    void Add(const std::string& folder);
    void Clear() { text_.clear(); }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// Compares two paths without regard to ASCII case.
bool SamePath(const std::string& a, const std::string& b);

struct SetupApp {
    std::string section;  // "App%d"
    std::string name, exeName, outline, regSetKey;
    std::vector<std::string> files, commonFiles;
    std::string folder;          // the install folder shown and edited
    std::string previousFolder;  // of an earlier installation, empty when none
};

struct SetupDefinition {
    std::string setupFolder;
    std::string path;
    std::string title;
    std::vector<SetupApp> apps;
};

// Answers as GetPrivateProfileStringA does for the definition file: the
// value of key in section, else fallback, at most size - 1 bytes.
typedef std::function<std::string(const std::string& section, const char* key, const char* fallback, size_t size)>
    DefinitionLookup;

// Reads the title and up to 16 applications (the path and setup folder are
// the caller's). noTitle and noOutline stand in for missing texts. A file
// value that is not a path below its folder (a drive, a leading separator,
// a ".." component) is left out: it would write outside the install folder
// or the common files folder; so is a settings key that is not a key below
// "Software", since uninstalling deletes that key.
void ReadSetupDefinition(const DefinitionLookup& lookup, const std::string& noTitle, const std::string& noOutline,
                         LeadByteTest isLead, SetupDefinition& definition);

// What installations of one application wrote, kept beside it so that
// uninstall removes exactly that and nothing a user put there. Stored as
// lines "kind=value" (File, Folder, Key, Link); unknown kinds are skipped.
struct InstallRecord {
    std::vector<std::string> files;    // full paths
    std::vector<std::string> folders;  // created by setup, full paths
    std::vector<std::string> keys;     // below HKEY_LOCAL_MACHINE
    std::vector<std::string> links;    // shortcuts, full paths

    // Adds value once (paths compared without regard to ASCII case).
    static void Add(std::vector<std::string>& list, const std::string& value);
    static bool Holds(const std::vector<std::string>& list, const std::string& value);
    void Merge(const InstallRecord& other);
    std::string Text() const;
    static InstallRecord Parse(const std::string& text);
};

// True for a relative path none of whose components is "..".
bool IsPathBelow(const std::string& path, LeadByteTest isLead);

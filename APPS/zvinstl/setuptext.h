// Text handling of the setup program that needs no system: definition text
// unescaping, path tidying and the path list. Shift_JIS aware through a
// lead-byte test, so that a trail byte 0x5C is never taken for a separator.
#pragma once
#include <string>

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

#include "base/memorysystem.h"

#include <string.h>

namespace {

// Profile file names are case-blind as the system's are.
std::string ProfileKey(const char* file, const char* section) {
    std::string key = file;
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = (char)(c - 32);
    return key + "|" + section;
}

}  // namespace

void CMemorySystem::Clear() {
    static_cast<CMemoryFiles&>(*this) = CMemoryFiles();
    profiles_.clear();
    opened.clear();
}

bool CMemorySystem::ShellOpen(const char*, const char* file) {
    opened.push_back(file);
    return Exists(file);
}

void CMemorySystem::CurrentTime(FILETIME& out) { out = MakeTime(132224078450000000ULL); }

DWORD CMemorySystem::ReadProfileString(const char* file, const char* section, const char* key,
                                           char* out, DWORD cap) {
    std::string v;
    if (Exists(file)) {
        auto& p = profiles_[ProfileKey(file, section)];
        auto it = p.find(key);
        if (it != p.end()) v = it->second;
    }
    if (cap == 0) return 0;
    if (v.size() + 1 > cap) v.resize(cap - 1);
    memcpy(out, v.c_str(), v.size() + 1);
    return (DWORD)v.size();
}

bool CMemorySystem::WriteProfileString(const char* file, const char* section, const char* key,
                                           const char* value) {
    if (!ParentExists(file)) return false;
    if (!Exists(file)) AddFile(file, "", 0);
    auto& p = profiles_[ProfileKey(file, section)];
    if (value) p[key] = value;
    else p.erase(key);
    // The file grows as a real one would, so readers that bound a damaged
    // count by the file's size see a plausible size.
    if (value) AddFile(file, Data(file) + key + "=" + value + "\r\n", Time(file));
    return true;
}

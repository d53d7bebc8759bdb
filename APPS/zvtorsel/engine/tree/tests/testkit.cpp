#include "testkit.h"

#include <string.h>

#include "mapping/mapping_settings.h"

namespace {

// Positions of the separators of a path; a trail byte 0x5C is none.
std::vector<size_t> Separators(const std::string& path) {
    std::vector<size_t> seps;
    for (size_t i = 0; i < path.size(); ++i) {
        if (MappingSettings::Process().IsLead((BYTE)path[i])) ++i;
        else if (path[i] == '\\') seps.push_back(i);
    }
    return seps;
}

size_t LastSeparator(const std::string& path) {
    std::vector<size_t> seps = Separators(path);
    return seps.empty() ? std::string::npos : seps.back();
}

}  // namespace

FILETIME MakeTime(ULONGLONG v) {
    FILETIME t;
    t.dwLowDateTime = (DWORD)v;
    t.dwHighDateTime = (DWORD)(v >> 32);
    return t;
}

ULONGLONG TimeValue(const FILETIME& t) {
    return ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime;
}

ULONGLONG Utc(int year, int month, int day, int hour, int minute, int second) {
    // Days from 1601-01-01 by the civil-from-days inverse.
    int y = year - (month <= 2);
    int era = y / 400;
    int yoe = y - era * 400;
    int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    long long days = (long long)era * 146097 + doe - 719468 + 134774;
    long long seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    return (ULONGLONG)seconds * 10000000ULL;
}

std::string CMemoryFileSystem::Key(const std::string& path) {
    std::string k;
    for (size_t i = 0; i < path.size(); ++i) {
        char c = path[i];
        if (MappingSettings::Process().IsLead((BYTE)c) && i + 1 < path.size()) {
            k.push_back(c);
            k.push_back(path[++i]);
            continue;
        }
        if (c == '/') c = '\\';
        k.push_back((c >= 'a' && c <= 'z') ? (char)(c - 32) : c);
    }
    while (!k.empty() && LastSeparator(k) == k.size() - 1) k.pop_back();
    return k;
}

bool CMemoryFileSystem::ParentExists(const std::string& path) const {
    std::string k = Key(path);
    size_t cut = LastSeparator(k);
    if (cut == std::string::npos) return true;
    std::string parent = k.substr(0, cut);
    if (parent.size() <= 2) return true;  // drive
    auto it = nodes_.find(parent);
    return it != nodes_.end() && it->second.folder;
}

void CMemoryFileSystem::AddFolder(const std::string& path) {
    std::string k = Key(path);
    for (size_t pos : Separators(k)) {
        if (pos < 3) continue;
        std::string sub = k.substr(0, pos);
        if (!nodes_.count(sub)) nodes_[sub] = Node{path.substr(0, pos), true, "", 0};
    }
    if (!nodes_.count(k)) {
        std::string p = path;
        while (!p.empty() && (LastSeparator(p) == p.size() - 1 || p.back() == '/')) p.pop_back();
        nodes_[k] = Node{p, true, "", 0};
    }
}

void CMemoryFileSystem::AddFile(const std::string& path, const std::string& data, ULONGLONG time) {
    size_t cut = LastSeparator(path);
    if (cut != std::string::npos) AddFolder(path.substr(0, cut));
    nodes_[Key(path)] = Node{path, false, data, time};
}

bool CMemoryFileSystem::Exists(const std::string& path) const { return nodes_.count(Key(path)) > 0; }

bool CMemoryFileSystem::IsFolder(const std::string& path) const {
    auto it = nodes_.find(Key(path));
    return it != nodes_.end() && it->second.folder;
}

std::string CMemoryFileSystem::Data(const std::string& path) const {
    auto it = nodes_.find(Key(path));
    return it == nodes_.end() ? std::string() : it->second.data;
}

ULONGLONG CMemoryFileSystem::Time(const std::string& path) const {
    auto it = nodes_.find(Key(path));
    return it == nodes_.end() ? 0 : it->second.time;
}

bool CMemoryFileSystem::ListFolder(const char* folder, std::vector<DirEntry>& out) {
    out.clear();
    std::string k = Key(folder);
    if (!IsFolder(folder)) return false;
    std::string prefix = k + "\\";
    for (auto it = nodes_.lower_bound(prefix); it != nodes_.end(); ++it) {
        if (it->first.compare(0, prefix.size(), prefix) != 0) break;
        if (LastSeparator(it->first) >= prefix.size() && LastSeparator(it->first) != std::string::npos) continue;
        DirEntry e;
        const std::string& p = it->second.path;
        e.name = p.substr(LastSeparator(p) + 1);
        e.attributes = it->second.folder ? 16 : 32;
        e.size = (DWORD)it->second.data.size();
        e.lastWrite = MakeTime(it->second.time);
        out.push_back(e);
    }
    return true;
}

bool CMemoryFileSystem::GetFileInfo(const char* path, DirEntry& out) {
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end()) return false;
    out.name = it->second.path.substr(LastSeparator(it->second.path) + 1);
    out.attributes = it->second.folder ? 16 : 32;
    out.size = (DWORD)it->second.data.size();
    out.lastWrite = MakeTime(it->second.time);
    return true;
}

bool CMemoryFileSystem::CopyFileTo(const char* from, const char* to) {
    for (const std::string& f : failCopyTo)
        if (Key(f) == Key(to)) return false;
    auto it = nodes_.find(Key(from));
    if (it == nodes_.end() || it->second.folder || !ParentExists(to)) return false;
    Node n = it->second;
    n.path = to;
    nodes_[Key(to)] = n;
    return true;
}

bool CMemoryFileSystem::WriteFileWithTime(const char* to, const BYTE* data, size_t size, const FILETIME& time) {
    for (const std::string& f : failCopyTo)
        if (Key(f) == Key(to)) return false;
    if (!ParentExists(to)) return false;
    AddFile(to, std::string((const char*)data, size), TimeValue(time));
    return true;
}

bool CMemoryFileSystem::MoveFileTo(const char* from, const char* to) {
    if (Exists(to) || !CopyFileTo(from, to)) return false;
    nodes_.erase(Key(from));
    return true;
}

bool CMemoryFileSystem::RemoveFile(const char* path) {
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end() || it->second.folder) return false;
    nodes_.erase(it);
    return true;
}

bool CMemoryFileSystem::RemoveFolder(const char* path) {
    std::string k = Key(path);
    auto it = nodes_.find(k);
    if (it == nodes_.end() || !it->second.folder) return false;
    auto next = std::next(it);
    if (next != nodes_.end() && next->first.compare(0, k.size() + 1, k + "\\") == 0) return false;
    nodes_.erase(it);
    return true;
}

bool CMemoryFileSystem::MakeDirectories(const char* path) {
    if (failMakeDirectories) return false;
    std::string p = path;
    size_t cut = LastSeparator(p);
    if (cut != std::string::npos) AddFolder(p.substr(0, cut));
    return true;
}

bool CMemoryFileSystem::SetFileTime(const char* path, const FILETIME& time) {
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end()) return false;
    it->second.time = TimeValue(time);
    return true;
}

bool CMemoryFileSystem::RenameFile(const char* path, const char* newName) {
    std::string p = path;
    size_t cut = LastSeparator(p);
    std::string to = p.substr(0, cut + 1) + newName;
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end() || Exists(to)) return false;
    Node n = it->second;
    nodes_.erase(it);
    n.path = to;
    nodes_[Key(to)] = n;
    return true;
}

bool CMemoryFileSystem::MakeUniquePath(const char* path, int, char* out, DWORD cap) {
    std::string p = path;
    size_t dot = p.rfind('.');
    std::string stem = dot == std::string::npos ? p : p.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : p.substr(dot);
    std::string candidate = stem + "_old" + ext;
    if (candidate.size() + 1 > cap || Exists(candidate)) return false;
    memcpy(out, candidate.c_str(), candidate.size() + 1);
    return true;
}

bool CMemoryFileSystem::ShellOpen(const char*, const char* file) {
    opened.push_back(file);
    return Exists(file);
}

void CMemoryFileSystem::CurrentTime(FILETIME& out) { out = MakeTime(Utc(2020, 1, 2, 3, 4, 5)); }

DWORD CMemoryFileSystem::ReadProfileString(const char* file, const char* section, const char* key,
                                           char* out, DWORD cap) {
    std::string v;
    if (Exists(file)) {
        auto& p = profiles_[Key(file) + "|" + section];
        auto it = p.find(key);
        if (it != p.end()) v = it->second;
    }
    if (v.size() + 1 > cap) v.resize(cap - 1);
    memcpy(out, v.c_str(), v.size() + 1);
    return (DWORD)v.size();
}

bool CMemoryFileSystem::WriteProfileString(const char* file, const char* section, const char* key,
                                           const char* value) {
    if (!ParentExists(file)) return false;
    if (!Exists(file)) AddFile(file, "", 0);
    auto& p = profiles_[Key(file) + "|" + section];
    if (value) p[key] = value;
    else p.erase(key);
    // The file grows as a real one would, so readers that bound a damaged
    // count by the file's size see a plausible size.
    if (value) nodes_[Key(file)].data += std::string(key) + "=" + value + "\r\n";
    return true;
}

#include "base/memoryfiles.h"

#include <string.h>

#include "zvchartables.h"

namespace {

bool IsLead(BYTE b) { return zvGetDBCSLeadTable()[b] != 0; }

// The first separator at or after FROM, which starts a character; a trail
// byte 0x5C is none.
size_t SeparatorFrom(const std::string& path, size_t from) {
    for (size_t i = from; i < path.size(); ++i) {
        if (IsLead((BYTE)path[i])) ++i;
        else if (path[i] == '\\' || path[i] == '/') return i;
    }
    return std::string::npos;
}

// Positions of the separators of a path.
std::vector<size_t> Separators(const std::string& path) {
    std::vector<size_t> seps;
    for (size_t at = SeparatorFrom(path, 0); at != std::string::npos; at = SeparatorFrom(path, at + 1))
        seps.push_back(at);
    return seps;
}

size_t LastSeparator(const std::string& path) {
    std::vector<size_t> seps = Separators(path);
    return seps.empty() ? std::string::npos : seps.back();
}

std::string NameOf(const std::string& path) {
    size_t cut = LastSeparator(path);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

FILETIME MakeTime(ULONGLONG v) {
    FILETIME t;
    t.dwLowDateTime = (DWORD)v;
    t.dwHighDateTime = (DWORD)(v >> 32);
    return t;
}

ULONGLONG TimeValue(const FILETIME& t) { return ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime; }

class CMemoryFiles::Reader : public IReadFile {
public:
    Reader(CMemoryFiles& files, const std::string& key, const std::string& data, size_t chunk)
        : files_(files), key_(key), data_(data), chunk_(chunk) {}
    ULONGLONG Length() override { return data_.size(); }
    bool Read(void* buffer, DWORD size, DWORD* got) override { return ReadAt(pos_, buffer, size, got); }
    bool ReadAt(ULONGLONG offset, void* buffer, DWORD size, DWORD* got) override {
        *got = 0;
        std::lock_guard<std::mutex> lock(*files_.readLock_);
        if (size > files_.largestRead) files_.largestRead = size;
        if (offset < data_.size()) {
            size_t n = (size_t)(data_.size() - offset);
            if (n > size) n = size;
            if (n > chunk_) n = chunk_;
            memcpy(buffer, data_.data() + offset, n);
            *got = (DWORD)n;
            auto it = files_.nodes_.find(key_);
            if (it != files_.nodes_.end()) {
                if (offset + n > it->second.highestRead) it->second.highestRead = offset + n;
                it->second.bytesRead += n;
            }
        }
        pos_ = offset + *got;
        return true;
    }

private:
    CMemoryFiles& files_;
    std::string key_;
    std::string data_;  // as it was when opened
    size_t chunk_;
    ULONGLONG pos_ = 0;
};

class CMemoryFiles::Replacement : public IReplacingFile {
public:
    Replacement(CMemoryFiles& files, const std::string& path) : files_(files), path_(path) {}
    bool Write(const void* data, size_t size) override {
        if (size > files_.largestWrite) files_.largestWrite = size;
        data_.append((const char*)data, size);
        return true;
    }
    bool Commit(const FILETIME* lastWrite) override {
        if (files_.WriteRefused(path_)) return false;
        files_.AddFile(path_, data_, lastWrite ? TimeValue(*lastWrite) : 0);
        return true;
    }

private:
    CMemoryFiles& files_;
    std::string path_, data_;
};

std::string CMemoryFiles::Key(const std::string& path) {
    std::string k;
    for (size_t i = 0; i < path.size(); ++i) {
        char c = path[i];
        if (IsLead((BYTE)c) && i + 1 < path.size()) {
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

bool CMemoryFiles::ParentExists(const std::string& path) const {
    std::string k = Key(path);
    size_t cut = LastSeparator(k);
    if (cut == std::string::npos) return true;
    std::string parent = k.substr(0, cut);
    if (parent.size() <= 2) return true;  // drive
    auto it = nodes_.find(parent);
    return it != nodes_.end() && it->second.folder;
}

bool CMemoryFiles::WriteRefused(const std::string& path) const {
    if (failWrites || !ParentExists(path) || IsFolder(path)) return true;
    for (const std::string& f : failCopyTo)
        if (Key(f) == Key(path)) return true;
    return false;
}

void CMemoryFiles::AddFolder(const std::string& path) {
    std::string k = Key(path);
    std::vector<size_t> keySeps = Separators(k), pathSeps = Separators(path);
    for (size_t i = 0; i < keySeps.size() && i < pathSeps.size(); ++i) {
        if (keySeps[i] < 3) continue;
        std::string sub = k.substr(0, keySeps[i]);
        if (!nodes_.count(sub)) nodes_[sub] = Node{path.substr(0, pathSeps[i]), true, "", 0, 0, 0};
    }
    if (!nodes_.count(k)) {
        std::string p = path;
        while (!p.empty() && LastSeparator(p) == p.size() - 1) p.pop_back();
        nodes_[k] = Node{p, true, "", 0, 0, 0};
    }
}

void CMemoryFiles::AddFile(const std::string& path, const std::string& data, ULONGLONG time) {
    size_t cut = LastSeparator(path);
    if (cut != std::string::npos) AddFolder(path.substr(0, cut));
    nodes_[Key(path)] = Node{path, false, data, time, 0, 0};
}

void CMemoryFiles::AddFile(const std::string& path, const std::vector<BYTE>& data, ULONGLONG time) {
    AddFile(path, std::string(data.begin(), data.end()), time);
}

bool CMemoryFiles::Exists(const std::string& path) const { return nodes_.count(Key(path)) > 0; }

bool CMemoryFiles::IsFolder(const std::string& path) const {
    auto it = nodes_.find(Key(path));
    return it != nodes_.end() && it->second.folder;
}

std::string CMemoryFiles::Data(const std::string& path) const {
    auto it = nodes_.find(Key(path));
    return it == nodes_.end() ? std::string() : it->second.data;
}

std::vector<BYTE> CMemoryFiles::Bytes(const std::string& path) const {
    std::string data = Data(path);
    return std::vector<BYTE>(data.begin(), data.end());
}

std::string& CMemoryFiles::Content(const std::string& path) {
    if (!Exists(path)) AddFile(path, std::string());
    return nodes_[Key(path)].data;
}

ULONGLONG CMemoryFiles::Time(const std::string& path) const {
    auto it = nodes_.find(Key(path));
    return it == nodes_.end() ? 0 : it->second.time;
}

std::vector<std::string> CMemoryFiles::FilePaths() const {
    std::vector<std::string> paths;
    for (const auto& node : nodes_)
        if (!node.second.folder) paths.push_back(node.second.path);
    return paths;
}

ULONGLONG CMemoryFiles::HighestByteRead(const std::string& path) const {
    auto it = nodes_.find(Key(path));
    return it == nodes_.end() ? 0 : it->second.highestRead;
}

ULONGLONG CMemoryFiles::BytesRead(const std::string& path) const {
    auto it = nodes_.find(Key(path));
    return it == nodes_.end() ? 0 : it->second.bytesRead;
}

bool CMemoryFiles::ListFolder(const char* folder, std::vector<DirEntry>& out) {
    out.clear();
    if (!IsFolder(folder)) return false;
    std::string prefix = Key(folder) + "\\";
    auto it = nodes_.lower_bound(prefix);
    while (it != nodes_.end() && it->first.compare(0, prefix.size(), prefix) == 0) {
        size_t cut = SeparatorFrom(it->first, prefix.size());
        if (cut != std::string::npos) {
            // Below a child: its whole subtree sorts before the child's name
            // followed by the byte after the separator.
            it = nodes_.lower_bound(it->first.substr(0, cut) + (char)('\\' + 1));
            continue;
        }
        DirEntry e;
        GetFileInfo(it->second.path.c_str(), e);
        out.push_back(e);
        ++it;
    }
    return true;
}

bool CMemoryFiles::GetFileInfo(const char* path, DirEntry& out) {
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end()) return false;
    out.name = NameOf(it->second.path);
    out.attributes = it->second.folder ? 0x10 : 0x20;
    out.size = (DWORD)it->second.data.size();
    out.sizeHigh = (DWORD)((ULONGLONG)it->second.data.size() >> 32);
    out.lastWrite = MakeTime(it->second.time);
    return true;
}

std::unique_ptr<IReadFile> CMemoryFiles::OpenRead(const char* path) {
    std::lock_guard<std::mutex> lock(*readLock_);
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end() || it->second.folder) return nullptr;
    ++opens;
    return std::unique_ptr<IReadFile>(new Reader(*this, it->first, it->second.data, readChunk));
}

std::unique_ptr<IReplacingFile> CMemoryFiles::CreateReplacing(const char* path) {
    ++writes;
    if (WriteRefused(path)) return nullptr;
    return std::unique_ptr<IReplacingFile>(new Replacement(*this, path));
}

bool CMemoryFiles::CopyFileTo(const char* from, const char* to) {
    auto it = nodes_.find(Key(from));
    if (it == nodes_.end() || it->second.folder || WriteRefused(to)) return false;
    Node n = it->second;
    n.path = to;
    n.highestRead = n.bytesRead = 0;
    nodes_[Key(to)] = n;
    return true;
}

bool CMemoryFiles::CopyFileWithTime(const char* from, const char* to, const FILETIME& time) {
    return CopyFileTo(from, to) && SetFileTime(to, time);
}

bool CMemoryFiles::MoveFileTo(const char* from, const char* to) {
    if (Exists(to) || !CopyFileTo(from, to)) return false;
    nodes_.erase(Key(from));
    return true;
}

bool CMemoryFiles::RenameFile(const char* path, const char* newName) {
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

bool CMemoryFiles::RemoveFile(const char* path) {
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end() || it->second.folder) return false;
    nodes_.erase(it);
    return true;
}

bool CMemoryFiles::RemoveFolder(const char* path) {
    std::string k = Key(path);
    auto it = nodes_.find(k);
    if (it == nodes_.end() || !it->second.folder) return false;
    auto next = std::next(it);
    if (next != nodes_.end() && next->first.compare(0, k.size() + 1, k + "\\") == 0) return false;
    nodes_.erase(it);
    return true;
}

bool CMemoryFiles::MakeDirectories(const char* path) {
    if (failMakeDirectories) return false;
    std::string p = path;
    size_t cut = LastSeparator(p);
    if (cut != std::string::npos) AddFolder(p.substr(0, cut));
    return true;
}

bool CMemoryFiles::SetFileTime(const char* path, const FILETIME& time) {
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end()) return false;
    it->second.time = TimeValue(time);
    return true;
}

bool CMemoryFiles::MakeUniquePath(const char* path, int, char* out, DWORD cap) {
    std::string p = path;
    size_t dot = p.rfind('.');
    std::string stem = dot == std::string::npos ? p : p.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : p.substr(dot);
    std::string candidate = stem + "_old" + ext;
    if (candidate.size() + 1 > cap || Exists(candidate)) return false;
    memcpy(out, candidate.c_str(), candidate.size() + 1);
    return true;
}

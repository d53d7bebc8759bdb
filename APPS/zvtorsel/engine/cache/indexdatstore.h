// A cache folder taken from another disk, read through its index files. It
// serves the walk and the lookups of the cache interface and never writes:
// the folder stays as it was.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "cache/indexdat.h"
#include "cache/urlcache.h"

class CIndexDatUrlCache : public IUrlCache {
public:
    // folder: the folder the user chose, ending with "\" (for captions).
    explicit CIndexDatUrlCache(const std::string& folder) : folder_(folder) {}

    // Adds one index file read whole: its path and its bytes. The files it
    // lists lie in the sub-folders of the index file's own folder. False
    // (with a warning row) when the bytes are no index file.
    bool AddIndex(const std::string& indexPath, std::vector<BYTE> bytes);
    // Records a warning row for an index file that could not be read.
    void NoteUnreadable(const std::string& path);
    // Number of index files read.
    size_t IndexCount() const { return indexes_.size(); }

    bool FindFirst(UrlCacheEntry& entry) override;
    bool FindNext(UrlCacheEntry& entry) override;
    void FindClose() override { walking_ = false; }
    bool GetLocalFile(const char* url, char* out, DWORD cap) override;
    bool DeleteEntry(const char*) override { return false; }
    bool CreateEntry(const char*, DWORD, const char*, char*, DWORD) override { return false; }
    bool CommitEntry(const char*, const char*, const FILETIME&, const FILETIME&, const char*) override { return false; }
    bool ReadOnly() const override { return true; }
    const char* SourceFolder() const override { return folder_.c_str(); }
    const std::vector<CacheDamage>& Damage() const override { return damage_; }

private:
    struct Index {
        std::string path;
        std::string folder;  // of the index file, ending with "\"
        std::vector<BYTE> bytes;
        CIndexDatReader reader;
    };
    // The path of a record's file, or "" when it has none.
    std::string LocalFile(const Index& index, const IndexDatRecord& record) const;
    bool Emit(UrlCacheEntry& entry);

    std::string folder_;
    std::vector<std::unique_ptr<Index>> indexes_;
    std::vector<CacheDamage> damage_;
    bool walking_ = false;
    size_t walkIndex_ = 0, walkRecord_ = 0;
    std::string localFile_;
};

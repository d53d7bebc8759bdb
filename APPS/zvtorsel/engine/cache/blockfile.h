// Chromium's "blockfile" disk cache (Windows, before the simple cache): an
// "index" file of hash buckets, block files "data_0" (rankings), "data_1"
// (entries, 256-byte blocks), "data_2" (1 KiB), "data_3" (4 KiB) and
// separate files "f_xxxxxx" for large data. An entry holds its key (a long
// one elsewhere) and the addresses of its streams: 0 the HTTP response info,
// 1 the body. The reader works on byte buffers: every address is checked
// against the file it names, and no chain is followed twice.
#pragma once
#include <stddef.h>

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "zvtypes.h"

enum BlockfileVersion {
    BLOCKFILE_NONE,
    BLOCKFILE_2_0 = 0x20000,
    BLOCKFILE_2_1 = 0x20001,
    BLOCKFILE_3_0 = 0x30000,
};

// Where a stream's bytes lie: a block file or an "f_" file, at an offset.
struct BlockfileLocation {
    std::string file;  // "data_1", "f_00002a"
    ULONGLONG offset = 0;
    ULONGLONG length = 0;
};

struct BlockfileEntry {
    DWORD address;  // of the entry record, for warning rows
    std::string key;
    ULONGLONG creationTime;  // FILETIME value
    bool hasHead;            // stream 0 could be placed
    BlockfileLocation head;
    BlockfileLocation body;  // length 0 and no file when the body is empty
};

struct BlockfileDamage {
    enum Kind {
        BAD_ADDRESS,     // an address names no block inside its file
        MISSING_FILE,    // an address names a block file or "f_" file that is absent
        CHAIN_LOOP,      // a bucket chain leads back to an entry already read
        DIRTY,           // the entry was being written when the browser stopped
        EVICTED,         // the entry is evicted or doomed
        BAD_ENTRY,       // the record's key or stream sizes do not fit
    };
    DWORD address;
    Kind kind;
    std::string file;  // the file an address names, when that is the trouble
    std::string key;   // the entry's key, when it could be read
};

class CBlockfileReader {
public:
    // The bytes of a block file ("data_N"), null when it is absent; the
    // buffers stay with the caller while the reader is used.
    using BlockFiles = std::function<const std::vector<BYTE>*(int number)>;
    // Whether an "f_" file is there, and its size.
    using ExternalFileSize = std::function<bool(const std::string& name, ULONGLONG* size)>;
    // Reads the bytes of an "f_" file (for long keys and heads kept there).
    using ExternalFile = std::function<bool(const std::string& name, std::vector<BYTE>& out)>;

    // False when index is no blockfile index.
    bool Parse(const BYTE* index, size_t size, const BlockFiles& blocks, const ExternalFileSize& externalSize,
               const ExternalFile& external);

    DWORD Version() const { return version_; }
    const std::vector<BlockfileEntry>& Entries() const { return entries_; }
    const std::vector<BlockfileDamage>& Damage() const { return damage_; }
    size_t DamageNotListed() const { return damageNotListed_; }
    static constexpr size_t kMaxDamageRows = 100;

private:
    bool Locate(DWORD address, ULONGLONG length, BlockfileLocation& out, BlockfileDamage::Kind* trouble,
                std::string* file);
    bool ReadBytes(const BlockfileLocation& where, std::vector<BYTE>& out);
    void ReadEntry(DWORD address);
    void Note(DWORD address, BlockfileDamage::Kind kind, const std::string& file = std::string(),
              const std::string& key = std::string());

    BlockFiles blocks_;
    ExternalFileSize externalSize_;
    ExternalFile external_;
    DWORD version_ = BLOCKFILE_NONE;
    std::vector<BlockfileEntry> entries_;
    std::vector<BlockfileDamage> damage_;
    size_t damageNotListed_ = 0;
    std::unordered_set<DWORD> seen_;  // entry addresses read
};

// The name of an "f_" file of an external address ("f_00002a").
std::string BlockfileExternalName(DWORD address);

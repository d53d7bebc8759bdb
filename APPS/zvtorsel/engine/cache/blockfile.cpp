#include "cache/blockfile.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

namespace {

const DWORD kIndexMagic = 0xC103CAC3;
const DWORD kBlockMagic = 0xC104CAC3;
const size_t kIndexHeaderSize = 368;
const size_t kBlockHeaderSize = 8192;
const size_t kEntrySize = 256;
const size_t kRankingsSize = 36;
const size_t kEntryKeyOffset = 96;
const size_t kLongestKey = 64 * 1024;
const size_t kLongestTable = 1 << 22;
// More entries than this in one index are no real cache: the walk stops.
const size_t kMostEntries = 4u << 20;

const DWORD kInitialized = 0x80000000;
enum FileType { EXTERNAL = 0, RANKINGS = 1, BLOCK_256 = 2, BLOCK_1K = 3, BLOCK_4K = 4 };

DWORD Le32(const BYTE* p) { return (DWORD)p[0] | ((DWORD)p[1] << 8) | ((DWORD)p[2] << 16) | ((DWORD)p[3] << 24); }
ULONGLONG Le64(const BYTE* p) { return (ULONGLONG)Le32(p) | ((ULONGLONG)Le32(p + 4) << 32); }

int TypeOf(DWORD address) { return (int)((address >> 28) & 7); }
size_t BlockSizeOf(int type) {
    switch (type) {
    case RANKINGS: return kRankingsSize;
    case BLOCK_256: return 256;
    case BLOCK_1K: return 1024;
    case BLOCK_4K: return 4096;
    default: return 0;
    }
}

}  // namespace

std::string BlockfileExternalName(DWORD address) {
    char name[16];
    snprintf(name, sizeof name, "f_%06lx", (unsigned long)(address & 0x0FFFFFFF));
    return name;
}

void CBlockfileReader::Note(DWORD address, BlockfileDamage::Kind kind, const std::string& file, const std::string& key) {
    if (damage_.size() < kMaxDamageRows) damage_.push_back({address, kind, file, key});
    else ++damageNotListed_;
}

bool CBlockfileReader::Locate(DWORD address, ULONGLONG length, BlockfileLocation& out, BlockfileDamage::Kind* trouble,
                              std::string* file) {
    *trouble = BlockfileDamage::BAD_ADDRESS;
    if (!(address & kInitialized)) return false;
    int type = TypeOf(address);
    if (type == EXTERNAL) {
        out.file = BlockfileExternalName(address);
        *file = out.file;
        ULONGLONG size = 0;
        if (!externalSize_(out.file, &size)) {
            *trouble = BlockfileDamage::MISSING_FILE;
            return false;
        }
        if (length > size) return false;
        out.offset = 0;
        out.length = length;
        return true;
    }
    size_t blockSize = BlockSizeOf(type);
    if (!blockSize || (address & 0x0c000000)) return false;
    int number = (int)((address >> 16) & 0xff);
    size_t blocks = ((address >> 24) & 3) + 1;
    size_t start = address & 0xffff;
    char name[16];
    snprintf(name, sizeof name, "data_%d", number);
    out.file = name;
    *file = out.file;
    const std::vector<BYTE>* data = blocks_(number);
    if (!data) {
        *trouble = BlockfileDamage::MISSING_FILE;
        return false;
    }
    // The block file must be one of this block size.
    if (data->size() < kBlockHeaderSize || Le32(data->data()) != kBlockMagic || Le32(data->data() + 12) != blockSize)
        return false;
    if (length > blocks * blockSize) return false;
    ULONGLONG offset = kBlockHeaderSize + (ULONGLONG)start * blockSize;
    if (offset > data->size() || blocks * blockSize > data->size() - offset) return false;
    out.offset = offset;
    out.length = length;
    return true;
}

bool CBlockfileReader::ReadBytes(const BlockfileLocation& where, std::vector<BYTE>& out) {
    if (where.file.compare(0, 2, "f_") == 0) {
        std::vector<BYTE> whole;
        if (!external_(where.file, whole) || where.length > whole.size()) return false;
        out.assign(whole.begin(), whole.begin() + (size_t)where.length);
        return true;
    }
    const std::vector<BYTE>* data = blocks_(atoi(where.file.c_str() + 5));
    if (!data || where.offset > data->size() || where.length > data->size() - where.offset) return false;
    out.assign(data->begin() + (size_t)where.offset, data->begin() + (size_t)(where.offset + where.length));
    return true;
}

void CBlockfileReader::ReadEntry(DWORD address) {
    BlockfileLocation where;
    BlockfileDamage::Kind trouble;
    std::string file;
    if (TypeOf(address) != BLOCK_256 || !Locate(address, kEntrySize, where, &trouble, &file)) {
        Note(address, TypeOf(address) != BLOCK_256 ? BlockfileDamage::BAD_ADDRESS : trouble, file);
        return;
    }
    const std::vector<BYTE>& data = *blocks_((int)((address >> 16) & 0xff));
    const BYTE* record = data.data() + where.offset;
    size_t recordSize = (((address >> 24) & 3) + 1) * kEntrySize;

    BlockfileEntry entry;
    entry.address = address;
    entry.creationTime = Le64(record + 24) * 10;
    DWORD state = Le32(record + 20);
    size_t keyLength = Le32(record + 32);
    DWORD longKey = Le32(record + 36);
    if (keyLength > kLongestKey) {
        Note(address, BlockfileDamage::BAD_ENTRY);
        return;
    }
    if (longKey) {
        BlockfileLocation keyAt;
        std::vector<BYTE> key;
        if (!Locate(longKey, keyLength, keyAt, &trouble, &file) || !ReadBytes(keyAt, key)) {
            Note(address, trouble, file);
            return;
        }
        entry.key.assign(key.begin(), key.end());
    } else {
        if (keyLength > recordSize - kEntryKeyOffset) {
            Note(address, BlockfileDamage::BAD_ENTRY);
            return;
        }
        entry.key.assign((const char*)record + kEntryKeyOffset, keyLength);
    }
    // Dirty and evicted entries are named, not read: their streams may be
    // half written or already given to other entries.
    if (state != 0) {
        Note(address, BlockfileDamage::EVICTED, std::string(), entry.key);
        return;
    }
    DWORD rankings = Le32(record + 8);
    BlockfileLocation rankingsAt;
    if (rankings && TypeOf(rankings) == RANKINGS && Locate(rankings, kRankingsSize, rankingsAt, &trouble, &file)) {
        const std::vector<BYTE>& r = *blocks_((int)((rankings >> 16) & 0xff));
        if (Le32(r.data() + rankingsAt.offset + 28) != 0) {
            Note(address, BlockfileDamage::DIRTY, std::string(), entry.key);
            return;
        }
    }
    for (int stream = 0; stream < 2; ++stream) {
        DWORD size = Le32(record + 40 + 4 * stream);
        DWORD at = Le32(record + 56 + 4 * stream);
        BlockfileLocation& out = stream == 0 ? entry.head : entry.body;
        if (size == 0) continue;
        // A stream that cannot be placed (its block file lost) is named; the
        // entry is not listed.
        if ((int)size < 0 || !Locate(at, size, out, &trouble, &file)) {
            Note(address, trouble, file, entry.key);
            return;
        }
    }
    entry.hasHead = entry.head.length > 0;
    entries_.push_back(entry);
}

bool CBlockfileReader::Parse(const BYTE* index, size_t size, const BlockFiles& blocks,
                             const ExternalFileSize& externalSize, const ExternalFile& external) {
    blocks_ = blocks;
    externalSize_ = externalSize;
    external_ = external;
    entries_.clear();
    damage_.clear();
    damageNotListed_ = 0;
    seen_.clear();
    if (size < kIndexHeaderSize || Le32(index) != kIndexMagic) return false;
    version_ = Le32(index + 4);
    size_t tableLength = Le32(index + 28);
    if (tableLength == 0 || tableLength > kLongestTable) tableLength = kLongestTable;
    size_t slots = std::min(tableLength, (size - kIndexHeaderSize) / 4);
    for (size_t slot = 0; slot < slots && seen_.size() < kMostEntries; ++slot) {
        DWORD address = Le32(index + kIndexHeaderSize + 4 * slot);
        while (address) {
            if (!seen_.insert(address).second) {
                Note(address, BlockfileDamage::CHAIN_LOOP);
                break;
            }
            ReadEntry(address);
            // The next entry of the bucket, when this one's record is readable.
            BlockfileLocation where;
            BlockfileDamage::Kind trouble;
            std::string file;
            if (TypeOf(address) != BLOCK_256 || !Locate(address, kEntrySize, where, &trouble, &file)) break;
            address = Le32(blocks_((int)((address >> 16) & 0xff))->data() + where.offset + 4);
        }
    }
    return true;
}

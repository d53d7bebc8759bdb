// A reader of the browser's cache index ("index.dat") over a byte buffer: the
// header with its sub-folder table, the chain of hash tables and the URL
// records they point at. Every field is treated as hostile: no offset is
// followed outside the buffer, no chain is walked twice, and a string counts
// only when it ends inside its record. What cannot be proved is reported as
// damage, never guessed.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

#include "zvtypes.h"

enum IndexDatVersion {
    INDEXDAT_NONE,  // not an index file
    INDEXDAT_47,    // "Client UrlCache MMF Ver 4.7"
    INDEXDAT_52,    // "Client UrlCache MMF Ver 5.2" and the same layout under
                    // "WINE URLCache Ver 0.2012001"
};

// One URL record found through the hash tables. The strings point into the
// buffer given to Parse and end inside their record.
struct IndexDatRecord {
    const char* url;
    const char* fileName;  // null when the record has no file
    int folder;            // index into the sub-folder table, -1 when none
    DWORD entryType;
    DWORD sizeLow;
    FILETIME lastModified;
    FILETIME lastAccess;
    FILETIME expire;
    const char* headerInfo;  // null when absent; not terminated
    DWORD headerInfoSize;
};

// A part of the file that could not be read: its offset and what was wrong.
struct IndexDatDamage {
    enum Kind {
        TRUNCATED,            // a table or record runs past the end of the file
        CHAIN_LOOP,           // a hash table chain leads back to a table already read
        OFFSET_OUTSIDE,       // an offset points outside the records of the file
        EMPTY_RECORD,         // a record of zero blocks
        BAD_SIGNATURE,        // an offset leads to something that is no record or table
        BAD_STRING,           // a string of a record does not end inside it
        FOLDER_OUT_OF_RANGE,  // a sub-folder index past the sub-folder table
    };
    DWORD offset;
    Kind kind;
};

class CIndexDatReader {
public:
    // Reads data (size bytes, kept by the caller while the records are used).
    // False when it is no index file of a known version; damage found on the
    // way ends only the part it is in.
    bool Parse(const BYTE* data, size_t size);

    IndexDatVersion Version() const { return version_; }
    const std::vector<IndexDatRecord>& Records() const { return records_; }
    // The first kMaxDamageRows damaged parts; DamageNotListed() counts the rest,
    // so that a file of garbage gives a warnings list a user can read.
    const std::vector<IndexDatDamage>& Damage() const { return damage_; }
    size_t DamageNotListed() const { return damageNotListed_; }
    static constexpr size_t kMaxDamageRows = 100;
    // Names of the cache sub-folders ("Content.IE5\XXXXXXXX"), as stored.
    const std::vector<std::string>& Folders() const { return folders_; }

private:
    void ReadHashTables(DWORD first);
    void ReadEntry(DWORD hash, DWORD offset);
    void ReadUrlRecord(DWORD offset, size_t end);
    // The terminated string at record + field offset, or null (damage noted).
    const char* StringAt(DWORD record, DWORD relative, size_t end);
    DWORD Dword(size_t at) const;
    void Note(DWORD offset, IndexDatDamage::Kind kind) {
        if (damage_.size() < kMaxDamageRows) damage_.push_back({offset, kind});
        else ++damageNotListed_;
    }

    const BYTE* data_ = nullptr;
    size_t size_ = 0;
    IndexDatVersion version_ = INDEXDAT_NONE;
    std::vector<IndexDatRecord> records_;
    std::vector<IndexDatDamage> damage_;
    size_t damageNotListed_ = 0;
    std::vector<std::string> folders_;
    std::vector<bool> seenBlocks_;  // records and tables already read, by block
};

// Windows time of a FAT date and time as a record stores them (the date in
// the low half, the time in the high half), taken as it stands, without a
// time zone; zero for values that are no date.
FILETIME FatDateTimeToFileTime(DWORD fat);

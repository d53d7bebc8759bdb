#include "base/files.h"

#include "base/alongside.h"

bool ReadWholeFile(IFiles& files, const char* path, std::vector<BYTE>& out, size_t cap) {
    out.clear();
    std::unique_ptr<IReadFile> file = files.OpenRead(path);
    if (!file) return false;
    ULONGLONG length = file->Length();
    if (length > cap) return false;
    out.resize((size_t)length);
    size_t done = 0;
    while (done < out.size()) {
        size_t left = out.size() - done;
        DWORD got = 0;
        if (!file->Read(out.data() + done, left > 0x10000000 ? 0x10000000u : (DWORD)left, &got) || got == 0) break;
        done += got;
    }
    if (done == out.size()) return true;
    out.clear();
    return false;
}

namespace {

// Files from this size are read in two halves at once.
const ULONGLONG kReadInTwoFrom = 4u << 20;

// Bytes [from, to) of an open file into place, one byte of each page written
// first: Wine reads into pages a program has touched faster than into fresh
// ones, and clearing all of them would cost as much again.
bool ReadRange(IReadFile& file, BYTE* place, size_t from, size_t to) {
    for (size_t at = from; at < to; at += 4096) place[at] = 0;
    while (from < to) {
        size_t left = to - from;
        DWORD got = 0;
        if (!file.ReadAt(from, place + from, left > 0x10000000 ? 0x10000000u : (DWORD)left, &got) || got == 0)
            return false;
        from += got;
    }
    return true;
}

}  // namespace

bool ReadWholeFile(IFiles& files, const char* path, std::unique_ptr<BYTE[]>& out, size_t* length, size_t cap) {
    out.reset();
    *length = 0;
    std::unique_ptr<IReadFile> file = files.OpenRead(path);
    if (!file) return false;
    ULONGLONG size = file->Length();
    if (size > cap) return false;
    std::unique_ptr<BYTE[]> bytes(new BYTE[(size_t)size]);
    // Copying a large file out of the system's cache is the reader's main
    // cost: its first half is read through a second handle on a thread of
    // its own.
    std::unique_ptr<IReadFile> other = size >= kReadInTwoFrom ? files.OpenRead(path) : nullptr;
    bool read = false;
    if (other) {
        size_t half = (size_t)size / 2 / 4096 * 4096;
        bool firstRead = false;
        {
            CAlongside first([&] { firstRead = ReadRange(*other, bytes.get(), 0, half); });
            read = ReadRange(*file, bytes.get(), half, (size_t)size);
        }
        read = read && firstRead;
    } else {
        read = ReadRange(*file, bytes.get(), 0, (size_t)size);
    }
    if (!read) return false;
    out = std::move(bytes);
    *length = (size_t)size;
    return true;
}

bool ReadFileAt(IFiles& files, const char* path, ULONGLONG offset, void* buffer, DWORD size, DWORD* got) {
    *got = 0;
    std::unique_ptr<IReadFile> file = files.OpenRead(path);
    return file && file->ReadAt(offset, buffer, size, got);
}

bool WriteWholeFile(IFiles& files, const char* path, const FilePiece* pieces, int count, const FILETIME* lastWrite) {
    std::unique_ptr<IReplacingFile> file = files.CreateReplacing(path);
    if (!file) return false;
    for (int i = 0; i < count; ++i)
        if (!file->Write(pieces[i].data, pieces[i].length)) return false;
    return file->Commit(lastWrite);
}

bool WriteWholeFile(IFiles& files, const char* path, const void* data, size_t size, const FILETIME* lastWrite) {
    FilePiece piece = {data, size};
    return WriteWholeFile(files, path, &piece, 1, lastWrite);
}

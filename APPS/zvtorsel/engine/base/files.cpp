#include "base/files.h"

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

bool ReadWholeFile(IFiles& files, const char* path, std::unique_ptr<BYTE[]>& out, size_t* length, size_t cap) {
    out.reset();
    *length = 0;
    std::unique_ptr<IReadFile> file = files.OpenRead(path);
    if (!file) return false;
    ULONGLONG size = file->Length();
    if (size > cap) return false;
    std::unique_ptr<BYTE[]> bytes(new BYTE[(size_t)size]);
    // One byte of each page written first: Wine reads into pages a program
    // has touched faster than into fresh ones, and clearing all of them
    // would cost as much again.
    for (size_t at = 0; at < (size_t)size; at += 4096) bytes[at] = 0;
    size_t done = 0;
    while (done < (size_t)size) {
        size_t left = (size_t)size - done;
        DWORD got = 0;
        if (!file->Read(bytes.get() + done, left > 0x10000000 ? 0x10000000u : (DWORD)left, &got) || got == 0)
            return false;
        done += got;
    }
    out = std::move(bytes);
    *length = done;
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

// The line reader of text files, over the small file interface of zvtextfile.h.
#include <stdlib.h>

#include "zverror.h"
#include "zvtextfile.h"

namespace {

const DWORD ZVTF_TAG = 'z' | ('v' << 8) | ('T' << 16) | ((DWORD)'F' << 24);
const DWORD BUFFER_SIZE = 1024;

struct TextFile {
    DWORD tag;
    const ZvFileIo* io;
    void* file;        // null after an error closed it
    BOOL endReached;   // a short read or 0x1A was met
    BYTE previous;     // last byte taken; 0 after a line-end pair
    DWORD left;        // unread bytes in buffer
    DWORD bufferPos;   // file offset of buffer[0]
    DWORD filled;      // bytes in buffer
    DWORD readIndex;
    BYTE buffer[BUFFER_SIZE];
};

struct SavedState {
    BOOL endReached;
    BYTE previous;
    DWORD left;
    DWORD bufferPos;
    DWORD filled;
    DWORD readIndex;
};

TextFile* FromHandle(HANDLE handle) {
    TextFile* tf = static_cast<TextFile*>(handle);
    return tf && tf->tag == ZVTF_TAG ? tf : nullptr;
}

BOOL FailClosing(TextFile* tf, DWORD code) {
    tf->io->close(tf->file);
    tf->file = nullptr;
    return zvFail(code);
}

// Puts the reader back where the call began; the buffer is read again if
// it was refilled meanwhile.
BOOL Restore(TextFile* tf, const SavedState& s, bool refilled) {
    if (refilled) {
        if (!tf->io->seek(tf->file, s.bufferPos)) return FailClosing(tf, ZVERR_READ);
        if (s.filled) {
            DWORD got = 0;
            if (!tf->io->read(tf->file, tf->buffer, s.filled, &got) || got != s.filled)
                return FailClosing(tf, ZVERR_READ);
        }
    }
    tf->endReached = s.endReached;
    tf->previous = s.previous;
    tf->left = s.left;
    tf->bufferPos = s.bufferPos;
    tf->filled = s.filled;
    tf->readIndex = s.readIndex;
    return zvFail(ZVERR_BUFFER_TOO_SMALL);
}

}  // namespace

HANDLE zvOpenTextFileWithIo(const ZvFileIo* io, LPCSTR path) {
    if (!io || !path) {
        zvSetErrCode(ZVERR_BAD_ARGUMENT);
        return nullptr;
    }
    void* file = io->open(path);
    if (!file) {
        zvSetErrCode(ZVERR_CANNOT_OPEN_RW);
        return nullptr;
    }
    TextFile* tf = static_cast<TextFile*>(calloc(1, sizeof(TextFile)));
    if (!tf) {
        io->close(file);
        zvSetErrCode(ZVERR_OUT_OF_MEMORY);
        return nullptr;
    }
    tf->tag = ZVTF_TAG;
    tf->io = io;
    tf->file = file;
    return tf;
}

ZV_EXPORT(HANDLE) zvOpenTextFileA(LPCSTR path) { return zvOpenTextFileWithIo(zvSystemFileIo(), path); }

ZV_EXPORT(BOOL) zvReadTextFileA(HANDLE handle, LPSTR line, int size) {
    TextFile* tf = FromHandle(handle);
    if (!tf) return zvFail(ZVERR_BAD_HANDLE);
    if (!line || size <= 0) return zvFail(ZVERR_BAD_ARGUMENT);
    if (!tf->file) return zvFail(ZVERR_GONE);
    const SavedState saved = {tf->endReached, tf->previous, tf->left,
                              tf->bufferPos, tf->filled, tf->readIndex};
    bool refilled = false;
    int stored = 0;
    for (;;) {
        if (tf->left == 0) {
            if (tf->endReached) break;
            DWORD got = 0;
            if (!tf->io->read(tf->file, tf->buffer, BUFFER_SIZE, &got) || got > BUFFER_SIZE)
                return FailClosing(tf, ZVERR_READ);
            refilled = true;
            tf->bufferPos += tf->filled;
            tf->filled = got;
            tf->left = got;
            tf->readIndex = 0;
            if (got < BUFFER_SIZE) tf->endReached = TRUE;
            if (got == 0) break;
        }
        BYTE b = tf->buffer[tf->readIndex];
        if (b == 0) return FailClosing(tf, ZVERR_WRONG_DATA);
        if (b == 0x1A) {
            tf->endReached = TRUE;
            tf->left = 0;
            break;
        }
        if (b != '\r' && b != '\n' && stored == size - 1) return Restore(tf, saved, refilled);
        tf->readIndex++;
        tf->left--;
        if (b == '\r' || b == '\n') {
            BYTE partner = b == '\r' ? '\n' : '\r';
            if (tf->previous == partner) {
                tf->previous = 0;
                continue;
            }
            tf->previous = b;
            line[stored] = 0;
            return TRUE;
        }
        tf->previous = b;
        line[stored++] = (char)b;
    }
    if (stored == 0) return zvFail(ZVERR_END_OF_FILE);
    line[stored] = 0;
    return TRUE;
}

ZV_EXPORT(BOOL) zvCloseTextFile(HANDLE handle) {
    TextFile* tf = FromHandle(handle);
    if (!tf) return zvFail(ZVERR_BAD_HANDLE);
    if (tf->file) tf->io->close(tf->file);
    tf->tag = 0;
    free(tf);
    return TRUE;
}

// In-memory file access for tests, fuzz targets and benchmarks.
#pragma once
#include <string.h>

#include <map>
#include <string>

#include "translate/file_access.h"

class MemoryFiles : public IHtmlFileAccess {
public:
    struct Reader {
        const std::string& data;
        size_t pos;
    };

    void* OpenRead(const char* path) override {
        auto it = files.find(path);
        if (it == files.end()) return nullptr;
        return new Reader{it->second, 0};
    }
    DWORD FileLength(void* file) override { return (DWORD)((Reader*)file)->data.size(); }
    DWORD Read(void* file, void* buffer, DWORD size) override {
        Reader* r = (Reader*)file;
        size_t n = r->data.size() - r->pos;
        if (n > size) n = size;
        if (n > readChunk) n = readChunk;
        memcpy(buffer, r->data.data() + r->pos, n);
        r->pos += n;
        return (DWORD)n;
    }
    void Close(void* file) override { delete (Reader*)file; }
    bool WriteFile(const char* path, const FilePiece* pieces, int count,
                   const FILETIME& lastWrite) override {
        ++writes;
        if (failWrites) return false;
        std::string content;
        for (int i = 0; i < count; ++i) content.append((const char*)pieces[i].data, pieces[i].length);
        files[path] = content;
        times[path] = lastWrite;
        return true;
    }

    std::map<std::string, std::string> files;
    std::map<std::string, FILETIME> times;
    size_t readChunk = (size_t)-1;  // smaller values exercise partial reads
    bool failWrites = false;
    int writes = 0;
};

// Test doubles of the report jobs: page access over the in-memory file
// system, a progress recorder, a profile store and the page texts.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "reports/reportjobs.h"
#include "tree/tests/testkit.h"

// Reads and writes the files of a CMemoryFileSystem.
class CMemoryPages : public IHtmlFileAccess {
public:
    explicit CMemoryPages(CMemoryFileSystem& fs) : fs_(fs) {}
    void* OpenRead(const char* path) override {
        if (!fs_.Exists(path) || fs_.IsFolder(path)) return nullptr;
        ++reads;
        return new Reader{fs_.Data(path), 0};
    }
    DWORD FileLength(void* file) override { return (DWORD)((Reader*)file)->data.size(); }
    DWORD Read(void* file, void* buffer, DWORD size) override {
        Reader* r = (Reader*)file;
        size_t n = std::min((size_t)size, r->data.size() - r->pos);
        memcpy(buffer, r->data.data() + r->pos, n);
        r->pos += n;
        return (DWORD)n;
    }
    void Close(void* file) override { delete (Reader*)file; }
    bool WriteFile(const char* path, const FilePiece* pieces, int count, const FILETIME&) override {
        if (failWrites) return false;
        std::string content;
        for (int i = 0; i < count; ++i) content.append((const char*)pieces[i].data, pieces[i].length);
        fs_.AddFile(path, content, 0);
        return true;
    }
    bool failWrites = false;
    int reads = 0;

private:
    struct Reader {
        std::string data;
        size_t pos;
    };
    CMemoryFileSystem& fs_;
};

class CRecordingProgress : public IReportProgress {
public:
    void Status(const char* text) override { statuses.push_back(text); }
    void Counts(DWORD found, DWORD seen) override {
        counts.push_back(std::to_string(found) + " / " + std::to_string(seen));
        if (onCounts) onCounts();
    }
    void Message(UINT id, const char* arg) override {
        messages.push_back(std::to_string(id) + (arg ? std::string(":") + arg : std::string()));
    }
    std::vector<std::string> statuses, counts, messages;
    std::function<void()> onCounts;
};

// "ローカルアドレス一覧表" and "%s の検索結果" in Shift_JIS.
inline PageTexts JapanesePageTexts() {
    PageTexts t;
    t.listTitle = "\x83\x8d\x81\x5b\x83\x4a\x83\x8b\x83\x41\x83\x68\x83\x8c\x83\x58\x88\xea\x97\x97\x95\x5c";
    t.searchTitle = "%s \x82\xcc\x8c\x9f\x8d\xf5\x8c\x8b\x89\xca";
    return t;
}

// Lines joined with CR LF, each ended by one.
inline std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

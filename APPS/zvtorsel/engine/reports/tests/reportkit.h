// Test doubles of the report jobs: a progress recorder and the page texts.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/memoryfiles.h"
#include "reports/reportjobs.h"
#include "tree/tests/testkit.h"

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

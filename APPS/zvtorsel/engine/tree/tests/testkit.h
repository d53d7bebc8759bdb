// Test doubles of the rebuild engine: a recording job report and a job
// system in memory.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/jobreport.h"
#include "base/memorysystem.h"
#include "base/jobreport.h"

class CRecordingReport : public IJobReport {
public:
    void StatusText(const char* text) override { statuses.push_back(text); }
    void StatusMessage(UINT id) override { messages.push_back(id); }
    void Warning(const char* path, UINT id) override { warnings.push_back({path, id}); }
    void Failure(const char* path, UINT id) override { failures.push_back({path, id}); }
    bool Ask(UINT id, const char* arg) override {
        asked.push_back(id);
        return answer ? answer(id, arg ? arg : "") : true;
    }
    void Notify(UINT id, const char*) override { notified.push_back(id); }
    void End(int result) override { ends.push_back(result); }

    bool Warned(const std::string& path, UINT id) const {
        for (const auto& w : warnings)
            if (w.first == path && w.second == id) return true;
        return false;
    }

    std::vector<std::string> statuses;
    std::vector<UINT> messages;
    std::vector<std::pair<std::string, UINT>> warnings;
    std::vector<std::pair<std::string, UINT>> failures;
    std::vector<UINT> asked;
    std::vector<UINT> notified;
    std::vector<int> ends;
    std::function<bool(UINT, const std::string&)> answer;
};

// UTC file time of a calendar time (the tests run with local time = UTC).
ULONGLONG Utc(int year, int month, int day, int hour, int minute, int second);

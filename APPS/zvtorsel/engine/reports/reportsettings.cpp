#include "reports/reportsettings.h"

#include <algorithm>

void AddToHistory(std::vector<std::string>& history, const std::string& keyword) {
    if (keyword.empty()) return;
    history.erase(std::remove(history.begin(), history.end(), keyword), history.end());
    history.insert(history.begin(), keyword);
    if (history.size() > (size_t)kKeywordHistory) history.resize(kKeywordHistory);
}

// The application's profile functions as the settings store of the engine.
#pragma once
#include "settings/profilestore.h"
#include "settings/sections.h"

class CWinApp;

class CAppProfileStore : public IProfileStore {
public:
    explicit CAppProfileStore(CWinApp& app) : app_(app) {}
    int GetInt(const char* section, const char* key, int defaultValue) override;
    std::string GetString(const char* section, const char* key, const char* defaultValue = "") override;
    void WriteInt(const char* section, const char* key, int value) override;
    void WriteString(const char* section, const char* key, const char* value) override;

private:
    CWinApp& app_;
};

// Where the program's settings live: one store, the application's profile in
// the program and memory in tests. Each section's record is read and written
// in settings/sections.cpp.
#pragma once
#include <map>
#include <string>

class IProfileStore {
public:
    virtual ~IProfileStore() {}
    virtual int GetInt(const char* section, const char* key, int defaultValue) = 0;
    // The text, or defaultValue when the key is missing.
    virtual std::string GetString(const char* section, const char* key, const char* defaultValue = "") = 0;
    virtual void WriteInt(const char* section, const char* key, int value) = 0;
    // A null value deletes the key.
    virtual void WriteString(const char* section, const char* key, const char* value) = 0;
};

// Settings in memory, "Section/Key" to the value as text: the store of tests.
class CMemoryProfileStore : public IProfileStore {
public:
    int GetInt(const char* section, const char* key, int defaultValue) override;
    std::string GetString(const char* section, const char* key, const char* defaultValue = "") override;
    void WriteInt(const char* section, const char* key, int value) override;
    void WriteString(const char* section, const char* key, const char* value) override;

    static std::string Key(const char* section, const char* key) { return std::string(section) + "/" + key; }
    std::map<std::string, std::string> values;
};

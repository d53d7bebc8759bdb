#include "profilestore.h"

#include "afxwin.h"

int CAppProfileStore::GetInt(const char* section, const char* key, int defaultValue) {
    return (int)app_.GetProfileInt(section, key, defaultValue);
}

std::string CAppProfileStore::GetString(const char* section, const char* key, const char* defaultValue) {
    return app_.GetProfileString(section, key, defaultValue).c_str();
}

void CAppProfileStore::WriteInt(const char* section, const char* key, int value) {
    app_.WriteProfileInt(section, key, value);
}

void CAppProfileStore::WriteString(const char* section, const char* key, const char* value) {
    app_.WriteProfileString(section, key, value);
}

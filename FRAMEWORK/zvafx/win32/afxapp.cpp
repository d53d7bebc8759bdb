#include <stdio.h>
#include <string.h>

#include "afxwin.h"

namespace {

CWinApp* g_app;

CString IniPath(const CString& profileName) {
    char folder[MAX_PATH];
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return profileName;
    return CString(folder) + "\\" + profileName;
}

}  // namespace

CWinApp::CWinApp(const char* appName) : m_appName(appName ? appName : "") { g_app = this; }

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

void CWinApp::SetRegistryKey(const char* key) { m_registryKey = key ? key : ""; }

HKEY CWinApp::GetSectionKey(const char* section, bool readOnly) {
    if (m_registryKey.IsEmpty() || !section) return nullptr;
    CString path = CString("Software\\") + m_registryKey + "\\" + m_appName + "\\" + section;
    HKEY key = nullptr;
    if (readOnly) return RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) == ERROR_SUCCESS ? key : nullptr;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                        &key, &disposition) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

UINT CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue) {
    if (m_registryKey.IsEmpty()) {
        return GetPrivateProfileIntA(section, entry, defaultValue, IniPath(m_profileName.IsEmpty() ? m_appName + ".ini" : m_profileName));
    }
    HKEY key = GetSectionKey(section, true);
    if (!key) return (UINT)defaultValue;
    DWORD value = 0, type = 0, size = sizeof value;
    LONG status = RegQueryValueExA(key, entry, nullptr, &type, (BYTE*)&value, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return (UINT)defaultValue;
    return value;
}

BOOL CWinApp::WriteProfileInt(const char* section, const char* entry, int value) {
    if (m_registryKey.IsEmpty()) {
        char text[16];
        snprintf(text, sizeof text, "%d", value);
        return WriteProfileString(section, entry, text);
    }
    HKEY key = GetSectionKey(section);
    if (!key) return FALSE;
    DWORD data = (DWORD)value;
    LONG status = RegSetValueExA(key, entry, 0, REG_DWORD, (const BYTE*)&data, sizeof data);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

CString CWinApp::GetProfileString(const char* section, const char* entry, const char* defaultValue) {
    if (m_registryKey.IsEmpty()) {
        char text[4096];
        GetPrivateProfileStringA(section, entry, defaultValue ? defaultValue : "", text, sizeof text,
                                 IniPath(m_profileName.IsEmpty() ? m_appName + ".ini" : m_profileName));
        return CString(text);
    }
    CString result(defaultValue ? defaultValue : "");
    HKEY key = GetSectionKey(section, true);
    if (!key) return result;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, entry, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        CString value;
        char* buffer = value.GetBuffer((int)size + 1);
        DWORD got = size;
        if (RegQueryValueExA(key, entry, nullptr, &type, (BYTE*)buffer, &got) == ERROR_SUCCESS) {
            buffer[got < size + 1 ? got : size] = 0;
            value.ReleaseBuffer();
            result = value;
        }
    }
    RegCloseKey(key);
    return result;
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const char* value) {
    if (m_registryKey.IsEmpty()) {
        return WritePrivateProfileStringA(section, entry, value,
                                          IniPath(m_profileName.IsEmpty() ? m_appName + ".ini" : m_profileName));
    }
    HKEY key = GetSectionKey(section);
    if (!key) return FALSE;
    LONG status;
    if (!entry) {
        RegCloseKey(key);
        CString path = CString("Software\\") + m_registryKey + "\\" + m_appName;
        HKEY parent = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_WRITE, &parent) != ERROR_SUCCESS) return FALSE;
        status = RegDeleteKeyA(parent, section);
        RegCloseKey(parent);
        return status == ERROR_SUCCESS;
    }
    if (!value) {
        status = RegDeleteValueA(key, entry);
    } else {
        status = RegSetValueExA(key, entry, 0, REG_SZ, (const BYTE*)value, (DWORD)strlen(value) + 1);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

BOOL CWinApp::GetProfileBinary(const char* section, const char* entry, BYTE** data, UINT* bytes) {
    if (!data || !bytes) return FALSE;
    *data = nullptr;
    *bytes = 0;
    HKEY key = GetSectionKey(section, true);
    if (!key) return FALSE;
    DWORD type = 0, size = 0;
    BOOL ok = FALSE;
    if (RegQueryValueExA(key, entry, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_BINARY) {
        BYTE* buffer = new BYTE[size ? size : 1];
        if (RegQueryValueExA(key, entry, nullptr, &type, buffer, &size) == ERROR_SUCCESS) {
            *data = buffer;
            *bytes = size;
            ok = TRUE;
        } else {
            delete[] buffer;
        }
    }
    RegCloseKey(key);
    return ok;
}

BOOL CWinApp::WriteProfileBinary(const char* section, const char* entry, const BYTE* data, UINT bytes) {
    HKEY key = GetSectionKey(section);
    if (!key) return FALSE;
    LONG status = RegSetValueExA(key, entry, 0, REG_BINARY, data, bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

int AfxWinMain(HINSTANCE instance, LPSTR commandLine) {
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    app->m_hInstance = instance;
    app->m_lpCmdLine = commandLine ? commandLine : "";
    if (app->m_appName.IsEmpty()) app->m_appName = AfxGetAppName();
    int exitCode = 0;
    try {
        app->InitInstance();
        exitCode = app->ExitInstance();
    } catch (...) {
        exitCode = 1;
    }
    return exitCode;
}

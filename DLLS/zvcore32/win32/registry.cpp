// Registry helpers: one implementation for 8-bit and 16-bit texts.
#include <string>

#include "zvcore32_win32.h"
#include "zvwinhelpers.h"

namespace {

template <class Ch>
struct RegApi;

template <>
struct RegApi<char> {
    static LONG Open(HKEY root, const char* path, HKEY* key) { return RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, key); }
    static LONG Create(HKEY root, const char* path, HKEY* key) {
        return RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key, nullptr);
    }
    static LONG Query(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
        return RegQueryValueExA(key, name, nullptr, type, data, size);
    }
    static LONG Set(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
        return RegSetValueExA(key, name, 0, type, data, size);
    }
    static LONG FirstSubkey(HKEY key, std::string& name) {
        char buffer[256];
        DWORD n = sizeof(buffer);
        LONG r = RegEnumKeyExA(key, 0, buffer, &n, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_SUCCESS) name.assign(buffer, n);
        return r;
    }
    static LONG Delete(HKEY root, const char* path) { return RegDeleteKeyA(root, path); }
};

template <>
struct RegApi<WCHAR> {
    static LONG Open(HKEY root, const WCHAR* path, HKEY* key) { return RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, key); }
    static LONG Create(HKEY root, const WCHAR* path, HKEY* key) {
        return RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key, nullptr);
    }
    static LONG Query(HKEY key, const WCHAR* name, DWORD* type, BYTE* data, DWORD* size) {
        return RegQueryValueExW(key, name, nullptr, type, data, size);
    }
    static LONG Set(HKEY key, const WCHAR* name, DWORD type, const BYTE* data, DWORD size) {
        return RegSetValueExW(key, name, 0, type, data, size);
    }
    static LONG FirstSubkey(HKEY key, std::wstring& name) {
        WCHAR buffer[256];
        DWORD n = sizeof(buffer) / sizeof(buffer[0]);
        LONG r = RegEnumKeyExW(key, 0, buffer, &n, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_SUCCESS) name.assign(buffer, n);
        return r;
    }
    static LONG Delete(HKEY root, const WCHAR* path) { return RegDeleteKeyW(root, path); }
};

template <class Ch>
std::basic_string<Ch> KeyPath(const Ch* key, const Ch* subkey) {
    std::basic_string<Ch> path(key);
    if (subkey && subkey[0]) {
        path += (Ch)'\\';
        path += subkey;
    }
    return path;
}

class KeyHolder {
public:
    KeyHolder() = default;
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    ~KeyHolder() {
        if (key) RegCloseKey(key);
    }
    HKEY key = nullptr;
};

template <class Ch>
BOOL FindKey(HKEY root, const Ch* key, const Ch* subkey) {
    if (!root || !key) return zvFail(ZVERR_BAD_ARGUMENT);
    KeyHolder k;
    if (RegApi<Ch>::Open(root, KeyPath(key, subkey).c_str(), &k.key) != ERROR_SUCCESS) return zvFail(ZVERR_REG_OPEN);
    return TRUE;
}

// Reads a value of the expected type into buffer (size bytes).
template <class Ch>
BOOL GetValue(HKEY root, const Ch* key, const Ch* subkey, const Ch* name, DWORD expectedType, void* buffer,
              DWORD size) {
    if (!root || !key || !buffer) return zvFail(ZVERR_BAD_ARGUMENT);
    KeyHolder k;
    if (RegApi<Ch>::Open(root, KeyPath(key, subkey).c_str(), &k.key) != ERROR_SUCCESS) return zvFail(ZVERR_REG_OPEN);
    DWORD type = 0, needed = 0;
    if (RegApi<Ch>::Query(k.key, name, &type, nullptr, &needed) != ERROR_SUCCESS) return zvFail(ZVERR_REG_READ);
    if (type != expectedType) return zvFail(ZVERR_WRONG_DATA);
    if (needed > size) return zvFail(ZVERR_REG_READ);
    DWORD got = size;
    if (RegApi<Ch>::Query(k.key, name, &type, (BYTE*)buffer, &got) != ERROR_SUCCESS) return zvFail(ZVERR_REG_READ);
    if (expectedType == REG_SZ) {
        // A stored text need not end with a terminator; make sure it does.
        DWORD chars = got / sizeof(Ch);
        Ch* text = (Ch*)buffer;
        DWORD capacity = size / sizeof(Ch);
        if (chars == 0 || text[chars - 1] != 0) {
            if (chars >= capacity) return zvFail(ZVERR_REG_READ);
            text[chars] = 0;
        }
    }
    return TRUE;
}

template <class Ch>
BOOL SetValue(HKEY root, const Ch* key, const Ch* subkey, const Ch* name, DWORD type, const void* data, DWORD size) {
    if (!root || !key) return zvFail(ZVERR_BAD_ARGUMENT);
    KeyHolder k;
    if (RegApi<Ch>::Create(root, KeyPath(key, subkey).c_str(), &k.key) != ERROR_SUCCESS)
        return zvFail(ZVERR_REG_CREATE);
    if (!data) return TRUE;
    if (RegApi<Ch>::Set(k.key, name, type, (const BYTE*)data, size) != ERROR_SUCCESS) return zvFail(ZVERR_REG_WRITE);
    return TRUE;
}

template <class Ch>
DWORD TextBytes(const Ch* text) {
    return (DWORD)((std::char_traits<Ch>::length(text) + 1) * sizeof(Ch));
}

// Depth first: delete the first subkey until none is left, then the key.
template <class Ch>
BOOL DeleteTree(HKEY root, const Ch* path) {
    if (!root || !path || !path[0]) return zvFail(ZVERR_BAD_ARGUMENT);
    {
        KeyHolder k;
        if (RegApi<Ch>::Open(root, path, &k.key) != ERROR_SUCCESS) return zvFail(ZVERR_REG_OPEN);
        std::basic_string<Ch> child;
        while (RegApi<Ch>::FirstSubkey(k.key, child) == ERROR_SUCCESS) {
            std::basic_string<Ch> childPath = KeyPath(path, child.c_str());
            if (!DeleteTree(root, childPath.c_str())) return FALSE;
        }
    }
    if (RegApi<Ch>::Delete(root, path) != ERROR_SUCCESS) return zvFail(ZVERR_REG_DELETE);
    return TRUE;
}

}  // namespace

ZV_EXPORT(BOOL) zvRegFindKeyA(HKEY root, const char* key, const char* subkey) { return FindKey(root, key, subkey); }
ZV_EXPORT(BOOL) zvRegGetStrValueA(HKEY root, const char* key, const char* subkey, const char* name, char* buffer,
                                  DWORD size) {
    return GetValue(root, key, subkey, name, REG_SZ, buffer, size);
}
ZV_EXPORT(BOOL) zvRegGetDwordValueA(HKEY root, const char* key, const char* subkey, const char* name, DWORD* value) {
    return GetValue(root, key, subkey, name, REG_DWORD, value, sizeof(DWORD));
}
ZV_EXPORT(BOOL) zvRegGetBinValueA(HKEY root, const char* key, const char* subkey, const char* name, void* buffer,
                                  DWORD size) {
    return GetValue(root, key, subkey, name, REG_BINARY, buffer, size);
}
ZV_EXPORT(BOOL) zvRegSetKeyAndStrValueA(HKEY root, const char* key, const char* subkey, const char* name,
                                        const char* value) {
    return SetValue(root, key, subkey, name, REG_SZ, value, value ? TextBytes(value) : 0);
}
ZV_EXPORT(BOOL) zvRegSetKeyAndDwordValueA(HKEY root, const char* key, const char* subkey, const char* name,
                                          DWORD value) {
    return SetValue(root, key, subkey, name, REG_DWORD, &value, sizeof(value));
}
ZV_EXPORT(BOOL) zvRegSetKeyAndBinValueA(HKEY root, const char* key, const char* subkey, const char* name,
                                        const void* data, DWORD size) {
    if (!data && size) return zvFail(ZVERR_BAD_ARGUMENT);
    return SetValue(root, key, subkey, name, REG_BINARY, data ? data : "", size);
}
ZV_EXPORT(BOOL) zvRegDeleteKeyA(HKEY root, const char* path) { return DeleteTree(root, path); }

ZV_EXPORT(BOOL) zvRegFindKeyW(HKEY root, const WCHAR* key, const WCHAR* subkey) { return FindKey(root, key, subkey); }
ZV_EXPORT(BOOL) zvRegGetStrValueW(HKEY root, const WCHAR* key, const WCHAR* subkey, const WCHAR* name, WCHAR* buffer,
                                  DWORD size) {
    return GetValue(root, key, subkey, name, REG_SZ, buffer, size);
}
ZV_EXPORT(BOOL) zvRegGetDwordValueW(HKEY root, const WCHAR* key, const WCHAR* subkey, const WCHAR* name,
                                    DWORD* value) {
    return GetValue(root, key, subkey, name, REG_DWORD, value, sizeof(DWORD));
}
ZV_EXPORT(BOOL) zvRegGetBinValueW(HKEY root, const WCHAR* key, const WCHAR* subkey, const WCHAR* name, void* buffer,
                                  DWORD size) {
    return GetValue(root, key, subkey, name, REG_BINARY, buffer, size);
}
ZV_EXPORT(BOOL) zvRegSetKeyAndStrValueW(HKEY root, const WCHAR* key, const WCHAR* subkey, const WCHAR* name,
                                        const WCHAR* value) {
    return SetValue(root, key, subkey, name, REG_SZ, value, value ? TextBytes(value) : 0);
}
ZV_EXPORT(BOOL) zvRegSetKeyAndDwordValueW(HKEY root, const WCHAR* key, const WCHAR* subkey, const WCHAR* name,
                                          DWORD value) {
    return SetValue(root, key, subkey, name, REG_DWORD, &value, sizeof(value));
}
ZV_EXPORT(BOOL) zvRegSetKeyAndBinValueW(HKEY root, const WCHAR* key, const WCHAR* subkey, const WCHAR* name,
                                        const void* data, DWORD size) {
    if (!data && size) return zvFail(ZVERR_BAD_ARGUMENT);
    return SetValue(root, key, subkey, name, REG_BINARY, data ? data : "", size);
}
ZV_EXPORT(BOOL) zvRegDeleteKeyW(HKEY root, const WCHAR* path) { return DeleteTree(root, path); }

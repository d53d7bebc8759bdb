// Files and registry values for the setup program's tests under Wine.
#pragma once
#include <windows.h>

#include <string>

inline void WriteFileText(const std::string& path, const std::string& data, const FILETIME* time = nullptr) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(h, data.data(), (DWORD)data.size(), &written, nullptr);
    if (time) SetFileTime(h, nullptr, nullptr, time);
    CloseHandle(h);
}

inline std::string ReadFileText(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[4096];
    DWORD got = 0;
    std::string data;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got) data.append(buffer, got);
    CloseHandle(h);
    return data;
}

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Entries matching a pattern, without "." and "..".
inline int CountFiles(const std::string& pattern) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do n += data.cFileName[0] != '.';
    while (FindNextFileA(h, &data));
    FindClose(h);
    return n;
}

// The names matching pattern, one per line ("" when none).
inline std::string ListFiles(const std::string& pattern) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return "";
    std::string names;
    do {
        if (data.cFileName[0] != '.') names += std::string(data.cFileName) + "\n";
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return names;
}

inline void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(h, &data));
        FindClose(h);
    }
    RemoveDirectoryA(folder.c_str());
}

// A string value, or "<no key>" / "<no value>".
inline std::string ReadString(HKEY root, const std::string& path, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    char value[2048] = "";
    DWORD size = sizeof value - 1;
    LONG result = RegQueryValueExA(key, name, nullptr, nullptr, (BYTE*)value, &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(value) : "<no value>";
}

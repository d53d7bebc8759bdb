// The committed cache fixtures placed as they lie on an old disk, for the
// Wine tests that rebuild them.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace fixturetree {

// The fixture folder as the program sees it, ending with "\".
inline std::string Fixtures() {
    std::string path = std::string("Z:") + ZV_CACHE_TEST_DATA;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// Creates every folder of path up to its last "\".
inline void MakeFolders(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
}

inline void SetTime(const std::string& path, const FILETIME& time) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(f, nullptr, nullptr, &time);
    CloseHandle(f);
}

// Copies a folder tree (to ends with "\") and gives every file the same old time.
inline void CopyTree(const std::string& from, const std::string& to, const FILETIME& time) {
    MakeFolders(to);
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((from + "*").c_str(), &d);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << from;
    do {
        std::string name = d.cFileName;
        if (name == "." || name == "..") continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CopyTree(from + name + "\\", to + name + "\\", time);
            continue;
        }
        ASSERT_TRUE(CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE));
        SetTime(to + name, time);
    } while (FindNextFileA(h, &d));
    FindClose(h);
}

}  // namespace fixturetree

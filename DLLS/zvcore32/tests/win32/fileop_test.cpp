// The file operation engine on real files, with its progress window shown
// (a display is needed) and read back through the window driver.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "windriver.h"
#include "zvcore32.h"

namespace {

const char* kTitle = "z.v File Operation";

class Folder {
public:
    Folder() {
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        static int serial;
        path_ = std::string(base) + "zvfileop_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++serial) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~Folder() { Remove(path_); }
    std::string operator/(const std::string& name) const { return path_ + name; }
    const std::string& path() const { return path_; }

    void Write(const std::string& name, const std::string& data, const FILETIME* time = nullptr) const {
        HANDLE h = CreateFileA((path_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << name;
        DWORD written;
        WriteFile(h, data.data(), (DWORD)data.size(), &written, nullptr);
        if (time) SetFileTime(h, nullptr, nullptr, time);
        CloseHandle(h);
    }
    std::string Read(const std::string& name) const {
        std::string data;
        HANDLE h = CreateFileA((path_ + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                               nullptr);
        if (h == INVALID_HANDLE_VALUE) return "<missing>";
        char buffer[65536];
        DWORD got;
        while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got) data.append(buffer, got);
        CloseHandle(h);
        return data;
    }
    bool Exists(const std::string& name) const {
        return GetFileAttributesA((path_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // Names in the folder matching a pattern, counted.
    int Count(const std::string& pattern) const {
        WIN32_FIND_DATAA data;
        HANDLE h = FindFirstFileA((path_ + pattern).c_str(), &data);
        if (h == INVALID_HANDLE_VALUE) return 0;
        int n = 0;
        do ++n;
        while (FindNextFileA(h, &data));
        FindClose(h);
        return n;
    }

private:
    static void Remove(const std::string& folder) {
        WIN32_FIND_DATAA data;
        HANDLE h = FindFirstFileA((folder + "*").c_str(), &data);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::string name = data.cFileName;
                if (name == "." || name == "..") continue;
                SetFileAttributesA((folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    Remove(folder + name + "\\");
                } else {
                    DeleteFileA((folder + name).c_str());
                }
            } while (FindNextFileA(h, &data));
            FindClose(h);
        }
        RemoveDirectoryA(folder.c_str());
    }
    std::string path_;
};

FILETIME LocalTime(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s) {
    SYSTEMTIME st = {y, mo, 0, d, h, mi, s, 0};
    FILETIME local, utc;
    SystemTimeToFileTime(&st, &local);
    LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

FILETIME WriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// One open file operation and its window.
class Operation {
public:
    explicit Operation(int flags = 0) {
        handle = zvCreateFileOpA(nullptr, flags);
        window = handle ? windriver::WaitForWindow(kTitle, 5000, GetCurrentProcessId()) : nullptr;
    }
    ~Operation() {
        if (handle) zvCloseFileOp(handle);
    }
    BOOL Run(INT_PTR operation, const std::string& source, const std::string& target, int flags) {
        return zvOperateFileOpA(handle, operation, source.c_str(), target.empty() ? nullptr : target.c_str(), flags);
    }
    // The window draws what it is told within a refresh interval: wait for it.
    std::string Shows(int id, const std::string& expected) {
        std::string text;
        for (int i = 0; i < 100; ++i) {
            text = windriver::ItemText(window, id);
            if (text == expected) break;
            Sleep(20);
        }
        return text;
    }
    bool BarEnabled(int id, bool expected) {
        for (int i = 0; i < 100 && windriver::IsEnabled(window, id) != expected; ++i) Sleep(20);
        return windriver::IsEnabled(window, id);
    }
    HZVFILEOP handle;
    HWND window;
};

}  // namespace

TEST(FileOp, CreatesItsWindowAndClosesIt) {
    Operation op;
    ASSERT_NE(op.handle, nullptr);
    ASSERT_NE(op.window, nullptr);
    EXPECT_TRUE(windriver::IsVisible(op.window, IDCANCEL));
    EXPECT_EQ(op.Shows(ZV_IDC_FO_ARROW, ""), "");
    HWND window = op.window;
    EXPECT_TRUE(zvCloseFileOp(op.handle));
    op.handle = nullptr;
    EXPECT_TRUE(windriver::WaitForGone(window, 5000));

    Operation quiet(ZV_FOC_NO_ABORT | ZV_FOC_COMPACT);
    ASSERT_NE(quiet.window, nullptr);
    EXPECT_FALSE(windriver::IsVisible(quiet.window, IDCANCEL));
    EXPECT_EQ(windriver::Item(quiet.window, ZV_IDC_FO_FILE_BAR), nullptr) << "the compact window has names only";
    Folder dir;
    dir.Write("\x83\x5c\x95\x5c.txt", "so-hyo");  // ソ表.txt
    ASSERT_TRUE(zvOperateFileOpA(quiet.handle, ZV_FO_COPY, (dir / "\x83\x5c\x95\x5c.txt").c_str(),
                                 (dir / "copy\\\x83\x5c\x95\x5c.txt").c_str(), 0));
    std::string copy = dir / "copy\\\x83\x5c\x95\x5c.txt";
    EXPECT_EQ(quiet.Shows(ZV_IDC_FO_TARGET, copy), copy);
    EXPECT_TRUE(windriver::SaveScreenshot(quiet.window, windriver::ScreenshotFolder() + "fileop_compact.bmp"));
}

TEST(FileOp, AnOwnerInTheCallersThreadIsDisabledMeanwhile) {
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    HZVFILEOP op = zvCreateFileOpA(owner, 0);
    ASSERT_NE(op, nullptr) << "the start-up handshake answers the owner's messages";
    EXPECT_FALSE(IsWindowEnabled(owner));
    EXPECT_TRUE(zvCloseFileOp(op));
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST(FileOp, RefusesMisuseWithItsCodes) {
    Folder dir;
    dir.Write("a.txt", "a");
    Operation op;
    ASSERT_NE(op.handle, nullptr);

    EXPECT_FALSE(zvOperateFileOpA(nullptr, ZV_FO_COPY, "x", "y", 0));
    EXPECT_EQ(zvGetErrCode(), 0x7A760004u);
    DWORD notARecord[8] = {};
    EXPECT_FALSE(zvCloseFileOp((HZVFILEOP)notARecord));
    EXPECT_EQ(zvGetErrCode(), 0x7A760004u);

    struct Case {
        INT_PTR operation;
        const char* source;
        const char* target;
        int flags;
        DWORD code;
    } cases[] = {
        {0, "a.txt", "b.txt", 0, 0x7A760003},        {5, "a.txt", "b.txt", 0, 0x7A760003},
        {ZV_FO_COPY, nullptr, "b.txt", 0, 0x7A760003}, {ZV_FO_MOVE, "a.txt", nullptr, 0, 0x7A760003},
        {ZV_FO_COPY, "a.txt", "b.txt", 6, 0x7A760003}, {ZV_FO_COPY, "none.txt", "b.txt", 0, 0x7A768004},
        {ZV_FO_DELETE, "none.txt", nullptr, 0, 0x7A768004},
    };
    for (const Case& c : cases) {
        std::string source = c.source ? dir / c.source : std::string();
        std::string target = c.target ? dir / c.target : std::string();
        zvScanExtNameA("x.y");
        EXPECT_FALSE(zvOperateFileOpA(op.handle, c.operation, c.source ? source.c_str() : nullptr,
                                      c.target ? target.c_str() : nullptr, c.flags))
            << c.operation << " " << (c.source ? c.source : "null");
        EXPECT_EQ(zvGetErrCode(), c.code) << c.operation << " " << (c.source ? c.source : "null");
    }
    EXPECT_EQ(dir.Read("a.txt"), "a");
    EXPECT_FALSE(dir.Exists("b.txt"));
}

TEST(FileOp, CopiesWithTimesAttributesAndProgress) {
    Folder dir;
    FILETIME stamp = LocalTime(2001, 2, 3, 4, 5, 6);
    std::string data(3000, 'q');
    dir.Write("src.dat", data, &stamp);
    SetFileAttributesA((dir / "src.dat").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    Operation op;
    ASSERT_TRUE(zvSetFileOpEntry(op.handle, 2, 0, 6000, 0, 0, 0));

    ASSERT_TRUE(op.Run(ZV_FO_COPY, dir / "src.dat", dir / "sub\\deeper\\dst.dat", 0)) << std::hex << zvGetErrCode();
    EXPECT_EQ(dir.Read("sub\\deeper\\dst.dat"), data);
    FILETIME written = WriteTime(dir / "sub\\deeper\\dst.dat");
    EXPECT_EQ(CompareFileTime(&stamp, &written), 0);
    EXPECT_TRUE(GetFileAttributesA((dir / "sub\\deeper\\dst.dat").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(dir.Count("sub\\deeper\\*.tmp"), 0) << "no temporary file is left";

    EXPECT_EQ(op.Shows(ZV_IDC_FO_CAPTION, "Copying..."), "Copying...");
    EXPECT_EQ(op.Shows(ZV_IDC_FO_ARROW, "->"), "->");
    EXPECT_EQ(op.Shows(ZV_IDC_FO_FILE_TEXT, "3,000 / 3,000"), "3,000 / 3,000");
    EXPECT_EQ(op.Shows(ZV_IDC_FO_FILE_PERCENT, "100 %"), "100 %");
    EXPECT_EQ(op.Shows(ZV_IDC_FO_COUNT_TEXT, "1 / 2"), "1 / 2");
    EXPECT_EQ(op.Shows(ZV_IDC_FO_COUNT_PERCENT, "50 %"), "50 %");
    EXPECT_EQ(op.Shows(ZV_IDC_FO_TOTAL_TEXT, "3,000 / 6,000"), "3,000 / 6,000");

    // Undoing counts backwards; an entry that is not counted leaves the totals.
    ASSERT_TRUE(op.Run(ZV_FO_DELETE, dir / "sub\\deeper\\dst.dat", "", ZV_FOE_BACKWARDS));
    EXPECT_FALSE(dir.Exists("sub\\deeper\\dst.dat")) << "a read-only file is deleted too";
    EXPECT_EQ(op.Shows(ZV_IDC_FO_COUNT_TEXT, "0 / 2"), "0 / 2");
    EXPECT_EQ(op.Shows(ZV_IDC_FO_TOTAL_TEXT, "0 / 6,000"), "0 / 6,000");
    EXPECT_EQ(op.Shows(ZV_IDC_FO_ARROW, ""), "");
    ASSERT_TRUE(op.Run(ZV_FO_COPY, dir / "src.dat", dir / "again.dat", ZV_FOE_NO_COUNT));
    EXPECT_EQ(op.Shows(ZV_IDC_FO_COUNT_TEXT, "0 / 2"), "0 / 2");

    // A caption-only entry touches no file but counts its size.
    const char* caption = "\x8a\x6d\x94\x46\x92\x86...";  // 確認中...
    ASSERT_TRUE(op.Run((INT_PTR)caption, dir / "src.dat", "", 0));
    EXPECT_EQ(op.Shows(ZV_IDC_FO_CAPTION, caption), caption);
    EXPECT_EQ(op.Shows(ZV_IDC_FO_TOTAL_TEXT, "3,000 / 6,000"), "3,000 / 6,000");
    EXPECT_TRUE(dir.Exists("src.dat"));
    ASSERT_TRUE(op.Run((INT_PTR)caption, "no such file", "", ZV_FOE_NO_SOURCE));
    EXPECT_EQ(op.Shows(ZV_IDC_FO_COUNT_TEXT, "2 / 2"), "2 / 2");
}

TEST(FileOp, EveryCollisionPolicyOnRealFiles) {
    FILETIME older = LocalTime(1999, 12, 31, 23, 59, 58);
    FILETIME newer = LocalTime(2005, 10, 9, 8, 7, 6);
    const int uniq = 0x12 << 16;
    struct Case {
        int policy;
        bool sourceNewer;
        const char* incoming;  // where the source's data ends up
        const char* existing;  // where the old target's data ends up
    } cases[] = {
        {ZV_FO_EXISTS_OVERWRITE, true, "t.htm", nullptr},
        {ZV_FO_EXISTS_RENAME_INCOMING, true, "t_05a09.htm", "t.htm"},
        {ZV_FO_EXISTS_RENAME_EXISTING, true, "t.htm", "t_99c31.htm"},
        {ZV_FO_EXISTS_RENAME_OLDER, true, "t.htm", "t_99c31.htm"},
        {ZV_FO_EXISTS_RENAME_OLDER, false, "t_99c31.htm", "t.htm"},
        {ZV_FO_EXISTS_RENAME_NEWER, true, "t_05a09.htm", "t.htm"},
        {ZV_FO_EXISTS_RENAME_NEWER, false, "t.htm", "t_05a09.htm"},
    };
    Operation op;
    for (const Case& c : cases) {
        for (INT_PTR operation : {(INT_PTR)ZV_FO_COPY, (INT_PTR)ZV_FO_MOVE}) {
            SCOPED_TRACE(testing::Message() << "policy " << c.policy << (c.sourceNewer ? " newer" : " older")
                                            << " operation " << operation);
            Folder dir;
            dir.Write("s.htm", "incoming", c.sourceNewer ? &newer : &older);
            dir.Write("t.htm", "existing", c.sourceNewer ? &older : &newer);
            ASSERT_TRUE(op.Run(operation, dir / "s.htm", dir / "t.htm", c.policy | uniq))
                << std::hex << zvGetErrCode();
            EXPECT_EQ(dir.Read(c.incoming), "incoming");
            if (c.existing) {
                EXPECT_EQ(dir.Read(c.existing), "existing");
            }
            EXPECT_EQ(dir.Exists("s.htm"), operation == ZV_FO_COPY);
            EXPECT_EQ(dir.Count("*.htm"), 1 + (c.existing ? 1 : 0) + (operation == ZV_FO_COPY ? 1 : 0));
            if (c.policy == ZV_FO_EXISTS_RENAME_INCOMING) {
                EXPECT_EQ(op.Shows(ZV_IDC_FO_TARGET, dir / c.incoming), dir / c.incoming);
            }
        }
    }
    Folder dir;
    dir.Write("s.htm", "incoming");
    dir.Write("t.htm", "existing");
    EXPECT_FALSE(op.Run(ZV_FO_COPY, dir / "s.htm", dir / "t.htm", ZV_FO_EXISTS_FAIL));
    EXPECT_EQ(zvGetErrCode(), 0x7A76800Cu);
    EXPECT_EQ(dir.Read("t.htm"), "existing");
    // Moving a file onto itself with overwrite keeps it.
    EXPECT_TRUE(op.Run(ZV_FO_MOVE, dir / "s.htm", dir.path() + "SUB\\..\\S.HTM", ZV_FO_EXISTS_OVERWRITE));
    EXPECT_EQ(dir.Read("s.htm"), "incoming");
}

TEST(FileOp, MoveOnOneVolumeReportsTheWholeSizeAtOnce) {
    Folder dir;
    dir.Write("big.dat", std::string(200000, 'm'));
    BY_HANDLE_FILE_INFORMATION before = {}, after = {};
    HANDLE h = CreateFileA((dir / "big.dat").c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileInformationByHandle(h, &before);
    CloseHandle(h);

    Operation op;
    ASSERT_TRUE(op.Run(ZV_FO_RENAME, dir / "big.dat", dir / "moved\\big2.dat", 0));
    EXPECT_EQ(op.Shows(ZV_IDC_FO_CAPTION, "Renaming..."), "Renaming...");
    EXPECT_EQ(op.Shows(ZV_IDC_FO_FILE_TEXT, "200,000 / 200,000"), "200,000 / 200,000");
    h = CreateFileA((dir / "moved\\big2.dat").c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileInformationByHandle(h, &after);
    CloseHandle(h);
    EXPECT_EQ(before.nFileIndexLow, after.nFileIndexLow) << "the data was not copied";
    EXPECT_FALSE(dir.Exists("big.dat"));
}

TEST(FileOp, UnknownFileTotalDisablesOnlyItsBar) {
    Folder dir;
    dir.Write("a.txt", "abc");
    Operation op;
    ASSERT_TRUE(zvSetFileOpEntry(op.handle, -1, 0, 30, 0, 0, 0));
    EXPECT_FALSE(op.BarEnabled(ZV_IDC_FO_COUNT_BAR, false));
    EXPECT_TRUE(op.BarEnabled(ZV_IDC_FO_TOTAL_BAR, true));
    EXPECT_TRUE(op.BarEnabled(ZV_IDC_FO_FILE_BAR, true));
    ASSERT_TRUE(op.Run(ZV_FO_COPY, dir / "a.txt", dir / "b.txt", 0));
    EXPECT_EQ(op.Shows(ZV_IDC_FO_COUNT_TEXT, "1"), "1");
    EXPECT_EQ(op.Shows(ZV_IDC_FO_COUNT_PERCENT, ""), "");
    EXPECT_EQ(op.Shows(ZV_IDC_FO_TOTAL_TEXT, "3 / 30"), "3 / 30");
    EXPECT_EQ(op.Shows(ZV_IDC_FO_TOTAL_PERCENT, "10 %"), "10 %");
    EXPECT_TRUE(windriver::SaveScreenshot(op.window, windriver::ScreenshotFolder() + "fileop_unknown_total.bmp"));
}

TEST(FileOp, AbortDuringACopyKeepsTheExistingTarget) {
    Folder dir;
    // Large enough that the copy still runs when the user presses Abort, in
    // large blocks too; sparse, so that making it costs nothing.
    const DWORD size = 1u << 30;
    HANDLE large = CreateFileA((dir / "large.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(large, INVALID_HANDLE_VALUE);
    ASSERT_NE(SetFilePointer(large, (LONG)size, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    ASSERT_TRUE(SetEndOfFile(large));
    CloseHandle(large);
    dir.Write("target.bin", "the old file");
    Operation op;
    ASSERT_TRUE(zvSetFileOpEntry(op.handle, 3, 0, size, 0, 0, 0));

    // The user presses Abort once the copy is under way.
    std::atomic<bool> pressed(false);
    std::thread user([&] {
        for (int i = 0; i < 2000 && !pressed; ++i) {
            std::string progress = windriver::ItemText(op.window, ZV_IDC_FO_FILE_TEXT);
            if (!progress.empty() && progress[0] != '0') {
                windriver::SaveScreenshot(op.window, windriver::ScreenshotFolder() + "fileop_copying.bmp");
                windriver::Press(op.window, IDCANCEL);
                pressed = true;
            }
            Sleep(5);
        }
    });
    BOOL copied = op.Run(ZV_FO_COPY, dir / "large.bin", dir / "target.bin", ZV_FO_EXISTS_OVERWRITE);
    user.join();
    ASSERT_TRUE(pressed);
    EXPECT_FALSE(copied);
    EXPECT_EQ(zvGetErrCode(), 0x7A76000Au);
    EXPECT_EQ(dir.Read("target.bin"), "the old file");
    EXPECT_EQ(dir.Count("*.tmp"), 0);
    EXPECT_FALSE(windriver::IsEnabled(op.window, IDCANCEL));
    EXPECT_FALSE(op.Run(ZV_FO_COPY, dir / "large.bin", dir / "other.bin", 0)) << "every later entry fails";
    EXPECT_EQ(zvGetErrCode(), 0x7A76000Au);
    EXPECT_FALSE(dir.Exists("other.bin"));
    EXPECT_TRUE(dir.Exists("large.bin"));
}

TEST(FileOp, WideNamesWork) {
    Folder dir;
    dir.Write("w.txt", "wide");
    std::wstring folder(dir.path().begin(), dir.path().end());
    HZVFILEOP op = zvCreateFileOpW(nullptr, ZV_FOC_COMPACT);
    ASSERT_NE(op, nullptr);
    EXPECT_TRUE(zvOperateFileOpW(op, ZV_FO_COPY, (folder + L"w.txt").c_str(), (folder + L"\x8868.txt").c_str(), 0));
    EXPECT_TRUE(zvCloseFileOp(op));
    EXPECT_EQ(dir.Read("\x95\x5c.txt"), "wide");  // 表: trail byte 0x5C
}

TEST(FileOp, AMoveThatFallsBackToCopyingKeepsTheSourceUntilTheCopyIsDone) {
    Folder dir;
    dir.Write("held.txt", "held data");
    // Open without delete sharing: the file can be neither renamed nor deleted.
    HANDLE held = CreateFileA((dir / "held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Operation op;
    EXPECT_FALSE(op.Run(ZV_FO_MOVE, dir / "held.txt", dir / "moved.txt", 0));
    EXPECT_EQ(zvGetErrCode(), 0x7A768019u);
    EXPECT_EQ(dir.Read("moved.txt"), "held data") << "the copy is complete";
    CloseHandle(held);
    EXPECT_EQ(dir.Read("held.txt"), "held data");
    EXPECT_EQ(GetFileAttributesA((dir / "held.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

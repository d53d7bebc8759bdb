#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "afxwin.h"

namespace {

struct Shown {
    std::string text, caption;
    UINT type;
};
std::vector<Shown> g_shown;

int Record(const char* text, const char* caption, UINT type) {
    g_shown.push_back({text, caption, type});
    return IDYES;
}

class TestApp : public CWinApp {
public:
    TestApp() : CWinApp("zvafx_test") {}
};

void DeleteTestKey() {
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\z.v test\\zvafx_test\\Rebuild");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\z.v test\\zvafx_test");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\z.v test");
}

UINT __cdecl Count(LPVOID param) {
    auto* counter = static_cast<volatile LONG*>(param);
    for (int i = 0; i < 1000; ++i) InterlockedIncrement(counter);
    return 7;
}

UINT __cdecl Throws(LPVOID) { throw 1; }

}  // namespace

TEST(MessageBox, HandlerReceivesTextCaptionAndType) {
    g_shown.clear();
    AfxMessageBoxHandler previous = AfxSetMessageBoxHandler(Record);
    AfxSetAppName("z.v Torsel Sitekeeper");
    EXPECT_EQ(AfxMessageBox("text", MB_YESNO | MB_ICONQUESTION), IDYES);
    ASSERT_EQ(g_shown.size(), 1u);
    EXPECT_EQ(g_shown[0].text, "text");
    EXPECT_EQ(g_shown[0].caption, "z.v Torsel Sitekeeper");
    EXPECT_EQ(g_shown[0].type, (UINT)(MB_YESNO | MB_ICONQUESTION));
    AfxMessageBox(60000u);  // no such string: an empty box, no crash
    EXPECT_EQ(g_shown.back().text, "");
    AfxSetMessageBoxHandler(previous);
}

TEST(Profile, RegistrySectionsWithDefaults) {
    DeleteTestKey();
    TestApp app;
    app.SetRegistryKey("z.v test");
    EXPECT_EQ(app.GetProfileInt("Rebuild", "CgiLimitLen", 64), 64u);
    EXPECT_STREQ(app.GetProfileString("Rebuild", "RebuildFolder0", "c:\\def\\"), "c:\\def\\");
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\z.v test\\zvafx_test", 0, KEY_READ, &key), ERROR_SUCCESS)
        << "reading leaves no empty key for an uninstaller to trip over";
    ASSERT_TRUE(app.WriteProfileInt("Rebuild", "CgiLimitLen", 32));
    ASSERT_TRUE(app.WriteProfileString("Rebuild", "RebuildFolder0", "d:\\\x83\x5c\\"));
    EXPECT_EQ(app.GetProfileInt("Rebuild", "CgiLimitLen", 64), 32u);
    EXPECT_STREQ(app.GetProfileString("Rebuild", "RebuildFolder0"), "d:\\\x83\x5c\\");

    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\z.v test\\zvafx_test\\Rebuild", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD type = 0, value = 0, size = sizeof value;
    ASSERT_EQ(RegQueryValueExA(key, "CgiLimitLen", nullptr, &type, (BYTE*)&value, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_DWORD) << "integers are stored as numbers";
    RegCloseKey(key);

    // A string where a number is expected falls back to the default.
    app.WriteProfileString("Rebuild", "Mixed", "12");
    EXPECT_EQ(app.GetProfileInt("Rebuild", "Mixed", 5), 5u);

    const BYTE blob[] = {1, 2, 3, 0, 255};
    ASSERT_TRUE(app.WriteProfileBinary("Rebuild", "Layout", blob, sizeof blob));
    BYTE* data = nullptr;
    UINT bytes = 0;
    ASSERT_TRUE(app.GetProfileBinary("Rebuild", "Layout", &data, &bytes));
    ASSERT_EQ(bytes, sizeof blob);
    EXPECT_EQ(memcmp(data, blob, bytes), 0);
    delete[] data;
    DeleteTestKey();
}

TEST(Threads, RunsWorkerAndKeepsHandleWhenAsked) {
    volatile LONG counter = 0;
    CWinThread* thread = AfxBeginThread(Count, (LPVOID)&counter, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(thread, nullptr);
    thread->m_bAutoDelete = FALSE;
    thread->ResumeThread();
    ASSERT_EQ(WaitForSingleObject(thread->m_hThread, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    ASSERT_TRUE(GetExitCodeThread(thread->m_hThread, &exitCode));
    EXPECT_EQ(exitCode, 7u);
    EXPECT_EQ(counter, 1000);
    delete thread;

    thread = AfxBeginThread(Throws, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(thread, nullptr);
    thread->m_bAutoDelete = FALSE;
    thread->ResumeThread();
    ASSERT_EQ(WaitForSingleObject(thread->m_hThread, 10000), WAIT_OBJECT_0);
    GetExitCodeThread(thread->m_hThread, &exitCode);
    EXPECT_EQ(exitCode, (DWORD)-1) << "an escaping exception ends only its thread";
    delete thread;
    EXPECT_EQ(AfxBeginThread(nullptr, nullptr), nullptr);
}

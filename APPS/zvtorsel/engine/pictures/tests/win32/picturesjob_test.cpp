// zvtorsel.exe /pictures on real folders, with thumbnails from the stored settings.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "jobs/tests/win32/diskkit.h"

#include "../picturekit.h"
#include "pictures/win32/win32captions.h"
#include "base/win32/win32files.h"
#include "base/win32/widepath.h"

namespace {

using diskkit::RunProgram;

const char kSection[] = "Software\\z.v\\zvkestor\\ScanPicture";

void SetSetting(const char* name, DWORD value) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, kSection, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
    RegCloseKey(key);
}

void Put(CWin32Files& files, const std::string& path, const std::vector<BYTE>& data) {
    ASSERT_TRUE(WriteWholeFile(files, path.c_str(), data.data(), data.size(), nullptr)) << path;
}

TEST(PicturesJob, WritesThePageAndTheThumbnailBitmap) {
    if (RunProgram("/pictures /nonsense") == -1) GTEST_SKIP() << "zvtorsel.exe is not built";
    EXPECT_EQ(2, RunProgram("/pictures /in:C:\\x /result:y.htm"));

    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string root = std::string(temp) + "zvt_pictures\\";
    std::string pics = root + "pics\\";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(pics.c_str(), nullptr);
    CreateDirectoryA((pics + "\x95\\").c_str(), nullptr);  // 表: trail byte 0x5C
    CWin32Files files;
    Put(files, pics + "a.bmp", SolidBmp(100, 50, 0xFF0000));
    Put(files, pics + "\x95\\\\b.bmp", SolidBmp(10, 10, 0x00FF00));
    Put(files, pics + "broken.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0});
    SetSetting("Thumbnail", 1);
    SetSetting("ThumbNaming", 0);

    std::string log = root + "run.log";
    EXPECT_EQ(0, RunProgram("/pictures \"/in:" + pics + "\" \"/folder:" + root + "\" \"/log:" + log + "\""));
    std::vector<BYTE> page, bmp;
    ASSERT_TRUE(ReadWholeFile(files, (root + "@pics.htm").c_str(), page, kLargestPictureFile));
    std::string text(page.begin(), page.end());
    EXPECT_NE(std::string::npos, text.find("HREF=\"a.bmp\" COORDS=\"0,0,63,63\""));
    EXPECT_NE(std::string::npos, text.find("HREF=\"\x95\\/b.bmp\" COORDS=\"128,0,191,63\"")) << text;
    ASSERT_TRUE(ReadWholeFile(files, (root + "@pics.bmp").c_str(), bmp, kLargestPictureFile));
    ASSERT_EQ(14u + 40 + 1024 + 192 * 64, bmp.size());
    EXPECT_EQ(192, bmp[18]);

    RegDeleteKeyA(HKEY_CURRENT_USER, kSection);
    for (const char* f :
         {"pics\\a.bmp", "pics\\\x95\\\\b.bmp", "pics\\broken.gif", "@pics.htm", "@pics.bmp", "run.log"})
        DeleteFileA((root + f).c_str());
    RemoveDirectoryA((pics + "\x95\\").c_str());
    RemoveDirectoryA(pics.c_str());
    RemoveDirectoryA(root.c_str());
}

// The rebuild writes pictures below MAX_PATH and beyond it: the picture
// list reads them all, and its own files are replaced the same way there.
TEST(PicturesJob, ListsPicturesBeyondMaxPath) {
    if (RunProgram("/pictures /nonsense") == -1) GTEST_SKIP() << "zvtorsel.exe is not built";
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string root = std::string(temp) + "zvt_pictures_long\\";
    std::string pics = root + "pics\\";
    std::string deep = pics;
    for (char c : {'a', 'b', 'c'}) deep += std::string(100, c) + "\\";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(pics.c_str(), nullptr);
    for (std::string folder = pics; folder.size() < deep.size();) {
        folder = deep.substr(0, deep.find('\\', folder.size()) + 1);
        CreateDirectoryW(WidePath(folder.c_str()).c_str(), nullptr);
    }
    CWin32Files files;
    std::string distant = deep + "far.bmp";
    ASSERT_GT(distant.size(), (size_t)MAX_PATH);
    Put(files, distant, SolidBmp(10, 10, 0x0000FF));
    Put(files, distant, SolidBmp(20, 10, 0x0000FF));
    std::vector<BYTE> written;
    ASSERT_TRUE(ReadWholeFile(files, distant.c_str(), written, kLargestPictureFile));
    EXPECT_EQ(SolidBmp(20, 10, 0x0000FF), written) << "the second write replaced the first";
    Put(files, pics + "near.bmp", SolidBmp(10, 10, 0xFF0000));
    SetSetting("Thumbnail", 1);
    SetSetting("ThumbNaming", 0);

    std::string log = root + "run.log";
    EXPECT_EQ(0, RunProgram("/pictures \"/in:" + pics + "\" \"/folder:" + root + "\" \"/log:" + log + "\""));
    std::vector<BYTE> page;
    ASSERT_TRUE(ReadWholeFile(files, (root + "@pics.htm").c_str(), page, kLargestPictureFile));
    std::string text(page.begin(), page.end());
    EXPECT_NE(std::string::npos, text.find("near.bmp")) << text;
    std::string distantLink = std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(100, 'c') + "/far.bmp";
    EXPECT_NE(std::string::npos, text.find("HREF=\"" + distantLink + "\"")) << text;

    RegDeleteKeyA(HKEY_CURRENT_USER, kSection);
    diskkit::RemoveTree(root);
}

// A page that cannot be written (a folder holds its name) is not named as
// if it had been.
TEST(PicturesJob, NamesNoPageItCouldNotWrite) {
    if (RunProgram("/pictures /nonsense") == -1) GTEST_SKIP() << "zvtorsel.exe is not built";
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string root = std::string(temp) + "zvt_pictures_blocked\\";
    std::string pics = root + "pics\\";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(pics.c_str(), nullptr);
    CreateDirectoryA((root + "@pics.htm").c_str(), nullptr);
    CWin32Files files;
    Put(files, pics + "a.bmp", SolidBmp(10, 10, 0xFF0000));
    std::string log = root + "run.log";
    EXPECT_NE(0, RunProgram("/pictures \"/in:" + pics + "\" \"/folder:" + root + "\" \"/log:" + log + "\""));
    std::vector<BYTE> output;
    ASSERT_TRUE(ReadWholeFile(files, log.c_str(), output, kLargestPictureFile));
    std::string text(output.begin(), output.end());
    EXPECT_EQ(std::string::npos, text.find(root + "@pics.htm\r\n")) << text;
    for (const char* f : {"pics\\a.bmp", "@pics.bmp", "run.log"}) DeleteFileA((root + f).c_str());
    RemoveDirectoryA((root + "@pics.htm").c_str());
    RemoveDirectoryA(pics.c_str());
    RemoveDirectoryA(root.c_str());
}

}  // namespace

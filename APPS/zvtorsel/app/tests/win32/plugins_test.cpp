#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "afxwin.h"
#include "plugins.h"

namespace {

std::string BesideTest(const char* name) {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string path = module;
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

// The sibling program's plug-in list, written as its settings dialog does.
void WritePluginList(CWinApp& app, const char* const* values, int count) {
    CString own = app.m_appName;
    app.m_appName = "zvdesk32";
    for (int i = 1; i <= kMaxPlugins; ++i) {
        char key[16];
        wsprintfA(key, "SPI%d", i);
        app.WriteProfileString("SPI", key, i <= count ? values[i - 1] : "");
    }
    app.m_appName = own;
}

TEST(Plugins, TableKeepsOnlyRowsWithBothEntryPoints) {
    CWinApp app("zvkestor");
    app.SetRegistryKey("z.v test plugins");
    std::string good = "spi," + BesideTest("zvtest_fakespi.spi");
    std::string lacking = "bmp," + BesideTest("zvcore32.dll");
    const char* values[] = {good.c_str(), "no comma here", lacking.c_str(), "gif,C:\\nowhere\\none.spi"};
    WritePluginList(app, values, 4);

    ReadPluginTable(app);
    PluginTable& table = Plugins();
    ASSERT_EQ(3, table.count) << "a value without a comma is skipped";
    EXPECT_EQ("spi", table.rows[0].extension);
    EXPECT_EQ(BesideTest("zvtest_fakespi.spi"), table.rows[0].path);
    EXPECT_EQ("zvkestor", std::string(app.m_appName)) << "the profile name comes back";

    LoadPlugins();
    EXPECT_TRUE(table.loaded);
    EXPECT_TRUE(table.rows[0].module);
    EXPECT_TRUE(table.rows[0].getPicture && table.rows[0].getPictureInfo);
    EXPECT_EQ(0, table.rows[0].getPictureInfo(nullptr, 0, 0, nullptr));
    EXPECT_FALSE(table.rows[1].module) << "a module without the entry points is let go";
    EXPECT_FALSE(table.rows[1].getPicture);
    EXPECT_FALSE(table.rows[2].module);

    UnloadPlugins();
    EXPECT_FALSE(table.loaded);
    EXPECT_FALSE(table.rows[0].module);
    for (const char* key : {"Software\\z.v test plugins\\zvdesk32\\SPI", "Software\\z.v test plugins\\zvdesk32",
                            "Software\\z.v test plugins"})
        RegDeleteKeyA(HKEY_CURRENT_USER, key);
}

}  // namespace

#include <gtest/gtest.h>

#include "app/AppPaths.h"
#include "app/AppStart.h"
#include "app/Config.h"
#include "harness/MessageLog.h"
#include "harness/TestKit.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "skin/SkinSettings.h"
#include "widgets/Seam.h"

namespace {

class AppStartTest : public ::testing::Test {
protected:
    void SetUp() override { cx::Hide() = cx::HideFlags{}; }
    cx::test::MessageLog messageLog;
    std::vector<cx::ui::MessageRecord>& shown = messageLog.shown;
};

TEST_F(AppStartTest, FirstStartWritesTheDefaultConfigAndMakesTheFolders) {
    std::string dir = cx::test::FreshScratchDir("start-first");
    ASSERT_TRUE(cx::app::InitAppPaths(dir));
    EXPECT_EQ(
        cx::test::ReadLines(dir + "Config.ini"),
        (std::vector<std::string>{"[config]", "SkinFile=Default.ini", "LanguageFile=English.ini",
                                  "HideScreenSaver=1", "HideSysPatch=0"}));
    const cx::AppPathSet& p = cx::AppPaths();
    EXPECT_EQ(p.AppDir, dir);
    EXPECT_EQ(p.ConfigPath, dir + "Config.ini");
    EXPECT_EQ(p.LangDir, dir + "Langs\\");
    EXPECT_EQ(p.LanguagePath, dir + "Langs\\English.ini");
    EXPECT_EQ(p.HelpPath, dir + "Langs\\Help.Chm");
    EXPECT_EQ(p.SkinDir, dir + "Skins\\");
    EXPECT_EQ(p.SkinPath, dir + "Skins\\Default.ini");
    EXPECT_EQ(p.RegBackupDir, dir + "Back up\\reg\\");
    EXPECT_EQ(p.ScrBackupDir, dir + "Back up\\scr\\");
    EXPECT_TRUE(cx::DirectoryExists(p.LangDir));
    EXPECT_TRUE(cx::DirectoryExists(p.SkinDir));
    EXPECT_FALSE(cx::DirectoryExists(dir + "Back up"));  // made only by the backups
    EXPECT_TRUE(cx::Hide().HideScreenSaver);
    EXPECT_FALSE(cx::Hide().HideSysPatch);
    EXPECT_TRUE(shown.empty());
}

TEST_F(AppStartTest, ExistingConfigIsReadNotRewritten) {
    std::string dir = cx::test::FreshScratchDir("start-existing");
    const std::string content =
        "[config]\r\nHideSysPatch=1\r\nHideScreenSaver=0\r\nLanguageFile=Deutsch.ini\r\n";
    cx::test::WriteWholeFile(dir + "Config.ini", content);
    ASSERT_TRUE(cx::app::InitAppPaths(dir));
    EXPECT_EQ(cx::test::ReadWholeFile(dir + "Config.ini"), content);
    EXPECT_EQ(cx::AppPaths().LanguagePath, dir + "Langs\\Deutsch.ini");
    EXPECT_EQ(cx::AppPaths().SkinPath, dir + "Skins\\Default.ini");  // missing key: default
    EXPECT_TRUE(cx::Hide().HideSysPatch);
    EXPECT_FALSE(cx::Hide().HideScreenSaver);
}

TEST_F(AppStartTest, ConfigWithoutTheSwitchesStartsWithPatchesShownAndSaversHidden) {
    std::string dir = cx::test::FreshScratchDir("start-noflags");
    cx::test::WriteWholeFile(dir + "Config.ini", "[config]\r\nSkinFile=Dark.ini\r\n");
    cx::Hide().HideSysPatch = true;  // left over from an earlier run in this process
    cx::Hide().HideScreenSaver = false;
    ASSERT_TRUE(cx::app::InitAppPaths(dir));
    EXPECT_FALSE(cx::Hide().HideSysPatch);
    EXPECT_TRUE(cx::Hide().HideScreenSaver);
    EXPECT_EQ(cx::AppPaths().SkinPath, dir + "Skins\\Dark.ini");
}

TEST_F(AppStartTest, UnwritableConfigShowsTheFailureOnceAndEnds) {
    std::string dir = cx::test::FreshScratchDir("start-unwritable");
    // A folder standing where Config.ini belongs: the file is missing and cannot be written.
    ASSERT_TRUE(CreateDirectoryA((dir + "Config.ini").c_str(), nullptr));
    EXPECT_FALSE(cx::app::InitAppPaths(dir));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Save file " + dir + "Config.ini failed!");
    EXPECT_EQ(shown[0].caption, cx::ui::ApplicationTitle());
    EXPECT_EQ(shown[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_FALSE(cx::DirectoryExists(dir + "Langs"));
}

TEST_F(AppStartTest, FolderThatCannotBeCreatedEndsSilently) {
    std::string dir = cx::test::FreshScratchDir("start-nodirs");
    cx::test::WriteWholeFile(dir + "Langs", "a file where the folder belongs");
    EXPECT_FALSE(cx::app::InitAppPaths(dir));
    EXPECT_TRUE(shown.empty());
}

TEST_F(AppStartTest, UnwritableSkinFileIsReportedOnceInEnglishAndTheDefaultSkinStays) {
    std::string dir = cx::test::FreshScratchDir("start-skin-unwritable");
    ASSERT_TRUE(cx::app::InitAppPaths(dir));
    ASSERT_TRUE(CreateDirectoryA(cx::AppPaths().SkinPath.c_str(), nullptr));
    cx::RestoreSkinDefaults();
    cx::app::LoadSkinAndLanguage();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Save file " + cx::AppPaths().SkinPath + " failed!");
    EXPECT_EQ(shown[0].caption, cx::ui::ApplicationTitle());
    EXPECT_EQ(shown[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
    for (int i = 0; i < cx::SK_COUNT; ++i)
        EXPECT_EQ(cx::SkinValue(static_cast<cx::SkinKey>(i)),
                  cx::SkinDefault(static_cast<cx::SkinKey>(i)));
    EXPECT_TRUE(cx::FileExists(cx::AppPaths().LanguagePath));  // the language still loads
}

TEST_F(AppStartTest, HideSwitchWritesOnlyItsKey) {
    std::string dir = cx::test::FreshScratchDir("start-toggle");
    ASSERT_TRUE(cx::app::InitAppPaths(dir));
    cx::config::WriteHideSysPatch(cx::AppPaths().ConfigPath, true);
    cx::config::WriteHideSysPatch(cx::AppPaths().ConfigPath, false);
    auto lines = cx::test::ReadLines(dir + "Config.ini");
    EXPECT_EQ(lines.back(), "HideSysPatch=0");
    EXPECT_EQ(lines.size(), 5u);
}

std::string TestLib(const char* name) { return cx::ExtractFilePath(cx::ModuleFileName()) + name; }

std::string ErrorOf(const std::string& lib) {
    try {
        cx::app::RegisterInventoryService(lib.c_str());
    } catch (const cx::AppError& e) {
        return e.what();
    }
    return "no error";
}

TEST(RegisterInventoryService, EachFailureCarriesItsOwnMessage) {
    // Missing library: the system's message, then the library name.
    std::string missing = ErrorOf("NoSuchService.dll");
    EXPECT_EQ(missing, cx::SysErrorMessage(ERROR_MOD_NOT_FOUND) + ": NoSuchService.dll");

    // No DllRegisterServer: the failed look-up's error.
    EXPECT_EQ(ErrorOf(TestLib("NoRegister.dll")), cx::SysErrorMessage(ERROR_PROC_NOT_FOUND));

    // DllRegisterServer fails: the COM error for its code.
    EXPECT_EQ(ErrorOf(TestLib("FailRegister.dll")),
              cx::SysErrorMessage(static_cast<DWORD>(E_ACCESSDENIED)));
}

TEST(RegisterInventoryService, RegistersTheRealService) {
    EXPECT_EQ(ErrorOf(cx::test::OutDir() + "Dravik.dll"), "no error");
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT,
                            "CLSID\\{B840D7A9-1A1F-4A30-8C51-227E5EB10285}\\InprocServer32", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    if (key) RegCloseKey(key);
}

}  // namespace

// Carvexo.exe started for real from a copy of the output folder, watched from outside.
#include <gtest/gtest.h>

#include "app/Actions.h"
#include "harness/TestKit.h"
#include "harness/Windows.h"
#include "i18n/LangText.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace {

std::vector<std::string> KeysOf(const std::vector<std::string>& lines) {
    std::vector<std::string> keys;
    for (const auto& l : lines)
        if (auto eq = l.find('='); eq != std::string::npos)
            keys.push_back(cx::TrimControl(l.substr(0, eq)));
    return keys;
}

std::vector<std::string> SectionsOf(const std::vector<std::string>& lines) {
    std::vector<std::string> s;
    for (const auto& l : lines)
        if (!l.empty() && l.front() == '[') s.push_back(l);
    return s;
}

TEST(StartE2e, FirstStartWritesItsFilesRegistersTheServiceAndShowsTheWindow) {
    std::string app = cx::test::FreshAppCopy("e2e-first-start");
    ASSERT_FALSE(cx::FileExists(app + "Config.ini"));
    cx::test::Launched proc;
    cx::test::Launch("\"" + app + "Carvexo.exe\"", proc, app);

    HWND main = cx::test::WaitForWindow(proc.pid, "TMainForm", cx::test::kHangGuardMs);
    ASSERT_TRUE(main) << "no main window";
    RECT rc;
    GetWindowRect(main, &rc);
    EXPECT_EQ(rc.right - rc.left, 763);
    EXPECT_EQ(rc.bottom - rc.top, 538);
    EXPECT_FALSE(GetWindowLongA(main, GWL_STYLE) & WS_CAPTION);

    EXPECT_EQ(
        cx::test::ReadLines(app + "Config.ini"),
        (std::vector<std::string>{"[config]", "SkinFile=Default.ini", "LanguageFile=English.ini",
                                  "HideScreenSaver=1", "HideSysPatch=0"}));

    auto lang = cx::test::ReadLines(app + "Langs\\English.ini");
    EXPECT_EQ(SectionsOf(lang), std::vector<std::string>{"[Language]"});
    auto langKeys = KeysOf(lang);
    // The 141 original keys in their order, then the keys added since.
    ASSERT_EQ(langKeys.size(), static_cast<size_t>(cx::IDS_COUNT));
    EXPECT_EQ(langKeys.front(), "IDS_MAINFORM_MENU_File");
    EXPECT_EQ(langKeys[140], "IDS_MESSAGEBOX_WARNING_SaveFileFailed");
    EXPECT_EQ(langKeys[141], "IDS_MESSAGEBOX_WARNING_CleanIncomplete");
    EXPECT_EQ(langKeys[142], "IDS_MESSAGEBOX_WARNING_ScrNotBackedUp");
    for (int i = cx::kOriginalLangEntries; i < cx::IDS_COUNT; ++i)
        EXPECT_EQ(langKeys[i], cx::LangKeyForWrite(static_cast<cx::Ids>(i))) << i;
    int withBreakMark = 0;
    for (const auto& l : lang)
        if (l.find("#13") != std::string::npos) ++withBreakMark;
    EXPECT_EQ(withBreakMark, 4);

    auto skin = cx::test::ReadLines(app + "Skins\\Default.ini");
    EXPECT_EQ(SectionsOf(skin), (std::vector<std::string>{"[MainForm]", "[RegistryForm]"}));
    EXPECT_EQ(KeysOf(skin).size(), 120u);

    // Registered at this start, pointing at this copy of the service.
    auto server = cx::reg::Key::Open(
        HKEY_CLASSES_ROOT, "CLSID\\{B840D7A9-1A1F-4A30-8C51-227E5EB10285}\\InprocServer32");
    ASSERT_TRUE(server);
    EXPECT_TRUE(cx::EqualsNoCase(server->GetString("").value_or(""), app + "Dravik.dll"));

    // The close button exits through the Exit command.
    HWND close = GetDlgItem(main, cx::app::IDC_BTN_CLOSE);
    ASSERT_TRUE(close);
    PostMessageA(close, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(close, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    DWORD code = 99;
    EXPECT_TRUE(cx::test::WaitForExit(proc.process, cx::test::kHangGuardMs, &code));
    EXPECT_EQ(code, 0u);
}

// scripts/test copies Carvexo.exe into a folder made immutable on the host and
// maps its parent as R:.
TEST(StartE2e, ReadOnlyFolderWithoutConfigShowsTheFailureAndEnds) {
    const std::string app = "R:\\ro-app\\";
    if (!cx::FileExists(app + "Carvexo.exe")) GTEST_SKIP() << "no read-only folder was prepared";
    HANDLE probe = CreateFileA((app + "probe.tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        GTEST_SKIP() << "the host could not make the folder read-only";
    }
    cx::test::Launched proc;
    cx::test::Launch("\"" + app + "Carvexo.exe\"", proc, app);
    HWND box = cx::test::WaitForWindow(proc.pid, "#32770", cx::test::kHangGuardMs);
    ASSERT_TRUE(box);
    EXPECT_EQ(cx::test::WindowText(box), "Carvexo");  // the executable's name: no title set yet
    auto texts = cx::test::StaticTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Save file " + app + "Config.ini failed!"),
              texts.end());
    EXPECT_FALSE(cx::test::WaitForWindow(proc.pid, "TMainForm", 500));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(cx::test::WaitForExit(proc.process, cx::test::kHangGuardMs));
    EXPECT_FALSE(cx::FileExists(app + "Config.ini"));
}

}  // namespace

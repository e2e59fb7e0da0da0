#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "backup/Launchers.h"
#include "harness/ShellLog.h"
#include "widgets/Seam.h"

namespace {

using cx::backup::Hive;
using cx::ui::ShellCall;
using Text = std::optional<std::string>;

// Every field compared, absent texts apart from empty ones.
void ExpectCall(const ShellCall& c, HWND owner, const char* verb, const std::string& file,
                const Text& parameters, const Text& directory, int show) {
    EXPECT_EQ(c.owner, owner);
    EXPECT_EQ(c.verb, Text(verb));
    EXPECT_EQ(c.file, file);
    EXPECT_EQ(c.parameters, parameters);
    EXPECT_EQ(c.directory, directory);
    EXPECT_EQ(c.show, show);
}

const HWND kOwner = reinterpret_cast<HWND>(0x1234);

TEST(Launchers, SystemToolsOpenWithTheMainWindowAsOwnerAndShowShow) {
    ExpectCall(cx::backup::RegeditCall(kOwner), kOwner, "Open", "regedit.exe", std::nullopt,
               std::nullopt, SW_SHOW);
    ExpectCall(cx::backup::ServicesCall(kOwner), kOwner, "Open", "Services.msc", std::nullopt,
               std::nullopt, SW_SHOW);
    ExpectCall(cx::backup::ComponentsCall(kOwner), kOwner, "Open", "control.exe",
               Text("Appwiz.cpl ,2"), std::nullopt, SW_SHOW);
    ExpectCall(cx::backup::UpdateCall(kOwner), kOwner, "Open", "control.exe",
               Text("Appwiz.cpl ,1"), std::nullopt, SW_SHOW);
}

TEST(Launchers, HelpAndProductPagesOpenWithoutOwnerAndEmptyTexts) {
    ExpectCall(cx::backup::HelpCall("C:\\Carvexo\\Langs\\Help.Chm"), nullptr, "Open",
               "C:\\Carvexo\\Langs\\Help.Chm", Text(""), Text(""), SW_SHOWNORMAL);
    ExpectCall(cx::backup::OnlineResourcesCall(), nullptr, "Open",
               "https://carvexo.example.org/resources/", Text(""), Text(""), SW_SHOWNORMAL);
    ExpectCall(cx::backup::ContactCall(), nullptr, "Open", "mailto:support@carvexo.example.org",
               Text(""), Text(""), SW_SHOWNORMAL);
}

TEST(Launchers, ExportAndReloadHandRegeditTheFileByName) {
    ExpectCall(cx::backup::ExportCall(kOwner, "Tool 1.reg", Hive::CurrentUser, "Tool"), kOwner,
               "open", "regedit",
               Text(" /e \"Tool 1.reg\" "
                    "\"HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                    "Tool\""),
               std::nullopt, SW_SHOW);
    ExpectCall(cx::backup::ReloadCall(kOwner, "Tool 1.reg"), kOwner, "open", "regedit",
               Text(" \"Tool 1.reg\""), std::nullopt, SW_SHOW);
}

TEST(Launchers, TheSeamHandsCallsToTheRecorderAndItsAnswerBack) {
    cx::test::ShellLog log;
    log.result = 2;  // the shell's "file not found"
    EXPECT_EQ(cx::ui::ShellOpen(cx::backup::ServicesCall(kOwner)), 2);
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0].file, "Services.msc");
}

}  // namespace

// The uninstall entry as the registry holds it after an uninstaller has ended,
// and the Windows Installer mark that decides how it is removed.
#include <gtest/gtest.h>

#include <windows.h>

#include "cleanup/UninstallEntry.h"
#include "platform/Registry.h"

namespace {

using namespace cx;
using cleanup::IsWindowsInstallerEntry;
using cleanup::UninstallEntryRemains;

constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kMachine = "HKEY_LOCAL_MACHINE";
constexpr const char* kUser = "HKEY_CURRENT_USER";

class UninstallEntry : public ::testing::Test {
protected:
    void TearDown() override {
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            for (const std::string& name : made_) reg::DeleteTree(hive, kUninstall + name);
    }
    reg::Key Make(HKEY hive, const std::string& name) {
        made_.push_back(name);
        return reg::Key::Create(hive, kUninstall + name);
    }
    std::vector<std::string> made_;
};

TEST_F(UninstallEntry, RemainsWhileItsKeyIsThere) {
    const std::string name = "CxEntryRemains Tool";
    Make(HKEY_LOCAL_MACHINE, name).SetString("DisplayName", "Entry Remains");
    EXPECT_TRUE(UninstallEntryRemains(name));
    EXPECT_TRUE(UninstallEntryRemains("cxentryremains TOOL"));

    // An emptied key is still a registered entry: the uninstaller did not end its work.
    reg::DeleteTree(HKEY_LOCAL_MACHINE, kUninstall + name);
    Make(HKEY_LOCAL_MACHINE, name);
    EXPECT_TRUE(UninstallEntryRemains(name));

    reg::DeleteTree(HKEY_LOCAL_MACHINE, kUninstall + name);
    EXPECT_FALSE(UninstallEntryRemains(name));
}

TEST_F(UninstallEntry, PerUserEntriesAndNamesThatAreNoKeyName) {
    const std::string name = "CxEntryUser";
    Make(HKEY_CURRENT_USER, name);
    Make(HKEY_CURRENT_USER, name + "\\Nested");
    EXPECT_TRUE(UninstallEntryRemains(name));
    // A registry name is one key name: a path below an entry is not that entry.
    EXPECT_FALSE(UninstallEntryRemains(name + "\\Nested"));
    EXPECT_FALSE(UninstallEntryRemains(""));
}

// The same name in the other hive is another installation, left behind by an
// uninstaller of this one: the folder and keys it shares are a live program's.
TEST_F(UninstallEntry, ARecordOfTheNameInEitherHiveIsStillInstalled) {
    const std::string name = "CxEntryTwin";
    Make(HKEY_LOCAL_MACHINE, name).SetString("DisplayName", "Twin (machine)");
    Make(HKEY_CURRENT_USER, name).SetString("DisplayName", "Twin (user)");
    reg::DeleteTree(HKEY_CURRENT_USER, kUninstall + name);  // the user's uninstaller ran
    EXPECT_TRUE(UninstallEntryRemains(name));
    Make(HKEY_CURRENT_USER, name);
    reg::DeleteTree(HKEY_LOCAL_MACHINE, kUninstall + name);  // the machine's ran
    EXPECT_TRUE(UninstallEntryRemains(name));
    reg::DeleteTree(HKEY_CURRENT_USER, kUninstall + name);
    EXPECT_FALSE(UninstallEntryRemains(name));
}

TEST_F(UninstallEntry, WindowsInstallerMarkIsADwordOfOneOnAProductCodeKey) {
    const std::string code = "{6F1C2A3B-4D5E-4F60-8A71-92B3C4D5E6F7}";
    const std::string other = "{00000000-1111-2222-3333-444444444444}";
    Make(HKEY_LOCAL_MACHINE, code).SetDword("WindowsInstaller", 1);
    Make(HKEY_CURRENT_USER, code).SetDword("WindowsInstaller", 0);
    Make(HKEY_LOCAL_MACHINE, other).SetString("WindowsInstaller", "1");
    Make(HKEY_LOCAL_MACHINE, "CxNotACode").SetDword("WindowsInstaller", 1);

    EXPECT_TRUE(IsWindowsInstallerEntry(kMachine, code));
    EXPECT_FALSE(IsWindowsInstallerEntry(kUser, code));
    EXPECT_FALSE(IsWindowsInstallerEntry(kMachine, other)) << "a text value is no mark";
    EXPECT_FALSE(IsWindowsInstallerEntry(kMachine, "CxNotACode"));
    EXPECT_FALSE(IsWindowsInstallerEntry(kMachine, "{11111111-1111-2222-3333-444444444444}"));
}

}  // namespace

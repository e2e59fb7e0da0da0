// The remains scan of one program as the window and the command line run it:
// what ScanRemains offers, and what of it a removal of everything that can be
// checked takes.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

#include "CoreKit.h"
#include "cleanup/Remains.h"
#include "cleanup/Removal.h"
#include "harness/TestKit.h"
#include "platform/Files.h"
#include "platform/Strings.h"

using namespace cx;
using namespace cx::cleanup;
using namespace cx::test;

namespace {

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kHklm = "HKEY_LOCAL_MACHINE", kHkcu = "HKEY_CURRENT_USER";

TEST(Remains, AFolderOfWindowsAmongTheProgramsListsNoFiles) {
    const SafetyContext safety = SystemSafetyContext("", {});
    for (const char* folder :
         {"\"%ProgramFiles%\\Windows NT\\Accessories\\\"", "%APPDATA%\\Microsoft"}) {
        ASSERT_TRUE(DirectoryExists(NormalizeFolderPath(folder))) << folder;
        // No registry name: only the file part runs.
        CheckTree registry, files;
        ScanProgress quiet = Quiet();
        const RemainsScan scan =
            ScanRemains({"", folder, "Accessories", kHklm}, safety, registry, files, quiet);
        EXPECT_TRUE(scan.failure.empty()) << scan.failure;
        EXPECT_NE(scan.refusal, DirRefusal::None) << folder;
        EXPECT_TRUE(files.Empty()) << folder << ": " << files.Size() << " items listed";
    }
}

// The same registry name in the other hive is another installation: a
// per-user one uninstalled beside the machine's, both in one folder. What the
// scan finds of the machine's is shown locked and stays, whatever is clicked.
class RemainsTwin : public ::testing::Test {
protected:
    void SetUp() override {
        dir = FreshScratchDir("remains-twin") + "App";
        WriteWholeFile(dir + "\\app.exe", "the machine's program");
        ForceDirectories(dir + "\\data");
        WriteWholeFile(dir + "\\data\\settings.ini", "[x]");
        SetValue(twinEntry.get(), "DisplayName", REG_SZ, std::string("Twin\0", 5));
        SetValue(twinEntry.get(), "InstallLocation", REG_SZ, dir + '\0');
        for (HKEY vendor : {machineVendor.get(), userVendor.get()}) {
            HKEY key = CreateKeyPath(vendor, kName);
            SetValue(key, "Path", REG_SZ, dir + '\0');
            RegCloseKey(key);
        }
        SetValue(product.get(), "ProductName", REG_SZ, std::string("Twin\0", 5));
    }
    void TearDown() override { RemoveTree(ExtractFilePath(dir)); }

    static constexpr const char* kName = "CxRemainsTwin";
    std::string dir;
    ScopedKey twinEntry{HKEY_LOCAL_MACHINE, kUninstall + kName};
    ScopedKey machineVendor{HKEY_LOCAL_MACHINE, "SOFTWARE\\CxRemainsVendor"};
    ScopedKey userVendor{HKEY_CURRENT_USER, "SOFTWARE\\CxRemainsVendor"};
    ScopedKey product{HKEY_CLASSES_ROOT, std::string("Installer\\Products\\") + kName};
};

TEST_F(RemainsTwin, TheTwinsKeysAndFolderAreLockedAndStay) {
    const ListedProgram target{kName, dir, "Twin (user)", kHkcu};
    const std::vector<ListedProgram> listed{target, {kName, dir + "\\", "Twin", kHklm}};
    const SafetyContext safety = SystemSafetyContext("", OtherListedPrograms(listed, target));
    CheckTree registry, files;
    ScanProgress quiet = Quiet();
    const RemainsScan scan = ScanRemains(target, safety, registry, files, quiet);
    ASSERT_TRUE(scan.failure.empty()) << scan.failure;

    std::map<std::string, int> perHive;
    for (NodeId id : registry.Roots()) ++perHive[cx::HiveName(registry.Get(id).reg->hive)];
    EXPECT_EQ(perHive,
              (std::map<std::string, int>{{"HKEY_CLASSES_ROOT", 1}, {kHkcu, 1}, {kHklm, 2}}));
    // Every click the window allows, as a user checking it all would make them.
    for (NodeId id : registry.InOrder()) {
        if (registry.Get(id).state != csChecked) registry.ToggleNodeState(id);
        const Node& n = registry.Get(id);
        const bool own = n.reg->hive == cx::RegHive::CurrentUser;
        EXPECT_EQ(n.locked, !own) << n.text;
        EXPECT_EQ(n.state, own ? csChecked : csUnchecked) << n.text;
    }
    // The twin lives in the same folder: the whole root is its, listed locked and not entered.
    ASSERT_EQ(files.Roots().size(), 1u);
    const NodeId root = files.Roots().front();
    files.ToggleNodeState(root);
    EXPECT_TRUE(files.Get(root).locked);
    EXPECT_EQ(files.Get(root).state, csUnchecked);
    EXPECT_TRUE(files.Get(root).children.empty());
    EXPECT_FALSE(KeptProgramText(scan).empty());

    const auto entry = RegPicture(HKEY_LOCAL_MACHINE, kUninstall + kName);
    const auto vendor = RegPicture(HKEY_LOCAL_MACHINE, "SOFTWARE\\CxRemainsVendor");
    const auto classes =
        RegPicture(HKEY_CLASSES_ROOT, std::string("Installer\\Products\\") + kName);
    const auto folder = FilePicture(dir);
    ASSERT_FALSE(entry.empty() || vendor.empty() || classes.empty() || folder.empty());
    RemoveFindings(registry, files, CleanupBackup{});
    EXPECT_EQ(RegPicture(HKEY_LOCAL_MACHINE, kUninstall + kName), entry);
    EXPECT_EQ(RegPicture(HKEY_LOCAL_MACHINE, "SOFTWARE\\CxRemainsVendor"), vendor);
    EXPECT_EQ(RegPicture(HKEY_CLASSES_ROOT, std::string("Installer\\Products\\") + kName), classes);
    EXPECT_EQ(FilePicture(dir), folder);
    // The per-user installation's own key went.
    EXPECT_TRUE(
        RegPicture(HKEY_CURRENT_USER, std::string("SOFTWARE\\CxRemainsVendor\\") + kName).empty());
}

}  // namespace

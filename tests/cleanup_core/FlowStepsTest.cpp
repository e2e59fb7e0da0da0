// The steps of an uninstall as the window and the command line take them,
// on programs of these tests' own: the command chosen, the folders gathered
// before the uninstaller takes the registration, the end judged, the scan
// and the removal with its undo backup.
#include <gtest/gtest.h>

#include <windows.h>

#include "CoreKit.h"
#include "cleanup/KeptSeal.h"
#include "cleanup/UninstallFlow.h"
#include "harness/TestKit.h"
#include "platform/Files.h"
#include "platform/Strings.h"

using namespace cx;
using namespace cx::cleanup;
using namespace cx::test;

namespace {

const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kHkcu = "HKEY_CURRENT_USER";

TEST(UninstallSteps, TheCommandIsTheEntrysAndWindowsInstallerComesFromTheSystemFolder) {
    wchar_t sys[MAX_PATH];
    const std::string msiexec = "\"" +
                                WideToAnsi(std::wstring(sys, GetSystemDirectoryW(sys, MAX_PATH))) +
                                "\\msiexec.exe\"";
    const std::string code = "{0C1D2E3F-4A5B-4C6D-8E7F-901A2B3C4D5E}", own = "\"C:\\F\\u.exe\" /S";
    ScopedKey msi(HKEY_CURRENT_USER, kUninstall + code);
    ScopedKey plain(HKEY_CURRENT_USER, kUninstall + "CxFlowPlain");
    SetValue(msi.get(), "WindowsInstaller", REG_DWORD, std::string("\1\0\0\0", 4));
    const ListedProgram package{code, "", "Flow Package", kHkcu}, program{"CxFlowPlain"};

    const UninstallRun noQuiet = PrepareUninstall(program, own, CommandChoice::Quiet);
    EXPECT_EQ(noQuiet.command, own);
    EXPECT_TRUE(noQuiet.quietUnavailable);
    EXPECT_FALSE(PrepareUninstall(program, " \t").HasCommand());
    // A package is removed, not repaired, by the system's own msiexec, quiet or not.
    EXPECT_EQ(PrepareUninstall(package, "MsiExec.exe /I" + code).command, msiexec + " /X" + code);
    const UninstallRun quiet = PrepareUninstall(package, "", CommandChoice::Quiet);
    EXPECT_EQ(quiet.command, msiexec + " /X" + code + " /qn");
    EXPECT_FALSE(quiet.quietUnavailable);
    // The maker's quiet command as written, but for where msiexec comes from.
    SetValue(msi.get(), "QuietUninstallString", REG_SZ, "msiexec/x" + code + " /qb" + '\0');
    EXPECT_EQ(PrepareUninstall(package, "", CommandChoice::Quiet).command,
              msiexec + " /x" + code + " /qb");
}

// The entry names its folder only by its icon, and its uninstaller deletes the
// entry: the folder gathered before it ran is what the scan lists.
TEST(UninstallSteps, WhatTheRegistrationNamedIsScannedRemovedAndKeptForRestore) {
    UserSealKey(true);
    const std::string dir = FreshScratchDir("flow-steps") + "Flow App";
    WriteWholeFile(dir + "\\app.exe", "program");
    ForceDirectories(dir + "\\data");
    WriteWholeFile(dir + "\\data\\settings.ini", "[x]");
    ScopedKey entry(HKEY_CURRENT_USER, kUninstall + "CxFlowApp");
    ScopedKey maker(HKEY_CURRENT_USER, "Software\\CxFlowVendor");
    ScopedKey vendor(HKEY_CURRENT_USER, "Software\\CxFlowVendor\\CxFlowApp");
    SetValue(entry.get(), "DisplayIcon", REG_SZ, dir + "\\app.exe,0" + '\0');
    SetValue(vendor.get(), "Path", REG_SZ, dir + '\0');
    const auto regBefore = RegPicture(HKEY_CURRENT_USER, "Software\\CxFlowVendor");
    const auto filesBefore = FilePicture(dir);

    const UninstallRun run = PrepareUninstall({"CxFlowApp", "", "Flow App", kHkcu}, "u.exe");
    EXPECT_TRUE(JudgeUninstallEnd(WaitEnd::Ended, run.target).stillInstalled);
    {
        // Still installed: everything is offered, nothing checked.
        FoundRemains still{run.target, true};
        ScanProgress quiet = Quiet();
        ScanFoundRemains(still, UninstallSafety("", {}, run.target), quiet);
        EXPECT_FALSE(still.registry.Empty() || still.files.Empty());
        EXPECT_EQ(CheckedFindings(still), 0u);
    }
    // What the uninstaller does.
    RegDeleteKeyA(HKEY_CURRENT_USER, (kUninstall + "CxFlowApp").c_str());
    const UninstallEnd end = JudgeUninstallEnd(WaitEnd::Ended, run.target);
    ASSERT_FALSE(end.stillInstalled);

    FoundRemains found{run.target, end.stillInstalled};
    ScanProgress quiet = Quiet();
    ScanFoundRemains(found, UninstallSafety("", {}, run.target), quiet);
    ASSERT_TRUE(found.scan.failure.empty()) << found.scan.failure;
    ASSERT_EQ(found.files.Roots().size(), 1u);
    EXPECT_EQ(found.files.Get(found.files.Roots()[0]).text, dir);
    CleanupBackup backup;
    backup.root = AnsiToWide(FreshScratchDir("flow-steps-kept"));
    const FindingsOutcome out = RemoveFoundRemains(found, backup);
    EXPECT_EQ(out.backup, BackupState::Kept) << out.backupError;
    EXPECT_EQ(out.failed, 0u);
    EXPECT_FALSE(DirectoryExists(dir));
    EXPECT_TRUE(RegPicture(HKEY_CURRENT_USER, "Software\\CxFlowVendor\\CxFlowApp").empty());

    const std::vector<KeptCleanup> kept = ListCleanups(backup.root);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].program, L"Flow App");
    EXPECT_TRUE(RestoreCleanup(backup.root, kept[0].folder, SystemSafetyContext("", {}))
                    .notRestored.empty());
    EXPECT_EQ(RegPicture(HKEY_CURRENT_USER, "Software\\CxFlowVendor"), regBefore);
    EXPECT_EQ(FilePicture(dir), filesBefore);
    RemoveTree(ExtractFilePath(dir));
}

}  // namespace

// The steps of an uninstall as the window and the command line take them,
// on programs of these tests' own: the command chosen, the folders gathered
// before the uninstaller takes the registration, the end judged, the scan
// and the removal with its undo backup.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "CoreKit.h"
#include "cleanup/KeptSeal.h"
#include "cleanup/UninstallFlow.h"
#include "cleanup/UninstallHistory.h"
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

    // On record: the names, the folder the registration named and how, what
    // was offered, and that nothing of it stayed.
    const std::wstring history = AnsiToWide(FreshScratchDir("flow-steps-history"));
    RecordUninstall(history, found, true);
    const std::vector<HistoryRecord> records = ReadHistory(history);
    ASSERT_EQ(records.size(), 1u);
    const HistoryRecord& r = records[0];
    EXPECT_EQ(r.displayName, L"Flow App");
    EXPECT_EQ(r.registryName, L"CxFlowApp");
    EXPECT_TRUE(r.scanned);
    ASSERT_EQ(r.folders.size(), 1u);
    EXPECT_EQ(r.folders[0].folder, AnsiToWide(dir));
    EXPECT_EQ(r.folders[0].source, FolderSource::DisplayIcon);
    EXPECT_EQ(r.installFolder, AnsiToWide(dir));
    EXPECT_EQ(r.folderReason, Reason::IconFolder);
    EXPECT_NE(std::find(r.found.begin(), r.found.end(), AnsiToWide(dir)), r.found.end());
    EXPECT_NE(std::find(r.found.begin(), r.found.end(),
                        L"HKEY_CURRENT_USER\\SOFTWARE\\CxFlowVendor\\CxFlowApp"),
              r.found.end());
    EXPECT_TRUE(r.kept.empty());

    const std::vector<KeptCleanup> kept = ListCleanups(backup.root);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].program, L"Flow App");
    EXPECT_TRUE(RestoreCleanup(backup.root, kept[0].folder, SystemSafetyContext("", {}))
                    .notRestored.empty());
    EXPECT_EQ(RegPicture(HKEY_CURRENT_USER, "Software\\CxFlowVendor"), regBefore);
    EXPECT_EQ(FilePicture(dir), filesBefore);
    RemoveTree(ExtractFilePath(dir));
}

// Names from the registry and other processes are hostile: none of them can
// start a line of its own in the file or lose a character; records come back
// newest first, and a file that is no record is passed over.
TEST(UninstallHistoryFiles, HostileNamesComeBackExactlyAndTheNewestComesFirst) {
    const std::wstring folder = AnsiToWide(FreshScratchDir("history-files")) + L"deep\\er\\";
    HistoryRecord older;
    older.date = "2026-12-01 10:00:00";
    older.displayName = L"Older\r\nfound: C:\\Windows";
    older.publisher = L"100% \x0422\x0435\x0441\x0442 \xFF34";  // Cyrillic, a fullwidth letter
    older.folders = {{L"C:\\Program Files\\\xFF34ool", FolderSource::Uninstaller}};
    older.scanned = false;
    HistoryRecord newer;
    newer.date = "2026-12-02 11:00:00";
    newer.displayName = L"Newer";
    newer.scanned = true;
    newer.installFolder = L"C:\\Program Files\\Newer";
    newer.folderReason = Reason::InstallerComponents;
    newer.found = {L"HKEY_CURRENT_USER\\Software\\Newer\\", L"C:\\Program Files\\Newer"};
    newer.kept = {L"C:\\Program Files\\Newer"};
    WriteHistory(folder, older);
    WriteHistory(folder, newer);  // the same second: named after the first
    WriteWholeFile(WideToAnsi(folder) + "zzz-not-a-record.txt",
                   "Carvexo uninstall 1\r\nnonsense\r\n");

    const std::vector<HistoryRecord> records = ReadHistory(folder);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].displayName, L"Newer");
    EXPECT_EQ(records[0].installFolder, newer.installFolder);
    EXPECT_EQ(records[0].folderReason, Reason::InstallerComponents);
    EXPECT_EQ(records[0].found, newer.found);
    EXPECT_EQ(records[0].kept, newer.kept);
    EXPECT_EQ(records[1].displayName, older.displayName);
    EXPECT_EQ(records[1].publisher, older.publisher);
    EXPECT_TRUE(records[1].found.empty()) << "a line came out of a name";
    ASSERT_EQ(records[1].folders.size(), 1u);
    EXPECT_EQ(records[1].folders[0].folder, older.folders[0].folder);
    EXPECT_EQ(records[1].folders[0].source, FolderSource::Uninstaller);
    EXPECT_FALSE(records[1].scanned);
    EXPECT_FALSE(ParseHistory("Carvexo uninstall 1\r\nname: %G1\r\nscanned: no\r\n"));
}

}  // namespace

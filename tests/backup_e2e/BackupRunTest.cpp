// The full backup against the prefix's real registry and Wine's own regedit.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>

#include "BackupKit.h"
#include "backup/BackupRun.h"
#include "harness/TestKit.h"
#include "platform/Files.h"
#include "platform/Strings.h"

namespace {

using cx::backup::BackupEntry;
using cx::backup::Hive;
using cx::test::EntrySet;

std::wstring Scratch(const std::string& name) {
    return cx::AnsiToWide(cx::test::FreshScratchDir(name));
}

// 300 entries: most plain, some whose names no file may carry, some per user.
EntrySet ManyEntries() {
    EntrySet set;
    for (int i = 0; i < 270; ++i) set.machine.push_back(L"CxBk Program " + std::to_wstring(i));
    for (const wchar_t* n :
         {L"CxBk:Colon", L"CxBk?Query", L"CxBk*Star", L"CxBk|Pipe", L"CxBk<Lt>", L"CxBk\"Quote",
          L"CxBk/Slash", L"CxBk Dot.", L"CxBk Blank ", L"CON", L"cxbk_colon", L"CxBk_Colon"})
        set.machine.push_back(n);
    for (int i = 0; i < 14; ++i) set.user.push_back(L"CxBk User " + std::to_wstring(i));
    for (const wchar_t* n : {L"CxBk:Colon", L"CxBk Program 0", L"Nul.Tool", L"CxBk?Query"})
        set.user.push_back(n);
    return set;
}

std::vector<BackupEntry> PlanOf(const EntrySet& set) {
    return cx::backup::PlanBackup(set.machine, set.user);
}

TEST(FullBackup, EveryEntryOfBothHivesGetsAFileThatRegeditImportsAgain) {
    EntrySet set = ManyEntries();
    set.Write();
    auto plan = PlanOf(set);
    ASSERT_GE(plan.size(), 300u);
    const std::wstring dir = Scratch("backup-full");

    size_t calls = 0, last = 0;
    auto outcome =
        cx::backup::RunBackup(plan, dir,
                              {[&](size_t finished, size_t total) {
                                   ++calls;
                                   EXPECT_EQ(finished, last + 1);  // one step per finished export
                                   EXPECT_EQ(total, plan.size());
                                   last = finished;
                               },
                               nullptr, nullptr});
    EXPECT_EQ(outcome.total, plan.size());
    EXPECT_EQ(outcome.failed, 0u);
    EXPECT_EQ(calls, plan.size());

    std::set<std::wstring> files;
    for (const BackupEntry& e : plan) {
        EXPECT_TRUE(cx::test::IsNonEmptyFile(dir + e.fileName)) << e.fileName;
        files.insert(e.fileName);
    }
    EXPECT_EQ(files.size(), plan.size());
    size_t found = 0;
    cx::test::ForEachEntry(dir, [&](const std::wstring&, const WIN32_FIND_DATAW&) { ++found; });
    EXPECT_EQ(found, plan.size());  // nothing else: no temporary file is left

    // Each file brings its entry back, values and subkey alike.
    std::vector<std::vector<std::string>> before;
    for (const BackupEntry& e : plan) before.push_back(cx::test::EntryDump(e.hive, e.name));
    set.Remove();
    for (const BackupEntry& e : plan) ASSERT_FALSE(cx::test::EntryExists(e.hive, e.name));
    for (const BackupEntry& e : plan)
        EXPECT_EQ(cx::test::RunRegedit(L"/s \"" + dir + e.fileName + L"\""), 0u);
    for (size_t i = 0; i < plan.size(); ++i)
        EXPECT_EQ(cx::test::EntryDump(plan[i].hive, plan[i].name), before[i]) << plan[i].fileName;

    // And a second backup of what was imported is the first one byte for byte.
    const std::wstring again = Scratch("backup-full-again");
    EXPECT_EQ(cx::backup::RunBackup(plan, again).failed, 0u);
    for (const BackupEntry& e : plan)
        EXPECT_EQ(cx::test::FileBytes(again + e.fileName), cx::test::FileBytes(dir + e.fileName))
            << e.fileName;
}

TEST(FullBackup, ReadsTheUninstallKeysOfBothHives) {
    EntrySet set;
    set.machine = {L"CxBk Machine Only", L"CxBk Both"};
    set.user = {L"CxBk User Only", L"CxBk Both"};
    set.Write();
    auto entries = cx::backup::ReadBackupEntries();
    auto find = [&](Hive hive, const std::wstring& name) -> const BackupEntry* {
        for (const BackupEntry& e : entries)
            if (e.hive == hive && e.name == name) return &e;
        return nullptr;
    };
    ASSERT_TRUE(find(Hive::LocalMachine, L"CxBk Machine Only"));
    ASSERT_TRUE(find(Hive::CurrentUser, L"CxBk User Only"));
    EXPECT_EQ(find(Hive::CurrentUser, L"CxBk User Only")->fileName, L"HKCU_CxBk User Only.reg");
    ASSERT_TRUE(find(Hive::LocalMachine, L"CxBk Both"));
    ASSERT_TRUE(find(Hive::CurrentUser, L"CxBk Both"));
    EXPECT_NE(find(Hive::LocalMachine, L"CxBk Both")->fileName,
              find(Hive::CurrentUser, L"CxBk Both")->fileName);
    EXPECT_FALSE(find(Hive::CurrentUser, L"CxBk Machine Only"));
}

TEST(FullBackup, ExportsThatFailAreCountedAndEarlierFilesStayAsTheyWere) {
    EntrySet set;
    set.machine = {L"CxBk Fail A", L"CxBk Fail B", L"CxBk Fail C", L"CxBk Fail D"};
    set.Write();
    auto plan = PlanOf(set);
    // One entry vanishes between listing and export, as an uninstaller running
    // meanwhile would make it.
    plan.push_back(BackupEntry{Hive::LocalMachine, L"CxBk Never There", L"CxBk Never There.reg"});
    const std::wstring dir = Scratch("backup-fail");
    // An earlier backup's file that cannot be replaced, and a folder in a file's place.
    const std::wstring locked = dir + L"CxBk Fail B.reg";
    cx::test::WriteWholeFile(cx::WideToAnsi(locked), "earlier backup");
    ASSERT_TRUE(SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDirectoryW((dir + L"CxBk Fail C.reg").c_str(), nullptr));

    auto outcome = cx::backup::RunBackup(plan, dir);
    EXPECT_EQ(outcome.total, 5u);
    EXPECT_EQ(outcome.failed, 3u);
    std::set<std::wstring> failed(outcome.failedFiles.begin(), outcome.failedFiles.end());
    EXPECT_EQ(failed, (std::set<std::wstring>{L"CxBk Fail B.reg", L"CxBk Fail C.reg",
                                              L"CxBk Never There.reg"}));
    EXPECT_EQ(cx::test::FileBytes(locked), "earlier backup");
    EXPECT_TRUE(cx::test::IsNonEmptyFile(dir + L"CxBk Fail A.reg"));
    EXPECT_TRUE(cx::test::IsNonEmptyFile(dir + L"CxBk Fail D.reg"));
    EXPECT_FALSE(cx::FileExists(cx::WideToAnsi(dir + L"CxBk Never There.reg")));
    bool leftover = false;
    cx::test::ForEachEntry(
        dir, [&](const std::wstring&, const WIN32_FIND_DATAW&) { leftover = true; }, L"~cxexport*");
    EXPECT_FALSE(leftover);
    SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FullBackup, AnExportThatNeverEndsIsEndedAtTheTimeLimitAndCountsAsFailed) {
    EntrySet set;
    set.machine = {L"CxBk Held"};
    set.Write();
    // The gate is never opened: the stand-in for regedit waits until it is ended.
    cx::backup::BackupOptions options;
    options.program = cx::AnsiToWide(cx::test::BuildDir() + "tests\\backup_e2e\\ExportGate.exe");
    options.timeLimitMs = 300;
    auto outcome = cx::backup::RunBackup(PlanOf(set), Scratch("backup-held"), {}, options);
    EXPECT_EQ(outcome.total, 1u);
    EXPECT_EQ(outcome.failed, 1u);
}

TEST(FullBackup, RunningTwiceReplacesTheFilesOfTheFirstRun) {
    EntrySet set;
    set.machine = {L"CxBk Twice"};
    set.Write();
    auto plan = PlanOf(set);
    const std::wstring dir = Scratch("backup-twice");
    ASSERT_EQ(cx::backup::RunBackup(plan, dir).failed, 0u);
    std::string first = cx::test::FileBytes(dir + L"CxBk Twice.reg");
    cx::test::WriteEntry(Hive::LocalMachine, L"CxBk Twice", 99);
    ASSERT_EQ(cx::backup::RunBackup(plan, dir).failed, 0u);
    std::string second = cx::test::FileBytes(dir + L"CxBk Twice.reg");
    EXPECT_FALSE(second.empty());
    EXPECT_NE(first, second);
}

}  // namespace

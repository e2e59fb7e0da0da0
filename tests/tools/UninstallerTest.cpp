// The sample uninstaller run for real on seeded programs: what it removes, what
// it leaves for the remains scan, and its hand-over to a child process.
#include <gtest/gtest.h>

#include "ToolsKit.h"
#include "harness/Pump.h"
#include "harness/TestKit.h"
#include "harness/Windows.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "seeder/DemoData.h"

namespace {

using namespace cx;
using namespace cx::demo;
using namespace cx::test;
using namespace cx::test::tools;

std::string UninstallKey(const std::string& name) {
    return std::string(kUninstallPath) + "\\" + name;
}

std::string RemainsState(const DemoProgram& p) {
    std::string s = DumpKey(HiveRoot(p.arpHive), std::string(kArpCachePath) + "\\" + p.keyName);
    for (const RemainKey& r : RemainKeysOf(p)) s += DumpKey(HiveRoot(r.hive), r.path);
    return s;
}

void ExpectUninstalled(const DemoProgram& p, const std::string& remainsBefore) {
    EXPECT_FALSE(KeyExists(HiveRoot(p.hive), UninstallKey(p.keyName)));
    for (const DemoFile& f : FilesOf(p))
        EXPECT_EQ(FileExists(InstallDir(p) + f.relPath), !f.removedByUninstaller) << f.relPath;
    // Every leftover is still there, untouched.
    EXPECT_EQ(RemainsState(p), remainsBefore);
    const std::string log = ReadWholeFile(InstallDir(p) + "uninstall.log");
    EXPECT_NE(
        log.find(std::string("Deleted key: ") + HiveText(p.hive) + "\\" + UninstallKey(p.keyName)),
        std::string::npos)
        << log;
}

// The first process whose parent is `parent`, from a toolhelp snapshot.
DWORD FindChild(DWORD parent) {
    unique_snapshot snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap) return 0;
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32First(snap.get(), &e); ok; ok = Process32Next(snap.get(), &e))
        if (e.th32ParentProcessID == parent && e.th32ProcessID != parent) return e.th32ProcessID;
    return 0;
}

// Each test uninstalls something; the next one starts from the seeded state.
class SampleUninstall : public ::testing::Test {
protected:
    void TearDown() override { ASSERT_EQ(RunSeeder("/seed"), 0); }
};

TEST_F(SampleUninstall, RemovesItsFilesAndKeyButLeavesTheRemains) {
    const DemoProgram& p = ProgramByKey("Saltmarsh Archiver");
    const DemoProgram& sibling = ProgramByKey("SaltmarshBackup");
    ASSERT_NE(p.remains, Remains::None);
    const std::string remains = RemainsState(p);

    ASSERT_EQ(RunAndWait(UninstallCommand(p)), 0);
    ExpectUninstalled(p, remains);
    EXPECT_TRUE(FileExists(InstallDir(p) + p.uninstaller));  // it cannot delete itself
    // Another program of the same vendor is not touched.
    EXPECT_TRUE(KeyExists(HiveRoot(sibling.hive), UninstallKey(sibling.keyName)));
    EXPECT_TRUE(FileExists(MainExePath(sibling)));

    // Run again, the entry is gone: it says so and deletes nothing more.
    EXPECT_EQ(RunAndWait(UninstallCommand(p)), 3);
}

TEST_F(SampleUninstall, HandOverEndsAtOnceAndItsChildDoesTheWork) {
    const DemoProgram& p = ProgramByKey("KestrelSync");
    ASSERT_TRUE(p.handOver);
    const std::string remains = RemainsState(p);

    Launched first;
    Launch(UninstallCommand(p), first);
    DWORD code = 99;
    ASSERT_TRUE(WaitForExit(first.process, kHangGuardMs, &code));
    EXPECT_EQ(code, 0u);

    const DWORD childPid = FindChild(first.pid);
    ASSERT_NE(childPid, 0u) << "no process with the starter as its parent";
    EXPECT_NE(childPid, first.pid);
    unique_handle child(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, childPid));
    ASSERT_TRUE(child);
    // The starter did nothing itself, and the child waits its moment (1.5 s from
    // its own start, which comes after the starter started it) before it works.
    EXPECT_TRUE(KeyExists(HiveRoot(p.hive), UninstallKey(p.keyName)));
    EXPECT_TRUE(FileExists(MainExePath(p)));

    ASSERT_TRUE(WaitForExit(child.get(), kHangGuardMs, &code));
    EXPECT_EQ(code, 0u);
    ExpectUninstalled(p, remains);
    // The copy in the temp folder could delete the original uninstaller.
    EXPECT_FALSE(FileExists(InstallDir(p) + p.uninstaller));
}

TEST_F(SampleUninstall, QuietPatchUninstallerDoesItsWorkAndEndsWithoutAChild) {
    const DemoProgram& p = ProgramByKey("KB2718305");
    ASSERT_TRUE(p.quiet);
    Launched proc;
    Launch(UninstallCommand(p), proc);
    DWORD code = 99;
    ASSERT_TRUE(WaitForExit(proc.process, kHangGuardMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(FindChild(proc.pid), 0u);
    EXPECT_FALSE(KeyExists(HiveRoot(p.hive), UninstallKey(p.keyName)));
    EXPECT_TRUE(FileExists(InstallDir(p) + p.uninstaller));
}

TEST_F(SampleUninstall, WrongEntryOrCommandLineTouchesNothing) {
    const DemoProgram& p = ProgramByKey("BrindleSketch_is1");
    const std::string exe = "\"" + InstallDir(p) + p.uninstaller + "\"";
    const std::string before = SeededState();
    EXPECT_EQ(RunAndWait(exe + " /key \"NoSuchProgram\" /hive HKLM /silent"), 3);
    EXPECT_EQ(RunAndWait(exe + " /key \"BrindleSketch_is1\" /hive HKCU /silent"), 3);
    EXPECT_EQ(RunAndWait(exe + " /key \"BrindleSketch_is1\" /hive HKXX /silent"), 2);
    EXPECT_EQ(RunAndWait(exe + " /hive HKLM /silent"), 2);
    EXPECT_EQ(RunAndWait(exe + " /key \"BrindleSketch_is1\" /bogus"), 2);
    EXPECT_EQ(RunAndWait(exe + " /key \"BrindleSketch_is1\" /delay soon /silent"), 2);
    EXPECT_EQ(LineDiff(before, SeededState()), "");
}

TEST_F(SampleUninstall, NeverEmptiesADriveRoot) {
    const std::string decoy = "C:\\cx-tools-decoy.txt";
    WriteWholeFile(decoy, "keep me");
    reg::Key::Create(HKEY_CURRENT_USER, UninstallKey("CxToolsTest_Guard"))
        .SetString("DisplayName", "Guard");

    EXPECT_EQ(
        RunAndWait("\"" + ToolsDir() +
                   "SampleUninstall.exe\" /key CxToolsTest_Guard /hive HKCU /dir C:\\ /silent"),
        0);
    EXPECT_TRUE(FileExists(decoy));
    EXPECT_FALSE(FileExists("C:\\uninstall.log"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, UninstallKey("CxToolsTest_Guard")));
    DeleteFileA(decoy.c_str());
}

}  // namespace

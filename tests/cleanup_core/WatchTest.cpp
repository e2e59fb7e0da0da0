// A watched install against the prefix's real registry and files: the two
// snapshots, what of the trace the scan offers after the uninstaller, the
// removal that puts changed values back, its undo, and the kept trace.
#include <gtest/gtest.h>

#include <windows.h>

#include "CoreKit.h"
#include "cleanup/KeptSeal.h"
#include "cleanup/Removal.h"
#include "cleanup/TraceScan.h"
#include "cleanup/Undo.h"
#include "cleanup/WatchRun.h"
#include "harness/TestKit.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"

using namespace cx;
using namespace cx::cleanup;
using namespace cx::test;

namespace {

std::string Sz(const std::string& s) { return s + '\0'; }

// The value's data as a narrow string, or "<none>".
std::string Data(const std::string& key, const char* name) {
    char buf[4096] = "";
    DWORD size = sizeof buf;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, nullptr, buf, &size) !=
        ERROR_SUCCESS)
        return "<none>";
    return buf;
}

NodeId Find(const CheckTree& tree, const std::string& text) {
    for (NodeId id : tree.InOrder())
        if (EqualsNoCase(tree.Get(id).text, text)) return id;
    return -1;
}

// The setup made keys, a folder and values and changed two of another
// program's values; then something else came into two of its places and the
// uninstaller deleted one changed value. What it made is offered checked and
// what came since unchecked or not at all; Delete puts the changed values back,
// deletes its own, and the undo brings the setup's state back.
TEST(WatchedInstall, WhatTheSetupWroteGoesAndWhatItChangedIsPutBackAndRestored) {
    UserSealKey(true);
    const std::string sandbox = FreshRegSandbox("watch");
    const std::string shared = sandbox + "\\Shared";
    const std::string dir = FreshScratchDir("watch-files");
    {
        HKEY k = CreateKeyPath(HKEY_CURRENT_USER, shared);
        SetValue(k, "Theme", REG_SZ, Sz("plain"));
        SetValue(k, "Units", REG_SZ, Sz("metric"));
        SetValue(k, "Blob", REG_BINARY, std::string(3000, 'a'));
        RegCloseKey(k);
    }
    ForceDirectories(dir + "Shared");
    WriteWholeFile(dir + "Shared\\keep.txt", "the machine's");
    WatchPlaces places;
    places.keys = {{RegHive::CurrentUser, AnsiToWide(sandbox)}};
    places.folders = {{AnsiToWide(dir.substr(0, dir.size() - 1)), true}};
    const NoiseFilter noise({}, [](const std::wstring&) { return std::wstring(); });
    SnapshotProgress progress;
    const Snapshot before = TakeSnapshot(places, SkipOf(noise), progress);

    // The setup.
    {
        HKEY k = CreateKeyPath(HKEY_CURRENT_USER, sandbox + "\\Acme\\Tool");
        SetValue(k, "Path", REG_SZ, Sz(dir + "Acme"));
        RegCloseKey(k);
        RegCloseKey(CreateKeyPath(HKEY_CURRENT_USER, sandbox + "\\Maker\\Product"));
        k = CreateKeyPath(HKEY_CURRENT_USER, shared);
        SetValue(k, "Added", REG_SZ, Sz("1"));
        SetValue(k, "Theme", REG_SZ, Sz("acme"));
        SetValue(k, "Units", REG_SZ, Sz("nautical"));
        SetValue(k, "Blob", REG_BINARY, std::string(3000, 'b'));
        RegCloseKey(k);
    }
    ForceDirectories(dir + "Acme");
    WriteWholeFile(dir + "Acme\\a.txt", "setup's");
    WriteWholeFile(dir + "Shared\\new.txt", "setup's");
    const WatchTrace trace = TraceOf(before, TakeSnapshot(places, SkipOf(noise), progress), noise);
    EXPECT_EQ(CountsOf(trace).keys, 5u);  // Acme, Tool, Maker, Product; and Shared
    EXPECT_EQ(CountsOf(trace).files, 3u);

    // Since: another program's key in the maker's, a file the program wrote;
    // then the uninstaller, which deletes a value it once overwrote.
    RegCloseKey(CreateKeyPath(HKEY_CURRENT_USER, sandbox + "\\Maker\\Other"));
    WriteWholeFile(dir + "Acme\\later.txt", "written in use");
    {
        HKEY k = CreateKeyPath(HKEY_CURRENT_USER, shared);
        RegDeleteValueA(k, "Units");
        RegCloseKey(k);
    }

    CheckTree registry, files;
    const TraceOffer offer =
        AddTraceFindings(trace, SystemSafetyContext("", {}), true, registry, files);
    EXPECT_EQ(offer.putBack, 2u) << "the long value cannot be put back";
    const std::string hkcu = "HKEY_CURRENT_USER\\" + sandbox;
    const NodeId acme = Find(registry, hkcu + "\\Acme"), maker = Find(registry, hkcu + "\\Maker"),
                 theme = Find(registry, hkcu + "\\Shared\\Theme"),
                 units = Find(registry, hkcu + "\\Shared\\Units");
    ASSERT_NE(acme, -1);
    ASSERT_NE(maker, -1);
    ASSERT_NE(theme, -1);
    ASSERT_NE(units, -1);
    EXPECT_EQ(registry.Get(acme).state, csChecked);
    EXPECT_FALSE(registry.Get(acme).emptyOnly);
    EXPECT_TRUE(registry.Get(maker).emptyOnly) << "another program's key came into it";
    EXPECT_NE(Find(registry, hkcu + "\\Maker\\Product"), -1);
    EXPECT_EQ(Find(registry, hkcu + "\\Maker\\Other"), -1);
    EXPECT_EQ(registry.Get(Find(registry, hkcu + "\\Shared\\Added")).state, csChecked);
    EXPECT_EQ(Find(registry, hkcu + "\\Shared\\Blob"), -1);
    for (NodeId id : {theme, units}) {
        EXPECT_EQ(registry.Get(id).state, csUnchecked);
        EXPECT_TRUE(registry.Get(id).putBack);
        EXPECT_EQ(registry.ReasonOf(id), Reason::ChangedBySetup);
    }
    EXPECT_EQ(files.Get(Find(files, dir + "Acme")).state, csPartial);
    EXPECT_EQ(files.Get(Find(files, dir + "Acme\\a.txt")).state, csChecked);
    EXPECT_EQ(files.Get(Find(files, dir + "Acme\\later.txt")).state, csUnchecked);
    EXPECT_EQ(files.Get(Find(files, dir + "Shared\\new.txt")).state, csChecked);
    EXPECT_EQ(Find(files, dir + "Shared\\keep.txt"), -1);

    registry.SetState(theme, csChecked);
    registry.SetState(units, csChecked);
    CleanupBackup backup;
    backup.root = AnsiToWide(FreshScratchDir("watch-kept"));
    backup.program = L"Acme";
    const FindingsOutcome out = RemoveFindings(registry, files, backup);
    EXPECT_EQ(out.backup, BackupState::Kept) << out.backupError;
    // The maker's key stays with what came into it, and says so.
    EXPECT_EQ(out.failed, 1u);
    EXPECT_EQ(Data(shared, "Theme"), "plain");
    EXPECT_EQ(Data(shared, "Units"), "metric");
    EXPECT_EQ(Data(shared, "Added"), "<none>");
    EXPECT_TRUE(RegPicture(HKEY_CURRENT_USER, sandbox + "\\Acme").empty());
    EXPECT_EQ(RegPicture(HKEY_CURRENT_USER, sandbox + "\\Maker"),
              (std::map<std::string, std::string>{{"K:", ""}, {"K:\\Other", ""}}));
    EXPECT_FALSE(FileExists(dir + "Acme\\a.txt") || FileExists(dir + "Shared\\new.txt"));
    EXPECT_TRUE(FileExists(dir + "Acme\\later.txt") && FileExists(dir + "Shared\\keep.txt"));

    // The undo gives back what the clean-up changed: the setup's data, and
    // the value the uninstaller had deleted deleted again.
    const std::vector<KeptCleanup> kept = ListCleanups(backup.root);
    ASSERT_EQ(kept.size(), 1u);
    const RestoreOutcome back =
        RestoreCleanup(backup.root, kept[0].folder, SystemSafetyContext("", {}));
    EXPECT_TRUE(back.notRestored.empty());
    EXPECT_EQ(Data(shared, "Theme"), "acme");
    EXPECT_EQ(Data(shared, "Units"), "<none>");
    EXPECT_EQ(Data(shared, "Added"), "1");
    EXPECT_EQ(Data(sandbox + "\\Acme\\Tool", "Path"), dir + "Acme");
    DropRegSandbox();
    RemoveTree(dir);
}

// A setup runs by the path chosen, a package through the system's msiexec;
// anything that might run something else is refused.
TEST(WatchedInstall, TheSetupRunsByItsFullPathAndAPackageThroughMsiexec) {
    const std::string dir = FreshScratchDir("watch-setup");
    WriteWholeFile(dir + "Acme Setup.exe", "MZ");
    WriteWholeFile(dir + "acme.MSI", "package");
    wchar_t sys[MAX_PATH];
    const std::string msiexec =
        WideToAnsi(std::wstring(sys, GetSystemDirectoryW(sys, MAX_PATH))) + "\\msiexec.exe";
    EXPECT_EQ(WatchCommand(AnsiToWide(dir + "Acme Setup.exe"), {"/S", "/D=C:\\Program Files\\A"}),
              "\"" + dir + "Acme Setup.exe\" /S \"/D=C:\\Program Files\\A\"");
    EXPECT_EQ(WatchCommand(AnsiToWide(dir + "acme.MSI"), {"/qn"}),
              "\"" + msiexec + "\" /i \"" + dir + "acme.MSI\" /qn");
    WriteFileBytes(AnsiToWide(dir) + L"x\x2215setup.exe", "MZ");  // there, by its UTF-16 name
    for (const std::wstring& bad :
         {std::wstring(L"Acme Setup.exe"), AnsiToWide(dir + "missing.exe"), AnsiToWide(dir),
          AnsiToWide(dir) + L"x\x2215setup.exe"})
        EXPECT_THROW(WatchCommand(bad, {}), AppError) << WideToAnsi(bad);
    RemoveTree(dir);
}

// What the trace says is kept only as the account wrote it: a trace changed
// by anybody else is not read, whatever it would have offered.
TEST(WatchedInstall, AKeptTraceIsFoundByItsProgramAndRefusedOnceChanged) {
    UserSealKey(true);
    const std::wstring folder = AnsiToWide(FreshScratchDir("watch-traces"));
    WatchTrace t;
    t.date = "2026-12-10 03:00:00";
    t.setup = L"C:\\setup.exe";
    t.programs = {{RegHive::LocalMachine, L"Acme Tool_is1", L"Acme Tool"}};
    t.items = {{TraceKind::Key, RegHive::LocalMachine, L"SOFTWARE\\Acme"}};
    const std::wstring file = WriteTrace(folder, t);
    EXPECT_TRUE(FindTrace(folder, "HKEY_LOCAL_MACHINE", "acme tool_IS1"));
    EXPECT_FALSE(FindTrace(folder, "HKEY_CURRENT_USER", "Acme Tool_is1")) << "the other hive's";

    std::string bytes = ReadWholeFile(WideToAnsi(file));
    const size_t at = bytes.find("SOFTWARE\\Acme");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 13, "SOFTWARE\\Acmf");
    WriteWholeFile(WideToAnsi(file), bytes);
    EXPECT_TRUE(ReadTraces(folder).empty());
    RemoveTree(WideToAnsi(folder));
}

}  // namespace

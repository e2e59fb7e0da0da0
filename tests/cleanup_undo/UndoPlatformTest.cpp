// Clean-ups kept and put back against Wine's real registry, regedit and file
// system: a sandbox key and scratch folders, scanned as the window scans them,
// removed through the one removal road, restored, pruned; and kept clean-ups
// whose manifest or files were tampered with.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "../cleanup_core/CoreKit.h"
#include "cleanup/Removal.h"
#include "cleanup/Safety.h"
#include "cleanup/Scanner.h"
#include "cleanup/Undo.h"
#include "harness/TestKit.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

using namespace cx;
using namespace cx::cleanup;
using namespace cx::test;

namespace {

using Picture = std::map<std::string, std::string>;

const std::string kWord = "AcmeTool";

std::wstring W(const std::string& s) { return AnsiToWide(s); }

// Every value below `path` by its UTF-16 names, type and raw bytes: the
// 8-bit view of RegPicture converts strings and so hides a lost terminator.
void RawWalk(HKEY key, const std::wstring& rel, std::map<std::wstring, std::string>& out) {
    out[L"K:" + rel] = "";
    wchar_t name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD chars = 16384, type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &chars, nullptr, &type, nullptr, &size)) break;
        std::string data(size, '\0');
        chars = 16384;
        RegEnumValueW(key, i, name, &chars, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                      &size);
        out[L"V:" + rel + L"|" + name] = std::to_string(type) + ":" + data.substr(0, size);
    }
    for (DWORD i = 0;; ++i) {
        DWORD chars = 256;
        if (RegEnumKeyExW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr)) break;
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub)) continue;
        RawWalk(sub, rel + L"\\" + name, out);
        RegCloseKey(sub);
    }
}

std::map<std::wstring, std::string> RawValues(const std::string& path) {
    std::map<std::wstring, std::string> out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, W(path).c_str(), 0, KEY_READ, &key)) return out;
    RawWalk(key, L"", out);
    RegCloseKey(key);
    return out;
}

void WriteFileW(const std::wstring& path, const std::string& content) {
    unique_hfile f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(f) << WideToAnsi(path);
    DWORD n = 0;
    WriteFile(f.get(), content.data(), static_cast<DWORD>(content.size()), &n, nullptr);
}

class UndoRoad : public ::testing::Test {
protected:
    void SetUp() override {
        regBase = FreshRegSandbox("Undo");
        scratch = FreshScratchDir("undo-road");
        dir = scratch + "Acme Tool";
        kept = W(FreshScratchDir("undo-kept")) + L"Back up\\cleanup\\";
        safety = SystemSafetyContext(scratch + "app", {});
        SeedRegistry();
        SeedFiles();
    }
    void TearDown() override { DropRegSandbox(); }

    HKEY Make(const std::string& rel) {
        return CreateKeyPath(HKEY_CURRENT_USER, regBase + "\\" + rel);
    }

    void SeedRegistry() {
        HKEY k = Make("Vendor\\AcmeTool");
        SetValue(k, "", REG_SZ, std::string("default", 8));
        SetValue(k, "num", REG_DWORD, std::string("\1\0\0\0", 4));
        SetValue(k, "odd", 0x1234, "zz");
        SetValue(k, "unterminated", REG_SZ, "abc");
        SetValue(k, "multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
        RegCloseKey(k);
        k = Make("Vendor\\AcmeTool\\Settings\\Deep");
        SetValue(k, "x", REG_EXPAND_SZ, std::string("%TEMP%\\x", 9));
        RegCloseKey(k);
        RegCloseKey(Make("Vendor\\AcmeTool\\Inner\\AcmeTool"));  // a nested match
        k = Make("Shared\\AcmeTool");  // a key that stays: only one value of it goes
        SetValue(k, "keep", REG_SZ, std::string("k", 2));
        SetValue(k, "go\\slash", REG_BINARY, std::string("\0\1\2", 3));
        RegCloseKey(k);
    }

    void SeedFiles() {
        ForceDirectories(dir + "\\bin\\plugins");
        ForceDirectories(dir + "\\empty");
        WriteWholeFile(dir + "\\readme.txt", "read me");
        WriteWholeFile(dir + "\\.hidden", "never listed, goes with the folder");
        WriteWholeFile(dir + "\\bin\\tool.exe", std::string("MZ\0\1\2", 5));
        WriteWholeFile(dir + "\\bin\\plugins\\p.dll", "plugin");
        WriteFileW(W(dir) + L"\\\x4e2d\x6587.txt", "wide name");
    }

    void Scan(CheckTree& reg, CheckTree& files) {
        ScanProgress quiet = Quiet();
        ScanRegistryKey(cx::RegHive::CurrentUser, regBase, kWord, reg, quiet);
        ScanFiles(dir, files, quiet);
    }

    Picture Now() {
        Picture p = RegPicture(HKEY_CURRENT_USER, regBase);
        for (auto& [k, v] : FilePicture(scratch)) p["FS " + k] = v;
        return p;
    }

    CleanupBackup Backup() {
        CleanupBackup b;
        b.root = kept;
        b.program = L"Acme Tool";
        return b;
    }

    NodeId Find(const CheckTree& t, const std::string& suffix) {
        for (NodeId id : t.InOrder()) {
            const std::string& text = t.Get(id).text;
            if (text.size() >= suffix.size() &&
                text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
                return id;
        }
        ADD_FAILURE() << "no node ending in " << suffix;
        return -1;
    }

    std::string regBase, scratch, dir;
    std::wstring kept;
    SafetyContext safety;
};

TEST_F(UndoRoad, ACleanUpIsKeptAndRestoredExactly) {
    const Picture before = Now();
    CheckTree reg, files;
    Scan(reg, files);
    // Keep one value of the shared key: the key stays, the other value goes.
    reg.ToggleNodeState(Find(reg, "Shared\\AcmeTool\\keep"));
    ASSERT_EQ(reg.Get(Find(reg, "Shared\\AcmeTool")).state, csPartial);

    FindingsOutcome out = RemoveFindings(reg, files, Backup());
    EXPECT_EQ(out.failed, 0u);
    ASSERT_EQ(out.backup, BackupState::Kept) << out.backupError;
    const Picture removed = Now();
    EXPECT_FALSE(DirectoryExists(dir)) << "the folder was not taken";
    EXPECT_EQ(removed.count("K:\\Vendor\\AcmeTool"), 0u);
    EXPECT_EQ(removed.count("V:\\Shared\\AcmeTool|keep"), 1u);
    EXPECT_EQ(removed.count("V:\\Shared\\AcmeTool|go\\slash"), 0u);

    // Kept where it says, keeping the paths, with a manifest the list reads.
    auto list = ListCleanups(kept);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].folder, out.folder);
    EXPECT_EQ(list[0].program, L"Acme Tool");
    EXPECT_GT(list[0].size, 30u);
    EXPECT_TRUE(FileExists(WideToAnsi(out.folder + StoredPathOf(W(dir)) + L"\\.hidden")));
    EXPECT_TRUE(FileExists(WideToAnsi(out.folder) + "registry\\1.reg"));

    RestoreOutcome back = RestoreCleanup(kept, list[0].folder, safety);
    for (const auto& s : back.notRestored) ADD_FAILURE() << WideToAnsi(s);
    EXPECT_EQ(back.restored, 3u);  // the outer key, the value, the folder
    EXPECT_EQ(Now(), before);
    EXPECT_TRUE(ListCleanups(kept).empty()) << "a restored clean-up stays listed";
}

TEST_F(UndoRoad, SingleFilesAndFoldersBelowAPartlyCheckedRootComeBackToTheirPlaces) {
    const Picture before = Now();
    CheckTree reg, files;
    Scan(reg, files);
    for (NodeId r : reg.Roots())
        if (reg.Get(r).state == csChecked) reg.ToggleNodeState(r);
    files.ToggleNodeState(Find(files, "\\bin\\tool.exe"));  // stays
    files.ToggleNodeState(Find(files, "readme.txt"));       // stays

    FindingsOutcome out = RemoveFindings(reg, files, Backup());
    ASSERT_EQ(out.backup, BackupState::Kept) << out.backupError;
    EXPECT_TRUE(FileExists(dir + "\\bin\\tool.exe"));
    EXPECT_FALSE(DirectoryExists(dir + "\\bin\\plugins"));
    EXPECT_FALSE(DirectoryExists(dir + "\\empty"));
    EXPECT_TRUE(DirectoryExists(WideToAnsi(out.folder + StoredPathOf(W(dir))) + "\\empty"));

    RestoreOutcome back = RestoreCleanup(kept, out.folder, safety);
    EXPECT_TRUE(back.notRestored.empty());
    EXPECT_EQ(Now(), before);
}

TEST_F(UndoRoad, WhatExistsAgainIsReportedNotReplacedAndCanBeRestoredLater) {
    CheckTree reg, files;
    Scan(reg, files);
    reg.ToggleNodeState(Find(reg, "Shared\\AcmeTool\\keep"));
    FindingsOutcome out = RemoveFindings(reg, files, Backup());
    ASSERT_EQ(out.backup, BackupState::Kept) << out.backupError;

    // The program was installed again, in part.
    ForceDirectories(dir + "\\bin");
    WriteWholeFile(dir + "\\bin\\tool.exe", "new version");
    HKEY k = Make("Vendor\\AcmeTool");
    SetValue(k, "new", REG_SZ, std::string("n", 2));
    RegCloseKey(k);
    k = Make("Shared\\AcmeTool");
    SetValue(k, "go\\slash", REG_SZ, std::string("new", 4));
    RegCloseKey(k);

    RestoreOutcome back = RestoreCleanup(kept, out.folder, safety);
    ASSERT_EQ(back.notRestored.size(), 3u);
    EXPECT_EQ(ReadWholeFile(dir + "\\bin\\tool.exe"), "new version");
    EXPECT_EQ(ReadWholeFile(dir + "\\bin\\plugins\\p.dll"), "plugin") << "the rest of the folder";
    EXPECT_EQ(ReadWholeFile(dir + "\\readme.txt"), "read me");
    Picture now = RegPicture(HKEY_CURRENT_USER, regBase);
    EXPECT_EQ(now.count("V:\\Vendor\\AcmeTool|num"), 0u) << "an existing key was merged into";
    EXPECT_EQ(now["V:\\Shared\\AcmeTool|go\\slash"], std::string("1:new\0", 6));
    // The clean-up stays with what did not go back, and only that.
    auto list = ListCleanups(kept);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(FileExists(WideToAnsi(out.folder + StoredPathOf(W(dir))) + "\\bin\\tool.exe"));
    EXPECT_FALSE(FileExists(WideToAnsi(out.folder + StoredPathOf(W(dir))) + "\\readme.txt"));

    DeleteFileA((dir + "\\bin\\tool.exe").c_str());
    reg::DeleteTree(HKEY_CURRENT_USER, regBase + "\\Vendor\\AcmeTool");
    k = Make("Shared\\AcmeTool");
    RegDeleteValueA(k, "go\\slash");
    RegCloseKey(k);
    back = RestoreCleanup(kept, out.folder, safety);
    for (const auto& s : back.notRestored) ADD_FAILURE() << WideToAnsi(s);
    EXPECT_EQ(ReadWholeFile(dir + "\\bin\\tool.exe"), std::string("MZ\0\1\2", 5));
    now = RegPicture(HKEY_CURRENT_USER, regBase);
    EXPECT_EQ(now["V:\\Vendor\\AcmeTool|num"], std::string("4:\1\0\0\0", 6));
    EXPECT_TRUE(ListCleanups(kept).empty());
}

// A backup that cannot be written, or could not be read back, removes
// nothing, whatever stands in its way.
TEST_F(UndoRoad, ABackupThatCannotBeWrittenRemovesNothing) {
    struct Case {
        const char* what;
        std::function<void(CleanupBackup&)> spoil;
    } cases[] = {
        {"a file where the folder must go",
         [&](CleanupBackup&) {
             ForceDirectories(WideToAnsi(kept.substr(0, kept.size() - 8)));
             WriteWholeFile(WideToAnsi(kept.substr(0, kept.size() - 1)), "in the way");
         }},
        {"a registry editor that writes nothing",
         [&](CleanupBackup& b) {
             b.regedit = W(BuildDir()) + L"tests\\cleanup_undo\\no-regedit.exe";
         }},
        {"a registry editor that writes outside the key",
         [&](CleanupBackup& b) {
             b.regedit = W(BuildDir()) + L"tests\\cleanup_undo\\FakeRegedit.exe";
         }},
        {"an export whose registry editor says it failed",
         [&](CleanupBackup& b) {
             b.regedit = W(BuildDir()) + L"tests\\cleanup_undo\\FakeRegedit.exe";
             SetEnvironmentVariableW(L"CX_FAKE_REGEDIT", L"fail");
         }},
        {"an export whose data differs from the key",
         [&](CleanupBackup& b) {
             b.regedit = W(BuildDir()) + L"tests\\cleanup_undo\\FakeRegedit.exe";
             SetEnvironmentVariableW(L"CX_FAKE_REGEDIT", L"alter");
         }},
        {"a value too large for the manifest to be read back",
         [&](CleanupBackup&) {
             HKEY k = Make("Shared\\AcmeTool");
             SetValue(k, "huge", REG_BINARY, std::string((16u << 20) + 1, 'x'));
             RegCloseKey(k);
         }},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveTree(WideToAnsi(kept.substr(0, kept.size() - 16)));
        CleanupBackup b = Backup();
        c.spoil(b);
        const Picture spoilt = Now();
        CheckTree reg, files;
        Scan(reg, files);
        // The shared key stays: its values are kept one by one in the manifest.
        reg.ToggleNodeState(Find(reg, "Shared\\AcmeTool\\keep"));
        const size_t regNodes = reg.Size(), fileNodes = files.Size();
        FindingsOutcome out = RemoveFindings(reg, files, b);
        SetEnvironmentVariableW(L"CX_FAKE_REGEDIT", nullptr);
        EXPECT_EQ(out.backup, BackupState::Failed);
        EXPECT_FALSE(out.backupError.empty());
        EXPECT_GT(out.failed, 0u);
        EXPECT_EQ(Now(), spoilt);
        EXPECT_EQ(reg.Size(), regNodes);
        EXPECT_EQ(files.Size(), fileNodes);
        EXPECT_TRUE(ListCleanups(kept).empty());
    }
}

TEST_F(UndoRoad, TooLargeToKeepAsksAndRemovesWithoutABackupOnlyOnYes) {
    const Picture before = Now();
    for (bool yes : {false, true}) {
        CheckTree reg, files;
        Scan(reg, files);
        CleanupBackup b = Backup();
        b.keepBytes = 10;
        uint64_t askedSize = 0, askedLimit = 0;
        b.removeWithoutBackup = [&](uint64_t size, uint64_t limit) {
            askedSize = size;
            askedLimit = limit;
            return yes;
        };
        FindingsOutcome out = RemoveFindings(reg, files, b);
        EXPECT_EQ(askedLimit, 10u);
        EXPECT_EQ(askedSize, 7u + 34u + 5u + 6u + 9u);
        EXPECT_TRUE(ListCleanups(kept).empty());
        if (!yes) {
            EXPECT_EQ(out.backup, BackupState::Declined);
            EXPECT_EQ(Now(), before);
        } else {
            EXPECT_EQ(out.backup, BackupState::WithoutBackup);
            EXPECT_EQ(out.failed, 0u);
            EXPECT_FALSE(DirectoryExists(dir));
        }
    }
}

// The backup folder on another drive (where Windows copies and then deletes).
TEST_F(UndoRoad, OnAnotherDriveEveryItemIsInOnePlaceOnlyAndComesBack) {
    const Picture before = Now();
    kept = W(BuildDir()) + L"undo-kept-other-drive\\";
    RemoveTree(WideToAnsi(kept));
    ASSERT_NE(towupper(kept[0]), towupper(W(dir)[0])) << "the build folder is on the files' drive";
    CheckTree reg, files;
    Scan(reg, files);
    for (NodeId r : reg.Roots())
        if (reg.Get(r).state == csChecked) reg.ToggleNodeState(r);
    {
        // Held open without sharing. Windows cannot delete it, so its copy
        // goes again; Wine renames it anyway. Either way it is in one place only.
        unique_hfile held(CreateFileA((dir + "\\bin\\plugins\\p.dll").c_str(), GENERIC_READ, 0,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        FindingsOutcome out = RemoveFindings(reg, files, Backup());
        ASSERT_EQ(out.backup, BackupState::Kept) << out.backupError;
        const bool stayed = FileExists(dir + "\\bin\\plugins\\p.dll");
        EXPECT_EQ(out.failed, stayed ? 1u : 0u);
        EXPECT_NE(stayed, FileExists(WideToAnsi(out.folder + StoredPathOf(W(dir))) +
                                     "\\bin\\plugins\\p.dll"));
        EXPECT_FALSE(FileExists(dir + "\\readme.txt"));
        held.reset();
        RestoreOutcome back = RestoreCleanup(kept, out.folder, safety);
        for (const auto& s : back.notRestored) ADD_FAILURE() << WideToAnsi(s);
    }
    EXPECT_EQ(Now(), before);
    RemoveTree(WideToAnsi(kept));
}

// A clean-up whose process ended in the middle (ended from outside, as a
// crash or a power cut would) is restored whole: every item that had gone
// comes back, and nothing of its folder that the manifest does not list goes.
TEST_F(UndoRoad, ACleanUpEndedMidwayIsRestoredWhole) {
    WriteWholeFile(dir + "\\stays.txt", "unchecked: the items go one by one");
    const Picture before = Now();
    const std::string name = "cx-undo-stop-" + std::to_string(GetCurrentProcessId());
    unique_handle stopped(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
    ASSERT_TRUE(stopped);
    // Two folders go first, then the files: it stops as the first file is about to go.
    std::wstring line = L"\"" + W(BuildDir()) + L"tests\\cleanup_undo\\StoppedCleanup.exe\" \"" +
                        W(dir) + L"\" \"" + kept + L"\\\" " + W(name) + L" 3";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    unique_handle process(pi.hProcess), thread(pi.hThread);
    HANDLE either[] = {stopped.get(), process.get()};
    ASSERT_EQ(WaitForMultipleObjects(2, either, FALSE, kHangGuardMs), WAIT_OBJECT_0)
        << "the clean-up ended before its third item";
    TerminateProcess(process.get(), 9);
    WaitForSingleObject(process.get(), kHangGuardMs);
    ASSERT_FALSE(DirectoryExists(dir + "\\bin")) << "nothing went before the end";

    auto list = ListCleanups(kept);
    ASSERT_EQ(list.size(), 1u);
    const std::string mine = WideToAnsi(list[0].folder) + "notes.txt";
    WriteWholeFile(mine, "not listed, so not the restore's to delete");
    RestoreOutcome back = RestoreCleanup(kept, list[0].folder, safety);
    for (const auto& s : back.notRestored) ADD_FAILURE() << WideToAnsi(s);
    EXPECT_EQ(back.restored, 2u);
    EXPECT_EQ(back.alreadyThere.size(), 1u) << "the file listed just before the end never went";
    EXPECT_EQ(Now(), before);
    EXPECT_EQ(ReadWholeFile(mine), "not listed, so not the restore's to delete");
}

// Values regedit cannot carry through an export and an import as they are
// (Wine's drops or adds bytes of some) come back byte for byte all the same.
TEST_F(UndoRoad, ValuesRegeditCannotCarryComeBackByteForByte) {
    HKEY k = Make("Vendor\\AcmeTool\\Settings");
    const struct {
        const wchar_t* name;
        DWORD type;
        std::string data;
    } odd[] = {
        {L"odd length", REG_SZ, std::string("a\0b\0c", 5)},
        {L"no terminator", REG_SZ, std::string("a\0b\0", 4)},
        {L"inner nul", REG_SZ, std::string("a\0\0\0b\0\0\0", 8)},
        {L"", REG_EXPAND_SZ, std::string("%\0a\0", 4)},
        {L"multi", REG_MULTI_SZ, std::string("a\0\0\0b\0", 6)},
        {L"short dword", REG_DWORD, std::string("\1\2", 2)},
        {L"type 12", 12, "zz"},
    };
    for (const auto& v : odd)
        ASSERT_EQ(RegSetValueExW(k, v.name, 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                                 static_cast<DWORD>(v.data.size())),
                  ERROR_SUCCESS);
    RegCloseKey(k);
    const auto before = RawValues(regBase);
    CheckTree reg, files;
    Scan(reg, files);
    FindingsOutcome out = RemoveFindings(reg, files, Backup());
    ASSERT_EQ(out.backup, BackupState::Kept) << out.backupError;
    ASSERT_EQ(RawValues(regBase).count(L"K:\\Vendor\\AcmeTool"), 0u);
    RestoreOutcome back = RestoreCleanup(kept, out.folder, safety);
    for (const auto& s : back.notRestored) ADD_FAILURE() << WideToAnsi(s);
    EXPECT_EQ(RawValues(regBase), before);
}

// Names the code page lacks and value names holding "\\" go from the scan to
// the removal, the manifest, the export and the restore by their UTF-16 names:
// a key taken whole with such names inside, and the values of a key kept in
// part below such a name.
TEST_F(UndoRoad, NamesTheCodePageLacksAndValueNamesWithABackslashComeBackExactly) {
    const std::wstring cyrillic = L"\x041A\x043B\x044E\x0447";
    auto setW = [](HKEY key, const std::wstring& name, const std::wstring& data) {
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    };
    HKEY k = CreateKeyPath(HKEY_CURRENT_USER, W(regBase) + L"\\Vendor\\AcmeTool\\" + cyrillic);
    setW(k, L"\x03A9", L"\x4e2d");
    setW(k, L"a\\b", L"inside the taken key");
    RegCloseKey(k);
    const std::wstring partKey = W(regBase) + L"\\" + cyrillic + L"\\AcmeTool";
    k = CreateKeyPath(HKEY_CURRENT_USER, partKey);
    for (const wchar_t* name : {L"", L"a\\b", L"\x4e2d", L"keep"}) setW(k, name, name);
    RegCloseKey(k);
    const auto before = RawValues(regBase);

    CheckTree reg, files;
    Scan(reg, files);
    NodeId keep = -1;
    for (NodeId id : reg.InOrder())
        if (reg.Get(id).reg == RegPath{RegHive::CurrentUser, partKey, L"keep"}) keep = id;
    ASSERT_NE(keep, -1) << "the key below a name the code page lacks was not found";
    reg.ToggleNodeState(keep);
    FindingsOutcome out = RemoveFindings(reg, files, Backup());
    EXPECT_EQ(out.failed, 0u);
    ASSERT_EQ(out.backup, BackupState::Kept) << out.backupError;
    const auto removed = RawValues(regBase);
    EXPECT_EQ(removed.count(L"K:\\Vendor\\AcmeTool"), 0u);
    const std::wstring part = L"\\" + cyrillic + L"\\AcmeTool";
    EXPECT_EQ(removed.count(L"V:" + part + L"|keep"), 1u);
    EXPECT_EQ(removed.count(L"V:" + part + L"|a\\b"), 0u);
    EXPECT_EQ(removed.count(L"V:" + part + L"|"), 0u) << "the default value";

    RestoreOutcome back = RestoreCleanup(kept, out.folder, safety);
    for (const auto& s : back.notRestored) ADD_FAILURE() << WideToAnsi(s);
    EXPECT_EQ(RawValues(regBase), before);
}

// The same key in both hives, one of which cannot go: the one that went is
// kept as its own hive's, and comes back there.
TEST_F(UndoRoad, OfTheSameKeyInBothHivesTheOneThatWentIsKeptForItsHive) {
    RegCloseKey(Make("Vendor\\AcmeTool\\Run"));  // a name Windows owns keeps the user's whole
    HKEY k = CreateKeyPath(HKEY_LOCAL_MACHINE, regBase + "\\Vendor\\AcmeTool");
    SetValue(k, "machine", REG_SZ, std::string("m", 2));
    RegCloseKey(k);
    struct Drop {
        std::string path;
        ~Drop() { reg::DeleteTree(HKEY_LOCAL_MACHINE, path); }
    } drop{regBase};
    const Picture machine = RegPicture(HKEY_LOCAL_MACHINE, regBase);

    CheckTree reg, files;
    ScanProgress quiet = Quiet();
    ScanRegistryKey(RegHive::CurrentUser, regBase, kWord, reg, quiet);
    ScanRegistryKey(RegHive::LocalMachine, regBase, kWord, reg, quiet);
    for (NodeId id : reg.Roots()) {
        const RegPath& at = *reg.Get(id).reg;
        if ((at.key == W(regBase) + L"\\Vendor\\AcmeTool") != (reg.Get(id).state == csChecked))
            reg.ToggleNodeState(id);
    }
    FindingsOutcome out = RemoveFindings(reg, files, Backup());
    ASSERT_EQ(out.backup, BackupState::Kept) << out.backupError;
    EXPECT_EQ(out.failed, 1u) << "the user's key holds one Windows owns";
    EXPECT_FALSE(RegPicture(HKEY_LOCAL_MACHINE, regBase).count("K:\\Vendor\\AcmeTool"));

    RestoreOutcome back = RestoreCleanup(kept, out.folder, safety);
    for (const auto& s : back.notRestored) ADD_FAILURE() << WideToAnsi(s);
    EXPECT_EQ(back.restored, 1u);
    EXPECT_EQ(RegPicture(HKEY_LOCAL_MACHINE, regBase), machine);
}

// A clock set back since the last clean-ups (their manifests, written by an
// earlier version, give a later time) never costs the newest its backup.
TEST_F(UndoRoad, TheCleanUpJustKeptOutlastsOlderOnesDatedLater) {
    for (int i = 0; i < 10; ++i) {
        const std::string folder = WideToAnsi(kept) + "old " + std::to_string(i);
        ForceDirectories(folder);
        const std::string n = std::to_string(i);
        WriteWholeFile(folder + "\\cleanup.txt", "Carvexo clean-up 1\nprogram\tOld " + n +
                                                     "\ntime\t2999-01-1" + n + " 10:00:00\n");
        SealKeptCleanup(W(folder));
    }
    CheckTree reg, files;
    Scan(reg, files);
    FindingsOutcome out = RemoveFindings(reg, files, Backup());
    ASSERT_EQ(out.backup, BackupState::Kept) << out.backupError;
    auto list = ListCleanups(kept);
    ASSERT_EQ(list.size(), 10u);
    EXPECT_EQ(list.front().folder, out.folder);
    EXPECT_EQ(list[1].program, L"Old 9");
    EXPECT_EQ(list.back().program, L"Old 1") << "the oldest of the old ones goes";
}

// Under Wine, names that differ only in case are two items (made by the
// host): neither may cost the other its place or its backup, and both are
// there after the clean-up and its restore. Each file goes on its own, so
// "Data\a.txt" and "DATA\a.txt" meet in one folder of the backup, where Wine
// takes the one for the other.
TEST_F(UndoRoad, CaseTwinsAreBothThereAfterACleanUpAndItsRestore) {
    if (!UnderWine()) GTEST_SKIP() << "case twins exist only under Wine";
    const std::string app = "C:\\carvexo-tests\\undo-twins\\app";
    ASSERT_TRUE(FileExists(app + "\\README.TXT") &&
                ReadWholeFile(app + "\\Readme.txt") == "lower\n")
        << "no case twins in the prefix: run through ctest (case-twins fixture)";
    const Picture before = FilePicture(app);
    CheckTree reg, files;
    ScanProgress quiet = Quiet();
    ScanFiles(app, files, quiet);
    for (NodeId id : files.InOrder())
        if (files.Get(id).text.find("stays.txt") != std::string::npos) files.ToggleNodeState(id);
    FindingsOutcome out = RemoveFindings(reg, files, Backup());
    ASSERT_EQ(out.backup, BackupState::Kept) << out.backupError;
    EXPECT_FALSE(FileExists(app + "\\other.txt"));
    RestoreOutcome back = RestoreCleanup(kept, out.folder, safety);
    for (const auto& s : back.notRestored) ADD_FAILURE() << WideToAnsi(s);
    EXPECT_EQ(FilePicture(app), before);
}

TEST(UndoPrune, TheNewestTenWithinTheLimitStayAndOnlyKeptCleanUpsAreTouched) {
    const std::wstring root = W(FreshScratchDir("undo-prune"));
    for (int i = 0; i < 12; ++i) {
        CleanupManifest m;
        m.program = L"P" + std::to_wstring(i);
        m.time = "2024-01-" + std::string(i < 9 ? "0" : "") + std::to_string(i + 1) + " 10:00:00";
        m.size = 100;
        // Folder names sort against their times: the manifest's time decides.
        std::wstring folder = root + std::to_wstring(50 - i) + L"\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        WriteWholeFile(WideToAnsi(folder) + "cleanup.txt", WriteManifest(m));
        SealKeptCleanup(folder);
    }
    // In a clean-up that goes, what its manifest does not list is not ours.
    const std::string unlisted = WideToAnsi(root) + "50\\files\\C\\x\\unlisted.txt";
    ForceDirectories(WideToAnsi(root) + "50\\files\\C\\x");
    WriteWholeFile(unlisted, "x");
    CreateDirectoryW((root + L"not ours").c_str(), nullptr);
    WriteWholeFile(WideToAnsi(root) + "not ours\\cleanup.txt", "Carvexo clean-up 0\nfolder\tC:\n");
    WriteWholeFile(WideToAnsi(root) + "stray.txt", "x");

    auto list = ListCleanups(root);
    ASSERT_EQ(list.size(), 12u);
    EXPECT_EQ(list.front().program, L"P11");
    EXPECT_EQ(list.back().program, L"P0");

    PruneCleanups(root);
    list = ListCleanups(root);
    ASSERT_EQ(list.size(), 10u);
    EXPECT_EQ(list.back().program, L"P2");
    PruneCleanups(root, 10, 350);
    list = ListCleanups(root);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.back().program, L"P9");
    EXPECT_TRUE(FileExists(WideToAnsi(root) + "not ours\\cleanup.txt"));
    EXPECT_TRUE(FileExists(WideToAnsi(root) + "stray.txt"));
    EXPECT_TRUE(FileExists(unlisted));
}

// A kept clean-up is a folder anybody may have changed: its manifest and its
// .reg files lead nowhere but back to the places a clean-up could have emptied.
class HostileKept : public UndoRoad {
protected:
    // A clean-up of the folder and the registry, then `tamper` on its manifest.
    std::wstring KeepAndTamper(const std::function<void(CleanupManifest&)>& tamper) {
        CheckTree reg, files;
        Scan(reg, files);
        FindingsOutcome out = RemoveFindings(reg, files, Backup());
        EXPECT_EQ(out.backup, BackupState::Kept) << out.backupError;
        const std::string path = WideToAnsi(out.folder) + "cleanup.txt";
        const std::string file = ReadWholeFile(path);
        auto m = ParseManifest(SplitManifestFile(file).text);
        EXPECT_TRUE(m);
        if (m) {
            tamper(*m);
            WriteWholeFile(path, WriteManifest(*m));
            // Proving itself as this user's: what is judged is what it holds.
            SealKeptCleanup(out.folder);
        }
        return out.folder;
    }
};

TEST_F(HostileKept, ItemsLeadingOutsideTheirRootOrIntoProtectedPlacesStay) {
    const std::string victim = FreshScratchDir("undo-victim");
    const std::string sys = WindowsDirectory() + "\\cx-undo-test";
    std::wstring folder = KeepAndTamper([&](CleanupManifest& m) {
        const std::wstring taken = m.items.at(0).path;
        m.items.clear();
        m.keys.clear();
        m.values.clear();
        // Outside the root, by a name and by ".." and by a second root spelling.
        m.items.push_back({TakenKind::Folder, W(victim) + L"x"});
        m.items.push_back({TakenKind::Folder, taken + L"\\..\\..\\undo-victim\\x"});
        m.items.push_back({TakenKind::Folder, taken + L"\\.\\bin"});
        m.items.push_back({TakenKind::File, taken + L"\\bin/tool.exe"});
        m.items.push_back({TakenKind::File, taken + L"\\bin\\tool.exe::$DATA"});
        m.items.push_back({TakenKind::Folder, taken});
    });
    // The copy of the folder, planted where each hostile item would be taken from.
    const std::string planted = WideToAnsi(folder + StoredPathOf(W(victim) + L"x"));
    ForceDirectories(planted);
    WriteWholeFile(planted + "\\evil.txt", "planted");

    {
        // Into the Windows folder: the root itself is refused.
        const std::string file = ReadWholeFile(WideToAnsi(folder) + "cleanup.txt");
        auto m = ParseManifest(SplitManifestFile(file).text);
        ASSERT_TRUE(m);
        CleanupManifest w = *m;
        w.root = W(sys);
        w.items = {{TakenKind::Folder, W(sys)}};
        WriteWholeFile(WideToAnsi(folder) + "cleanup.txt", WriteManifest(w));
        SealKeptCleanup(folder);
        ForceDirectories(WideToAnsi(folder + StoredPathOf(W(sys))));
        RestoreOutcome back = RestoreCleanup(kept, folder, safety);
        EXPECT_EQ(back.restored, 0u);
        EXPECT_FALSE(DirectoryExists(sys));
        WriteWholeFile(WideToAnsi(folder) + "cleanup.txt", WriteManifest(*m));
        SealKeptCleanup(folder);
    }

    RestoreOutcome back = RestoreCleanup(kept, folder, safety);
    EXPECT_EQ(back.restored, 1u) << "only the root itself is a place below the root";
    EXPECT_EQ(back.notRestored.size(), 5u);
    EXPECT_FALSE(DirectoryExists(victim + "x"));
    EXPECT_TRUE(DirectoryExists(dir + "\\bin"));
    EXPECT_TRUE(FileExists(planted + "\\evil.txt"));
}

TEST_F(HostileKept, ProtectedKeysAndRegFilesReachingOutsideTheirKeyAreNotImported) {
    const std::string runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const Picture runBefore = RegPicture(HKEY_CURRENT_USER, runKey);
    std::wstring folder = KeepAndTamper([&](CleanupManifest& m) {
        m.items.clear();
        m.values.clear();
        ASSERT_EQ(m.keys.size(), 2u);
        // The manifest names a key Windows owns, with the clean-up's own export.
        m.keys.push_back({cx::RegHive::CurrentUser, W(runKey), L"1.reg"});
        m.values.push_back({cx::RegHive::CurrentUser, W(runKey), L"cx-undo", REG_SZ, {'x', 0}});
    });
    // The exports of the taken keys now also write a key elsewhere.
    for (const char* name : {"1.reg", "2.reg"}) {
        const std::string file = WideToAnsi(folder) + "registry\\" + name;
        std::string bytes = ReadWholeFile(file);
        std::wstring extra =
            L"\r\n[HKEY_CURRENT_USER\\" + W(regBase) + L"\\Planted]\r\n\"p\"=\"1\"\r\n";
        for (wchar_t c : extra) {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>(c >> 8));
        }
        WriteWholeFile(file, bytes);
    }
    SealKeptCleanup(folder);

    RestoreOutcome back = RestoreCleanup(kept, folder, safety);
    EXPECT_EQ(back.restored, 0u);
    EXPECT_EQ(back.notRestored.size(), 4u);
    Picture now = RegPicture(HKEY_CURRENT_USER, regBase);
    EXPECT_EQ(now.count("K:\\Planted"), 0u);
    EXPECT_EQ(now.count("K:\\Vendor\\AcmeTool"), 0u);
    EXPECT_EQ(RegPicture(HKEY_CURRENT_USER, runKey), runBefore);
}

TEST_F(HostileKept, OnlyAFolderDirectlyBelowTheRootWithAManifestIsAKeptCleanUp) {
    std::wstring folder = KeepAndTamper([](CleanupManifest&) {});
    EXPECT_THROW(RestoreCleanup(kept, folder + L"registry", safety), AppError);
    EXPECT_THROW(RestoreCleanup(kept, kept + L"..\\cleanup\\" + folder.substr(kept.size()), safety),
                 AppError);
    EXPECT_THROW(RestoreCleanup(kept, W(scratch), safety), AppError);
    WriteWholeFile(WideToAnsi(folder) + "cleanup.txt", "Carvexo clean-up 1\nnonsense\n");
    EXPECT_THROW(RestoreCleanup(kept, folder, safety), AppError);
    EXPECT_TRUE(ListCleanups(kept).empty());
}

// Only a clean-up this user made, as it was made, is restored: one whose
// manifest or export was changed since, one sealed under another account's
// secret, and one kept before clean-ups were sealed are not listed, not
// restored and never pruned; the untouched one beside them is.
TEST_F(HostileKept, CleanUpsThatCannotProveThemselvesAreRefusedAndLeftAlone) {
    auto withoutSeal = [](const std::string& text) {
        const size_t at = text.rfind("\nseal\t");
        return at == std::string::npos ? text : text.substr(0, at + 1);
    };
    const struct {
        const char* what;
        std::function<void(const std::string& folder)> spoil;
    } cases[] = {
        {"a manifest changed since",
         [&](const std::string& f) {
             std::string t = ReadWholeFile(f + "cleanup.txt");
             t.replace(t.find("program\tAcme Tool"), 17, "program\tAcme Toon");
             WriteWholeFile(f + "cleanup.txt", t);
         }},
        {"an export changed since, still inside its key",
         [&](const std::string& f) {
             std::string bytes = ReadWholeFile(f + "registry\\1.reg");
             for (char c : std::string("\"planted\"=\"1\"\r\n")) bytes += {c, '\0'};
             WriteWholeFile(f + "registry\\1.reg", bytes);
         }},
        {"sealed by another account",
         [&](const std::string& f) {
             WriteWholeFile(f + "cleanup.txt",
                            withoutSeal(ReadWholeFile(f + "cleanup.txt")) + "seal\t" +
                                std::string(64, 'a') + "\n");
         }},
        {"kept before clean-ups were sealed",
         [&](const std::string& f) {
             WriteWholeFile(f + "cleanup.txt", withoutSeal(ReadWholeFile(f + "cleanup.txt")));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveTree(WideToAnsi(kept));
        DropRegSandbox();
        regBase = FreshRegSandbox("Undo");
        RemoveTree(dir);
        SeedRegistry();
        SeedFiles();
        const std::wstring folder = KeepAndTamper([](CleanupManifest&) {});
        c.spoil(WideToAnsi(folder));
        const Picture spoilt = Now();
        EXPECT_TRUE(ListCleanups(kept).empty());
        EXPECT_THROW(RestoreCleanup(kept, folder, safety), AppError);
        PruneCleanups(kept, 0, 0);
        EXPECT_TRUE(FileExists(WideToAnsi(folder) + "cleanup.txt")) << "pruned";
        EXPECT_TRUE(FileExists(WideToAnsi(folder) + "registry\\1.reg")) << "pruned";
        EXPECT_EQ(Now(), spoilt);
    }
}

// Regedit imports a copy of the export that was checked, whatever becomes of
// the backup folder's file meanwhile: the fake regedit swaps it for one with
// a planted value just before it imports what it was given.
TEST_F(HostileKept, WhatIsImportedIsTheExportAsItWasChecked) {
    const Picture before = Now();
    const std::wstring folder = KeepAndTamper([](CleanupManifest&) {});
    const std::wstring file = folder + L"registry\\1.reg", forged = kept + L"forged.reg";
    std::string bytes = ReadWholeFile(WideToAnsi(file));
    for (char c : std::string("\"planted\"=\"1\"\r\n")) bytes += {c, '\0'};
    WriteWholeFile(WideToAnsi(forged), bytes);
    SetEnvironmentVariableW(L"CX_FAKE_REGEDIT", L"swap");
    SetEnvironmentVariableW(L"CX_FAKE_REGEDIT_SWAP", (forged + L"|" + file).c_str());
    RestoreOptions options;
    options.regedit = W(BuildDir()) + L"tests\\cleanup_undo\\FakeRegedit.exe";
    RestoreOutcome back = RestoreCleanup(kept, folder, safety, options);
    SetEnvironmentVariableW(L"CX_FAKE_REGEDIT", nullptr);
    SetEnvironmentVariableW(L"CX_FAKE_REGEDIT_SWAP", nullptr);
    for (const auto& s : back.notRestored) ADD_FAILURE() << WideToAnsi(s);
    EXPECT_EQ(Now(), before);
}

}  // namespace

// The seeder against Wine's real registry and file system: what it writes,
// that running it again restores the seeded state, and that /clean undoes it.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <set>

#include "ToolsKit.h"
#include "harness/TestKit.h"
#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "seeder/DemoData.h"

namespace {

// The largest picture of a module's first icon, as stored; empty when it has none.
std::string IconBytes(const std::string& module) {
    HMODULE m = LoadLibraryExA(module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!m) return {};
    std::string bytes;
    if (HRSRC group = FindResourceA(m, MAKEINTRESOURCEA(1), RT_GROUP_ICON)) {
        auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(m, group)));
        int id = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(dir), TRUE, 48, 48, LR_DEFAULTCOLOR);
        if (HRSRC icon = FindResourceA(m, MAKEINTRESOURCEA(id), RT_ICON)) {
            auto* data = static_cast<const char*>(LockResource(LoadResource(m, icon)));
            bytes.assign(data, SizeofResource(m, icon));
        }
    }
    FreeLibrary(m);
    return bytes;
}

using namespace cx;
using namespace cx::demo;
using namespace cx::test;
using namespace cx::test::tools;

std::string UninstallKey(const DemoProgram& p) {
    return std::string(kUninstallPath) + "\\" + p.keyName;
}

bool IsKbName(const std::string& name) {
    return name.size() > 2 && name.compare(0, 2, "KB") == 0 &&
           std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool HasPatchMarker(const DemoProgram& p) {
    static const std::set<std::string> kTypes = {"Security Update", "Update", "Hotfix",
                                                 "Update Rollup", "Service Pack"};
    return p.parentKeyName || (p.releaseType && kTypes.count(p.releaseType)) || IsKbName(p.keyName);
}

// The files every folder should hold: its own program's and those of programs
// (patches) installed below it.
std::vector<std::string> ExpectedTree(const std::string& dir) {
    std::set<std::string> lines;
    for (const DemoProgram& p : Programs()) {
        const std::string own = InstallDir(p);
        if (own.empty() || !StartsWithNoCase(own, dir)) continue;
        const std::string prefix = own.substr(dir.size());
        for (const DemoFile& f : FilesOf(p)) {
            std::string rel = prefix + f.relPath;
            for (size_t cut = rel.find('\\'); cut != std::string::npos;
                 cut = rel.find('\\', cut + 1))
                lines.insert(rel.substr(0, cut + 1));
            const std::string source = f.kind == FileKind::MainExe       ? MainExeTool(p)
                                       : f.kind == FileKind::Uninstaller ? "SampleUninstall.exe"
                                                                         : "";
            const size_t size = source.empty() ? f.size : ReadWholeFile(ToolsDir() + source).size();
            lines.insert(rel + "|" + std::to_string(size));
        }
    }
    return {lines.begin(), lines.end()};
}

std::vector<reg::Value> Sorted(std::vector<reg::Value> values) {
    std::sort(values.begin(), values.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    return values;
}

TEST(DemoTable, DescribesAUsedMachine) {
    std::set<std::string> names;
    int listed = 0, patches = 0, nameless = 0, namelessListed = 0, hidden = 0, guids = 0;
    std::set<int> frequencies;
    for (const DemoProgram& p : Programs()) {
        SCOPED_TRACE(p.keyName);
        EXPECT_TRUE(names.insert(Lower(std::string(HiveText(p.hive)) + p.keyName)).second)
            << "duplicate key";
        // The inventory decides by these markers; the table must agree with itself.
        EXPECT_EQ(p.patch, HasPatchMarker(p));
        if (IsListed(p)) ++listed;
        if (p.patch) ++patches;
        if (!p.displayName) {
            ++nameless;
            if (IsListed(p)) ++namelessListed;
        }
        if (p.systemComponent) ++hidden;
        if (p.keyName[0] == '{') {
            ++guids;
            EXPECT_EQ(std::string(p.keyName).size(), 38u);
        }
        if (p.arpFrequency >= 0) frequencies.insert(p.arpFrequency);
        if (p.uninstaller) {
            EXPECT_FALSE(InstallDir(p).empty());
        }
        if (p.remains != Remains::None) {
            EXPECT_TRUE(p.vendorDir);
        }
    }
    EXPECT_GE(listed, 30);
    EXPECT_GE(patches, 5);
    EXPECT_EQ(nameless, 2);
    EXPECT_EQ(namelessListed, 1);
    EXPECT_EQ(hidden, 1);
    EXPECT_GE(guids, 3);
    EXPECT_EQ(frequencies, (std::set<int>{1, 2, 3, 10, 11, 25}));

    for (const DemoRunValue& v : RunValues()) {
        EXPECT_TRUE(ProgramByKey(v.programKey).mainExe) << v.name;
        // Wine runs and deletes the machine's RunOnce values when a session starts.
        EXPECT_FALSE(v.hive == Hive::Machine && std::string(v.keyPath) == "RunOnce") << v.name;
    }
    for (const DemoShortcut& s : Shortcuts()) EXPECT_TRUE(ProgramByKey(s.programKey).mainExe);
    int inSystem = 0, inWindows = 0;
    for (const DemoScreenSaver& s : ScreenSavers()) (s.systemFolder ? inSystem : inWindows)++;
    EXPECT_GE(inSystem, 2);
    EXPECT_GE(inWindows, 1);
}

TEST(Seeder, WritesWhatTheTableSays) {
    const std::string sampleApp = ReadWholeFile(ToolsDir() + "SampleApp.exe");
    const std::string uninstaller = ReadWholeFile(ToolsDir() + "SampleUninstall.exe");
    ASSERT_FALSE(sampleApp.empty());
    ASSERT_FALSE(uninstaller.empty());

    // The pictures of the products' executables: a list of identical icons
    // would not look like a used machine.
    std::set<std::string> faces;
    for (const DemoProgram& p : Programs()) {
        SCOPED_TRACE(p.keyName);
        auto key = reg::Key::Open(HiveRoot(p.hive), UninstallKey(p));
        ASSERT_TRUE(key);
        const Hive other = p.hive == Hive::Machine ? Hive::User : Hive::Machine;
        EXPECT_FALSE(KeyExists(HiveRoot(other), UninstallKey(p)));
        EXPECT_EQ(key->GetString("DisplayName"),
                  p.displayName ? std::optional<std::string>(p.displayName) : std::nullopt);
        EXPECT_EQ(key->GetString("UninstallString").value_or(""), UninstallCommand(p));
        EXPECT_EQ(key->GetDword("SystemComponent").value_or(0), p.systemComponent ? 1u : 0u);
        EXPECT_EQ(key->GetDword("EstimatedSize").value_or(0), p.estimatedSizeKB);
        if (p.writeLocation && p.root != Root::None) {
            EXPECT_EQ(key->GetString("InstallLocation"), InstallLocation(p));
        }
        if (p.uninstaller) {
            // The command runs a real file, its path quoted.
            EXPECT_EQ(UninstallCommand(p).front(), '"');
            EXPECT_EQ(ReadWholeFile(InstallDir(p) + p.uninstaller), uninstaller);
        }
        if (p.mainExe) {
            EXPECT_EQ(ReadWholeFile(MainExePath(p)), ReadWholeFile(ToolsDir() + MainExeTool(p)));
            faces.insert(IconBytes(MainExePath(p)));
        }
        for (const DemoFile& f : FilesOf(p)) {
            if (f.kind == FileKind::Filler) {
                EXPECT_EQ(ReadWholeFile(InstallDir(p) + f.relPath),
                          FillerContent(f.relPath, f.size))
                    << f.relPath;
            }
        }
        if (!InstallDir(p).empty()) {
            EXPECT_EQ(ListTree(InstallDir(p)), ExpectedTree(InstallDir(p)));
        }

        auto arp =
            reg::Key::Open(HiveRoot(p.arpHive), std::string(kArpCachePath) + "\\" + p.keyName);
        EXPECT_EQ(arp.has_value(), p.arpFrequency >= 0);
        if (arp) {
            auto blob = arp->RawValue("SlowInfoCache");
            ASSERT_TRUE(blob);
            const SlowInfoCache want = ArpCacheOf(p);
            ASSERT_EQ(blob->data.size(), 552u);
            EXPECT_EQ(memcmp(blob->data.data(), &want, sizeof want), 0);
            EXPECT_EQ(reinterpret_cast<const SlowInfoCache*>(blob->data.data())->Frequency,
                      static_cast<DWORD>(p.arpFrequency));
        }
        for (const RemainKey& r : RemainKeysOf(p)) {
            auto remain = reg::Key::Open(HiveRoot(r.hive), r.path);
            ASSERT_TRUE(remain) << r.path;
            auto got = Sorted(remain->Values());
            auto want = Sorted(r.values);
            ASSERT_EQ(got.size(), want.size()) << r.path;
            for (size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(got[i].name, want[i].name);
                EXPECT_EQ(got[i].type, want[i].type);
                EXPECT_EQ(got[i].data, want[i].data) << r.path << " " << got[i].name;
            }
        }
    }

    for (const DemoScreenSaver& s : ScreenSavers())
        EXPECT_EQ(ReadWholeFile(ScreenSaverPath(s)), ReadWholeFile(ToolsDir() + s.source))
            << s.fileName;

    for (const DemoRunValue& v : RunValues()) {
        std::string path = std::string(kCurrentVersionPath) + "\\" + v.keyPath;
        if (v.disabled) path += std::string("\\") + kDisabledSubkey;
        auto key = reg::Key::Open(HiveRoot(v.hive), path);
        ASSERT_TRUE(key) << path;
        auto value = key->RawValue(v.name);
        ASSERT_TRUE(value) << v.name;
        EXPECT_EQ(value->type, v.expandable ? DWORD(REG_EXPAND_SZ) : DWORD(REG_SZ));
        EXPECT_EQ(reg::StringFromData(value->data), RunValueData(v));
        if (v.expandable) {
            EXPECT_EQ(RunValueData(v).rfind("%ProgramFiles%\\", 0), 0u);
        }
    }

    EXPECT_GE(faces.size(), 8u) << "the products' executables do not carry icons of their own";
    EXPECT_EQ(faces.count(""), 0u) << "an executable without an icon";

    ComInit com;
    for (const DemoShortcut& s : Shortcuts()) {
        SCOPED_TRACE(s.fileName);
        ComPtr<IShellLinkA> link;
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IShellLinkA, link.put_void()));
        ComPtr<IPersistFile> file;
        ASSERT_HRESULT_SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void()));
        ASSERT_HRESULT_SUCCEEDED(
            file->Load(AnsiToWide(StartupFolder(s.allUsers) + s.fileName).c_str(), STGM_READ));
        char target[MAX_PATH] = {}, args[MAX_PATH] = {};
        ASSERT_HRESULT_SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0));
        ASSERT_HRESULT_SUCCEEDED(link->GetArguments(args, MAX_PATH));
        EXPECT_TRUE(EqualsNoCase(target, ShortcutTarget(s))) << target;
        EXPECT_STREQ(args, s.arguments ? s.arguments : "");
    }
}

TEST(Seeder, SeedingAgainRestoresTheSeededState) {
    const std::string before = SeededState();
    const DemoProgram& notes = ProgramByKey("BrindleNotes_is1");
    const DemoProgram& viewer = ProgramByKey("PellucidViewer");
    const DemoRunValue& tray = RunValues().front();

    // What users, uninstallers and other tests do to a machine in between.
    DeleteFileA(MainExePath(notes).c_str());
    WriteWholeFile(InstallDir(notes) + "uninstall.log", "stray");
    WriteWholeFile(InstallDir(notes) + "Data\\new.dat", "stray");
    reg::DeleteTree(HKEY_LOCAL_MACHINE, UninstallKey(viewer));
    reg::DeleteTree(HiveRoot(RemainKeysOf(viewer)[0].hive), RemainKeysOf(viewer)[0].path);
    reg::Key::Create(HiveRoot(RemainKeysOf(notes)[1].hive), RemainKeysOf(notes)[1].path)
        .SetString("Extra", "x");
    reg::Key::Create(HKEY_CURRENT_USER,
                     std::string(kCurrentVersionPath) + "\\Run\\" + kDisabledSubkey)
        .SetString(tray.name, "moved");
    reg::Key::Open(HKEY_CURRENT_USER, std::string(kCurrentVersionPath) + "\\Run", KEY_ALL_ACCESS)
        ->DeleteValue(tray.name);
    DeleteFileA((StartupFolder(false) + Shortcuts().front().fileName).c_str());
    DeleteFileA(ScreenSaverPath(ScreenSavers().front()).c_str());
    ASSERT_NE(LineDiff(before, SeededState()), "");

    ASSERT_EQ(RunSeeder("/seed"), 0);
    EXPECT_EQ(LineDiff(before, SeededState()), "");
    ASSERT_EQ(RunSeeder("/seed"), 0);
    EXPECT_EQ(LineDiff(before, SeededState()), "");
}

TEST(Seeder, CleanRemovesEverythingItSeeded) {
    const std::string before = SeededState();
    ASSERT_EQ(RunSeeder("/clean"), 0);

    for (const DemoProgram& p : Programs()) {
        SCOPED_TRACE(p.keyName);
        EXPECT_FALSE(KeyExists(HiveRoot(p.hive), UninstallKey(p)));
        EXPECT_FALSE(KeyExists(HiveRoot(p.arpHive), std::string(kArpCachePath) + "\\" + p.keyName));
        for (const RemainKey& r : RemainKeysOf(p))
            EXPECT_FALSE(KeyExists(HiveRoot(r.hive), r.path)) << r.path;
        if (p.vendorDir) {
            // Emptied vendor keys and folders go too.
            EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::string("Software\\") + p.vendorDir));
            EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string("Software\\") + p.vendorDir));
            EXPECT_FALSE(DirectoryExists(RootDir(p.root) + "\\" + p.vendorDir));
        } else if (!InstallDir(p).empty()) {
            EXPECT_FALSE(DirectoryExists(InstallDir(p)));
        }
    }
    for (const DemoScreenSaver& s : ScreenSavers()) EXPECT_FALSE(FileExists(ScreenSaverPath(s)));
    for (const DemoShortcut& s : Shortcuts())
        EXPECT_FALSE(FileExists(StartupFolder(s.allUsers) + s.fileName));
    for (const DemoRunValue& v : RunValues()) {
        const std::string path = std::string(kCurrentVersionPath) + "\\" + v.keyPath;
        for (const std::string& key : {path, path + "\\" + kDisabledSubkey}) {
            auto k = reg::Key::Open(HiveRoot(v.hive), key);
            EXPECT_FALSE(k && k->HasValue(v.name)) << key << " " << v.name;
        }
    }
    // Shared parents stay.
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallPath));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Classes\\Installer\\Products"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, std::string(kCurrentVersionPath) + "\\Run"));
    EXPECT_TRUE(DirectoryExists(RootDir(Root::ProgramFiles)));
    EXPECT_TRUE(DirectoryExists(RootDir(Root::Windows)));

    ASSERT_EQ(RunSeeder("/seed"), 0);
    EXPECT_EQ(LineDiff(before, SeededState()), "");
}

int BenchEntries() {
    int n = 0;
    for (const auto& name : reg::Key::Open(HKEY_LOCAL_MACHINE, kUninstallPath)->SubKeyNames())
        if (name.rfind(kBenchPrefix, 0) == 0) ++n;
    return n;
}

TEST(Seeder, BenchEntriesReplaceEachOtherAndGoWithSeed) {
    ASSERT_EQ(RunSeeder("/bench-programs 60"), 0);
    EXPECT_EQ(BenchEntries(), 60);
    auto entry = reg::Key::Open(HKEY_LOCAL_MACHINE,
                                std::string(kUninstallPath) + "\\" + kBenchPrefix + "00050");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->GetString("DisplayName"), "Synthetic Program 00050");
    EXPECT_EQ(entry->GetString("ReleaseType"), "Update");
    const std::string cmd = entry->GetString("UninstallString").value_or("");
    ASSERT_EQ(cmd.front(), '"');
    EXPECT_TRUE(FileExists(cmd.substr(1, cmd.find('"', 1) - 1))) << cmd;

    ASSERT_EQ(RunSeeder("/bench-programs 7"), 0);
    EXPECT_EQ(BenchEntries(), 7);
    ASSERT_EQ(RunSeeder("/seed"), 0);
    EXPECT_EQ(BenchEntries(), 0);

    EXPECT_EQ(RunSeeder("/bench-programs many"), 2);
    EXPECT_EQ(RunSeeder("/bench-programs"), 2);
    EXPECT_EQ(RunSeeder("/plant"), 2);
    EXPECT_EQ(RunSeeder(""), 2);
}

}  // namespace

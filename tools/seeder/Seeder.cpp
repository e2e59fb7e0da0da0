// Seeder.exe /seed | /clean | /bench-programs N  (switches run in the order given)
//
// Makes a throwaway prefix look like a machine that has been used for a while:
// installed programs with real uninstallers and the leftovers they will leave,
// system patches, screen savers and programs that start at logon. /seed first
// removes whatever an earlier run seeded, so running it again restores the seeded
// state. /clean only removes. /bench-programs N replaces the synthetic entries a
// benchmark needs with N new ones.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "platform/Com.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "seeder/DemoData.h"

namespace {

using namespace cx;
using namespace cx::demo;

// The other tools sit beside the seeder.
std::string ToolPath(const std::string& name) {
    std::string path = ExeDirectory() + name;
    if (!FileExists(path)) throw AppError("Missing tool " + path + " (build the cx_tools target)");
    return path;
}

void WriteFileText(const std::string& path, const std::string& content) {
    ForceDirectories(ExtractFilePath(path));
    unique_hfile f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!f ||
        !WriteFile(f.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                   nullptr) ||
        written != content.size())
        throw AppError(Format("Unable to write %s: %s", path.c_str(),
                              SysErrorMessage(GetLastError()).c_str()));
}

void CopyTool(const std::string& tool, const std::string& to) {
    ForceDirectories(ExtractFilePath(to));
    if (!CopyFileA(ToolPath(tool).c_str(), to.c_str(), FALSE))
        throw AppError(Format("Unable to copy %s to %s: %s", tool.c_str(), to.c_str(),
                              SysErrorMessage(GetLastError()).c_str()));
}

// Deletes a folder tree; read-only files included.
void RemoveTree(const std::wstring& dir) {
    const std::wstring base = dir.back() == L'\\' ? dir : dir + L"\\";
    ForEachFolderEntry(base, [&](const WIN32_FIND_DATAW& fd) {
        const std::wstring full = base + fd.cFileName;
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(full);
        else
            DeleteFileW(full.c_str());
        return true;
    });
    RemoveDirectoryW(base.c_str());
}

// Removes a seeded folder and then its parents while they are empty, but never
// the root folder itself or anything outside it: a table entry with a missing
// folder name must not turn into "delete Program Files".
void RemoveSeededFolder(const std::string& dir, const std::string& rootDir) {
    const std::string root = IncludeTrailingBackslash(rootDir);
    if (dir.size() <= root.size() + 1 || !StartsWithNoCase(dir, root)) return;
    RemoveTree(AnsiToWide(dir));
    std::string parent = ExtractFilePath(dir.substr(0, dir.size() - 1));
    while (parent.size() > root.size() && StartsWithNoCase(parent, root)) {
        if (!RemoveDirectoryA(parent.c_str())) break;
        parent = ExtractFilePath(parent.substr(0, parent.size() - 1));
    }
}

bool IsEmptyKey(HKEY root, const std::string& path) {
    auto key = reg::Key::Open(root, path, KEY_READ);
    if (!key) return false;
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyA(key->get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    return subkeys == 0 && values == 0;
}

size_t Components(const std::string& path) {
    size_t n = path.empty() ? 0 : 1;
    for (char c : path)
        if (c == '\\') ++n;
    return n;
}

// Deletes the key at path if it is empty, then each parent that becomes empty,
// keeping the first `keep` components of the path.
void PruneEmptyKeys(HKEY root, std::string path, size_t keep) {
    while (Components(path) > keep && IsEmptyKey(root, path)) {
        if (!reg::DeleteTree(root, path)) return;
        path = path.substr(0, path.rfind('\\'));
    }
}

void DeleteKeyAndPrune(HKEY root, const std::string& path, size_t keep) {
    reg::DeleteTree(root, path);
    size_t cut = path.rfind('\\');
    if (cut != std::string::npos) PruneEmptyKeys(root, path.substr(0, cut), keep);
}

std::string UninstallKeyPath(const std::string& keyName) {
    return std::string(kUninstallPath) + "\\" + keyName;
}

// --- programs --------------------------------------------------------------

void WriteUninstallEntry(const DemoProgram& p) {
    reg::Key key = reg::Key::Create(HiveRoot(p.hive), UninstallKeyPath(p.keyName));
    auto text = [&](const char* name, const char* value) {
        if (value) key.SetString(name, value);
    };
    text("DisplayName", p.displayName);
    text("Publisher", p.publisher);
    text("DisplayVersion", p.version);
    text("InstallDate", p.installDate);
    if (p.estimatedSizeKB) key.SetDword("EstimatedSize", p.estimatedSizeKB);
    text("HelpLink", p.helpLink);
    text("URLInfoAbout", p.aboutLink);
    text("URLUpdateInfo", p.updateLink);
    if (p.writeLocation && !InstallDir(p).empty())
        key.SetString("InstallLocation", InstallLocation(p));
    if (p.icon != IconStyle::None) key.SetString("DisplayIcon", DisplayIcon(p));
    if (p.uninstaller) {
        key.SetString("UninstallString", UninstallCommand(p));
        if (!p.quiet && !p.handOver)
            key.SetString("QuietUninstallString", UninstallCommand(p) + " /silent");
    }
    if (p.windowsInstaller) {
        key.SetDword("WindowsInstaller", 1);
        key.SetDword("NoModify", 1);
        key.SetDword("NoRepair", 1);
    }
    if (p.systemComponent) key.SetDword("SystemComponent", 1);
    text("ParentKeyName", p.parentKeyName);
    text("ParentDisplayName", p.parentDisplayName);
    text("ReleaseType", p.releaseType);
}

void WriteProgramFiles(const DemoProgram& p) {
    const std::string dir = InstallDir(p);
    for (const DemoFile& f : FilesOf(p)) {
        const std::string path = dir + f.relPath;
        switch (f.kind) {
        case FileKind::Filler: WriteFileText(path, FillerContent(f.relPath, f.size)); break;
        case FileKind::MainExe: CopyTool(MainExeTool(p), path); break;
        case FileKind::Uninstaller: CopyTool("SampleUninstall.exe", path); break;
        }
    }
}

void WriteArpCache(const DemoProgram& p) {
    if (p.arpFrequency < 0) return;
    reg::Key key =
        reg::Key::Create(HiveRoot(p.arpHive), std::string(kArpCachePath) + "\\" + p.keyName);
    const SlowInfoCache cache = ArpCacheOf(p);
    key.SetBinary("SlowInfoCache", &cache, sizeof cache);
    key.SetDword("Changed", 0);
}

void WriteRemains(const DemoProgram& p) {
    for (const RemainKey& r : RemainKeysOf(p)) {
        reg::Key key = reg::Key::Create(HiveRoot(r.hive), r.path);
        for (const reg::Value& v : r.values)
            key.SetRaw(v.name, v.type, v.data.data(), v.data.size());
    }
}

void SeedProgram(const DemoProgram& p) {
    WriteProgramFiles(p);
    WriteUninstallEntry(p);
    WriteArpCache(p);
    WriteRemains(p);
}

void CleanProgram(const DemoProgram& p) {
    reg::DeleteTree(HiveRoot(p.hive), UninstallKeyPath(p.keyName));
    for (Hive h : {Hive::Machine, Hive::User})
        reg::DeleteTree(HiveRoot(h), std::string(kArpCachePath) + "\\" + p.keyName);
    for (const RemainKey& r : RemainKeysOf(p))
        DeleteKeyAndPrune(HiveRoot(r.hive), r.path, r.keepComponents);
    if (!InstallDir(p).empty()) RemoveSeededFolder(InstallDir(p), RootDir(p.root));
}

// --- screen savers, startup ------------------------------------------------

void SeedScreenSavers() {
    for (const DemoScreenSaver& s : ScreenSavers()) CopyTool(s.source, ScreenSaverPath(s));
}

void CleanScreenSavers() {
    for (const DemoScreenSaver& s : ScreenSavers()) DeleteFileA(ScreenSaverPath(s).c_str());
}

std::string RunKeyPath(const DemoRunValue& v) {
    std::string path = std::string(kCurrentVersionPath) + "\\" + v.keyPath;
    if (v.disabled) path += std::string("\\") + kDisabledSubkey;
    return path;
}

void SeedRunValues() {
    for (const DemoRunValue& v : RunValues()) {
        reg::Key key = reg::Key::Create(HiveRoot(v.hive), RunKeyPath(v));
        key.SetString(v.name, RunValueData(v), v.expandable ? REG_EXPAND_SZ : REG_SZ);
    }
}

// A seeded value may have been disabled or enabled since (moved between the key
// and its Run_Disable subkey): it is removed from both.
void CleanRunValues() {
    const size_t keep = Components(kCurrentVersionPath) + 1;  // never the Run keys themselves
    for (const DemoRunValue& v : RunValues()) {
        const std::string path = std::string(kCurrentVersionPath) + "\\" + v.keyPath;
        for (const std::string& key : {path + "\\" + kDisabledSubkey, path}) {
            if (auto k = reg::Key::Open(HiveRoot(v.hive), key, KEY_ALL_ACCESS))
                k->DeleteValue(v.name);
            PruneEmptyKeys(HiveRoot(v.hive), key, keep);
        }
    }
}

void SaveShortcut(const DemoShortcut& s) {
    const std::string target = ShortcutTarget(s);
    const std::string path = StartupFolder(s.allUsers) + s.fileName;
    ForceDirectories(ExtractFilePath(path));
    ComPtr<IShellLinkA> link;
    ThrowIfFailed(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   link.put_void()));
    ThrowIfFailed(link->SetPath(target.c_str()));
    if (s.arguments) ThrowIfFailed(link->SetArguments(s.arguments));
    ThrowIfFailed(link->SetDescription(s.description));
    ThrowIfFailed(link->SetWorkingDirectory(ExtractFilePath(target).c_str()));
    ThrowIfFailed(link->SetIconLocation(target.c_str(), 0));
    ComPtr<IPersistFile> file;
    ThrowIfFailed(link->QueryInterface(IID_IPersistFile, file.put_void()));
    ThrowIfFailed(file->Save(AnsiToWide(path).c_str(), TRUE));
}

void SeedShortcuts() {
    for (const DemoShortcut& s : Shortcuts()) SaveShortcut(s);
}

void CleanShortcuts() {
    for (const DemoShortcut& s : Shortcuts())
        DeleteFileA((StartupFolder(s.allUsers) + s.fileName).c_str());
}

// The copies a hand-over uninstaller left in the temp folder once they have ended.
void CleanHandOverCopies() {
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) return;
    const std::wstring dir = AnsiToWide(IncludeTrailingBackslash(temp));
    ForEachFolderEntry(
        dir,
        [&](const WIN32_FIND_DATAW& fd) {
            DeleteFileW((dir + fd.cFileName).c_str());
            return true;
        },
        AnsiToWide(kHandOverPrefix) + L"*.exe");
}

// --- synthetic entries for benchmarks --------------------------------------

std::string BenchDir() { return RootDir(Root::ProgramFiles) + "\\Synthetic Software\\Bench\\"; }

void CleanBench() {
    if (auto key = reg::Key::Open(HKEY_LOCAL_MACHINE, kUninstallPath, KEY_READ)) {
        for (const std::string& name : key->SubKeyNames())
            if (name.rfind(kBenchPrefix, 0) == 0) reg::DeleteTree(key->get(), name);
    }
    RemoveSeededFolder(BenchDir(), RootDir(Root::ProgramFiles));
}

// Every synthetic entry shares one uninstaller; every 25th is a patch.
int SeedBench(int count) {
    CleanBench();
    if (count <= 0) return 0;
    const std::string uninstaller = BenchDir() + "uninstall.exe";
    CopyTool("SampleUninstall.exe", uninstaller);
    reg::Key root = reg::Key::Create(HKEY_LOCAL_MACHINE, kUninstallPath);
    for (int i = 1; i <= count; ++i) {
        const std::string name = Format("%s%05d", kBenchPrefix, i);
        HKEY h = nullptr;
        LONG rc = RegCreateKeyExA(root.get(), name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &h, nullptr);
        if (rc != ERROR_SUCCESS) ThrowWin32(static_cast<DWORD>(rc));
        reg::Key key(h);
        key.SetString("DisplayName", Format("Synthetic Program %05d", i));
        key.SetString("Publisher", Format("Synthetic Vendor %02d", i % 40));
        key.SetString("DisplayVersion", Format("1.%d.%d", i % 17, i % 251));
        key.SetString("InstallDate", Format("2023%02d%02d", 1 + i % 12, 1 + i % 28));
        key.SetDword("EstimatedSize", static_cast<DWORD>(512 + (i * 97) % 200000));
        key.SetString("InstallLocation", BenchDir() + name);
        key.SetString("UninstallString",
                      "\"" + uninstaller + "\" /key \"" + name + "\" /hive HKLM /silent");
        if (i % 25 == 0) key.SetString("ReleaseType", "Update");
    }
    return count;
}

// --- commands -------------------------------------------------------------

// Windows maps ".exe" to the "exefile" type, whose DefaultIcon "%1" makes the
// shell show each program's own icon; a fresh Wine prefix has the type but not
// the mapping, so every executable would show the same picture. The mapping is
// put in as Windows has it, and only where it is missing.
void SeedExecutableFileType() {
    auto classes = reg::Key::Create(HKEY_LOCAL_MACHINE, "Software\\Classes\\.exe");
    if (!classes.GetString("").has_value()) classes.SetString("", "exefile");
    if (!classes.GetString("Content Type").has_value())
        classes.SetString("Content Type", "application/x-msdownload");
}

void Clean() {
    for (const DemoProgram& p : Programs()) CleanProgram(p);
    CleanScreenSavers();
    CleanRunValues();
    CleanShortcuts();
    CleanHandOverCopies();
    CleanBench();
}

void Seed() {
    Clean();
    SeedExecutableFileType();
    for (const DemoProgram& p : Programs()) SeedProgram(p);
    SeedScreenSavers();
    SeedRunValues();
    SeedShortcuts();
    std::printf(
        "Seeded %u uninstall entries, %u screen savers, %u startup values, %u shortcuts.\n",
        static_cast<unsigned>(Programs().size()), static_cast<unsigned>(ScreenSavers().size()),
        static_cast<unsigned>(RunValues().size()), static_cast<unsigned>(Shortcuts().size()));
}

int Usage() {
    std::fprintf(stderr, "usage: Seeder.exe /seed | /clean | /bench-programs N\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    cx::ComInit com;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string arg = cx::Lower(argv[i]);
            if (arg == "/seed") {
                Seed();
            } else if (arg == "/clean") {
                Clean();
                std::printf("Removed everything seeded.\n");
            } else if (arg == "/bench-programs" && i + 1 < argc) {
                char* end = nullptr;
                long n = std::strtol(argv[++i], &end, 10);
                if (*end || n < 0 || n > 100000) return Usage();
                std::printf("Seeded %d synthetic uninstall entries.\n",
                            SeedBench(static_cast<int>(n)));
            } else {
                return Usage();
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Seeder: %s\n", e.what());
        return 1;
    }
    return 0;
}

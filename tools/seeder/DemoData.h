#pragma once
// What the seeder puts into a throwaway prefix so that it looks like a used
// machine: installed programs with their uninstallers and leftovers, screen
// savers and startup entries. The tables are the single source of these facts;
// the seeder writes them and the tests check the program against them.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/Registry.h"

namespace cx::demo {

enum class Hive { Machine, User };

// Where a program's folder lives.
enum class Root {
    None,
    ProgramFiles,  // C:\Program Files
    LocalAppData,  // the user's local application data + "\Programs" (per-user installs)
    Windows,       // the Windows folder (patch backup folders)
};

// Which set of files the program folder holds (see FilesOf).
enum class Layout { None, Tiny, Standard, Large };

// Registry leftovers the uninstaller does not remove (see RemainKeysOf).
enum class Remains { None, Standard, Deep };

enum class IconStyle { None, Indexed, Quoted };

// One entry under ...\CurrentVersion\Uninstall. Null texts are values that are
// not written at all.
struct DemoProgram {
    const char* keyName;
    Hive hive = Hive::Machine;
    const char* displayName = nullptr;
    const char* publisher = nullptr;
    const char* version = nullptr;
    const char* installDate = nullptr;  // yyyymmdd
    DWORD estimatedSizeKB = 0;          // 0: no EstimatedSize value
    const char* helpLink = nullptr;
    const char* aboutLink = nullptr;
    const char* updateLink = nullptr;

    Root root = Root::None;
    const char* vendorDir = nullptr;   // also the vendor key of the registry leftovers
    const char* productDir = nullptr;  // may hold several levels ("Suite\\Updates\\KB1")
    bool locationSlash = false;        // InstallLocation stored with a final backslash
    bool writeLocation = true;         // patches in the Windows folder have none
    const char* mainExe = nullptr;
    IconStyle icon = IconStyle::None;
    Layout layout = Layout::None;

    const char* uninstaller =
        nullptr;            // file name of the uninstaller copy; null: no UninstallString
    bool handOver = false;  // the uninstaller hands its work to a child process
    bool quiet = false;     // no progress window: it ends within a blink

    bool windowsInstaller = false;
    bool systemComponent = false;
    const char* parentKeyName = nullptr;
    const char* parentDisplayName = nullptr;
    const char* releaseType = nullptr;
    bool patch = false;  // what the inventory must report as a system patch

    Remains remains = Remains::None;
    int arpFrequency = -1;  // -1: no ARPCache entry
    Hive arpHive = Hive::Machine;
    LONGLONG arpInstallSize = 0;  // bytes, as the cache records it
};

struct DemoScreenSaver {
    const char* fileName;
    bool systemFolder;   // false: the Windows folder
    const char* source;  // the built file in the tools folder
    const char* title;   // what a reader of the file must find as its display name
    const char* publisher;
    bool shadowed;  // the same name exists in the system folder, which wins
};

// A Run-family value. keyPath is below ...\CurrentVersion ("Run", "RunOnce\\Setup").
struct DemoRunValue {
    Hive hive;
    const char* keyPath;
    bool disabled;  // stored in the key's "Run_Disable" subkey
    const char* name;
    const char* programKey;  // whose main executable it starts
    const char* arguments;
    bool quoted;
    bool expandable;  // REG_EXPAND_SZ with %ProgramFiles% in place of the folder
};

struct DemoShortcut {
    bool allUsers;  // the common Startup folder; else the current user's
    const char* fileName;
    const char* programKey;
    const char* arguments;
    const char* description;
};

// The SlowInfoCache value of an ARPCache entry, as the system lays it out.
struct SlowInfoCache {
    DWORD cbSize;
    BOOL HasName;
    LONGLONG InstallSize;
    FILETIME LastUsed;
    DWORD Frequency;
    WCHAR Name[262];
};
static_assert(sizeof(SlowInfoCache) == 552, "SlowInfoCache must keep the system's size");

enum class FileKind {
    Filler,       // made-up content of `size` bytes
    MainExe,      // a copy of SampleApp.exe
    Uninstaller,  // a copy of SampleUninstall.exe
};

// One file of a program folder, relative to it.
struct DemoFile {
    std::string relPath;
    FileKind kind;
    DWORD size;  // fillers only
    bool removedByUninstaller;
};

// A registry key the seeder creates as a leftover of a program.
struct RemainKey {
    Hive hive;
    std::string path;                // below the hive root
    bool matchesKeyName;             // its last part equals the uninstall key name exactly
    size_t keepComponents;           // leading parts of path that cleaning never deletes
    std::vector<reg::Value> values;  // "" is the default value
};

const std::vector<DemoProgram>& Programs();
const std::vector<DemoScreenSaver>& ScreenSavers();
const std::vector<DemoRunValue>& RunValues();
const std::vector<DemoShortcut>& Shortcuts();

// The entry with this key name; throws when there is none.
const DemoProgram& ProgramByKey(const std::string& keyName);

// Whether the inventory lists this entry: it has a display name or an uninstall
// command, and it is not a system component.
bool IsListed(const DemoProgram& p);

inline constexpr const char* kUninstallPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr const char* kArpCachePath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";
inline constexpr const char* kCurrentVersionPath = "Software\\Microsoft\\Windows\\CurrentVersion";
inline constexpr const char* kDisabledSubkey = "Run_Disable";
// Synthetic entries for benchmarks are named this prefix + a 5-digit number.
inline constexpr const char* kBenchPrefix = "CxBench";
// The hand-over copy of an uninstaller in the temp folder: prefix + process id + ".exe".
inline constexpr const char* kHandOverPrefix = "~cxunins";

HKEY HiveRoot(Hive hive);
const char* HiveText(Hive hive);  // "HKLM", "HKCU"

// The folder of a root, without a final backslash.
std::string RootDir(Root root);
// The program's folder, ending in "\"; empty when it has none.
std::string InstallDir(const DemoProgram& p);
// The InstallLocation value as stored.
std::string InstallLocation(const DemoProgram& p);
// The UninstallString value; empty when the entry has none.
std::string UninstallCommand(const DemoProgram& p);
// The file in the tools folder copied as the program's main executable: one of
// the eight builds of the stand-in program, which differ in their icon only,
// taken in turn by the programs that have one, so the list shows faces of
// their own ("SampleApp.exe", "SampleApp2.exe", ... "SampleApp8.exe").
std::string MainExeTool(const DemoProgram& p);
// The full path of the program's main executable; empty when it has none.
std::string MainExePath(const DemoProgram& p);
std::string DisplayIcon(const DemoProgram& p);
// Every file of the program's folder after seeding, the uninstaller included.
std::vector<DemoFile> FilesOf(const DemoProgram& p);
// Deterministic content of a seeded filler file.
std::string FillerContent(const std::string& relPath, DWORD size);
// The registry leftovers of the program, uninstall entry and ARPCache excluded.
std::vector<RemainKey> RemainKeysOf(const DemoProgram& p);
SlowInfoCache ArpCacheOf(const DemoProgram& p);

// The command line (data) of a Run-family value as seeded.
std::string RunValueData(const DemoRunValue& v);
// The Startup folder (ending in "\") of a shortcut.
std::string StartupFolder(bool allUsers);
std::string ShortcutTarget(const DemoShortcut& s);

// The seeded screen saver's full path.
std::string ScreenSaverPath(const DemoScreenSaver& s);

}  // namespace cx::demo

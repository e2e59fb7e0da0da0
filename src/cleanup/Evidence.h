#pragma once
// What a program leaves behind is rarely named exactly like its uninstall
// entry: its keys carry the product's or the maker's name, its data folders the
// product's, and its files sit in a folder the entry may not even state. These
// are the two kinds of evidence the remains scan looks for: the names to look
// for, and every folder the registration points at.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cx::cleanup {

// ---------------------------------------------------------------------------
// Names to look for

enum class NameKind {
    Registration,  // the uninstall entry's key name
    Product,       // DisplayName without its version and bracketed edition
    Publisher,     // Publisher without its legal form
    Folder,        // the install folder's own name
    ParentFolder,  // the name of the folder holding the install folder
};

struct SearchName {
    std::string text;
    NameKind kind = NameKind::Registration;
    // A product code: it identifies the product only as a whole, so it matches a
    // name that is exactly it, never a part of a longer name.
    bool exactOnly = false;
    // False for short or generic names ("App", "Tools", "Program Files"): many
    // programs' remains carry them, so they only support another name's match.
    bool standsAlone = true;
};

// The registration's values as the program list reads them.
struct RegistrationNames {
    std::string registryName;
    std::string displayName;
    std::string publisher;
    std::string installLocation;
};

// The names a program's remains may carry, in this order and each text once
// (compared without regard to case; a text found twice keeps its first kind):
// - Registration: the key name, blanks trimmed. Setup programs that register
//   "<id>_is1" leave their keys and folders under <id>, so the suffix goes. A
//   product code in braces (also as "<code>_is1") is exactOnly.
// - Product: DisplayName with trailing qualifiers removed, repeatedly, while
//   something remains: a bracketed group of any content ("(x64)", "[Portable]",
//   "(remove only)"); a last word that is a version ("2.1", "v2.1.0", "V3",
//   "2024", "10.0.19041"), with a "version" or "build" before it; and a
//   separator left at the end ("-", an en dash, ",", ":"). "Heron Paint -
//   v2.1 (x64)" gives "Heron Paint".
// - Publisher: its legal form removed, repeatedly, from the end: Inc., Inc,
//   Incorporated, Ltd., Ltd, Limited, LLC, L.L.C., GmbH, Corp., Corp,
//   Corporation, Co., Co, S.A., SA, AG, B.V., BV, PLC, Pty, Pty., S.r.l., Srl,
//   KG, Oy, AB, and a trailing comma or "&" ("Heron Co., Ltd." and "Heron GmbH &
//   Co. KG" give "Heron"). A publisher that is nothing but a legal form stays.
// - Folder and ParentFolder: the last two names of InstallLocation (quotes,
//   blanks and trailing "\" or "/" removed), never a drive, a server or a share
//   name, nor an unexpanded %VARIABLE%.
// standsAlone is false for a text under five characters, a version, or one of
// the words many programs share: Software, Common, Common Files, Update,
// Updates, Shared, Data, Program Files, Program Files (x86), Programs,
// ProgramData, Application, Applications, Apps, Tools, Microsoft, Windows,
// Setup, Install, Installer, Uninstall, Temp, Bin, x86, x64, AppData, Local,
// LocalLow, Roaming, Users, Default, Files, Plugins, Resources, Runtime.
std::vector<SearchName> SearchNames(const RegistrationNames& registration);

// ---------------------------------------------------------------------------
// The install folder from every source

enum class FolderSource {
    InstallLocation,      // the entry's InstallLocation
    InstallerComponents,  // deepest folder holding all the product's installed files
    InstallerProperty,    // the product's InstallLocation as Windows Installer has it
    Uninstaller,          // the folder of the program UninstallString runs
    DisplayIcon,          // the folder of the file DisplayIcon names
    // Without a registration (a look for the leftovers of a program gone):
    ByName,  // a folder named like the program where programs are installed
    Chosen,  // the folder the user named
};

struct FolderCandidate {
    std::wstring folder;  // no trailing "\"
    FolderSource source = FolderSource::InstallLocation;
};

// The registration's values that point at places, as read (REG_EXPAND_SZ
// values already expanded).
struct RegistrationPlaces {
    std::wstring registryName;  // for a Windows Installer entry: the product code
    std::wstring installLocation;
    std::wstring uninstallString;
    std::wstring displayIcon;
    bool windowsInstaller = false;  // WindowsInstaller = 1
};

// What Windows Installer knows of an installed product.
struct InstallerProduct {
    // The paths of the product's components installed on this computer: files,
    // folders (ending in "\") and registry key paths ("02:\SOFTWARE\..."), as
    // MsiGetComponentPath gives them.
    std::vector<std::wstring> componentPaths;
    std::wstring installLocation;  // the InstallLocation product property
};

// Asks Windows Installer about a product code; nothing when it does not know it.
using InstallerQuery = std::function<std::optional<InstallerProduct>(const std::wstring& code)>;

// Folders no program is installed in, however its registration points there.
struct SystemPlaces {
    std::wstring windowsDir;             // holds System32, SysWOW64 and the Installer cache
    std::vector<std::wstring> tempDirs;  // the temporary folders
};

// The folders the registration points at, in the order of FolderSource, each
// once (compared without regard to case; the first source is kept). Only full
// paths ("X:\..." or "\\server\share\...") are kept, and never a drive root.
// InstallLocation and the product property are the registration's own word
// and are kept as given for the safety rules to judge and explain. The folders
// inferred from files are dropped when they lie in SystemPlaces, in a folder
// named Temp or Tmp, or in a setup cache (a "Package Cache" or "InstallShield
// Installation Information" folder), since there they name what ran the
// uninstall, not the program: the Windows folder (rundll32, the Installer
// cache's icons), a copy of the uninstaller in a temporary folder, or msiexec
// wherever it lies. The Installer sources are asked only for an entry with
// WindowsInstaller set whose key name is a product code; component paths in
// those places (shared runtime files) and registry key paths are left out of the
// deepest common folder. An unquoted uninstaller path with blanks
// ("C:\Program Files\A\u.exe /S") runs what CreateProcess finds trying the text
// up to each blank in turn: taken up to its first ".exe" before a blank.
std::vector<FolderCandidate> InstallFolderCandidates(const RegistrationPlaces& registration,
                                                     const SystemPlaces& system,
                                                     const InstallerQuery& askInstaller);

// This computer's Windows folder and temporary folders (the user's and the
// Windows folder's Temp).
SystemPlaces CurrentSystemPlaces();

// Asks the system's msi.dll (loaded by its full path from the system folder,
// only for this question) for the product's installed component paths and
// its InstallLocation property. Nothing when the text is not a product code,
// msi.dll cannot be loaded, or the product is unknown to Windows Installer.
std::optional<InstallerProduct> QueryInstallerProduct(const std::wstring& productCode);

// ---------------------------------------------------------------------------
// Paths inside other values

// The program a command line runs (see InstallFolderCandidates for unquoted
// paths with blanks).
std::wstring CommandProgram(const std::wstring& command);
// The file of an icon reference ("C:\A\a.exe,0", quoted or not).
std::wstring IconFilePath(const std::wstring& iconReference);
// True when `path` is `folder` or lies below it (names compared without
// regard to case, whole names only: "C:\A" does not hold "C:\AB").
bool PathIsIn(const std::wstring& path, const std::wstring& folder);

}  // namespace cx::cleanup

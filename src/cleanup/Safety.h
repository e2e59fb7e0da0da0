#pragma once
// What a remains scan may offer for removal. An install location or a key name
// comes from another program's registration and may say anything: a drive
// root, the Windows folder in some odd spelling, a shell folder, or the name of
// a key that Windows itself owns. These rules decide, before anything is
// listed, whether a folder may be scanned and whether a matched key may be
// offered; everything refused never reaches the trees, so it can never be
// checked and deleted.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cleanup/Evidence.h"
#include "platform/RegPath.h"

namespace cx::cleanup {

// The folders the rules protect, taken from the running system, each in every
// spelling it was found under (normalised: absolute, long names, no trailing
// backslash; compared case-insensitively).
// Another listed program: where it is installed (as registered), its name, and
// its record (registry name and hive) when it comes from the program list.
struct OtherProgram {
    OtherProgram(std::string location_, std::string name_ = {}, std::string registryName_ = {},
                 std::string hive_ = {}, std::string publisher_ = {})
        : location(std::move(location_)),
          name(std::move(name_)),
          registryName(std::move(registryName_)),
          hive(std::move(hive_)),
          publisher(std::move(publisher_)) {}
    std::string location;
    std::string name;
    std::string registryName;
    std::string hive;  // "HKEY_LOCAL_MACHINE" / "HKEY_CURRENT_USER"
    std::string publisher;
};

struct SafetyContext {
    std::vector<std::string> exactProtected;  // the folder itself is refused (subfolders fine)
    std::vector<std::string> treeProtected;   // the folder and everything below it is refused
    std::vector<OtherProgram> otherPrograms;  // the other listed programs and their folders
    // Names this computer answers to on the network besides "localhost" and the
    // loopback addresses (its NetBIOS and DNS names).
    std::vector<std::string> localHostNames;
    // Shares of this computer: share name -> the folder it serves ("X$" drive
    // shares need no entry).
    std::vector<std::pair<std::string, std::string>> localShares;
    // The folders programs put their shortcuts in: the Start menu's Programs
    // (the user's and all users'), both desktops and Quick Launch.
    std::vector<std::string> shortcutFolders;
};

// True when `path` lies strictly below one of ctx.shortcutFolders by plain
// names (normalised as folder texts) and is none of the protected folders
// itself (the Startup folders): a program's shortcut or Start menu folder.
// Those shell folders lie in protected trees, so CheckInstallDirectory
// refuses what is below them; this is the rule for a program's own there.
bool InShortcutFolder(const std::string& path, const SafetyContext& ctx);

// Collects the shell folders of the user and of all users, the Windows and
// system folders, Program Files and Common Files, every profile of the machine
// with its shell folders, the all-users data root, the temporary folder and
// `appDir` (empty: the running executable's folder), with this computer's
// network names and shares. Windows' own folders among the programs' (in
// Program Files and Common Files) and the Microsoft folder of every data root
// (each profile's Roaming, Local and LocalLow, and the all-users data root) are
// protected as trees. `otherPrograms` are taken as the registrations give them;
// those without a usable folder are dropped unless they name their record
// (their registry keys are still theirs).
SafetyContext SystemSafetyContext(const std::string& appDir,
                                  const std::vector<OtherProgram>& otherPrograms);

// The folders below a profile root that belong to its user (Desktop, Documents,
// Downloads, AppData and the rest, in today's and in older layouts).
std::vector<std::string> ProfileShellFolders(const std::string& profileRoot);

enum class DirRefusal {
    None,
    Empty,           // no install folder at all
    Relative,        // not a full path (also "\dir" and "C:dir", which depend on the current drive)
    Unsupported,     // device or stream syntax, wildcards or characters no folder name may hold
    DriveRoot,       // "C:", "C:\", "\\?\C:\" ...
    ShareRoot,       // "\\server", "\\server\share"
    AdminShare,      // "\\server\C$\...", "\\server\ADMIN$": another spelling of a whole drive or
                     // Windows
    Protected,       // one of the protected folders itself
    BelowProtected,  // inside the Windows or system folder
    HoldsProtected,  // a folder that contains a protected folder (or this program's own)
    WindowsMarker,   // a "\Windows\" folder anywhere on the path
    NotFound,        // does not exist (or is not a folder)
    Link,            // the folder itself is a junction or symbolic link
    Network,         // a folder on another computer: its protected folders cannot be known here
    LocalShare,      // a share of this computer whose folder cannot be found
};

struct DirVerdict {
    DirRefusal refusal = DirRefusal::None;
    std::string resolved;            // the folder as it will be scanned, when allowed
    bool holdsOtherProgram = false;  // allowed, but another program lives in or below it
};

// Strips surrounding quotes and blanks, expands environment variables, resolves
// "." and "..", turns a share of this computer into the folder it serves, then
// applies the refusals above to the text, to its long-name
// spelling and to the folder a junction on its way leads to.
DirVerdict CheckInstallDirectory(const std::string& text, const SafetyContext& ctx);

// The part of CheckInstallDirectory that needs no file system: the text is
// normalised (environment expanded) and checked against `ctx`. On success the
// refusal is None and `resolved` holds the normalised folder (it may not exist).
DirVerdict ClassifyInstallPath(const std::string& text, const SafetyContext& ctx);

// The normalised spelling of a folder text ("C:\A\B", "\\server\share\dir"), or
// empty when the text is not an absolute folder path at all.
std::string NormalizeFolderPath(const std::string& text);

// Another program living in or below a scan root: its folder, as names below
// the root, must stay with every folder on the way to it.
struct KeptProgram {
    std::string name;
    std::string location;             // as registered
    std::vector<std::wstring> below;  // names below the scan root; empty: the root itself
};

// The other programs of `ctx` whose folders are `scanRoot` or lie below it,
// compared by text and, where the folders exist, by their long and final paths
// (8.3 names, junctions and shares of this computer resolved).
std::vector<KeptProgram> OtherProgramsInside(const std::string& scanRoot, const SafetyContext& ctx);

// True when two install-folder texts name the same folder: by their normalised
// text, or by their long or final paths where the folders exist.
bool SameInstallFolder(const std::string& a, const std::string& b);

// A record of the program list, as the remains scan sees it.
struct ListedProgram {
    std::string registryName;
    std::string installLocation;
    std::string displayName;
    std::string hive;  // "HKEY_LOCAL_MACHINE" / "HKEY_CURRENT_USER"
    std::string publisher;
    // Every folder the registration pointed at, gathered before its
    // uninstaller ran (GatherFolders): afterwards the registration is gone, and
    // Windows Installer has forgotten where it put the product's files. Not
    // gathered: the install location alone.
    std::vector<FolderCandidate> folders;
    bool foldersGathered = false;
};
// The programs of the list besides `target`, for SafetyContext::otherPrograms:
// every record, named by its display name or else its registry name, with its
// registry name, hive and publisher. Only the target's own record (same name,
// same hive) is left out. Records without a folder are listed too: their names
// and keys are still theirs. A record of the same registry name in the other
// hive is another installation (per user beside per machine), also when it
// lives in the target's folder: the scan keeps its folder and its keys (see
// ScanRemains).
std::vector<OtherProgram> OtherListedPrograms(const std::vector<ListedProgram>& listed,
                                              const ListedProgram& target);

// The sentence for lblScanInfo (from the language file) saying why the file tree stays empty.
std::string DirRefusalText(DirRefusal r);

// hiveName: "HKEY_CLASSES_ROOT" / "HKEY_CURRENT_USER" / "HKEY_LOCAL_MACHINE"
// (also the short forms and HKEY_USERS); keyPath: the full path below the hive,
// including the key's own name. True when the key must never be offered: the
// scan's start keys, the keys Windows owns and every ancestor of one, also when
// reached through Wow6432Node or through the SOFTWARE\Classes and
// HKEY_CLASSES_ROOT aliases. An unknown hive or an empty path is protected.
//
// How a key came to be offered matters for one part of the class store: its
// direct children (extensions, ProgIDs) and what lies below them are refused
// when a key is matched by a name, since every program's file types live
// there side by side; a file type whose commands or icon point into the
// program's folder (ByEvidence) is that program's and may go, unless it is
// one of the file types and classes Windows itself owns (".exe", "exefile",
// "Directory", "CLSID" and the like), which stay refused either way.
enum class KeyOffer { ByName, ByEvidence };

// True for the keys Windows owns that hold programs' values: the Run family,
// SharedDLLs and Installer\Folders of either hive (also through Wow6432Node).
// The keys stay; a program's value in them may go, and come back with a restore.
bool HoldsProgramValues(const std::string& hiveName, const std::string& keyPath);
bool IsProtectedKey(const std::string& hiveName, const std::string& keyPath,
                    KeyOffer offer = KeyOffer::ByName);
// The same for a place Carvexo found or kept, by its UTF-16 key path.
bool HoldsProgramValues(RegHive hive, std::wstring_view keyPath);
bool IsProtectedKey(RegHive hive, std::wstring_view keyPath, KeyOffer offer = KeyOffer::ByName);

}  // namespace cx::cleanup

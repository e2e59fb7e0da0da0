#pragma once
// What a row of the startup list is and the decisions made over rows: where a
// row's value or file lives, which rows Apply must move, how a value's data
// reads as text, which program a command starts, and how Add names and quotes
// what it writes. Plain code over plain data: nothing here touches the system
// except through the functions a caller passes in.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cx::startup {

enum class Hive { User, Machine };
enum class Source { Registry, Folder };

// The Run-family keys, in reading order, below each hive's root.
inline constexpr int kRunKeyCount = 6;
extern const char* const kRunKeys[kRunKeyCount];
// RunOnceEx is no list of commands like the others: Windows runs each of its
// subkeys once as a section of numbered commands and then removes it. A
// Run_Disable subkey there would be one more section, run at the next logon.
// So a RunOnceEx entry is never disabled nor enabled here, only deleted, and
// what an earlier version moved into RunOnceEx\Run_Disable is listed as what
// it is: an entry Windows will run.
inline constexpr int kRunOnceExKey = 5;
// The subkey of a Run-family key that holds its disabled values.
inline constexpr const char* kDisabledSubkey = "Run_Disable";
// The two Startup folders, in reading order.
inline constexpr int kFolderCount = 2;
enum FolderIndex : int { kUserFolder = 0, kCommonFolder = 1 };
// Below the backup folder of the application: the kept (disabled) folder
// entries, one subfolder per Startup folder.
extern const char* const kKeptSubfolders[kFolderCount];
// The kept entries of one account on one computer:
// "<backup>accounts\<computer>\<account SID>\<subfolder>\", so accounts sharing the program's
// folder (on one machine, or carried between machines) never see nor bring
// back each other's entries; this holds for the all-users folder too, whose
// entry one account disabled is that account's to bring back. Empty when the
// computer or the account has no name that is a plain folder name.
std::wstring KeptFolderFor(const std::wstring& backupDir, const std::wstring& computer,
                           const std::wstring& account, int folder);
// True for a name the file functions take as one entry of a folder: not
// empty, no "." or "..", no separator, stream colon, wildcard or control
// character. Only such a name is acted on.
bool PlainEntryName(const std::wstring& name);

const char* HiveText(Hive hive);  // "HKCU", "HKLM"
HKEY HiveRoot(Hive hive);
// "HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Run" and the like.
std::string RegistryLocation(Hive hive, int keyIndex);

// One row of the startup list. Name, Command, Location and Enabled are what the
// list shows; the rest says where the entry is stored, so Apply and Delete act
// on the stored thing itself and never on a text rebuilt from the list.
struct StartupEntry {
    std::string Name;
    std::string Command;
    std::string Location;
    bool Enabled = true;  // the check box as loaded: where the entry lives now

    Source source = Source::Registry;
    // Registry rows: the value as stored, by its UTF-16 name, with its type and
    // raw bytes, so a move writes back exactly what was read.
    Hive hive = Hive::User;
    int keyIndex = 0;
    std::wstring valueName;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    // Folder rows: which Startup folder the entry belongs to, its UTF-16 name
    // and the folder it sits in now (the Startup folder, or the kept copies'
    // folder while disabled), ending in "\".
    int folder = kUserFolder;
    std::wstring fileName;
    std::wstring currentDir;
    bool directory = false;
    // Kept by an earlier version in the one folder all accounts shared. Such
    // an entry is this account's when its file's owner is this account (the
    // per-user Startup folder it came from was then this account's); it is
    // acted on only while the file still has the owner it was listed with.
    // Any other (`foreign`: another owner, or one that cannot be read) stays
    // where it is, listed for every account and acted on by none.
    bool sharedKept = false;
    bool foreign = false;
    std::wstring owner;  // the file's owner SID when listed
};

// Why an entry is not acted on: the registry or the file functions would reach
// another entry than the one listed, or there is no safe place to move it to.
enum class Refusal {
    None,
    NulInName,        // a value name holding a NUL: the registry functions stop at it
    InexactName,      // a file name that cannot be handed to the file functions exactly
    RunOnceEx,        // see kRunOnceExKey
    NotThisAccounts,  // see StartupEntry::sharedKept
};
Refusal MoveRefusal(const StartupEntry& e);
Refusal DeleteRefusal(const StartupEntry& e);
// The reason as the user reads it.
const char* RefusalText(Refusal why);
// A row's name for a failure message, with the reason when it was refused.
std::string FailureName(const StartupEntry& e, Refusal why);
// A value name as the list shows it: a NUL in it as "\0", so it is neither cut
// off nor mistaken for the value named by the part before it.
std::string ShownName(const std::wstring& valueName);

// True when a row's check box asks for something else than where its entry
// lives, which is the only case in which Apply touches it.
inline bool NeedsMove(const StartupEntry& e, bool checked) { return e.Enabled != checked; }
// The rows (by index) Apply must move, first to last.
std::vector<size_t> PlanApply(const std::vector<StartupEntry>& rows,
                              const std::vector<bool>& checked);

// The row a list's type-ahead lands on: the first from `start` on, going
// round to the top when `wrap`, whose Name begins with `text` (equals it when
// not `partial`), letter case aside; -1 when there is none. An owner-data list
// cannot search its rows itself, so it asks this.
int FindRowByName(const std::vector<StartupEntry>& rows, const std::string& text, int start,
                  bool partial, bool wrap);

// A value's data as the list shows it. Strings up to their first NUL (an
// expandable one not expanded); a multi-string's parts separated by blanks;
// numbers in hexadecimal and decimal; anything else as hexadecimal bytes,
// cut after kMaxShownBytes. Any byte count is taken, odd or empty.
inline constexpr size_t kMaxShownBytes = 64;
std::string DataText(DWORD type, const std::vector<BYTE>& data);
// The UTF-16 text of string data, up to the first NUL (an odd last byte is dropped).
std::wstring WideFromData(const std::vector<BYTE>& data);
// True when two stored values are the same value: same type and bytes.
inline bool SameValue(DWORD typeA, const std::vector<BYTE>& a, DWORD typeB,
                      const std::vector<BYTE>& b) {
    return typeA == typeB && a == b;
}

// The names of failed entries as one message part: all of them when few, else
// the first few and how many more.
inline constexpr size_t kNamedFailures = 5;
std::string FailureList(const std::vector<std::string>& names);

// The program file a command starts, for the Item Info. After expanding
// %variables%: the quoted first token; else the longest leading part of the
// command, cut at a blank, that names an existing file (also tried with
// ".exe"); else the command cut before its first "/" with every double quote
// removed. `expand` expands variables; `exists` tells whether a path names a file.
std::string CommandTarget(const std::string& command,
                          const std::function<std::string(const std::string&)>& expand,
                          const std::function<bool(const std::string&)>& exists);

// --- adding an entry --------------------------------------------------------------------------

// The path itself when it ends in "\", else the path and "\".
std::string EnsureTrailingBackslash(const std::string& path);
// The file name of a path: the text after its last "\" or ":".
std::string TargetFileName(const std::string& target);
// The target as it is written: a full path ("C:\..." or "\\server\share\...")
// in its plain form ("." and "..", "/" and the blanks and dots the system
// drops from a name's end taken out). A relative one ("agent.exe",
// "Tools\agent.exe", "C:agent.exe", "\Tools\agent.exe") gives nullopt: Windows
// would look for it in whatever folder is current at logon, and the folder
// current here says nothing about what the user meant, so it is refused
// rather than guessed at. Reads no folder state.
std::optional<std::string> FullTarget(const std::string& target);
// The Run value's name for a target: its file name without the extension.
std::string RunValueName(const std::string& target);
// The Run value's data: the target in double quotes when it holds a blank, so
// the system cannot start a shorter path ("C:\Program.exe") in its place.
std::string RunValueData(const std::string& target);
// The shortcut for a target in a folder: the target's file name with its
// extension replaced by ".lnk" (added when it has none).
std::string LinkPathFor(const std::string& folder, const std::string& target);

}  // namespace cx::startup

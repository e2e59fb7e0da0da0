#pragma once
// What a row of the startup list is and the decisions made over rows: where a
// row's value or file lives, which rows Apply must move, how a value's data
// reads as text, which program a command starts, and how Add names and quotes
// what it writes. Plain code over plain data: nothing here touches the system
// except through the functions a caller passes in.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace cx::startup {

enum class Hive { User, Machine };
enum class Source { Registry, Folder };

// The Run-family keys, in reading order, below each hive's root.
inline constexpr int kRunKeyCount = 6;
extern const char* const kRunKeys[kRunKeyCount];
// The subkey of a Run-family key that holds its disabled values.
inline constexpr const char* kDisabledSubkey = "Run_Disable";
// The two Startup folders, in reading order.
inline constexpr int kFolderCount = 2;
enum FolderIndex : int { kUserFolder = 0, kCommonFolder = 1 };
// Below the backup folder of the application: the kept (disabled) folder
// entries, one subfolder per Startup folder.
extern const char* const kKeptSubfolders[kFolderCount];

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
};

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
// The Run value's name for a target: its file name without the extension.
std::string RunValueName(const std::string& target);
// The Run value's data: the target in double quotes when it holds a blank, so
// the system cannot start a shorter path ("C:\Program.exe") in its place.
std::string RunValueData(const std::string& target);
// The shortcut for a target in a folder: the target's file name with its
// extension replaced by ".lnk" (added when it has none).
std::string LinkPathFor(const std::string& folder, const std::string& target);

}  // namespace cx::startup

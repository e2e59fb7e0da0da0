#pragma once
// The registry values and Startup-folder files behind the startup list: reading
// them into rows, moving one between its enabled and disabled place, deleting
// it, and writing a new Run value. Values are read and written by their UTF-16
// names with their type and raw bytes; files are moved by their UTF-16 names,
// the entry itself and never what a link points to.
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "startup/StartupRows.h"

namespace cx::startup {

// Where the folder entries live. Empty paths: the shell has no such folder.
// All end in "\".
struct StartupPlaces {
    std::array<std::wstring, kFolderCount> folders;  // the Startup folders
    std::array<std::wstring, kFolderCount> kept;     // this account's disabled entries
    // Where an earlier version kept every account's disabled entries alike
    // (see StartupEntry::sharedKept), and the account (SID) these places are for.
    std::array<std::wstring, kFolderCount> oldKept;
    std::wstring account;
};

// The file-system path of a shell special folder (CSIDL_*), without a final
// backslash; empty when the shell has no path for it.
std::wstring GetSpecialFolderPathW(int csidl);
std::string GetSpecialFolderPath(int csidl);
// The two Startup folders from the shell, and the kept copies' folders below
// `backupDir` (the application's "Back up\startup\") for this computer and
// the account of the process token.
StartupPlaces FindStartupPlaces(const std::wstring& backupDir);
// The kept copies' folders below `backupDir` for a computer and an account.
void SetKeptPlaces(StartupPlaces& places, const std::wstring& backupDir,
                   const std::wstring& computer, const std::wstring& account);
// That backup folder below the application's folder: the window and the
// command line must keep disabled entries in the same place.
inline constexpr const char* kStartupBackupSubdir = "Back up\\startup\\";

// The rows of the six keys of one hive: each key's own values (enabled), then
// those of its Run_Disable subkey (disabled), in enumeration order. Keys are
// opened for reading only, so an account that may not change a key still sees
// what it holds. A key that cannot be opened gives no rows.
void AppendRegistryRows(Hive hive, std::vector<StartupEntry>& rows);
// The rows of both Startup folders, each followed by its kept (disabled)
// entries, this account's and then those of the old shared place. Hidden
// entries and names beginning with "." are left out.
void AppendFolderRows(const StartupPlaces& places, std::vector<StartupEntry>& rows);

enum class Outcome {
    Done,
    // Something of the same name and different content already sits where the
    // entry would go; nothing was overwritten and the entry stayed.
    Conflict,
    // The entry is no longer stored as it was read (changed or gone meanwhile).
    Changed,
    // The system refused (access, a missing folder, a move across drives).
    Failed,
    // Not tried, for the reason in `why`; nothing was touched.
    Refused,
};
struct Result {
    Outcome outcome = Outcome::Done;
    DWORD error = ERROR_SUCCESS;
    Refusal why = Refusal::None;
};

// The whole startup list in its order: the current user's keys, the machine's
// keys, then both Startup folders. A source that fails part-way keeps the rows
// read before the failure and the others are still read.
std::vector<StartupEntry> ReadStartupRows(const StartupPlaces& places);

// Moves a row's entry to where `enable` asks: a value between its key and the
// key's Run_Disable subkey (created when needed), a file between its Startup
// folder and the kept folder (created when needed). On Done the row says where
// the entry is now (Enabled, Command and currentDir of a folder row).
Result MoveEntry(StartupEntry& row, bool enable, const StartupPlaces& places);

// Deletes a row's entry. A registry row's value goes from its key and from the
// key's Run_Disable subkey alike; a folder row's file (or empty folder) from
// where it is now. Done when nothing of it is left.
//
// Both act on the entry by the UTF-16 name it was listed with: a value by its
// whole name, a file by a "\\?\" path, in which the system cuts no trailing dot
// or blank and reads no device name ("x." is not "x", "con.lnk" a file). What
// cannot be reached so is Refused (see Refusal).
Result DeleteEntry(const StartupEntry& row);

// Writes a string value into the Run key of a hive, which must exist.
enum class RunWrite { Written, NoKey, Failed };
RunWrite WriteRunValue(HKEY root, const std::string& name, const std::string& data);
// The data of a Run value as text when it is a string value; nullopt-like
// `found` false when there is none. `isString` false for a value of another type.
struct RunValueNow {
    bool found = false;
    bool isString = false;
    std::string text;
};
RunValueNow ReadRunValue(HKEY root, const std::string& name);

}  // namespace cx::startup

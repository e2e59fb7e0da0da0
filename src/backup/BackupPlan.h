#pragma once
// What the registry exports are made of, decided without touching the system:
// the key paths and regedit's parameter strings, the file a backup entry lands
// in, how far the bar stands and what the user is told at the end.
//
// Subkey names come from the registry and are hostile: any character but "\"
// may be in them, they may spell a device name or end in a dot. They are kept
// as UTF-16 up to the regedit command line, so the key regedit is asked for is
// exactly the key that was listed.
#include <cstddef>
#include <string>
#include <vector>

namespace cx::backup {

enum class Hive { LocalMachine, CurrentUser };

// "HKEY_LOCAL_MACHINE" / "HKEY_CURRENT_USER".
const char* HiveName(Hive hive);
// The service names the hive of a record as text, read by ParseHive (blanks
// around it and the case aside); anything else is taken for the machine,
// where most programs are registered.
Hive HiveFromName(const std::string& name);

// The hive's Uninstall key below its root, as opened by the backup.
constexpr const char* kUninstallPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// hive + "\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\" + name: the
// key regedit exports, and where it opens when asked for the program's key.
std::string UninstallKeyPath(Hive hive, const std::string& registryName);
std::wstring UninstallKeyPath(Hive hive, const std::wstring& registryName);

// Each text in these parameter strings stands in double quotes; a quote inside
// one (key names may hold them) is escaped as the command-line parser expects.
// Files are named by their full path (IsAbsolutePath): regedit would look for
// any other name in whatever folder is current. Each throws AppError for a
// file that is not named so.
//
// Export of one program: ` /e "<file>" "<key>"`.
std::string ExportParameters(const std::string& filePath, Hive hive,
                             const std::string& registryName);
// Reload of a file: ` "<file>"`.
std::string ReloadParameters(const std::string& filePath);
// One export of the full backup: `/e "<target path>" "<key>"`.
std::wstring BackupParameters(const std::wstring& targetPath, const std::wstring& keyPath);

// The file name (no folder) that holds the export of a subkey, without
// extension: characters no file name may hold (control characters and
// \ / : * ? " < > |) become "_", so do blanks and dots at the end; a device
// name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$, alone or before a
// dot) gets a "_" after it; the empty name becomes "_". At most `maxChars`
// characters (at least 1).
std::wstring SanitiseFileStem(const std::wstring& name, size_t maxChars = 251);
std::string SanitiseFileStem(const std::string& name, size_t maxChars = 251);

// One entry of the full backup: a direct subkey of a hive's Uninstall key.
struct BackupEntry {
    Hive hive = Hive::LocalMachine;
    std::wstring name;      // the subkey, as the registry holds it
    std::wstring fileName;  // its .reg file in the backup folder, no folder
};

// Per-user entries are told apart from the machine's by their file names:
//   HKEY_LOCAL_MACHINE\...\Uninstall\<name>  ->  <name>.reg
//   HKEY_CURRENT_USER\...\Uninstall\<name>   ->  HKCU_<name>.reg
// after sanitising. A name that survives sanitising unchanged keeps its file
// (the machine's entries first); every other one takes the first free of
// "<stem>.reg", "<stem> (2).reg", "<stem> (3).reg", ... Names are compared as
// the file system does, without regard to case, so no two entries share a file.
constexpr const wchar_t* kUserFilePrefix = L"HKCU_";
// `machine`, `user`: the subkey names in the order read. File names stay within
// 255 characters, the limit of one name in a folder.
std::vector<BackupEntry> PlanBackup(const std::vector<std::wstring>& machine,
                                    const std::vector<std::wstring>& user);

// The bar after `finished` of `total` exports: 0..100, 100 only when all are done.
int ProgressPercent(size_t finished, size_t total);

// What the user is told when the backup has ended.
enum class BackupVerdict {
    Succeeded,   // every entry has its non-empty .reg file
    SomeFailed,  // with the number of failures
    Nothing,     // no Uninstall key could be read, or none holds a subkey
};
BackupVerdict JudgeBackup(size_t total, size_t failed);

}  // namespace cx::backup

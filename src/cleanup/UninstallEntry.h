#pragma once
// What a program's uninstall entry says before and after its uninstaller runs:
// the command that really removes the program, and whether the entry is still
// registered once the uninstaller has ended.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cx::cleanup {

// A command line split where CreateProcess would split it: the program (the
// quoted text, or up to the first blank or switch) and the rest in
// blank-separated words. An unclosed quote gives no program.
template <class Char>
struct CommandWordsOf {
    std::basic_string<Char> program;
    std::vector<std::basic_string<Char>> args;
};
CommandWordsOf<char> SplitCommand(std::string_view commandLine);
CommandWordsOf<wchar_t> SplitCommand(std::wstring_view commandLine);

// True for a Windows Installer product code: a GUID in braces,
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with hexadecimal digits in either case.
bool IsProductCode(const std::string& text);

// The command that uninstalls the program of an entry. Windows Installer
// packages commonly register "MsiExec.exe /I{product code}", which opens the
// package's maintenance mode (for a package without dialogs of its own: a
// silent repair) instead of removing it. So for an entry marked
// WindowsInstaller = 1 whose key name is a product code and whose uninstall
// string runs MsiExec (any case, with or without ".exe" or a folder, quoted or
// not) with /I or /X and that same product code, the product is removed as the
// system's own control panel does: "MsiExec.exe /X{product code}". Every other
// uninstall string (another GUID, another program, a package path) runs as
// written.
std::string UninstallCommand(const std::string& uninstallString, const std::string& registryName,
                             bool windowsInstaller);

// True when the uninstall entry `registryName` under `hive`
// ("HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER") is a product code and has
// WindowsInstaller = 1.
bool IsWindowsInstallerEntry(const std::string& hive, const std::string& registryName);

// The entry's QuietUninstallString, the command its maker gives for an
// uninstall without questions: a string value, expanded when it is stored as
// REG_EXPAND_SZ (as the list reads the UninstallString). Nothing when the entry
// has none: no such value, another type, only blanks, longer than a command
// line may be, or no readable entry of that name (a name holding "\" names no
// entry). With an unknown hive both hives are looked at, the machine's first.
std::optional<std::string> QuietUninstallString(const std::string& hive,
                                                const std::string& registryName);

// Whether an uninstall entry named `registryName` is still registered, in
// either hive, after its uninstaller has ended: the same name in the other hive
// is another installation of the program (per user beside per machine), whose
// folder and keys the scan may share. It errs towards "still there": an
// Uninstall key that cannot be read counts as the entry remaining, since the
// answer decides whether a live program's keys and files are offered for
// removal checked.
bool UninstallEntryRemains(const std::string& registryName);

}  // namespace cx::cleanup

#pragma once
// Uninstall entries the backup suites make and remove, under the prefix's real
// Uninstall keys, and the system's regedit run and awaited.
#include <windows.h>

#include <string>
#include <vector>

#include "backup/BackupPlan.h"

namespace cx::test {

// HKLM or HKCU \Software\...\Uninstall, opened for full access (the caller closes it).
HKEY OpenUninstall(backup::Hive hive);

// Writes the entry `name` with values of every common type (and one subkey),
// their data depending on `seed`.
void WriteEntry(backup::Hive hive, const std::wstring& name, int seed);
// Removes it with its subtree; true when it is gone.
bool DeleteEntry(backup::Hive hive, const std::wstring& name);
bool EntryExists(backup::Hive hive, const std::wstring& name);
// The values of the entry and its subkey, as "name=type:hexdata" lines, for comparing.
std::vector<std::string> EntryDump(backup::Hive hive, const std::wstring& name);

// Runs regedit with these arguments and waits for it; its exit code.
DWORD RunRegedit(const std::wstring& arguments, const std::wstring& workDir = {});

std::string FileBytes(const std::wstring& path);
bool IsNonEmptyFile(const std::wstring& path);

// The test entries of one suite: made in SetUp, gone afterwards.
struct EntrySet {
    std::vector<std::wstring> machine, user;
    void Write() const;
    void Remove() const;
    ~EntrySet() { Remove(); }
};

}  // namespace cx::test

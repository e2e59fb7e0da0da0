#pragma once
// A registration whose program is gone: its uninstaller was deleted with the
// folder, so Uninstall can only fail and the entry stays in the list for ever.
// Such an entry is told apart from one that merely looks odd with certainty
// only: anything that cannot be judged for sure (a relative command, a program
// on a network or removable drive, a file the system will not answer about, a
// Windows Installer entry) is not broken.
#include <functional>
#include <optional>
#include <string>

#include "cleanup/UninstallFlow.h"

namespace cx::cleanup {

// What the registration says of where its program lives (as the list reads it).
struct EntryPlaces {
    std::string hive, registryName;
    std::string uninstallString;
    std::string installLocation;
};

enum class PlaceState {
    Missing,  // the system says there is no such file or folder
    Empty,    // a folder with nothing in it
    Present,  // a file, or a folder holding something
    Unknown,  // anything else: not proof of absence
};

// The questions the judgement asks of the system.
struct EntryLook {
    // A file's state (Missing or Present), and a folder's (all four).
    std::function<PlaceState(const std::wstring&path)> file, folder;
    // Whether the path's drive is a fixed local disk that is there.
    std::function<bool(const std::wstring& path)> fixedDrive;
    // Whether the entry is a Windows Installer entry (WindowsInstaller = 1).
    std::function<bool(const std::string& hive, const std::string& registryName)> windowsInstaller;
};
// The running system's answers.
EntryLook SystemEntryLook();

// True when the entry is broken: the program its UninstallString runs is a
// full path on a fixed drive that does not exist, the command is no Windows
// Installer one (MsiExec, or an entry marked WindowsInstaller), and each of
// its folders (its InstallLocation when that is a full path, and the folder of
// that program) is missing or empty.
bool IsBrokenEntry(const EntryPlaces& entry, const EntryLook& look);
bool IsBrokenEntry(const EntryPlaces& entry);  // with SystemEntryLook()

// The uninstall entry's own key, as a registry finding.
RegPath EntryKeyPath(const ListedProgram& program);

// The entry as the registry holds it now (GetString, expanded when
// REG_EXPAND_SZ, as the list reads it); nothing when it is no longer there.
std::optional<EntryPlaces> ReadEntryPlaces(const ListedProgram& program);

// The remains scan of a broken entry, which takes the place of its uninstall:
// as after an uninstall (ScanFoundRemains), with the entry's own key offered
// first and checked, so that one Delete removes the registration with its
// leftovers and one undo backup holds them all. `found.target` must have its
// folders gathered (GatherFolders) before anything is removed. Marks `found`
// as a broken entry's, so that its removal judges the entry again first.
void ScanBrokenEntry(FoundRemains& found, const SafetyContext& safety, ScanProgress& progress);

}  // namespace cx::cleanup

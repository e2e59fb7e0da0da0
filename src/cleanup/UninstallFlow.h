#pragma once
// One uninstall, from the record the list shows to the removal of what its
// uninstaller left, in the steps the main window and the command line both
// take: prepare the run, wait for it (each its own way: the window on a
// waiting thread and a message, the command line for a bounded time), judge
// how it ended, scan under the safety rules of the list as it is now, remove
// what is checked. Each caller asks its questions its own way (message boxes
// and the scan window, or console prompts and flags) between these steps.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "cleanup/CheckTree.h"
#include "cleanup/Leftovers.h"
#include "cleanup/Remains.h"
#include "cleanup/Removal.h"
#include "cleanup/Safety.h"
#include "cleanup/Scanner.h"
#include "cleanup/TraceScan.h"
#include "cleanup/Uninstall.h"
#include "cleanup/WatchTrace.h"

namespace cx::cleanup {

enum class CommandChoice {
    Normal,  // the entry's uninstaller, a Windows Installer product removed, not repaired
    Quiet,   // the uninstall without questions, where the entry has one
};

struct UninstallRun {
    // The record, with every folder its registration points at.
    UninstallTarget target;
    // What runs. Blanks only: the entry names no uninstaller.
    std::string command;
    // Quiet was asked for, but the entry has no QuietUninstallString and is no
    // Windows Installer entry: `command` is its ordinary uninstaller.
    bool quietUnavailable = false;

    bool HasCommand() const;
};

// Windows Installer's tool by its full path in the system folder. Throws
// when the system does not tell its folder.
std::string SystemMsiExec();

// Prepares the uninstall of `program` (as the list shows it) whose entry's
// uninstall string is `uninstallString`. Its folders are gathered first
// (GatherFolders): once the uninstaller has run, the registration is gone and
// Windows Installer no longer knows where it put the files. The command:
//   Normal: UninstallCommand's.
//   Quiet:  the entry's QuietUninstallString as its maker wrote it; else, for a
//           Windows Installer entry, "MsiExec.exe /X{code} /qn", which removes
//           any package without its dialogs; else the normal one, noted.
// Windows Installer's tool named by bare name is started from the system
// folder: by bare name the current folder (and this program's) would be
// searched first, and anyone who can write there can put a program of that name.
UninstallRun PrepareUninstall(ListedProgram program, const std::string& uninstallString,
                              CommandChoice choice = CommandChoice::Normal);
// The command alone, as PrepareUninstall chooses it (for showing before the
// run; the folders are gathered only when it is about to run).
// `quietUnavailable`, when given, is set as UninstallRun's.
std::string UninstallCommandFor(const ListedProgram& program, const std::string& uninstallString,
                                CommandChoice choice, bool* quietUnavailable = nullptr);

enum class WaitEnd {
    Ended,           // the uninstaller ran, and what it handed over to has ended too
    NothingStarted,  // neither a process nor the shell could start the command
    Failed,          // no notification came (the shell started no process to wait for)
    GaveUp,          // a bounded wait ran out; the uninstaller may still be running
};
// The end the wait's notification tells (its WParam); Failed without one.
WaitEnd WaitEndOf(std::optional<WPARAM> notification);

struct UninstallEnd {
    WaitEnd wait = WaitEnd::Failed;
    // After an ended wait, an entry of the target's name is still registered in
    // either hive: a cancelled or failed uninstaller, or another installation
    // in the other hive. Its folder and keys belong to a live program.
    bool stillInstalled = false;
};
// How the uninstall of `target` ended: the registration is looked at only
// after an ended wait (UninstallEntryRemains errs towards "still there").
UninstallEnd JudgeUninstallEnd(WaitEnd wait, const UninstallTarget& target);

// What the scan after the wait is judged by: the system's protected folders
// with `appDir` (this program's folder; empty: the running executable's), and
// every other program of `listedNow`, the list as it is after the wait.
SafetyContext UninstallSafety(const std::string& appDir,
                              const std::vector<ListedProgram>& listedNow,
                              const UninstallTarget& target);
// The same for the leftovers of a program that is no longer listed: every
// program of `listedNow` is another's.
SafetyContext LeftoversSafety(const std::string& appDir,
                              const std::vector<ListedProgram>& listedNow);

// The findings of one scan with what they were judged by, for the removal
// that may come long after.
struct FoundRemains {
    UninstallTarget target;
    bool stillInstalled = false;
    // The removal judges the install folder again by these: the protected
    // folders (with this program's folder `appDir`; empty: the running
    // executable's) looked up afresh, and the other programs' folders as they
    // are then.
    std::string appDir;
    std::vector<OtherProgram> otherPrograms;
    RemainsScan scan;
    CheckTree registry, files;
    // The topmost items the scan offered (RootNames), before any was removed.
    std::vector<std::wstring> offered;
    // Set for the leftovers of a program already gone (no registration
    // behind the target): what starts checked (MarkLeftovers).
    std::optional<LeftoverMarks> leftovers;
    // The target is a broken registration offered with its leftovers
    // (ScanBrokenEntry): its removal first looks whether it is still broken.
    bool brokenEntry = false;
    // The trace of the target's watched install, when there is one (read by
    // the scan from this account's traces), and what of it the scan offered.
    std::optional<WatchTrace> trace;
    TraceOffer traceOffer;
};

// Scans for the remains of found.target under `safety` into found's trees
// (ScanRemains; both expected empty) and keeps safety.otherPrograms for the
// removal. A trace of the target's watched install (FindTrace in the
// account's traces beside found.appDir) adds what its setup wrote
// (AddTraceFindings). The findings of a program still installed are all unchecked, so
// that nothing of it goes by a single yes; leftovers are marked by their own
// rule (MarkLeftovers). Never throws.
void ScanFoundRemains(FoundRemains& found, const SafetyContext& safety, ScanProgress& progress);

// The checked nodes of both trees.
size_t CheckedFindings(const FoundRemains& found);

// Removes the checked findings (RemoveFindings): registry, then files, each
// kept first in the undo backup `backup` describes (its folder named after the
// program), the file part only when the install folder passes its judgement
// again now (InstallFolderStillSafe, by found.appDir and found.otherPrograms).
// `stop` as for RemoveFindings. For a broken entry's findings, nothing at all
// is removed once the entry is whole again (its uninstaller or its files
// back: the program was installed again since the scan, and what was offered
// as its leftovers may be its own once more); the outcome says so. The trace
// of a program no longer installed has served once its clean-up ran, and is
// deleted (a reinstall would be another install).
FindingsOutcome RemoveFoundRemains(FoundRemains& found, CleanupBackup backup,
                                   const StopFlag* stop = nullptr);

}  // namespace cx::cleanup

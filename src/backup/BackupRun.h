#pragma once
// The full backup: every direct subkey of the Uninstall key of both hives to
// its own .reg file, written by the system's regedit. The exports run a few at
// a time, each awaited on its process handle with a time limit, and an export
// counts only when its file is there and not empty afterwards.
#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "backup/BackupPlan.h"
#include "platform/ShellRun.h"

namespace cx::backup {

// The subkey names of both Uninstall keys, planned into files (PlanBackup). A
// hive whose key cannot be read adds nothing.
std::vector<BackupEntry> ReadBackupEntries();

struct BackupOptions {
    // Exports running at once. regedit spends most of its time starting up, so
    // a few side by side finish sooner than one after another.
    size_t parallel = 3;
    // A regedit that has not finished by then is ended and its entry failed.
    DWORD timeLimitMs = 60000;
    // The program started for each export, by its full path (tests point it
    // at one that fails).
    std::wstring program = SystemToolPath(SystemTool::Regedit);
};

struct BackupProgress {
    // Called on the calling thread after each finished export.
    std::function<void(size_t finished, size_t total)> onFinished;
    // Called whenever messages arrive for this thread while exports run; the
    // window stays responsive through it. Null: the waits take no messages.
    std::function<void()> pump;
    // Asked before each start: true stops starting more (those running are
    // still awaited).
    std::function<bool()> stop;
};

struct BackupOutcome {
    size_t total = 0;
    size_t failed = 0;
    std::vector<std::wstring> failedFiles;  // file names (no folder) of the failed entries
};

// Exports `entries` into `folder` (ending in "\"), which must exist. Each
// export writes a temporary file of its own that replaces the entry's file
// only when it holds something, so a failed export never passes for the file
// an earlier backup left, and never spoils it either.
BackupOutcome RunBackup(const std::vector<BackupEntry>& entries, const std::wstring& folder,
                        const BackupProgress& progress = {}, const BackupOptions& options = {});

}  // namespace cx::backup

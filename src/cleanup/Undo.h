#pragma once
// Undoing clean-ups. Before a clean-up removes anything, the checked keys are
// exported by regedit, the checked values are written into a manifest, and
// the checked files and folders are moved (not deleted) into a folder of
// their own below the backup root, keeping their paths:
//
//   <root>\<YYYY-MM-DD HH.MM.SS> <program>\cleanup.txt      what came from where
//   <root>\<YYYY-MM-DD HH.MM.SS> <program>\registry\1.reg   one export per taken key
//   <root>\<YYYY-MM-DD HH.MM.SS> <program>\files\C\...      the moved items
//
// A move within a drive is a rename. Across drives it is a copy and a delete,
// item by item: a file is deleted only once its copy is complete, and a file
// that cannot be deleted (in use) stays where it was with its copy dropped.
// Links are moved as links and only within a drive; across drives one stays
// where it is, like a file in use.
//
// These functions need no window: the scan window's Delete and the command
// line both run them.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cleanup/Safety.h"
#include "cleanup/UndoPlan.h"

namespace cx::cleanup {

// Where the clean-ups are kept, below the application folder.
inline constexpr const wchar_t* kCleanupBackupSubdir = L"Back up\\cleanup\\";

// How a clean-up is kept.
struct CleanupBackup {
    // Where clean-ups are kept ("<application folder>\Back up\cleanup\").
    // Empty: the removal deletes for good, as it always did.
    std::wstring root;
    std::wstring program;  // names the clean-up's folder and its row in the list
    size_t keepCount = kKeptCleanups;
    uint64_t keepBytes = kKeptBytes;
    // Asked when the checked files take more than `keepBytes`: true removes
    // them without a backup. Unset: such a clean-up removes nothing.
    std::function<bool(uint64_t size, uint64_t limit)> removeWithoutBackup;
    // Runs when messages arrive while regedit works (unset: none are taken).
    std::function<void()> pump;
    // The registry editor ("regedit"; tests name one that fails).
    std::wstring regedit = L"regedit";
    // A regedit that has not finished by then is ended and its export failed.
    DWORD regeditTimeLimitMs = 60000;
};

// The bytes of the files the removal of `files` would take (what lies below
// its topmost checked nodes; links count nothing and are not entered).
uint64_t CheckedFileBytes(const CheckTree& files);

// One kept clean-up, as its manifest describes it.
struct KeptCleanup {
    std::wstring folder;  // full path, ending in "\"
    std::wstring program;
    std::string time;
    uint64_t size = 0;
};

// The kept clean-ups below `root`, newest first (by the time their manifests
// give, then by folder name). A folder without a readable, well-formed
// manifest is not one of them and is left alone.
std::vector<KeptCleanup> ListCleanups(const std::wstring& root);

// Drops the oldest clean-ups below `root` until at most `keepCount` stay and
// they take at most `keepBytes` (CleanupsToDrop); only folders ListCleanups
// lists are ever deleted.
void PruneCleanups(const std::wstring& root, size_t keepCount = kKeptCleanups,
                   uint64_t keepBytes = kKeptBytes);

struct RestoreOptions {
    std::function<void()> pump;
    std::wstring regedit = L"regedit";
    DWORD regeditTimeLimitMs = 60000;
};

struct RestoreOutcome {
    size_t restored = 0;
    // What stayed in the backup: the item's original place, and why.
    std::vector<std::wstring> notRestored;
};

// Puts back the clean-up kept in `folder` (a folder directly below `root`):
// keys imported by regedit, values written, files and folders moved back to
// where they were. Nothing that exists again is replaced; such an item is
// reported and stays in the backup, as does anything whose manifest entry or
// backup copy lies outside the clean-up's own folder, or whose place is one
// `safety` protects (the rules of the scan: protected folders, and keys
// IsProtectedKey refuses). A fully restored clean-up's folder is deleted; one
// restored in part keeps what stayed, with a manifest listing only that.
// Throws AppError when `folder` is not a kept clean-up below `root`.
RestoreOutcome RestoreCleanup(const std::wstring& root, const std::wstring& folder,
                              const SafetyContext& safety, const RestoreOptions& options = {});

}  // namespace cx::cleanup

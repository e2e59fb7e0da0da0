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
// where it is, like a file in use. No move replaces or deletes anything it
// finds in its way.
//
// The manifest is the journal: each file-tree item is listed in it, on disk,
// before it moves, and every manifest is written beside the old one and put
// in its place in one step; a clean-up ended at any moment is restored whole.
// An export counts only when regedit says it succeeded and the file, read
// back, holds what the key holds; values regedit cannot carry as they are
// are kept in the manifest too. What the manifest could not hold and still be
// read back fails the clean-up before anything goes. Restoring and pruning
// delete only what a manifest lists.
//
// Each account keeps its clean-ups in a store of its own, and each manifest
// is sealed with the account's secret (see KeptSeal.h). Only a clean-up that
// proves itself is listed, restored or pruned; any other (changed since it
// was kept, another account's, or kept before clean-ups were sealed) is
// refused and left where it is, untouched.
//
// These functions need no window: the scan window's Delete and the command
// line both run them.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cleanup/KeptSeal.h"
#include "cleanup/Safety.h"
#include "cleanup/UndoPlan.h"
#include "platform/ShellRun.h"

namespace cx::cleanup {

// How a clean-up is kept.
struct CleanupBackup {
    // Where clean-ups are kept (UserCleanupRoot). Empty: the removal deletes
    // for good, as it always did.
    std::wstring root;
    std::wstring program;  // names the clean-up's folder and its row in the list
    size_t keepCount = kKeptCleanups;
    uint64_t keepBytes = kKeptBytes;
    // Asked when the checked files take more than `keepBytes`: true removes
    // them without a backup. Unset: such a clean-up removes nothing.
    std::function<bool(uint64_t size, uint64_t limit)> removeWithoutBackup;
    // Runs when messages arrive while regedit works (unset: none are taken).
    std::function<void()> pump;
    // Runs just before each file-tree item moves, once it is recorded (tests
    // end a clean-up there).
    std::function<void(const std::wstring& path)> moving;
    // The registry editor, by its full path (tests name one that fails).
    std::wstring regedit = SystemToolPath(SystemTool::Regedit);
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
    uint64_t sequence = 0;  // see CleanupManifest::sequence
};

// A folder below the root with a well-formed manifest that does not prove
// itself: not restorable, and never pruned.
struct RefusedCleanup {
    std::wstring folder;    // full path, ending in "\"
    bool unsealed = false;  // kept before clean-ups were sealed (else: a seal that fails)
};

struct CleanupListing {
    std::vector<KeptCleanup> kept;
    std::vector<RefusedCleanup> refused;
};

// The kept clean-ups below `root` that prove themselves as this user's,
// newest first: by the order they were made in, then (for those made before
// that order was recorded) by the time their manifests give, then by folder
// name; and those that do not. A folder without a readable, well-formed
// manifest is neither and is left alone.
CleanupListing ReadCleanups(const std::wstring& root);
std::vector<KeptCleanup> ListCleanups(const std::wstring& root);  // ReadCleanups(root).kept

// Drops the oldest clean-ups below `root` until at most `keepCount` stay and
// they take at most `keepBytes` (CleanupsToDrop); only clean-ups ListCleanups
// lists are dropped, and of each only what its manifest lists (with the
// manifest and the folders left empty).
void PruneCleanups(const std::wstring& root, size_t keepCount = kKeptCleanups,
                   uint64_t keepBytes = kKeptBytes);

struct RestoreOptions {
    std::function<void()> pump;
    std::wstring regedit = SystemToolPath(SystemTool::Regedit);
    DWORD regeditTimeLimitMs = 60000;
};

struct RestoreOutcome {
    size_t restored = 0;
    // What stayed in the backup: the item's original place, and why.
    std::vector<std::wstring> notRestored;
    // Listed, but never gone from its place (a clean-up that stopped just
    // before it went): nothing to put back, and no failure either.
    std::vector<std::wstring> alreadyThere;
};

// Puts back the clean-up kept in `folder` (a folder directly below `root`):
// keys imported by regedit, values written, files and folders moved back to
// where they were. Nothing that exists again is replaced; such an item is
// reported and stays in the backup, as does anything whose manifest entry or
// backup copy lies outside the clean-up's own folder, or whose place is one
// `safety` protects (the rules of the scan: protected folders, and keys
// IsProtectedKey refuses). An item listed but never taken (the clean-up ended
// first) is there already. Of a fully restored clean-up all its manifest lists
// is deleted, then its folder unless something else is in it; one restored in
// part keeps what stayed, with a manifest listing only that.
// Each registry export is imported from a private copy checked against the
// seal, never from the backup folder itself.
// Throws AppError when `folder` is not a kept clean-up below `root`, or one
// that does not prove itself as this user's (the text says which).
RestoreOutcome RestoreCleanup(const std::wstring& root, const std::wstring& folder,
                              const SafetyContext& safety, const RestoreOptions& options = {});

// Seals the manifest and the exports now in `folder` as this user's. Every
// clean-up seals what it writes itself; this is for tests that make kept
// clean-ups by hand. Throws AppError when they cannot be read.
void SealKeptCleanup(const std::wstring& folder);

}  // namespace cx::cleanup

#pragma once
// Removal of the checked findings of a remains scan. Each checked item is one
// attempt; an item counts as removed when it is gone afterwards (also when it
// was already gone before: what the user asked for holds). Nodes of removed
// items leave the tree; nodes of items that are still there stay, with their
// marks, so the window shows exactly what is left.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "cleanup/CheckTree.h"
#include "cleanup/Undo.h"
#include "platform/Handles.h"

namespace cx::cleanup {

// Set from any thread (a console's Ctrl+C) to end a removal early: the item
// in hand is finished, no further one is begun, and those left count as not
// removed, their nodes still in the tree.
using StopFlag = std::atomic<bool>;

struct RemovalResult {
    size_t removed = 0;
    size_t failed = 0;
    bool stopped = false;  // ended by the stop flag before every item was tried
};

// Checked key nodes first (each key with its whole subtree, deepest first, every
// key opened relative to its parent; a maker's key marked emptyOnly only once
// nothing is left in it), then checked value nodes of keys that were
// not checked whole, last to first, each by the place its node records (a
// node without one is not removed). A key IsProtectedKey refuses, or one that
// holds such a key, is never deleted. The values of a key that could not be
// deleted stay under it untouched. Marks of the nodes left are recomputed.
RemovalResult RemoveRegistryItems(CheckTree& tree, const StopFlag* stop = nullptr);

// The file-tree nodes removal acts on, in tree order: every checked node whose
// parent is not checked (a checked folder goes whole), locked ones left out.
std::vector<NodeId> TopCheckedFileNodes(const CheckTree& tree);

// How a file-tree item leaves its place, given its path (the scanned root or a
// place below it by plain names), its kind and `item`, an open handle to the
// item itself (with DELETE access, a link held as the link), judged a moment
// ago to be what the scan found: the item is taken through that handle, not
// by its path again. It counts as removed when nothing is left at the path
// afterwards. Empty: it is deleted for good.
using TakeAway = std::function<void(const std::wstring& path, NodeKind kind, HANDLE item)>;

// Each root is a place the scan listed (the install folder, a data folder, a
// shortcut). A checked root goes whole. Otherwise every checked folder whose
// parent is not checked, whole; then every checked file and link on its own.
// Items go by their real (UTF-16) paths, and only a root and what lies below
// it by plain names is ever acted on; a locked node is never removed. Each item is reached
// again as the scan reached it, from the root one name at a time, never
// through a link: a folder on the way or the item itself that is not what the
// scan found (another folder by identity, a link now, a file now a folder)
// is refused and counts as not removed. What is acted on is the handle so
// judged. A link is removed as a link, never its target. Files the system
// refuses to delete (read-only, in use) are reported, not forced. Marks of the
// nodes left are recomputed.
RemovalResult RemoveFileItems(CheckTree& tree, const TakeAway& takeAway = {},
                              const StopFlag* stop = nullptr);

// What the removal of a scan's checked findings did about a backup.
enum class BackupState {
    Kept,           // what went is kept in `folder` and can be restored
    NotNeeded,      // nothing was taken, or no backup was asked for
    WithoutBackup,  // too large to keep: removed for good, as the user agreed
    Declined,       // too large to keep, and the user kept it all
    Failed,         // the backup could not be written: nothing was removed
};

struct FindingsOutcome {
    size_t failed = 0;  // checked items still there
    BackupState backup = BackupState::NotNeeded;
    std::string backupError;  // why the backup could not be written
    std::wstring folder;      // the kept clean-up, ending in "\"
    // The install folder failed its second judgement: no file item was touched.
    bool filesRefused = false;
    bool stopped = false;  // the stop flag ended it early (see StopFlag)
    // A broken registration is whole again: nothing was touched.
    bool entryWhole = false;
};

// The removal of a scan's checked findings as the window's Delete and the
// command line do it: the registry part, then the files. With `backup.root`
// set, nothing is removed before its backup is in place (see CleanupBackup),
// and a backup that cannot be written removes nothing. A part that stops early
// counts its unprocessed checked items as not removed.
// `filesStillSafe`, when given, judges the install folder again now (see
// InstallFolderStillSafe); when it says no, the registry part still goes and
// every checked file item stays, counted as not removed.
// `stop`, when given, is looked at before each item (see StopFlag); a kept
// clean-up holds what went before the stop, its manifest as always written
// before each file item moved.
FindingsOutcome RemoveFindings(CheckTree& registry, CheckTree& files, const CleanupBackup& backup,
                               const std::function<bool()>& filesStillSafe = {},
                               const StopFlag* stop = nullptr);

// Deletes a folder with all its contents (without the recycle bin) and reports
// whether it is gone. Everything is reached through handles below the folder,
// never through a link, and links inside are removed as links; a `path` that
// is itself a link loses only the link. Trees of any depth are fine.
bool RemoveDirectoryTree(const std::wstring& path);

// True when `path` names a place strictly below `root` by plain names only: no
// "." or ".." component, no "/", no stream or device syntax, no name the
// system would read otherwise (a final dot or blank), and the system reads it
// as written.
bool LiesBelowPlainly(const std::wstring& path, const std::wstring& root);

// The real path of a file-tree node (recorded by the scan, or its text), without
// a final backslash.
std::wstring FileItemPath(const Node& node);

// False only when the file system says nothing is there (a denied look counts
// as "there").
bool ItemExists(const std::wstring& path);

// Opens root\keyPath one name at a time, each relative to its parent, never
// through a registry link; `rc` receives the error of the open that failed.
unique_hkey OpenKeyPath(HKEY root, const std::wstring& keyPath, REGSAM access, LONG& rc);

// True when the value `name` of the open key holds exactly `data` of `type`.
bool ValueHolds(HKEY key, const std::wstring& name, DWORD type, const std::vector<BYTE>& data);

}  // namespace cx::cleanup

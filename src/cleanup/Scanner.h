#pragma once
// The remains scan: registry keys named exactly like the uninstalled program,
// and everything left in its install folder, collected into check trees.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "cleanup/CheckTree.h"

namespace cx::cleanup {

struct ScanProgress {
    // The path being examined (for lblScanInfo); called at most every 50 ms.
    std::function<void(const std::string& path)> show;
    // Handles the pending window messages, so the window stays painted and
    // answers; called every 10 ms or so, not per key or file.
    std::function<void()> pump;
    // When `show` was last called; kept here so the walks of one scan share it.
    DWORD lastShown = 0;
    bool shownOnce = false;
};

// Walks the four start subtrees (HKEY_CLASSES_ROOT\Installer\Products,
// HKEY_CURRENT_USER\SOFTWARE, HKEY_LOCAL_MACHINE\SOFTWARE and
// HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows) and adds one root node per key
// whose name equals `searchWord` (case-sensitive), with its values as children.
// An empty search word matches nothing. Keys that cannot be read are skipped
// with their subtrees.
void ScanRegistry(const std::string& searchWord, CheckTree& tree, ScanProgress& progress);

// The walk of one start subtree: `path` is the start path below `hive` (no
// trailing "\").
void ScanRegistryKey(RegHive hive, const std::string& path, const std::string& searchWord,
                     CheckTree& tree, ScanProgress& progress);

// Folders below a scan root that must stay because another program lives in
// them: each a list of names below the root (an empty list is the root itself).
struct FolderLocks {
    std::vector<std::vector<std::wstring>> folders;
    enum class Match { None, OnTheWay, Exact };
    // How `rel` (names below the root) stands to the locked folders: one of
    // them, on the way to one, or neither. Names compare without regard to case.
    Match Find(const std::vector<std::wstring>& rel) const;
};

// Lists `rootText` (an absolute folder already judged safe to scan) as the root
// node, with everything below it, by the UTF-16 names the file system holds;
// each node keeps its real path and shows it converted. Names beginning with
// "." are skipped with their contents; junctions and symbolic links become Link
// nodes and are never entered. Every node takes `rootState` (csPartial is taken
// as csUnchecked). Folders `locks` names are locked: those on the way to a
// locked folder are listed with their contents, a locked folder itself without.
// Returns the root node, or -1 when the folder cannot be listed (nothing added).
NodeId ScanFiles(const std::string& rootText, CheckTree& tree, ScanProgress& progress,
                 CheckState rootState = csChecked, const FolderLocks& locks = {});
// The same for a folder known by its UTF-16 path; the root shows that path
// converted, or `rootText` when given. Adds another root when the tree has some.
NodeId ScanFilesW(std::wstring root, CheckTree& tree, ScanProgress& progress,
                  CheckState rootState = csChecked, const FolderLocks& locks = {},
                  const std::string* rootText = nullptr);

}  // namespace cx::cleanup

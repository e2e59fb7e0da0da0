#pragma once
// Removal of the checked findings of a remains scan. Each checked item is one
// attempt; an item counts as removed when it is gone afterwards (also when it
// was already gone before: what the user asked for holds). Nodes of removed
// items leave the tree; nodes of items that are still there stay, with their
// marks, so the window shows exactly what is left.
#include <windows.h>

#include <string>

#include "cleanup/CheckTree.h"

namespace cx::cleanup {

struct RemovalResult {
    size_t removed = 0;
    size_t failed = 0;
};

// Where a registry node's item lives.
struct RegItem {
    std::string hive;     // "HKEY_LOCAL_MACHINE"
    std::string keyPath;  // below the hive, ending in "\" (the key holding the item)
    std::string item;     // key name or value name ("" = default value)
};

// Splits a node text: hive = before the first "\", keyPath = the rest up to and
// including its last "\", item = after it. Only for texts without a recorded
// origin: a value name holding "\" is split wrongly, which is why the scan
// records hive, key path and name in the node.
RegItem SplitRegText(const std::string& text);
// The recorded origin of a registry node, or SplitRegText of its text.
RegItem RegItemOf(const Node& node);

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE" (exact,
// case-sensitive); any other text gives nullptr.
HKEY RootKeyFromName(const std::string& hiveName);

// Checked key nodes first (each key with its whole subtree, deepest first, every
// key opened relative to its parent), then checked value nodes of keys that were
// not checked whole, last to first. A key IsProtectedKey refuses, or one that
// holds such a key, is never deleted. The values of a key that could not be
// deleted stay under it untouched. Marks of the nodes left are recomputed.
RemovalResult RemoveRegistryItems(CheckTree& tree);

// Root checked: the whole folder. Otherwise every checked folder whose parent is
// not checked, whole; then every checked file and link on its own. Items go by
// their real (UTF-16) paths, and only the root and what lies below it by plain
// names is ever acted on; a locked node is never removed. A link is
// removed as a link, never its target. Files DeleteFileA refuses (read-only, in
// use) are reported, not forced. Marks of the nodes left are recomputed.
RemovalResult RemoveFileItems(CheckTree& tree);

// The removal of a scan's checked findings as the window's Delete and the
// command line do it: the registry part, then the files. A part that stops
// early counts its unprocessed checked items as not removed. Returns how many
// checked items are still there.
size_t RemoveFindings(CheckTree& registry, CheckTree& files);

// Deletes a folder with all its contents (without the recycle bin) and reports
// whether it is gone. Links inside are removed as links first, so nothing is
// deleted through them; a `path` that is itself a link loses only the link.
bool RemoveDirectoryTree(const std::wstring& path);

}  // namespace cx::cleanup

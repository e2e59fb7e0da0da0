#pragma once
// Snapshots of registry subtrees and folder trees, as sets of lower-cased
// entries, so a test can say exactly what a removal changed.
#include <windows.h>

#include <set>
#include <string>

namespace cx::test {

using Entries = std::set<std::string>;

// "hive\path" for every key and "hive\path\<value name>=<type>:<data>" for
// every value below (and including) root\path; keys opened relative to their parents.
void SnapshotRegistry(HKEY root, const std::string& hiveName, const std::string& path,
                      Entries& out);
// "path" for every folder and "path|<size>|<content>" for every file below (and including) dir.
void SnapshotFolder(const std::string& dir, Entries& out);

bool StartsWithPath(const std::string& entry, const std::string& prefix);
Entries Minus(const Entries& a, const Entries& b);

}  // namespace cx::test

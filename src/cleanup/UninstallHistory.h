#pragma once
// What Carvexo keeps on record of every uninstall it ran, window and command
// line alike: enough to look for that program's leftovers again when its
// registration is long gone, and to tell the user what was found and kept.
// One readable text file per uninstall, in the account's history folder
// (UserHistoryRoot), written whole or not at all.
#include <optional>
#include <string>
#include <vector>

#include "cleanup/CheckTree.h"
#include "cleanup/Evidence.h"

namespace cx::cleanup {

struct FoundRemains;

struct HistoryRecord {
    std::string date;  // local time, "2026-12-09 21:40:12"
    // The registration as the list showed it.
    std::wstring displayName, registryName, publisher, hive;
    // The install folder the scan listed (empty: none), and why it was taken.
    std::wstring installFolder;
    Reason folderReason = Reason::None;
    // Every folder the registration pointed at before the uninstaller ran.
    std::vector<FolderCandidate> folders;
    // What the scan offered (its topmost items), and what of it was still
    // there when the clean-up ended: unticked, refused, or not removable.
    std::vector<std::wstring> found, kept;
    bool scanned = false;  // false: the user wanted no scan
};

// The record of an ended uninstall: the target's names and folders, and
// `found` as its scan and clean-up left it (`scanned` false: no scan ran).
HistoryRecord MakeHistoryRecord(const FoundRemains& found, bool scanned, std::string date);
// The full names of the tree's topmost items: a registry item's full key name
// (and value name), a file's path.
std::vector<std::wstring> RootNames(const CheckTree& tree);
// The local time now, as records give it.
std::string HistoryDate();

// The file's text: a header line, then "key: value" lines, UTF-8. A value's
// control characters and "%" are written as "%XX", so that no name a registry
// or file system holds can start a line of its own.
std::string HistoryText(const HistoryRecord& record);
// nullopt for a text that is not such a record.
std::optional<HistoryRecord> ParseHistory(const std::string& text);

// Writes the record into `folder` (made when missing) under a name that sorts
// by time, first beside its final name, then moved there in one step; returns
// the file's path. Throws AppError with the reason.
std::wstring WriteHistory(const std::wstring& folder, const HistoryRecord& record);
// Keeps the record of an ended uninstall (MakeHistoryRecord, dated now) in
// `folder`; returns the file's path. Throws AppError with the reason.
std::wstring RecordUninstall(const std::wstring& folder, const FoundRemains& found, bool scanned);
// The records of `folder`, newest first; files that cannot be read as records
// are left out.
std::vector<HistoryRecord> ReadHistory(const std::wstring& folder);

}  // namespace cx::cleanup

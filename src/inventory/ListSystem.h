#pragma once
// What the program list page asks of the system: the records of the inventory
// service as plain data, and the shell for the folders and links a user clicks.
// The decisions these feed are in ListLogic.h.
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "inventory/ListLogic.h"

namespace cx {
class ProgramItem;
class TProgramList;
}  // namespace cx

namespace cx::inv {

// The program records of the service's current list, in its order. A record
// that has gone since the list was taken ends the reading: `complete` is then
// false and the records before it are returned. Throws on a service failure.
struct ProgramRecords {
    std::vector<ProgramRecord> records;
    bool complete = true;
};
ProgramRecords ReadProgramRecords(TProgramList& list);

// The screen-saver records of the service's current list, in its order.
std::vector<ScreenSaverRecord> ReadScreenSaverRecords(TProgramList& list);

// True when the text, trimmed of blanks and control characters, names an
// existing folder by a drive-letter path. Files, programs, relative paths and
// network paths are never openable.
bool IsOpenableFolder(const std::string& text);
// Opens the trimmed folder in the shell's folder window; does nothing unless
// IsOpenableFolder. The path is passed with a final backslash so that a
// program named like the folder ("C:\Tools.exe" beside "C:\Tools") cannot be
// picked instead. Failures are ignored.
void OpenFolder(HWND owner, const std::string& folder);
// Opens LaunchableLink(link) with the shell; does nothing when there is none.
// Failures are ignored.
void OpenLink(HWND owner, const std::string& link);

// The shell call behind OpenFolder and OpenLink: (owner, operation, file).
// Tests replace it to see what would be opened; an empty one restores ShellExecuteA.
using ShellOpener = std::function<void(HWND, const std::string&, const std::string&)>;
void SetShellOpener(ShellOpener opener);

ProgramProperties ReadProperties(const ProgramItem& item);  // throws on a service failure
std::vector<std::pair<std::string, std::string>> PropertyRows(const ProgramItem& item);

// Both pages of the details window for one record: the properties, and one
// (name, data) row per value of its uninstall key. Asks the service to load the
// record's details first (LoadDetails with its own registry name). Throws on a
// service failure.
struct DetailRows {
    std::vector<std::pair<std::string, std::string>> properties;
    std::vector<std::pair<std::string, std::string>> registry;
};
DetailRows ReadDetailRows(const ProgramItem& item);

}  // namespace cx::inv

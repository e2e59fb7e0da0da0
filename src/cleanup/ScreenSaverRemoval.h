#pragma once
// Removing a screen saver means moving its file into the program's backup
// folder; it is never deleted without a backup.
#include <string>

namespace cx::cleanup {

enum class ScrRemoval {
    Moved,       // the file is gone from its folder and kept in the backup folder
    NotFound,    // there was no such file: nothing to do
    NoBackup,    // no backup could be made: the file was left where it was
    NotRemoved,  // backed up, but the original could not be deleted (in use, no rights)
};

struct ScrRemovalResult {
    ScrRemoval outcome = ScrRemoval::NotFound;
    std::string backupPath;  // where the copy is kept (Moved, NotRemoved)
};

// The first free name for `fileName` in `backupDir` ("Name.scr", then
// "Name (2).scr", "Name (3).scr", ...), so an earlier backup is never replaced.
std::string FreeBackupPath(const std::string& backupDir, const std::string& fileName);

// Backs the file up into backupDir (made with its parents when missing), then
// removes the original.
ScrRemovalResult RemoveScreenSaver(const std::string& fullPath, const std::string& backupDir);

}  // namespace cx::cleanup

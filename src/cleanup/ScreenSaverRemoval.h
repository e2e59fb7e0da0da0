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
std::wstring FreeBackupPath(const std::wstring& backupDir, const std::wstring& fileName);

// Backs the file `fileName` of `folder` up into backupDir (made with its
// parents when missing), then removes the original. The name comes from the
// list and is not trusted: it must be a plain name that converts faithfully to
// UTF-16 and is the long name of a file directly in `folder`; anything else
// (a separator, "..", a wildcard, a folder, a short-name alias) is NotFound
// and nothing is touched.
ScrRemovalResult RemoveScreenSaver(const std::string& folder, const std::string& fileName,
                                   const std::string& backupDir);

}  // namespace cx::cleanup

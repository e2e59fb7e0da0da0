#include "cleanup/ScreenSaverRemoval.h"

#include <windows.h>

#include "platform/Files.h"
#include "platform/Strings.h"

namespace cx::cleanup {

std::string FreeBackupPath(const std::string& backupDir, const std::string& fileName) {
    std::string dir = IncludeTrailingBackslash(backupDir);
    std::string candidate = dir + fileName;
    if (GetFileAttributesA(candidate.c_str()) == INVALID_FILE_ATTRIBUTES) return candidate;
    size_t dot = fileName.rfind('.');
    std::string stem = dot == std::string::npos ? fileName : fileName.substr(0, dot);
    std::string ext = dot == std::string::npos ? std::string() : fileName.substr(dot);
    for (int n = 2;; ++n) {
        candidate = dir + stem + " (" + std::to_string(n) + ")" + ext;
        if (GetFileAttributesA(candidate.c_str()) == INVALID_FILE_ATTRIBUTES) return candidate;
    }
}

ScrRemovalResult RemoveScreenSaver(const std::string& fullPath, const std::string& backupDir) {
    ScrRemovalResult result;
    if (!FileExists(fullPath)) return result;
    try {
        ForceDirectories(backupDir);
    } catch (...) {
        result.outcome = ScrRemoval::NoBackup;
        return result;
    }
    std::string backup = FreeBackupPath(backupDir, ExtractFileName(fullPath));
    // A move keeps the file's dates; across drives it becomes a copy and a delete.
    if (MoveFileExA(fullPath.c_str(), backup.c_str(), MOVEFILE_COPY_ALLOWED)) {
        result.outcome = FileExists(fullPath) ? ScrRemoval::NotRemoved : ScrRemoval::Moved;
        result.backupPath = backup;
        return result;
    }
    // A file in use cannot be moved, but it may still be copied: keep the copy
    // and delete the original only when the copy is there.
    if (!CopyFileA(fullPath.c_str(), backup.c_str(), TRUE)) {
        result.outcome = ScrRemoval::NoBackup;
        return result;
    }
    result.backupPath = backup;
    result.outcome = DeleteFileA(fullPath.c_str()) ? ScrRemoval::Moved : ScrRemoval::NotRemoved;
    return result;
}

}  // namespace cx::cleanup

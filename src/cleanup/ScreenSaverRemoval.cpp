#include "cleanup/ScreenSaverRemoval.h"

#include <windows.h>

#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(LongPathForApi(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A name that can only mean one entry of one folder: no separator, drive,
// wildcard or dot-name that could make the joined path mean another file.
bool IsPlainFileName(const std::wstring& name) {
    return !name.empty() && name != L"." && name != L".." &&
           name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos;
}

}  // namespace

std::wstring FreeBackupPath(const std::wstring& backupDir, const std::wstring& fileName) {
    std::wstring dir = backupDir;
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    std::wstring candidate = dir + fileName;
    if (!Exists(candidate)) return candidate;
    size_t dot = fileName.rfind(L'.');
    std::wstring stem = dot == std::wstring::npos ? fileName : fileName.substr(0, dot);
    std::wstring ext = dot == std::wstring::npos ? std::wstring() : fileName.substr(dot);
    for (int n = 2;; ++n) {
        candidate = dir + stem + L" (" + std::to_wstring(n) + L")" + ext;
        if (!Exists(candidate)) return candidate;
    }
}

ScrRemovalResult RemoveScreenSaver(const std::string& folder, const std::string& fileName,
                                   const std::string& backupDir) {
    ScrRemovalResult result;
    // The 8-bit name must be the faithful text of one UTF-16 name: a "?" put
    // in for a character the code page lacks names nothing.
    const std::wstring name = AnsiToWide(fileName);
    if (!IsPlainFileName(name) || WideToAnsi(name) != fileName) return result;
    std::wstring dir = AnsiToWide(folder);
    if (dir.empty()) return result;
    if (dir.back() != L'\\') dir += L'\\';
    // The folder's own entry, by its long name: a short-name alias or a folder
    // of that name is not the listed screen saver.
    WIN32_FIND_DATAW fd;
    {
        unique_hfind find(FindFirstFileW(LongPathForApi(dir + name).c_str(), &fd));
        if (!find) return result;
    }
    if (lstrcmpiW(fd.cFileName, name.c_str()) != 0 ||
        (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return result;
    const std::wstring source = dir + fd.cFileName;
    const bool link = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    try {
        ForceDirectories(backupDir);
    } catch (...) {
        result.outcome = ScrRemoval::NoBackup;
        return result;
    }
    const std::wstring backup = FreeBackupPath(AnsiToWide(backupDir), fd.cFileName);
    // A move keeps the file's dates; across drives it becomes a copy and a
    // delete. A link is only ever renamed: a copy would be of what it points at.
    if (MoveFileExW(LongPathForApi(source).c_str(), LongPathForApi(backup).c_str(),
                    link ? 0 : MOVEFILE_COPY_ALLOWED)) {
        result.outcome = Exists(source) ? ScrRemoval::NotRemoved : ScrRemoval::Moved;
        result.backupPath = WideToAnsi(backup);
        return result;
    }
    // A file in use cannot be moved, but it may still be copied: keep the copy
    // and delete the original only when the copy is there.
    if (link || !CopyFileW(LongPathForApi(source).c_str(), LongPathForApi(backup).c_str(), TRUE)) {
        result.outcome = ScrRemoval::NoBackup;
        return result;
    }
    result.backupPath = WideToAnsi(backup);
    result.outcome =
        DeleteFileW(LongPathForApi(source).c_str()) ? ScrRemoval::Moved : ScrRemoval::NotRemoved;
    return result;
}

}  // namespace cx::cleanup

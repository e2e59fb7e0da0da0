#pragma once
// Files and folders held by handle. A path names a place only at the moment it
// is read: a folder on the way can be renamed, or swapped for a link, between
// a check and the act. These helpers open one name at a time below a folder
// already held, never through a reparse point, tell a place by its identity
// (volume and file index) rather than by its name, and delete, rename and
// list through the handle that was checked.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Handles.h"

namespace cx::fs {

// Which file or folder a handle holds: the same on the same volume means the
// same place, whatever name led to it.
struct FileId {
    DWORD volume = 0;
    uint64_t index = 0;
    bool known = false;
    bool operator==(const FileId& o) const {
        return known && o.known && volume == o.volume && index == o.index;
    }
    bool operator!=(const FileId& o) const { return !(*this == o); }
};

struct Held {
    unique_hfile handle;
    DWORD attributes = 0;
    FileId id;
    bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
};

// What the held item may be asked for: listing and walking a folder, and
// deleting or renaming the item itself.
inline constexpr DWORD kFolderAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | DELETE | SYNCHRONIZE;
inline constexpr DWORD kItemAccess = FILE_READ_ATTRIBUTES | DELETE | SYNCHRONIZE;
inline constexpr DWORD kLookAccess = FILE_READ_ATTRIBUTES | SYNCHRONIZE;

// Why an open failed: nothing there, or anything else (denied, in use...).
enum class OpenFailure { None, Missing, Other };

// True when `name` can only be one component of a path below a folder: not
// empty, ".", "..", and without separators, a drive or stream colon or control
// characters. Windows never lists such names; a file system reached through
// another system might.
bool IsPlainName(const std::wstring& name);

// Opens a full path as the item itself: a final link is held as the link.
std::optional<Held> OpenItself(const std::wstring& path, DWORD access,
                               OpenFailure* why = nullptr);

// Opens `name`, one plain name, directly below the held `folder`, as the item
// itself. A name with a separator, "." or ".." is refused (Other).
std::optional<Held> OpenChild(HANDLE folder, const std::wstring& name, DWORD access,
                              OpenFailure* why = nullptr);

FileId IdOf(HANDLE h);

struct FolderEntry {
    std::wstring name;
    DWORD attributes = 0;
};
// The entries of the held folder by the UTF-16 names the file system holds,
// "." and ".." left out; false when it cannot be listed.
bool ListHeld(HANDLE folder, std::vector<FolderEntry>& entries);

// Marks the held item for deletion: it goes when its last handle closes. A
// folder must be empty by then.
bool DeleteHeld(HANDLE h);

// Renames the held item to `target` (a full path; never replaces an item there).
bool RenameHeld(HANDLE h, const std::wstring& target);

// True when nothing named `name` is below the held folder any more.
bool ChildGone(HANDLE folder, const std::wstring& name);

}  // namespace cx::fs

#pragma once
// File-system helpers over the ANSI API.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace cx {

bool FileExists(const std::string& path) noexcept;
bool DirectoryExists(const std::string& path) noexcept;
// Creates a directory with all missing parents; throws AppError on failure.
void ForceDirectories(const std::string& dir);
// Full path of a loaded module (nullptr: the running executable).
std::string ModuleFileName(HMODULE module = nullptr);
// Directory of the running executable, ending in "\".
std::string ExeDirectory();
std::string WindowsDirectory();
std::string SystemDirectory();

// A path the W file functions take at any length: drive paths of MAX_PATH and
// more get the "\\?\" prefix (callers build them from plain names only).
std::wstring LongPathForApi(const std::wstring& path);

// Calls `visit` with each entry of the folder `dir` (with or without a final
// backslash) whose name matches `pattern`, in listing order, "." and ".." left
// out; `visit` returns false to stop. The folder is listed by the UTF-16 names
// the file system holds: an 8-bit listing turns names the code page lacks into
// look-alikes ("Ｔarget" into "Target", a fullwidth solidus into "/"), and a
// path built from one would reach another file. A folder that cannot be listed
// has no entries. Long paths are fine.
// A whole file of at most `maxBytes`, read by its UTF-16 name; nothing when it
// cannot be read whole or is larger.
std::optional<std::string> ReadFileBytes(const std::wstring& path, uint64_t maxBytes);
// Writes the whole file, flushed to the disk; `createNew`: only when no file
// of that name exists (else it is written anew). Throws AppError with the reason.
void WriteFileBytes(const std::wstring& path, const std::string& data, bool createNew = false);

using FolderVisitor = std::function<bool(const WIN32_FIND_DATAW& entry)>;
void ForEachFolderEntry(const std::wstring& dir, const FolderVisitor& visit,
                        const std::wstring& pattern = L"*");

}  // namespace cx

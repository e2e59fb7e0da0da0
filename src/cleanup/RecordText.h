#pragma once
// The pieces the readable records Carvexo keeps per account share (the
// uninstall history, the watched installs): fields that no name can break
// out of, and folders made level by level.
#include <optional>
#include <string>
#include <string_view>

namespace cx::cleanup {

// UTF-8, with control characters, tab and "%" written as "%XX": no name a
// registry or file system holds can start a line or a field of its own.
std::string EscapeField(std::wstring_view value);
// nullopt for a malformed escape or a text that is no UTF-8.
std::optional<std::wstring> UnescapeField(std::string_view text);

// Writes `bytes` into `folder` (made when missing) as a new file named by the
// local time ("20261210-031245-001.txt", the number for several of one
// second), first beside its final name, then moved there in one step; returns
// the file's path. `what` names the records in the error for a full second.
// Throws AppError with the reason.
std::wstring WriteTimedRecord(const std::wstring& folder, const std::string& bytes,
                              const char* what);

// Makes `folder` (a full path) and every level above it that is missing; a
// level that exists must be a folder. Throws AppError with the reason.
void MakeFolders(const std::wstring& folder);

}  // namespace cx::cleanup

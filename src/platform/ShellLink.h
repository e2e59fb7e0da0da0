#pragma once
// Reading what a shell link (.lnk) starts, without ever resolving it: the
// remains scan only compares the stored path with the folder it looks for,
// and a resolve would search the disk and may rewrite the link.
#include <string>

namespace cx {

// The program path stored in the link at `linkPath`, as stored (environment
// variables unexpanded); empty when the file is not a readable link or names
// no file system path. Initialises COM on the calling thread for the call when it is
// not already.
std::wstring ShortcutTargetW(const std::wstring& linkPath);

}  // namespace cx

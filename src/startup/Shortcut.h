#pragma once
// Shell links in the Startup folders, made and read through the shell's
// ShellLink class. COM must be initialised on the calling thread.
#include <string>

namespace cx::startup {

// Saves a link at `linkPath` (its extension replaced by ".lnk") that starts
// `target` in the target's own folder. True when the link file was saved.
// Throws AppError when the shell's link object cannot be created at all.
bool CreateShortcut(const std::string& target, const std::string& linkPath);
// The path a saved link starts; empty when it cannot be read.
std::string ShortcutTarget(const std::string& linkPath);
// The link file name CreateShortcut saves for a path.
std::string LinkFileName(const std::string& linkPath);

}  // namespace cx::startup

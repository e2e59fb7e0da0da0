#pragma once
// The install folder judged again when the user presses Delete (or answers
// yes on the command line): between the scan and that moment the folder may
// have been moved, another program may have been installed into it, or a
// protected folder may have come to live there. The file part of a clean-up
// goes ahead only when the folder passes the same rules as at scan time, is
// still the folder the tree lists, and every other program's folder inside it
// is one the tree keeps locked.
#include "cleanup/CheckTree.h"
#include "cleanup/Safety.h"

namespace cx::cleanup {

// True when `files`, the file tree ScanRemains made for `target`, may still be
// acted on under `safety` as it is now. An empty tree is always fine. The
// install folder is judged by `installFolder` (RemainsScan::installFolder),
// or by target.installLocation when that is empty; every other root (a data
// folder, a shortcut, a Start menu folder) by the rules it was found under.
bool InstallFolderStillSafe(const ListedProgram& target, const SafetyContext& safety,
                            const CheckTree& files, const std::string& installFolder = {});

}  // namespace cx::cleanup

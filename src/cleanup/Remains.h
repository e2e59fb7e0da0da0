#pragma once
// The remains scan of one program as a whole: registry keys named like its
// uninstall entry, then what is left in its install folder once the folder has
// passed the safety rules, with other programs' folders inside it locked (and
// the keys of a program registered under the same name in the other hive). The
// scan window and the command line run this same function, so both offer the
// same findings.
#include <string>
#include <vector>

#include "cleanup/CheckTree.h"
#include "cleanup/EvidenceScan.h"
#include "cleanup/Safety.h"
#include "cleanup/Scanner.h"

namespace cx::cleanup {

struct RemainsScan {
    // The first error the scan met; what was found before it stays in the trees.
    std::string failure;
    // Why the install folder was not listed (None when it was).
    DirRefusal refusal = DirRefusal::None;
    // Other programs living in the folder: their folders stay, locked.
    std::vector<KeptProgram> kept;
    // The first kept folder as the file tree shows it (empty when none is kept).
    std::string keptFolder;
    // The install folder listed, as judged (empty when none was), and where it came from.
    std::string installFolder;
    // The folder what points into is looked for in: the install folder listed,
    // or one the rules allow that no longer exists (an uninstaller that took
    // its whole folder leaves its file types and shortcuts pointing there).
    std::string evidenceFolder;
    Reason folderReason = Reason::None;
};

// Scans for the remains of `target` into `registry` and `files` (both expected
// empty): the keys named exactly like its registration, its install folder
// (the first of target.folders the safety rules allow, or its install
// location when none were gathered), then what ScanEvidence finds. While
// `safety.otherPrograms` holds a record of
// the target's registry name in the other hive, the matches in that hive and in
// HKEY_CLASSES_ROOT are that program's: listed locked and unchecked, as its
// folder is. Never throws: a failure of either part is recorded and the other
// part still runs.
RemainsScan ScanRemains(const ListedProgram& target, const SafetyContext& safety,
                        CheckTree& registry, CheckTree& files, ScanProgress& progress);
// The same, looking for data folders and shortcuts in `places` (tests).
RemainsScan ScanRemains(const ListedProgram& target, const SafetyContext& safety,
                        const EvidencePlaces& places, CheckTree& registry, CheckTree& files,
                        ScanProgress& progress);

// The sentence telling why an item was offered (for lblScanInfo and the command line).
std::string ReasonText(Reason reason);

// For a value to be put back (Node::putBack) that held a short text, the
// sentence saying what Delete writes (after a blank); empty for any other node.
std::string PutBackText(const Node& node);

// The sentence telling which program's folder is kept; empty when none is.
std::string KeptProgramText(const RemainsScan& scan);

// Sets every node of the tree unchecked: the findings of a program that still
// looks installed are offered, never preselected.
void UncheckAll(CheckTree& tree);

// How many nodes of the tree are checked.
size_t CheckedCount(const CheckTree& tree);

}  // namespace cx::cleanup

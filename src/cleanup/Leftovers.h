#pragma once
// Looking for the leftovers of a program that is already gone: removed through
// the system's own list, by its own uninstaller, or by deleting its folder.
// There is no registration to start from, so the person says what the program
// was: its name and maker, the folder it lived in, or an uninstall Carvexo ran
// and kept on record. The scan is the remains scan of an uninstall, under the
// same safety rules, removed with the same undo; only what starts checked is
// stricter (see MarkLeftovers).
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cleanup/CheckTree.h"
#include "cleanup/Safety.h"
#include "cleanup/UninstallHistory.h"

namespace cx::cleanup {

struct FoundRemains;

struct LeftoversQuery {
    enum class From { Names, Folder, History };
    From from = From::Names;
    std::string product, publisher;  // Names: as typed
    std::string folder;              // Folder: as typed or picked
    HistoryRecord record;            // History: the uninstall on record
};

// What starts checked in a leftovers scan, kept with its findings.
struct LeftoverMarks {
    // Only what lies in this folder or points into it starts checked; empty
    // (a look by name alone): nothing does. For a folder the user named, and
    // for the install folder an uninstall on record listed.
    std::wstring namedFolder;
    // The topmost items the uninstall on record offered and the user kept:
    // offered again, never checked again.
    std::vector<std::wstring> keptBefore;
    // No registration lies behind the names: a key named exactly like the
    // typed name is a match by name, not the registration's.
    bool byName = false;
};

// The scan's target and marks, or why there is none.
struct LeftoversPlan {
    ListedProgram target;
    LeftoverMarks marks;
    // Empty when the scan may run; else the sentence for the user.
    std::string problem;
};

// Where a program of that name may have been installed: Program Files (both
// views), and the per-user programs folder.
std::vector<std::wstring> ProgramRoots();

// Turns what the user said into the target the remains scan works on.
// `listed`: the program list as it is now: a program that is still listed under
// the name asked for (its product or registry name, in either hive), or lives
// in the folder named, is refused: its uninstall is the way to remove it, and
// its keys and files must never be offered as another's leftovers.
// By name, the real folders named like the product (below its maker's
// folder or directly) in `roots` are its install folder's candidates, save
// one a listed program lives in (a maker's folder named like the product); a
// product name too short or generic to stand for one program (see
// SearchNames) looks in no folder.
// `isFolder` tells whether a path is a real folder (no link).
LeftoversPlan PlanLeftovers(const LeftoversQuery& query, const std::vector<ListedProgram>& listed,
                            const std::vector<std::wstring>& roots,
                            const std::function<bool(const std::wstring&)>& isFolder);
// The same, with ProgramRoots() and the file system; a folder named that the
// safety rules refuse (a system folder, a drive, another computer's) is a
// problem, told with the rule's reason. One that no longer exists is fine:
// what points into it is still looked for.
LeftoversPlan PlanLeftovers(const LeftoversQuery& query, const std::vector<ListedProgram>& listed,
                            const SafetyContext& safety);

// After the scan: every item starts unchecked except, when a folder was named,
// what lies in it (the install folder the scan listed, when it is that folder)
// and what the scan found pointing into it; never an item kept before. By
// name, what the scan calls "named like the registration" is named like the
// typed name only.
void MarkLeftovers(FoundRemains& found, const LeftoverMarks& marks);

// The records of the uninstall history in the order `--history <n>` counts
// them (1: the newest), each shown as "<date>  <name>".
std::string HistoryRecordText(const HistoryRecord& record);

}  // namespace cx::cleanup

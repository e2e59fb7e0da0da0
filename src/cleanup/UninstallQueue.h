#pragma once
// Several programs uninstalled in one go: one uninstaller after another, never
// two at once, then one clean-up of everything the removed ones left. The
// window's queue and `CarvexoCmd uninstall <name> <name> ...` both keep their
// items here and scan the same way.
#include <string>
#include <vector>

#include "cleanup/UninstallFlow.h"

namespace cx::cleanup {

enum class QueueState {
    Waiting,     // not started yet
    Running,     // its uninstaller (or what it handed over to) runs
    Removed,     // it ended and the program is no longer registered
    NotRemoved,  // it ended and the program is still registered (cancelled, failed)
    Failed,      // it could not be started, or the wait for it failed
    Skipped,     // the queue was stopped before it
};

struct QueueItem {
    UninstallRun run;  // the record with its folders, and the command
    QueueState state = QueueState::Waiting;
    std::string problem;  // why it failed, for the user
};

// What every other program of the queue is to the scan of `items[index]`:
// one that is still registered is in the list anyway; one that is gone too is
// added as another program with each folder its registration pointed at, so
// that no removed program's folder, keys or maker's places are offered as
// another's remains. A folder two removed programs shared is offered once,
// with the first of them in the queue: the later ones keep it locked.
std::vector<OtherProgram> QueueOthers(const std::vector<QueueItem>& items, size_t index);

// The safety of the scan of `items[index]` after the whole queue has run:
// the system's protected folders, the list as it is now (`listedNow`, the
// target itself left out) and QueueOthers.
SafetyContext QueueSafety(const std::string& appDir, const std::vector<ListedProgram>& listedNow,
                          const std::vector<QueueItem>& items, size_t index);

// The count line of an ended queue: "3 of 4 programs removed".
std::string QueueSummary(const std::vector<QueueItem>& items);

}  // namespace cx::cleanup

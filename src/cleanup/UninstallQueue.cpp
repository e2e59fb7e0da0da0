#include "cleanup/UninstallQueue.h"

#include "platform/Error.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

// The folders of a gathered record, the stated one first; its install location alone otherwise.
std::vector<std::string> FoldersOf(const UninstallTarget& t) {
    std::vector<std::string> out;
    auto add = [&out](const std::string& f) {
        if (TrimControl(f).empty()) return;
        for (const std::string& o : out)
            if (SameInstallFolder(o, f)) return;
        out.push_back(f);
    };
    add(t.installLocation);
    for (const FolderCandidate& c : t.folders) add(WideToAnsi(c.folder));
    return out;
}

bool SharesAFolder(const UninstallTarget& a, const UninstallTarget& b) {
    for (const std::string& fa : FoldersOf(a))
        for (const std::string& fb : FoldersOf(b))
            if (SameInstallFolder(fa, fb)) return true;
    return false;
}

}  // namespace

std::vector<OtherProgram> QueueOthers(const std::vector<QueueItem>& items, size_t index) {
    std::vector<OtherProgram> others;
    if (index >= items.size()) return others;
    const UninstallTarget& self = items[index].run.target;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i == index || items[i].state != QueueState::Removed) continue;
        const UninstallTarget& t = items[i].run.target;
        const std::string name = t.displayName.empty() ? t.registryName : t.displayName;
        // Gone both: the earlier one in the queue offers what they shared.
        if (i > index && SharesAFolder(self, t)) {
            others.emplace_back(std::string(), name, t.registryName, t.hive, t.publisher);
            continue;
        }
        const std::vector<std::string> folders = FoldersOf(t);
        if (folders.empty())
            others.emplace_back(std::string(), name, t.registryName, t.hive, t.publisher);
        for (const std::string& f : folders)
            others.emplace_back(f, name, t.registryName, t.hive, t.publisher);
    }
    return others;
}

SafetyContext QueueSafety(const std::string& appDir, const std::vector<ListedProgram>& listedNow,
                          const std::vector<QueueItem>& items, size_t index) {
    std::vector<OtherProgram> others = OtherListedPrograms(listedNow, items.at(index).run.target);
    for (OtherProgram& o : QueueOthers(items, index)) others.push_back(std::move(o));
    return SystemSafetyContext(appDir, others);
}

std::string QueueSummary(const std::vector<QueueItem>& items) {
    size_t removed = 0;
    for (const QueueItem& i : items)
        if (i.state == QueueState::Removed) ++removed;
    return Format("%u of %u programs removed", static_cast<unsigned>(removed),
                  static_cast<unsigned>(items.size()));
}

}  // namespace cx::cleanup

#include "cleanup/Rejudge.h"

#include "cleanup/Removal.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring Bare(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

// The node reached from `from` by the names `below`, or -1.
NodeId NodeBelow(const CheckTree& tree, NodeId from, const std::vector<std::wstring>& below) {
    NodeId cur = from;
    for (const std::wstring& name : below) {
        NodeId next = -1;
        for (NodeId c : tree.Get(cur).children) {
            const std::wstring path = FileItemPath(tree.Get(c));
            const size_t slash = path.find_last_of(L'\\');
            if (SameText(slash == std::wstring::npos ? path : path.substr(slash + 1), name)) {
                next = c;
                break;
            }
        }
        if (next == -1) return -1;
        cur = next;
    }
    return cur;
}

}  // namespace

bool InstallFolderStillSafe(const ListedProgram& target, const SafetyContext& safety,
                            const CheckTree& files) {
    const auto roots = files.Roots();
    if (roots.empty()) return true;
    if (roots.size() != 1) return false;
    const NodeId root = roots.front();
    const DirVerdict verdict = CheckInstallDirectory(target.installLocation, safety);
    if (verdict.refusal != DirRefusal::None) return false;
    if (!SameText(Bare(AnsiToWide(verdict.resolved)), Bare(FileItemPath(files.Get(root)))))
        return false;
    // Every other program living there now must be one the tree keeps: a
    // folder installed into since the scan would otherwise go with its parent.
    for (const KeptProgram& k : OtherProgramsInside(verdict.resolved, safety)) {
        const NodeId kept = NodeBelow(files, root, k.below);
        if (kept == -1 || !files.Get(kept).locked) return false;
    }
    return true;
}

}  // namespace cx::cleanup

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

namespace {

bool IsInstallFolderReason(Reason r) {
    return r == Reason::InstallLocation || r == Reason::InstallerComponents ||
           r == Reason::InstallerProperty || r == Reason::UninstallerFolder ||
           r == Reason::IconFolder || r == Reason::FolderByName || r == Reason::ChosenFolder;
}

// A folder root passes the rules as it did at scan time, is still the folder
// the tree lists, and every other program's folder inside it is one the tree
// keeps locked: a folder installed into since the scan would otherwise go
// with its parent.
bool FolderStillSafe(const std::string& text, const SafetyContext& safety, const CheckTree& files,
                     NodeId root) {
    const DirVerdict verdict = CheckInstallDirectory(text, safety);
    if (verdict.refusal != DirRefusal::None) return false;
    if (!SameText(Bare(AnsiToWide(verdict.resolved)), Bare(FileItemPath(files.Get(root)))))
        return false;
    for (const KeptProgram& k : OtherProgramsInside(verdict.resolved, safety)) {
        const NodeId kept = NodeBelow(files, root, k.below);
        if (kept == -1 || !files.Get(kept).locked) return false;
    }
    return true;
}

// A shortcut or Start menu folder: still below a shortcut folder, with no
// link on the way from there.
bool ShortcutStillSafe(const std::wstring& path, const SafetyContext& safety) {
    if (!IsAnsiFaithful(path) || !InShortcutFolder(WideToAnsi(path), safety)) return false;
    for (std::wstring up = path.substr(0, path.find_last_of(L'\\')); up.size() > 3;
         up = up.substr(0, up.find_last_of(L'\\'))) {
        const DWORD a = GetFileAttributesW(up.c_str());
        if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY) ||
            (a & FILE_ATTRIBUTE_REPARSE_POINT))
            return false;
        if (up.find(L'\\') == std::wstring::npos) break;
    }
    return true;
}

}  // namespace

bool InstallFolderStillSafe(const ListedProgram& target, const SafetyContext& safety,
                            const CheckTree& files, const std::string& installFolder) {
    bool installSeen = false;
    for (NodeId root : files.Roots()) {
        const Node& n = files.Get(root);
        const std::wstring path = Bare(FileItemPath(n));
        // The install folder is the first root; a tree from before reasons
        // were recorded has it as its only one.
        const bool install =
            !installSeen && (IsInstallFolderReason(n.reason) ||
                             (n.reason == Reason::None && files.Roots().size() == 1));
        if (install) {
            installSeen = true;
            const std::string text = installFolder.empty() ? target.installLocation : installFolder;
            if (!FolderStillSafe(text, safety, files, root)) return false;
        } else if (IsAnsiFaithful(path) && InShortcutFolder(WideToAnsi(path), safety)) {
            if (!ShortcutStillSafe(path, safety)) return false;
        } else {
            if (!IsAnsiFaithful(path) || !FolderStillSafe(WideToAnsi(path), safety, files, root))
                return false;
        }
    }
    return true;
}

}  // namespace cx::cleanup

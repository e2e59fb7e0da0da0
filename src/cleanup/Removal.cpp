#include "cleanup/Removal.h"

#include <shellapi.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "cleanup/Safety.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "cleanup/Scanner.h"

namespace cx::cleanup {

RegItem SplitRegText(const std::string& text) {
    RegItem r;
    size_t first = text.find('\\');
    if (first == std::string::npos) {
        r.hive = text;
        return r;
    }
    r.hive = text.substr(0, first);
    std::string rest = text.substr(first + 1);
    size_t last = rest.rfind('\\');
    if (last == std::string::npos) {
        r.item = rest;
    } else {
        r.keyPath = rest.substr(0, last + 1);
        r.item = rest.substr(last + 1);
    }
    return r;
}

RegItem RegItemOf(const Node& node) {
    if (node.hive.empty()) return SplitRegText(node.text);
    return RegItem{node.hive, node.keyPath, node.itemName};
}

HKEY RootKeyFromName(const std::string& hiveName) {
    if (hiveName == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
    if (hiveName == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    if (hiveName == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    return nullptr;
}

namespace {

bool IsMissing(LONG rc) { return rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND; }

// A registry item by the UTF-16 names the registry holds (see RegItemOf).
struct WideItem {
    std::string hive;
    std::wstring keyPath;  // ends in "\"
    std::wstring item;
};

WideItem WideItemOf(const Node& n) {
    if (n.wide) return WideItem{n.hive, n.wideKeyPath, n.wideItemName};
    RegItem r = RegItemOf(n);
    return WideItem{r.hive, AnsiToWide(r.keyPath), AnsiToWide(r.item)};
}

// Opens root\keyPath one name at a time, each relative to the previous handle
// (Wine refuses full paths beyond about 260 characters). `rc` receives the
// error of the open that failed.
unique_hkey OpenPath(HKEY root, const std::wstring& keyPath, REGSAM access, LONG& rc) {
    rc = ERROR_SUCCESS;
    if (!root) {
        rc = ERROR_INVALID_HANDLE;
        return {};
    }
    std::vector<std::wstring> parts;
    for (size_t pos = 0; pos <= keyPath.size();) {
        size_t end = keyPath.find(L'\\', pos);
        if (end == std::wstring::npos) end = keyPath.size();
        if (end > pos) parts.push_back(keyPath.substr(pos, end - pos));
        pos = end + 1;
    }
    unique_hkey cur(root);  // a predefined root is never closed by its owner
    for (size_t i = 0; i < parts.size(); ++i) {
        // A link on the way would lead the removal to another key of the same name.
        unique_hkey next;
        REGSAM want = (i + 1 == parts.size() ? access : KEY_READ) | KEY_QUERY_VALUE;
        rc = reg::OpenNoFollow(cur.get(), parts[i], want, next);
        if (rc != ERROR_SUCCESS) return {};
        if (reg::IsLink(next.get())) {
            rc = ERROR_ACCESS_DENIED;
            return {};
        }
        cur = std::move(next);
    }
    if (parts.empty()) {
        // The hive itself: hand out a handle that carries the requested access.
        unique_hkey self;
        rc = RegOpenKeyExW(root, nullptr, 0, access, self.put());
        if (rc != ERROR_SUCCESS) return {};
        return self;
    }
    return cur;
}

// True when some key of the subtree at parent\name (full path `path`) is one
// Windows owns; such a subtree is left whole rather than half deleted. Links
// are not entered: removal deletes them as links.
bool HoldsProtectedKey(HKEY parent, const std::wstring& name, const std::string& hive,
                       const std::wstring& path, int depth = 0) {
    if (IsProtectedKey(hive, WideToAnsi(path))) return true;
    unique_hkey key;
    if (reg::OpenNoFollow(parent, name, KEY_READ, key) != ERROR_SUCCESS || reg::IsLink(key.get()) ||
        depth > 512)
        return false;
    for (const std::wstring& sub : reg::SubKeyNamesW(key.get()))
        if (HoldsProtectedKey(key.get(), sub, hive, path + L"\\" + sub, depth + 1)) return true;
    return false;
}

// Removes a key node's key; true when the key is gone afterwards.
bool RemoveKey(const WideItem& item) {
    if (item.item.empty()) return false;  // a text naming a hive, not a key
    const std::wstring path = item.keyPath + item.item;
    HKEY root = RootKeyFromName(item.hive);
    LONG rc;
    // Deleting a subkey needs no rights on its parent, only on the key itself.
    unique_hkey parent = OpenPath(root, item.keyPath, KEY_READ, rc);
    if (!parent) return IsMissing(rc);
    if (HoldsProtectedKey(parent.get(), item.item, item.hive, path)) return false;
    reg::DeleteKeyTree(parent.get(), item.item);
    unique_hkey check;
    return IsMissing(reg::OpenNoFollow(parent.get(), item.item, KEY_READ, check));
}

bool KeyIsGone(const WideItem& item) {
    LONG rc;
    unique_hkey key = OpenPath(RootKeyFromName(item.hive), item.keyPath + item.item, KEY_READ, rc);
    return !key && IsMissing(rc);
}

// Removes a value node's value; true when the value is gone afterwards.
bool RemoveValue(const WideItem& item) {
    LONG rc;
    unique_hkey key =
        OpenPath(RootKeyFromName(item.hive), item.keyPath, KEY_QUERY_VALUE | KEY_SET_VALUE, rc);
    if (!key) return IsMissing(rc);
    RegDeleteValueW(key.get(), item.item.c_str());
    return IsMissing(
        RegQueryValueExW(key.get(), item.item.c_str(), nullptr, nullptr, nullptr, nullptr));
}

// After a removal the marks of the nodes left follow their children again
// (a key whose checked values went is no longer shown as partly checked).
void RecomputeMarks(CheckTree& tree) {
    auto order = tree.InOrder();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const Node& n = tree.Get(*it);
        if (n.children.empty()) continue;
        bool any = false, all = true;
        for (NodeId c : n.children) {
            CheckState s = tree.Get(c).state;
            if (s == csChecked || s == csPartial) any = true;
            if (s != csChecked) all = false;
        }
        tree.SetState(*it, !any ? csUnchecked : all && !n.locked ? csChecked : csPartial);
    }
}

bool PathExists(const std::wstring& path) {
    if (GetFileAttributesW(LongPathForApi(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    DWORD err = GetLastError();
    // Anything but "not there" (a denied look, a sharing error) means it may well be there.
    return err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND;
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path;
}

// The real path of a file-tree node: recorded by the scan, or its text for
// nodes made from text alone.
std::wstring PathOf(const Node& n) {
    return WithoutTrailingBackslash(n.path.empty() ? AnsiToWide(n.text) : n.path);
}

bool IsNameSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// True when `path` names a place strictly below `root` by plain names only: no
// "." or ".." component, no "/", no stream or device syntax, and the system
// reads it as written. A node whose path fails this is never acted on.
bool LiesBelow(const std::wstring& path, const std::wstring& root) {
    if (root.empty() || path.size() <= root.size() + 1) return false;
    std::wstring base = root.back() == L'\\' ? root : root + L'\\';
    if (path.size() <= base.size() ||
        CompareStringOrdinal(path.c_str(), static_cast<int>(base.size()), base.c_str(),
                             static_cast<int>(base.size()), TRUE) != CSTR_EQUAL)
        return false;
    size_t start = base.size();
    for (size_t i = start; i <= path.size(); ++i) {
        if (i < path.size() && !IsNameSeparator(path[i])) {
            if (path[i] == L':' || path[i] < 32) return false;
            continue;
        }
        if (i < path.size() && path[i] == L'/') return false;
        std::wstring_view part(path.data() + start, i - start);
        if (part.empty() || part == L"." || part == L"..") return false;
        // Trailing dots and blanks are dropped by the system: "a." opens "a".
        if (part.back() == L'.' || part.back() == L' ') return false;
        start = i + 1;
    }
    wchar_t buf[MAX_PATH];
    std::vector<wchar_t> big;
    DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, buf, nullptr);
    const wchar_t* full = buf;
    if (n >= MAX_PATH) {
        big.resize(n + 1);
        n = GetFullPathNameW(path.c_str(), n + 1, big.data(), nullptr);
        full = big.data();
    }
    return n == path.size() && std::wstring_view(full, n) == path;
}

// Removes a junction or symbolic link itself, never what it points to. The link
// is opened as itself (FILE_FLAG_OPEN_REPARSE_POINT) and deleted through that
// handle, but only after making sure the handle really is the link: a system
// that follows the link on open anyway (Wine does, for links made on the host)
// would otherwise delete the target's file. There the link stays, and the
// caller counts it as not removed.
void RemoveLink(const std::wstring& path) {
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const std::wstring api = LongPathForApi(path);
    unique_hfile link(
        CreateFileW(api.c_str(), DELETE | FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!link) return;
    BY_HANDLE_FILE_INFORMATION self{};
    if (!GetFileInformationByHandle(link.get(), &self) ||
        !(self.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return;
    unique_hfile target(CreateFileW(api.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION pointed{};
    if (target && GetFileInformationByHandle(target.get(), &pointed) &&
        pointed.dwVolumeSerialNumber == self.dwVolumeSerialNumber &&
        pointed.nFileIndexHigh == self.nFileIndexHigh &&
        pointed.nFileIndexLow == self.nFileIndexLow)
        return;  // the "link" handle is the target itself
    target.reset();
    FILE_DISPOSITION_INFO dispose{TRUE};
    SetFileInformationByHandle(link.get(), FileDispositionInfo, &dispose, sizeof dispose);
}

// Calls `visit(full path, find data)` for every entry of `dir` but "." and ".."
// whose name is a plain one (see LiesBelow); others are skipped, so nothing is
// done through them.
template <typename Visit>
void ForEachEntry(const std::wstring& dir, Visit visit) {
    ForEachFolderEntry(dir, [&](const WIN32_FIND_DATAW& fd) {
        std::wstring full = dir + L"\\" + fd.cFileName;
        if (LiesBelow(full, dir)) visit(full, fd);
        return true;
    });
}

// Removes every link below `dir` (never entering one); false when one stays.
bool RemoveLinksBelow(const std::wstring& dir) {
    bool ok = true;
    ForEachEntry(dir, [&](const std::wstring& full, const WIN32_FIND_DATAW& fd) {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            RemoveLink(full);
            if (PathExists(full)) ok = false;
        } else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ok = RemoveLinksBelow(full) && ok;
        }
    });
    return ok;
}

// Item by item, for what the shell left behind: one file in use then keeps only
// itself and the folders above it. Links are removed as links.
void DeleteContents(const std::wstring& dir) {
    ForEachEntry(dir, [](const std::wstring& full, const WIN32_FIND_DATAW& fd) {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            RemoveLink(full);
        } else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteContents(full);
            RemoveDirectoryW(LongPathForApi(full).c_str());
        } else {
            DeleteFileW(LongPathForApi(full).c_str());
        }
    });
}

// True when a name the file system holds below `dir` is not a plain one: the
// shell would be handed a folder it might misread, so only the item-by-item
// pass (which leaves such names alone) runs.
bool HoldsStrangeNames(const std::wstring& dir) {
    bool strange = false;
    ForEachFolderEntry(dir, [&](const WIN32_FIND_DATAW& fd) {
        std::wstring full = dir + L"\\" + fd.cFileName;
        if (!LiesBelow(full, dir)) {
            strange = true;
        } else if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                   !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            strange = HoldsStrangeNames(full);
        }
        return !strange;
    });
    return strange;
}

// Drops from the tree the nodes below `id` whose items are gone, after a
// folder could be removed only in part.
void PruneGone(CheckTree& tree, NodeId id) {
    std::vector<NodeId> below;
    std::vector<NodeId> stack(tree.Get(id).children.begin(), tree.Get(id).children.end());
    while (!stack.empty()) {
        NodeId cur = stack.back();
        stack.pop_back();
        below.push_back(cur);
        const auto& ch = tree.Get(cur).children;
        stack.insert(stack.end(), ch.begin(), ch.end());
    }
    // Children were pushed after their parents: walking back visits them first.
    for (auto it = below.rbegin(); it != below.rend(); ++it)
        if (tree.Contains(*it) && !PathExists(PathOf(tree.Get(*it)))) tree.Remove(*it);
}

}  // namespace

bool LiesBelowPlainly(const std::wstring& path, const std::wstring& root) {
    return LiesBelow(path, root);
}

bool ItemExists(const std::wstring& path) { return PathExists(path); }

std::wstring FileItemPath(const Node& node) { return PathOf(node); }

unique_hkey OpenKeyPath(HKEY root, const std::wstring& keyPath, REGSAM access, LONG& rc) {
    return OpenPath(root, keyPath, access, rc);
}

std::vector<NodeId> TopCheckedFileNodes(const CheckTree& tree) {
    std::vector<NodeId> top;
    for (NodeId id : tree.InOrder()) {
        const Node& n = tree.Get(id);
        if (n.state != csChecked || n.locked) continue;
        if (n.parent != -1 && tree.Get(n.parent).state == csChecked) continue;
        top.push_back(id);
    }
    return top;
}

// Runs one removal; the node leaves the tree only when its item is gone, and
// the outcome is counted either way.
template <typename Removal>
void TakeItem(CheckTree& tree, NodeId id, RemovalResult& result, Removal remove) {
    bool gone = false;
    try {
        gone = remove();
    } catch (const std::exception&) {
    }
    if (gone) {
        ++result.removed;
        tree.Remove(id);
    } else {
        ++result.failed;
    }
}

RemovalResult RemoveRegistryItems(CheckTree& tree) {
    RemovalResult result;
    auto order = tree.InOrder();
    for (auto it = order.rbegin(); it != order.rend() && !tree.Empty(); ++it) {
        if (!tree.Contains(*it)) continue;
        const Node& n = tree.Get(*it);
        if (n.kind != NodeKind::RegKey || n.state != csChecked) continue;
        TakeItem(tree, *it, result, [&] { return RemoveKey(WideItemOf(n)); });
    }
    order = tree.InOrder();
    for (auto it = order.rbegin(); it != order.rend() && !tree.Empty(); ++it) {
        if (!tree.Contains(*it)) continue;
        const Node& n = tree.Get(*it);
        if (n.kind != NodeKind::RegValue || n.state != csChecked) continue;
        // A checked key still here could not be deleted: its values stay with it.
        if (n.parent != -1 && tree.Get(n.parent).kind == NodeKind::RegKey &&
            tree.Get(n.parent).state == csChecked)
            continue;
        TakeItem(tree, *it, result, [&] { return RemoveValue(WideItemOf(n)); });
    }
    // A key deleted with a checked key above it may still have a node of its own
    // (a nested match the user left unchecked); the tree shows only what is there.
    order = tree.InOrder();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (!tree.Contains(*it) || tree.Get(*it).kind != NodeKind::RegKey) continue;
        if (KeyIsGone(WideItemOf(tree.Get(*it)))) tree.Remove(*it);
    }
    RecomputeMarks(tree);
    return result;
}

bool RemoveDirectoryTree(const std::wstring& path) {
    const std::wstring dir = WithoutTrailingBackslash(path);
    const std::wstring api = LongPathForApi(dir);
    DWORD attrs = GetFileAttributesW(api.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) return !PathExists(dir);
    if (attrs & FILE_ATTRIBUTE_REPARSE_POINT) {
        RemoveLink(dir);
        return !PathExists(dir);
    }
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // The shell might follow a link it meets, and takes no "\\?\" paths; with a
    // link or an odd name left inside, or a long path, only the item-by-item
    // pass (which never enters a link nor acts through an odd name) runs.
    if (api == dir && RemoveLinksBelow(dir) && !HoldsStrangeNames(dir)) {
        std::wstring from = dir;
        from.push_back(L'\0');  // a list of one name, ended by two NULs
        SHFILEOPSTRUCTW op{};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        // No error dialog: what could not be removed is reported by the caller.
        op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
        SHFileOperationW(&op);
    }
    if (PathExists(dir)) {
        DeleteContents(dir);
        RemoveDirectoryW(api.c_str());
    }
    return !PathExists(dir);
}

RemovalResult RemoveFileItems(CheckTree& tree, const TakeAway& takeAway) {
    RemovalResult result;
    if (tree.Empty()) return result;
    const auto roots = tree.Roots();
    const std::wstring root = roots.size() == 1 ? PathOf(tree.Get(roots.front())) : std::wstring();
    // Only the topmost checked nodes: a checked folder goes whole with all below it.
    std::vector<NodeId> folders, others;
    for (NodeId id : TopCheckedFileNodes(tree))
        (tree.Get(id).kind == NodeKind::Folder ? folders : others).push_back(id);
    auto process = [&](const std::vector<NodeId>& ids) {
        for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
            if (!tree.Contains(*it)) continue;
            const Node& n = tree.Get(*it);
            const std::wstring path = PathOf(n);
            const bool isRoot = n.parent == -1;
            // Whatever a node says, removal acts only on the scanned folder and
            // on what lies below it by plain names.
            if (root.empty() || (isRoot ? path != root : !LiesBelow(path, root))) {
                ++result.failed;
                continue;
            }
            bool gone = false;
            try {
                if (takeAway) {
                    takeAway(path, n.kind);
                    gone = !PathExists(path);
                } else if (n.kind == NodeKind::Folder) {
                    gone = RemoveDirectoryTree(path);
                } else {
                    if (n.kind == NodeKind::Link)
                        RemoveLink(path);
                    else
                        DeleteFileW(LongPathForApi(path).c_str());
                    gone = !PathExists(path);
                }
            } catch (const std::exception&) {
            }
            if (gone) {
                ++result.removed;
                tree.Remove(*it);
            } else {
                ++result.failed;
                PruneGone(tree, *it);
            }
        }
    };
    process(folders);
    process(others);
    RecomputeMarks(tree);
    return result;
}

}  // namespace cx::cleanup

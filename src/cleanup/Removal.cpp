#include "cleanup/Removal.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "cleanup/Safety.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/HeldFiles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "cleanup/Scanner.h"

namespace cx::cleanup {

namespace {

bool IsMissing(LONG rc) { return rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND; }

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
bool HoldsProtectedKey(HKEY parent, const std::wstring& name, RegHive hive,
                       const std::wstring& path, KeyOffer offer, int depth = 0) {
    if (IsProtectedKey(hive, path, offer)) return true;
    unique_hkey key;
    if (reg::OpenNoFollow(parent, name, KEY_READ, key) != ERROR_SUCCESS || reg::IsLink(key.get()) ||
        depth > 512)
        return false;
    for (const std::wstring& sub : reg::SubKeyNamesW(key.get()))
        if (HoldsProtectedKey(key.get(), sub, hive, path + L"\\" + sub, offer, depth + 1))
            return true;
    return false;
}

// The key a key node names; nothing for a node without a place, or one naming
// a hive rather than a key.
const RegPath* KeyOf(const Node& n) {
    return n.reg && !n.reg->IsValue() && !n.reg->Name().empty() ? &*n.reg : nullptr;
}

// Removes a key node's key; true when the key is gone afterwards.
bool RemoveKey(const RegPath* item, KeyOffer offer) {
    if (!item) return false;
    const std::wstring name = item->Name();
    LONG rc;
    // Deleting a subkey needs no rights on its parent, only on the key itself.
    unique_hkey parent = OpenPath(HiveKey(item->hive), item->Parent(), KEY_READ, rc);
    if (!parent) return IsMissing(rc);
    if (HoldsProtectedKey(parent.get(), name, item->hive, item->key, offer)) return false;
    reg::DeleteKeyTree(parent.get(), name);
    unique_hkey check;
    return IsMissing(reg::OpenNoFollow(parent.get(), name, KEY_READ, check));
}

KeyOffer OfferOf(const CheckTree& tree, NodeId id) {
    const Reason r = tree.ReasonOf(id);
    // What the setup was watched writing is as sure as what points into the folder.
    return r == Reason::PointsIntoFolder || r == Reason::WrittenBySetup ? KeyOffer::ByEvidence
                                                                        : KeyOffer::ByName;
}

// Removes a maker's key only when nothing is left in it: what came since the
// scan, or what the user kept below it, keeps it.
bool RemoveEmptyKey(const RegPath* item) {
    if (!item) return false;
    const std::wstring name = item->Name();
    LONG rc;
    unique_hkey parent = OpenPath(HiveKey(item->hive), item->Parent(), KEY_READ, rc);
    if (!parent) return IsMissing(rc);
    unique_hkey key;
    rc = reg::OpenNoFollow(parent.get(), name, KEY_READ, key);
    if (IsMissing(rc)) return true;
    DWORD subkeys = 1, values = 1;
    if (rc != ERROR_SUCCESS || reg::IsLink(key.get()) ||
        RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        subkeys != 0 || values != 0 || IsProtectedKey(item->hive, item->key))
        return false;
    key.reset();
    RegDeleteKeyW(parent.get(), name.c_str());
    unique_hkey check;
    return IsMissing(reg::OpenNoFollow(parent.get(), name, KEY_READ, check));
}

bool KeyIsGone(const RegPath* item) {
    if (!item) return false;
    LONG rc;
    unique_hkey key = OpenPath(HiveKey(item->hive), item->key, KEY_READ, rc);
    return !key && IsMissing(rc);
}

// Removes a value node's value; true when the value is gone afterwards.
bool RemoveValue(const Node& n) {
    if (!n.reg || !n.reg->IsValue()) return false;
    const RegPath& item = *n.reg;
    LONG rc;
    unique_hkey key = OpenPath(HiveKey(item.hive), item.key, KEY_QUERY_VALUE | KEY_SET_VALUE, rc);
    if (!key) return !n.putBack && IsMissing(rc);
    if (n.putBack) {
        // A value the setup changed gets its old data back (also when its
        // uninstaller deleted it); it counts as done when it holds exactly that.
        return RegSetValueExW(key.get(), item.value->c_str(), 0, n.oldType, n.oldData.data(),
                              static_cast<DWORD>(n.oldData.size())) == ERROR_SUCCESS &&
               ValueHolds(key.get(), *item.value, n.oldType, n.oldData);
    }
    RegDeleteValueW(key.get(), item.value->c_str());
    return IsMissing(
        RegQueryValueExW(key.get(), item.value->c_str(), nullptr, nullptr, nullptr, nullptr));
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

// True when the held item is a link that was opened as itself. A system that
// follows the link on open anyway (Wine does, for links made on the host)
// would hand out the target instead; acting on that handle would delete the
// target, so such a "link" is refused.
bool HeldAsLink(const fs::Held& held, const std::wstring& path) {
    if (!held.IsLink()) return false;
    auto pointed = fs::OpenItself(path, fs::kLookAccess);
    if (!pointed) return true;  // nothing behind it: the handle can only be the link
    unique_hfile target(CreateFileW(LongPathForApi(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return !target || fs::IdOf(target.get()) != held.id;
}

std::wstring LastName(const std::wstring& path);
bool StillTheItem(const Node& n, const fs::Held& held, const std::wstring& path);

// Deletes the held folder with everything below it, through handles only:
// each entry is opened below the folder that listed it, never through a link,
// and links are deleted as links. With `node` (the folder's node of `tree`),
// only what the scan listed goes, each entry checked to be what its node found
// (a subfolder swapped since is another place and stays), and the dot-names
// the scan leaves out of the list go with their folder; anything else that
// appeared since stays, and so do the folders holding it. Without a node
// (-1) everything goes. The walk keeps its own stack, one open folder per
// level, so a tree of any depth is removed without deep recursion. What cannot
// be deleted (in use, read-only) stays, and so do the folders above it.
void DeleteTreeHeld(fs::Held top, const CheckTree* tree = nullptr, NodeId node = -1) {
    struct Level {
        fs::Held folder;
        NodeId node;  // -1: everything below goes
        std::vector<fs::FolderEntry> entries;
        size_t next = 0;
    };
    std::vector<Level> stack;
    auto enter = [&](fs::Held folder, NodeId id) {
        Level level{std::move(folder), id, {}, 0};
        fs::ListHeld(level.folder.handle.get(), level.entries);
        stack.push_back(std::move(level));
    };
    // The child node of `parent` listed under `name`, or -1.
    auto listedAs = [&](NodeId parent, const std::wstring& name) -> NodeId {
        for (NodeId c : tree->Get(parent).children)
            if (LastName(PathOf(tree->Get(c))) == name) return c;
        return -1;
    };
    enter(std::move(top), tree ? node : -1);
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next == level.entries.size()) {
            // Its contents are gone (or some stay, and then so does it).
            fs::DeleteHeld(level.folder.handle.get());
            stack.pop_back();
            continue;
        }
        const fs::FolderEntry& e = level.entries[level.next++];
        NodeId childNode = -1;
        if (level.node != -1) {
            childNode = listedAs(level.node, e.name);
            if (childNode == -1 && e.name[0] != L'.') continue;  // not what the user saw
        }
        const bool folder = (e.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                            !(e.attributes & FILE_ATTRIBUTE_REPARSE_POINT);
        const std::wstring name = e.name;
        auto child = fs::OpenChild(level.folder.handle.get(), name,
                                   folder ? fs::kFolderAccess : fs::kItemAccess);
        if (!child) continue;
        if (childNode != -1) {
            const Node& n = tree->Get(childNode);
            if (!StillTheItem(n, *child, PathOf(n))) continue;
        }
        if (child->IsLink() || !child->IsFolder())
            fs::DeleteHeld(child->handle.get());
        else
            enter(std::move(*child), childNode);
    }
}

// The last name of a node's path: what its folder lists it as.
std::wstring LastName(const std::wstring& path) {
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// True when the held item is still what the node found: a folder that is the
// same folder (when its identity was recorded) and no link, a file that is no
// folder and no link, a link that is held as itself.
bool StillTheItem(const Node& n, const fs::Held& held, const std::wstring& path) {
    switch (n.kind) {
    case NodeKind::Folder:
        if (held.IsLink() || !held.IsFolder()) return false;
        return !n.identified || held.id == fs::FileId{n.volume, n.fileIndex, true};
    case NodeKind::Link: return HeldAsLink(held, path);
    default: return !held.IsLink() && !held.IsFolder();
    }
}

enum class Reach { Held, Gone, Refused };

// Opens the item of node `id` the way the scan reached it: the scanned root by
// its path, then one recorded name at a time below the folder already held,
// never through a link, each folder on the way checked to be the one the scan
// recorded. A place swapped since the scan is refused; nothing there is Gone.
Reach HoldItem(const CheckTree& tree, NodeId id, DWORD access, fs::Held& out) {
    std::vector<NodeId> chain;
    for (NodeId cur = id; cur != -1; cur = tree.Get(cur).parent) chain.push_back(cur);
    std::reverse(chain.begin(), chain.end());
    constexpr DWORD kWalk = FILE_TRAVERSE | fs::kLookAccess;
    std::optional<fs::Held> cur;
    for (size_t i = 0; i < chain.size(); ++i) {
        const Node& n = tree.Get(chain[i]);
        const std::wstring path = PathOf(n);
        const DWORD want = i + 1 == chain.size() ? access : kWalk;
        fs::OpenFailure why = fs::OpenFailure::Other;
        std::optional<fs::Held> next =
            i == 0 ? fs::OpenItself(path, want, &why)
                   : fs::OpenChild(cur->handle.get(), LastName(path), want, &why);
        if (!next) return why == fs::OpenFailure::Missing ? Reach::Gone : Reach::Refused;
        // Every folder on the way must still be a folder the scan listed.
        const bool onTheWay = i + 1 < chain.size();
        if (onTheWay ? (n.kind != NodeKind::Folder || !StillTheItem(n, *next, path))
                     : !StillTheItem(n, *next, path))
            return Reach::Refused;
        cur = std::move(next);
    }
    if (!cur) return Reach::Refused;
    out = std::move(*cur);
    return Reach::Held;
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
    // A maker's folder goes only once empty: what it holds is taken item by item.
    auto whole = [&](NodeId id) {
        const Node& n = tree.Get(id);
        return n.state == csChecked && !n.emptyOnly;
    };
    for (NodeId id : tree.InOrder()) {
        const Node& n = tree.Get(id);
        if (n.state != csChecked || n.locked || n.emptyOnly) continue;
        if (n.parent != -1 && whole(n.parent)) continue;
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

namespace {
// True, counting the item as not removed, once a stop was asked.
bool Stopped(const StopFlag* stop, RemovalResult& result) {
    if (!stop || !stop->load()) return false;
    result.stopped = true;
    ++result.failed;
    return true;
}
}  // namespace

RemovalResult RemoveRegistryItems(CheckTree& tree, const StopFlag* stop) {
    RemovalResult result;
    auto order = tree.InOrder();
    for (auto it = order.rbegin(); it != order.rend() && !tree.Empty(); ++it) {
        if (!tree.Contains(*it)) continue;
        const Node& n = tree.Get(*it);
        if (n.kind != NodeKind::RegKey || n.state != csChecked) continue;
        if (Stopped(stop, result)) continue;
        const bool emptyOnly = n.emptyOnly;
        TakeItem(tree, *it, result, [&] {
            // A file type found by what it points at may go where one matched by name may not.
            return emptyOnly ? RemoveEmptyKey(KeyOf(n)) : RemoveKey(KeyOf(n), OfferOf(tree, *it));
        });
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
        if (Stopped(stop, result)) continue;
        TakeItem(tree, *it, result, [&] { return RemoveValue(n); });
    }
    // A key deleted with a checked key above it may still have a node of its own
    // (a nested match the user left unchecked); the tree shows only what is there.
    order = tree.InOrder();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (!tree.Contains(*it) || tree.Get(*it).kind != NodeKind::RegKey) continue;
        if (KeyIsGone(KeyOf(tree.Get(*it)))) tree.Remove(*it);
    }
    RecomputeMarks(tree);
    return result;
}

bool RemoveDirectoryTree(const std::wstring& path) {
    const std::wstring dir = WithoutTrailingBackslash(path);
    fs::OpenFailure why;
    auto held = fs::OpenItself(dir, fs::kFolderAccess, &why);
    if (!held) return why == fs::OpenFailure::Missing;
    if (held->IsLink()) {
        if (HeldAsLink(*held, dir)) fs::DeleteHeld(held->handle.get());
    } else if (held->IsFolder()) {
        DeleteTreeHeld(std::move(*held));
    } else {
        return false;
    }
    return !PathExists(dir);
}

RemovalResult RemoveFileItems(CheckTree& tree, const TakeAway& takeAway, const StopFlag* stop) {
    RemovalResult result;
    if (tree.Empty()) return result;
    // Only the topmost checked nodes: a checked folder goes whole with all below it.
    std::vector<NodeId> folders, others;
    for (NodeId id : TopCheckedFileNodes(tree))
        (tree.Get(id).kind == NodeKind::Folder ? folders : others).push_back(id);
    auto process = [&](const std::vector<NodeId>& ids) {
        for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
            if (!tree.Contains(*it) || Stopped(stop, result)) continue;
            const Node& n = tree.Get(*it);
            const std::wstring path = PathOf(n);
            const bool isRoot = n.parent == -1;
            NodeId top = *it;
            while (tree.Get(top).parent != -1) top = tree.Get(top).parent;
            const std::wstring root = PathOf(tree.Get(top));
            // Whatever a node says, removal acts only on a scanned place and
            // on what lies below it by plain names.
            if (root.empty() || (!isRoot && !LiesBelow(path, root))) {
                ++result.failed;
                continue;
            }
            bool gone = false;
            try {
                // The place is judged again now, by what it is, and acted on
                // through the handle that was judged.
                fs::Held held;
                const DWORD access =
                    n.kind == NodeKind::Folder ? fs::kFolderAccess : fs::kItemAccess;
                switch (HoldItem(tree, *it, access, held)) {
                case Reach::Gone: gone = true; break;
                case Reach::Refused: break;
                case Reach::Held:
                    if (takeAway) {
                        takeAway(path, n.kind, held.handle.get());
                    } else if (n.kind == NodeKind::Folder) {
                        DeleteTreeHeld(std::move(held), &tree, *it);
                    } else {
                        fs::DeleteHeld(held.handle.get());
                    }
                    held.handle.reset();
                    gone = !PathExists(path);
                    break;
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
    // Then the maker's folders that held only those: each as the scan found
    // it, and only when nothing is left in it.
    std::vector<NodeId> makers;
    for (NodeId id : tree.InOrder())
        if (tree.Get(id).emptyOnly && tree.Get(id).state == csChecked && !tree.Get(id).locked)
            makers.push_back(id);
    for (auto it = makers.rbegin(); it != makers.rend(); ++it) {
        if (!tree.Contains(*it) || Stopped(stop, result)) continue;
        if (!tree.Get(*it).children.empty()) {
            ++result.failed;  // what was not taken keeps it
            continue;
        }
        const std::wstring path = PathOf(tree.Get(*it));
        fs::Held held;
        bool gone = false;
        switch (HoldItem(tree, *it, fs::kFolderAccess, held)) {
        case Reach::Gone: gone = true; break;
        case Reach::Refused: break;
        case Reach::Held: {
            std::vector<fs::FolderEntry> entries;
            if (fs::ListHeld(held.handle.get(), entries) && entries.empty())
                fs::DeleteHeld(held.handle.get());
            held.handle.reset();
            gone = !PathExists(path);
            break;
        }
        }
        if (gone) {
            ++result.removed;
            tree.Remove(*it);
        } else {
            ++result.failed;
        }
    }
    RecomputeMarks(tree);
    return result;
}

bool ValueHolds(HKEY key, const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
    DWORD t = 0, size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &t, nullptr, &size) != ERROR_SUCCESS ||
        t != type || size != data.size())
        return false;
    std::vector<BYTE> now(size + 1);
    return RegQueryValueExW(key, name.c_str(), nullptr, &t, now.data(), &size) == ERROR_SUCCESS &&
           size == data.size() && std::equal(data.begin(), data.end(), now.begin());
}

}  // namespace cx::cleanup

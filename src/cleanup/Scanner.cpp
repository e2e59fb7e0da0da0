#include "cleanup/Scanner.h"

#include <exception>
#include <vector>

#include "cleanup/Safety.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/HeldFiles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

// Repainting the label per item makes a scan several times slower under Wine
// (each repaint is a round trip to the wineserver), so the text is shown at
// most every 50 ms.
class Throttled {
public:
    explicit Throttled(ScanProgress& p) : p_(p) {}
    void Show(const std::string& text) {
        if (Due()) p_.show(text);
    }
    // True (and the time taken) when the label may be updated now; callers
    // build the text only then.
    bool Due() {
        if (!p_.show) return false;
        DWORD now = GetTickCount();
        if (p_.shownOnce && now - p_.lastShown < 50) return false;
        p_.shownOnce = true;
        p_.lastShown = now;
        return true;
    }
    void ShowNow(const std::string& text) { p_.show(text); }
    // Each look at the message queue is a round trip to the wineserver under
    // Wine: one per registry key or per file made a scan several times slower
    // than the walk itself. One look every 10 ms keeps the window painted and
    // answering well within a tenth of a second, as long as no single step
    // between two looks takes longer than that.
    void Pump() {
        if (!p_.pump) return;
        DWORD now = GetTickCount();
        if (pumpedOnce_ && now - lastPump_ < kPumpIntervalMs) return;
        pumpedOnce_ = true;
        lastPump_ = now;
        p_.pump();
    }

private:
    static constexpr DWORD kPumpIntervalMs = 10;
    ScanProgress& p_;
    DWORD lastPump_ = 0;
    bool pumpedOnce_ = false;
};

// Whole subtrees no program's remains are looked for in; compared, case-sensitively,
// with the path built so far (start path as written, then names as stored).
bool IsExcluded(const std::string& path) {
    static const char* const kExcluded[] = {
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components",
        "SOFTWARE\\Classes",
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SideBySide",
        "SOFTWARE\\Microsoft",
    };
    for (const char* e : kExcluded)
        if (path == e) return true;
    return false;
}

bool IsExcludedW(const std::wstring& path) {
    static const wchar_t* const kExcluded[] = {
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components",
        L"SOFTWARE\\Classes",
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SideBySide",
        L"SOFTWARE\\Microsoft",
    };
    for (const wchar_t* e : kExcluded)
        if (path == e) return true;
    return false;
}

// The walk goes by the UTF-16 names the registry holds: an 8-bit listing turns
// "Ｔarget" into "Target" (a key the program never had, offered under its
// name) and "A＼B" into "A\B" (another key, opened in its place).
struct RegWalk {
    RegHive hive;
    const std::wstring& word;
    CheckTree& tree;
    Throttled& progress;

    // `key` is open on `path` (no trailing "\"). Each subkey is opened relative to
    // it: Wine refuses full paths beyond about 260 characters. Reading is all a
    // scan needs, so KEY_READ: asking for full access would skip, without a word,
    // every key a limited user may not change, and the user would never learn
    // what is left; removal reports those it cannot delete instead.
    void Walk(HKEY key, const std::wstring& path, int depth) {
        try {
            const std::wstring base = path + L"\\";
            // Listing a key of thousands of subkeys (an Uninstall key) takes
            // longer than the queue may wait.
            for (const std::wstring& name : reg::SubKeyNamesW(key, [&] { progress.Pump(); })) {
                progress.Pump();
                if (name.find(L'\\') != std::wstring::npos) continue;
                const std::wstring childPath = base + name;
                if (progress.Due()) progress.ShowNow(RegPathText(RegPath{hive, childPath, {}}));
                // A link is opened as itself: it is listed and removed as the link
                // it is, and never walked, so a link looping back cannot keep the
                // scan going and a link's target is never offered under its name.
                unique_hkey child;
                if (reg::OpenNoFollow(key, name, KEY_READ, child) != ERROR_SUCCESS) child.reset();
                // One question tells whether the key can be a link at all (a link
                // holds its target in a value) and whether it has subkeys to walk,
                // so a leaf without values, most of any registry, costs no more
                // round trips to the wineserver than in a bare walk.
                DWORD subkeys = 1, values = 1;
                if (child && RegQueryInfoKeyW(child.get(), nullptr, nullptr, nullptr, &subkeys,
                                              nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                                              nullptr) != ERROR_SUCCESS)
                    subkeys = values = 1;  // not told: look as closely as ever
                const bool link = child && values > 0 && reg::IsLink(child.get());
                if (name == word && !IsProtectedKey(hive, childPath)) {
                    NodeId node = tree.AddRegistry(-1, RegPath{hive, childPath, {}});
                    if (child && !link)
                        for (const std::wstring& v : reg::ValueNamesW(child.get()))
                            tree.AddRegistry(node, RegPath{hive, childPath, v});
                }
                // The registry nests at most 512 levels; deeper is a loop.
                if (child && !link && subkeys > 0 && depth < kMaxKeyDepth &&
                    !IsExcludedW(childPath))
                    Walk(child.get(), childPath, depth + 1);
            }
        } catch (const std::exception&) {
            // One unreadable level ends only itself; the caller goes on with its next subkey.
        }
    }
    static constexpr int kMaxKeyDepth = 512;
};

constexpr DWORD kListAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | fs::kLookAccess;

void Identify(CheckTree& tree, NodeId node, const fs::Held& held) {
    if (held.id.known) tree.SetIdentity(node, held.id.volume, held.id.index);
}

// Lists a folder tree by the UTF-16 names the file system holds: an 8-bit
// listing would turn a fullwidth solidus into "/" and fullwidth dots into "..",
// and the path built from such a name would lead out of the folder. Each
// folder is opened below the one that listed it, never through a link, and
// its identity is recorded for the removal to check. The walk keeps its own
// stack, one open folder per level, so a tree of any depth is listed without
// deep recursion.
void ScanTree(fs::Held root, const std::wstring& rootPath, NodeId rootNode, CheckState state,
              CheckTree& tree, Throttled& progress, const FolderLocks& locks) {
    struct Level {
        fs::Held folder;
        std::wstring base;  // the folder's path with a final backslash
        NodeId node;
        std::vector<fs::FolderEntry> entries;
        size_t next = 0;
    };
    std::vector<Level> stack;
    std::vector<std::wstring> rel;  // names below the root of the folder on top
    auto enter = [&](fs::Held folder, std::wstring base, NodeId node) {
        Level level{std::move(folder), std::move(base), node, {}, 0};
        fs::ListHeld(level.folder.handle.get(), level.entries);  // unlistable: shown empty
        stack.push_back(std::move(level));
    };
    enter(std::move(root), rootPath.back() == L'\\' ? rootPath : rootPath + L"\\", rootNode);
    while (!stack.empty()) {
        Level& top = stack.back();
        if (top.next == top.entries.size()) {
            stack.pop_back();
            if (!rel.empty() && !stack.empty()) rel.pop_back();
            continue;
        }
        const fs::FolderEntry& e = top.entries[top.next++];
        if (e.name[0] == L'.' || !fs::IsPlainName(e.name)) continue;
        std::wstring full = top.base + e.name;
        if (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // Listed but never entered: its target belongs to someone else.
            progress.Pump();
            if (progress.Due()) progress.ShowNow(WideToAnsi(full));
            tree.AddPath(top.node, std::move(full), NodeKind::Link, state);
        } else if (e.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            progress.Pump();
            rel.push_back(e.name);
            FolderLocks::Match match = locks.Find(rel);
            NodeId node = tree.AddPath(top.node, full, NodeKind::Folder, state);
            if (match != FolderLocks::Match::None) tree.Lock(node);
            auto child = fs::OpenChild(top.folder.handle.get(), e.name, kListAccess);
            if (child && child->IsLink()) {
                // It became a link since it was listed: show it as what it is now.
                tree.Remove(node);
                tree.AddPath(top.node, std::move(full), NodeKind::Link, state);
                rel.pop_back();
                continue;
            }
            if (child) Identify(tree, node, *child);
            // Another program's own folder is kept whole and not even listed inside.
            if (child && match != FolderLocks::Match::Exact) {
                enter(std::move(*child), full + L"\\", node);
            } else {
                rel.pop_back();
            }
        } else {
            progress.Pump();
            if (progress.Due()) progress.ShowNow(WideToAnsi(full));
            tree.AddPath(top.node, std::move(full), NodeKind::File, state);
        }
    }
}

}  // namespace

void ScanRegistryKey(RegHive hive, const std::string& path, const std::string& searchWord,
                     CheckTree& tree, ScanProgress& progress) {
    if (searchWord.empty() || IsExcluded(path)) return;
    const std::wstring wpath = AnsiToWide(path), word = AnsiToWide(searchWord);
    unique_hkey key;
    if (RegOpenKeyExW(HiveKey(hive), wpath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return;
    Throttled throttled(progress);
    RegWalk walk{hive, word, tree, throttled};
    walk.Walk(key.get(), wpath, 0);
}

void ScanRegistry(const std::string& searchWord, CheckTree& tree, ScanProgress& progress) {
    if (searchWord.empty()) return;
    ScanRegistryKey(RegHive::ClassesRoot, "Installer\\Products", searchWord, tree, progress);
    ScanRegistryKey(RegHive::CurrentUser, "SOFTWARE", searchWord, tree, progress);
    ScanRegistryKey(RegHive::LocalMachine, "SOFTWARE", searchWord, tree, progress);
    ScanRegistryKey(RegHive::LocalMachine, "SOFTWARE\\Microsoft\\Windows", searchWord, tree,
                    progress);
}

FolderLocks::Match FolderLocks::Find(const std::vector<std::wstring>& rel) const {
    Match best = Match::None;
    for (const auto& lock : folders) {
        if (lock.size() < rel.size()) continue;
        bool same = true;
        for (size_t i = 0; i < rel.size() && same; ++i)
            same =
                CompareStringOrdinal(lock[i].c_str(), -1, rel[i].c_str(), -1, TRUE) == CSTR_EQUAL;
        if (!same) continue;
        if (lock.size() == rel.size()) return Match::Exact;
        best = Match::OnTheWay;
    }
    return best;
}

NodeId ScanFilesW(std::wstring root, CheckTree& tree, ScanProgress& progress, CheckState rootState,
                  const FolderLocks& locks, const std::string* rootText) {
    const CheckState state = rootState == csChecked ? csChecked : csUnchecked;
    // The root's path loses a trailing "\" (but "C:\" keeps it) so children get exactly one.
    while (root.size() > 3 && root.back() == L'\\') root.pop_back();
    auto held = fs::OpenItself(root, kListAccess);
    if (!held || !held->IsFolder()) return -1;
    Throttled throttled(progress);
    // An install folder that is itself a junction is listed as the link it is:
    // what it points to was never the program's to lose.
    auto add = [&](NodeKind kind) {
        NodeId id = tree.AddPath(-1, root, kind, state);
        if (rootText) tree.SetText(id, *rootText);
        return id;
    };
    if (held->IsLink()) return add(NodeKind::Link);
    NodeId node = add(NodeKind::Folder);
    Identify(tree, node, *held);
    std::vector<std::wstring> rel;
    FolderLocks::Match match = locks.Find(rel);
    if (match != FolderLocks::Match::None) tree.Lock(node);
    if (match != FolderLocks::Match::Exact)
        ScanTree(std::move(*held), root, node, state, tree, throttled, locks);
    // Locked folders follow what they hold: partial when some of it is checked.
    for (auto id : tree.InOrder())
        if (tree.Get(id).locked && !tree.Get(id).children.empty()) tree.UpdateParentState(id);
    return node;
}

NodeId ScanFiles(const std::string& rootText, CheckTree& tree, ScanProgress& progress,
                 CheckState rootState, const FolderLocks& locks) {
    // The root's own text is kept as given.
    return ScanFilesW(AnsiToWide(rootText), tree, progress, rootState, locks, &rootText);
}

}  // namespace cx::cleanup

#include "cleanup/Scanner.h"

#include <exception>
#include <vector>

#include "cleanup/Safety.h"
#include "platform/Files.h"
#include "platform/Handles.h"
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

std::vector<std::wstring> ValueNamesW(HKEY key) {
    std::vector<std::wstring> names;
    DWORD count = 0, maxName = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &maxName, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::vector<wchar_t> buf(maxName + 2);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(buf.size());
        LONG rc = RegEnumValueW(key, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
            buf.resize(buf.size() * 2 + 256);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        names.emplace_back(buf.data(), len);
    }
    return names;
}

// The walk goes by the UTF-16 names the registry holds: an 8-bit listing turns
// "Ｔarget" into "Target" (a key the program never had, offered under its
// name) and "A＼B" into "A\B" (another key, opened in its place).
struct RegWalk {
    const std::string& hive;
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
                if (progress.Due()) progress.ShowNow(hive + "\\" + WideToAnsi(childPath));
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
                if (name == word && !IsProtectedKey(hive, WideToAnsi(childPath))) {
                    NodeId node = tree.AddRegistryW(-1, NodeKind::RegKey, hive, base, name);
                    if (child && !link)
                        for (const std::wstring& v : ValueNamesW(child.get()))
                            tree.AddRegistryW(node, NodeKind::RegValue, hive, childPath + L"\\", v);
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

// A name from the listing is taken as one component of a path below the folder
// listed: nothing that could name the folder itself, its parent or another
// place. Windows never hands out such names; a file system reached through
// another system might.
bool IsPlainName(const wchar_t* name) {
    if (!name[0] || (name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2])))) return false;
    for (const wchar_t* c = name; *c; ++c)
        if (*c == L'\\' || *c == L'/' || *c == L':' || *c < 32) return false;
    return true;
}

// Lists one folder by the UTF-16 names the file system holds: an 8-bit listing
// would turn a fullwidth solidus into "/" and fullwidth dots into "..", and the
// path built from such a name would lead out of the folder.
void ScanDirectory(const std::wstring& dir, NodeId parent, CheckState state, CheckTree& tree,
                   Throttled& progress, const FolderLocks& locks, std::vector<std::wstring>& rel) {
    const std::wstring base = dir.back() == L'\\' ? dir : dir + L"\\";
    ForEachFolderEntry(base, [&](const WIN32_FIND_DATAW& fd) {
        if (fd.cFileName[0] == L'.' || !IsPlainName(fd.cFileName)) return true;
        std::wstring full = base + fd.cFileName;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // Listed but never entered: its target belongs to someone else.
            progress.Pump();
            if (progress.Due()) progress.ShowNow(WideToAnsi(full));
            tree.AddPath(parent, std::move(full), NodeKind::Link, state);
        } else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            rel.emplace_back(fd.cFileName);
            FolderLocks::Match match = locks.Find(rel);
            NodeId node = tree.AddPath(parent, full, NodeKind::Folder, state);
            if (match != FolderLocks::Match::None) tree.Lock(node);
            // Another program's own folder is kept whole and not even listed inside.
            if (match != FolderLocks::Match::Exact)
                ScanDirectory(full, node, state, tree, progress, locks, rel);
            rel.pop_back();
        } else {
            progress.Pump();
            if (progress.Due()) progress.ShowNow(WideToAnsi(full));
            tree.AddPath(parent, std::move(full), NodeKind::File, state);
        }
        return true;
    });
}

}  // namespace

void ScanRegistryKey(HKEY root, const std::string& hiveName, const std::string& path,
                     const std::string& searchWord, CheckTree& tree, ScanProgress& progress) {
    if (searchWord.empty() || IsExcluded(path)) return;
    const std::wstring wpath = AnsiToWide(path), word = AnsiToWide(searchWord);
    unique_hkey key;
    if (RegOpenKeyExW(root, wpath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    Throttled throttled(progress);
    RegWalk walk{hiveName, word, tree, throttled};
    walk.Walk(key.get(), wpath, 0);
}

void ScanRegistry(const std::string& searchWord, CheckTree& tree, ScanProgress& progress) {
    if (searchWord.empty()) return;
    ScanRegistryKey(HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "Installer\\Products", searchWord, tree,
                    progress);
    ScanRegistryKey(HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "SOFTWARE", searchWord, tree, progress);
    ScanRegistryKey(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE", searchWord, tree,
                    progress);
    ScanRegistryKey(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows",
                    searchWord, tree, progress);
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

NodeId ScanFiles(const std::string& rootText, CheckTree& tree, ScanProgress& progress,
                 CheckState rootState, const FolderLocks& locks) {
    const CheckState state = rootState == csChecked ? csChecked : csUnchecked;
    std::wstring root = AnsiToWide(rootText);
    // The root's own text is kept as given; its path loses a trailing "\"
    // (but "C:\" keeps it) so children get exactly one.
    while (root.size() > 3 && root.back() == L'\\') root.pop_back();
    DWORD attrs = GetFileAttributesW(LongPathForApi(root).c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY)) return -1;
    Throttled throttled(progress);
    // An install folder that is itself a junction is listed as the link it is:
    // what it points to was never the program's to lose.
    auto add = [&](NodeKind kind) {
        NodeId id = tree.AddPath(-1, root, kind, state);
        tree.SetText(id, rootText);
        return id;
    };
    if (attrs & FILE_ATTRIBUTE_REPARSE_POINT) return add(NodeKind::Link);
    NodeId node = add(NodeKind::Folder);
    std::vector<std::wstring> rel;
    FolderLocks::Match match = locks.Find(rel);
    if (match != FolderLocks::Match::None) tree.Lock(node);
    if (match != FolderLocks::Match::Exact)
        ScanDirectory(root, node, state, tree, throttled, locks, rel);
    // Locked folders follow what they hold: partial when some of it is checked.
    for (auto id : tree.InOrder())
        if (tree.Get(id).locked && !tree.Get(id).children.empty()) tree.UpdateParentState(id);
    return node;
}

}  // namespace cx::cleanup

namespace cx::cleanup {}  // namespace cx::cleanup

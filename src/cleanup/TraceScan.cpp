#include "cleanup/TraceScan.h"

#include <windows.h>

#include <set>

#include "cleanup/Evidence.h"
#include "cleanup/Removal.h"
#include "cleanup/Scanner.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

struct NoCase {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                    static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
    }
};
using PathSet = std::set<std::wstring, NoCase>;

std::wstring HiveKeyText(RegHive hive, const std::wstring& path) {
    return std::wstring(hive == RegHive::CurrentUser ? L"U\\" : L"M\\") + path;
}

std::wstring ParentOf(const std::wstring& path) {
    const size_t at = path.rfind(L'\\');
    return at == std::wstring::npos ? std::wstring() : path.substr(0, at);
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return !NoCase()(a, b) && !NoCase()(b, a);
}

void Check(CheckTree& tree, NodeId id, CheckState state) {
    tree.SetState(id, state);
    tree.SetChildrenState(id);
    tree.UpdateParentState(id);
}

struct Offer {
    const WatchTrace& trace;
    const SafetyContext& safety;
    const bool sure;
    CheckTree& registry;
    CheckTree& files;
    TraceOffer counts;

    PathSet createdKeys, createdFiles;
    std::vector<std::wstring> otherFolders;
    ScanProgress quiet;

    const CheckState on = sure ? csChecked : csUnchecked;

    // ------------------------------------------------------------ registry

    bool KeyAllowed(RegHive hive, const std::wstring& path) const {
        if (!IsAnsiFaithful(path) || IsProtectedKey(hive, path, KeyOffer::ByEvidence)) return false;
        // Another program's registration is that program's, whoever wrote it.
        const std::wstring uninstall = kUninstallKeyPath;
        for (const OtherProgram& o : safety.otherPrograms) {
            if (o.registryName.empty()) continue;
            const std::wstring entry = uninstall + L"\\" + AnsiToWide(o.registryName);
            if (PathIsIn(path, entry) || PathIsIn(entry, path)) return false;
        }
        return true;
    }

    // The tree's key node that is `path` itself, or -1; `covered` is set when
    // a key node holds it.
    NodeId KeyNode(RegHive hive, const std::wstring& path, bool& covered) const {
        covered = false;
        for (NodeId id : registry.InOrder()) {
            const Node& n = registry.Get(id);
            if (n.kind != NodeKind::RegKey || !n.reg || n.reg->IsValue() || n.reg->hive != hive)
                continue;
            if (SameText(n.reg->key, path)) return id;
            if (!n.emptyOnly && PathIsIn(path, n.reg->key)) covered = true;
        }
        return -1;
    }

    // Every key below `key` is one the setup created.
    bool WhollyCreated(HKEY key, RegHive hive, const std::wstring& path, int depth) const {
        if (depth > 64) return false;
        for (const std::wstring& name : reg::SubKeyNamesW(key)) {
            const std::wstring sub = path + L"\\" + name;
            if (!createdKeys.count(HiveKeyText(hive, sub))) return false;
            unique_hkey child;
            if (reg::OpenNoFollow(key, name, KEY_READ, child) != ERROR_SUCCESS) return false;
            if (!WhollyCreated(child.get(), hive, sub, depth + 1)) return false;
        }
        return true;
    }

    void OfferKey(NodeId parent, RegHive hive, const std::wstring& path, int depth) {
        if (depth > 64 || !KeyAllowed(hive, path)) return;
        LONG rc;
        unique_hkey key = OpenKeyPath(HiveKey(hive), path, KEY_READ, rc);
        if (!key) return;
        bool covered = false;
        const NodeId existing = KeyNode(hive, path, covered);
        if (covered) return;
        const bool whole = WhollyCreated(key.get(), hive, path, 0);
        if (existing != -1) {
            // Found by the scan as well: the trace makes it sure.
            registry.SetReason(existing, Reason::WrittenBySetup);
            if (whole && !registry.Get(existing).locked && sure)
                Check(registry, existing, csChecked);
            if (whole) return;
        }
        NodeId node = existing;
        if (node == -1) {
            node = registry.AddRegistry(parent, RegPath{hive, path, {}}, on);
            registry.SetReason(node, Reason::WrittenBySetup);
            ++counts.keys;
            if (whole) {
                for (const std::wstring& v : reg::ValueNamesW(key.get()))
                    registry.AddRegistry(node, RegPath{hive, path, v}, on);
                return;
            }
            // Something else came into it since: what the setup made in it is
            // offered, the key itself only ever goes once nothing is left in it.
            registry.SetEmptyOnly(node);
        }
        for (const std::wstring& name : reg::SubKeyNamesW(key.get())) {
            const std::wstring sub = path + L"\\" + name;
            if (createdKeys.count(HiveKeyText(hive, sub))) OfferKey(node, hive, sub, depth + 1);
        }
    }

    // The value's hash now; nothing when it is not there.
    static std::optional<uint64_t> ValueNow(RegHive hive, const TraceItem& i) {
        LONG rc;
        unique_hkey key = OpenKeyPath(HiveKey(hive), i.key, KEY_QUERY_VALUE, rc);
        if (!key) return std::nullopt;
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(key.get(), i.value.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        std::vector<BYTE> data(size + 2);
        size = static_cast<DWORD>(data.size());
        if (RegQueryValueExW(key.get(), i.value.c_str(), nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        return ValueHash(type, data.data(), size);
    }

    static bool KeyExists(RegHive hive, const std::wstring& path) {
        LONG rc;
        return static_cast<bool>(OpenKeyPath(HiveKey(hive), path, KEY_QUERY_VALUE, rc));
    }

    bool ValueOffered(const TraceItem& i) const {
        for (NodeId id : registry.InOrder()) {
            const Node& n = registry.Get(id);
            if (!n.reg || n.reg->hive != i.hive) continue;
            if (!n.reg->IsValue() && !n.emptyOnly && PathIsIn(i.key, n.reg->key)) return true;
            if (n.reg->IsValue() && SameText(n.reg->key, i.key) && *n.reg->value == i.value)
                return true;
        }
        return false;
    }

    void OfferValue(const TraceItem& i) {
        // Windows' keys that hold programs' values (Run, SharedDLLs) give them up;
        // other protected keys give nothing.
        if (!IsAnsiFaithful(i.key) || !IsAnsiFaithful(i.value)) return;
        if (IsProtectedKey(i.hive, i.key, KeyOffer::ByEvidence) &&
            !HoldsProgramValues(i.hive, i.key))
            return;
        const bool put = i.kind == TraceKind::ChangedValue;
        if (put && !i.oldKept) return;
        if (ValueOffered(i)) return;
        const std::optional<uint64_t> now = ValueNow(i.hive, i);
        // A value the setup changed and its uninstaller then deleted is put
        // back as well, into its key (never one made anew).
        if (!now && !(put && KeyExists(i.hive, i.key))) return;
        // Changed since the setup wrote it: somebody else's data now.
        const bool asWritten = now && *now == i.hash;
        const NodeId node = registry.AddRegistry(-1, RegPath{i.hive, i.key, i.value},
                                                 !put && asWritten ? on : csUnchecked);
        registry.SetReason(node, put ? Reason::ChangedBySetup : Reason::WrittenBySetup);
        if (put) {
            registry.SetPutBack(node, i.oldType, i.oldData);
            ++counts.putBack;
        } else {
            ++counts.values;
        }
    }

    // ------------------------------------------------------------ files

    NodeId RootHolding(const std::wstring& path) const {
        for (NodeId id : files.Roots()) {
            const Node& n = files.Get(id);
            if (PathIsIn(path, FileItemPath(n))) return id;
        }
        return -1;
    }

    bool InOtherProgram(const std::wstring& path) const {
        for (const std::wstring& f : otherFolders)
            if (PathIsIn(path, f)) return true;
        return false;
    }

    // A place the rules let a scan list: a folder they pass as spelled, or a
    // shortcut folder's own.
    bool PlaceAllowed(const std::wstring& folder) const {
        if (!IsAnsiFaithful(folder) || InOtherProgram(folder)) return false;
        const std::string text = WideToAnsi(folder);
        if (InShortcutFolder(text, safety)) return true;
        const DirVerdict v = CheckInstallDirectory(text, safety);
        return v.refusal == DirRefusal::None && SameText(AnsiToWide(v.resolved), folder);
    }

    static DWORD Attributes(const std::wstring& path) {
        return GetFileAttributesW(LongPathForApi(path).c_str());
    }

    void OfferFolder(const std::wstring& path) {
        const DWORD a = Attributes(path);
        if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY) ||
            (a & FILE_ATTRIBUTE_REPARSE_POINT))
            return;
        if (RootHolding(path) != -1 || !PlaceAllowed(path)) return;
        FolderLocks locks;
        if (!InShortcutFolder(WideToAnsi(path), safety))
            for (const KeptProgram& k : OtherProgramsInside(WideToAnsi(path), safety)) {
                if (k.below.empty()) return;
                locks.folders.push_back(k.below);
            }
        // What the scan found inside it already comes with it, as it was marked.
        std::vector<std::pair<std::wstring, std::pair<CheckState, Reason>>> inner;
        for (NodeId id : files.Roots()) {
            const Node& n = files.Get(id);
            const std::wstring p = FileItemPath(n);
            if (PathIsIn(p, path)) inner.push_back({p, {n.state, n.reason}});
        }
        const NodeId root = ScanFilesW(path, files, quiet, csUnchecked, locks);
        if (root == -1) return;
        ++counts.files;
        files.SetReason(root, Reason::WrittenBySetup);
        for (const auto& [p, mark] : inner)
            for (NodeId id : files.Roots())
                if (id != root && SameText(FileItemPath(files.Get(id)), p)) files.Remove(id);
        // Marks from the leaves up: the setup's own, and what the scan found.
        std::vector<NodeId> order;
        std::vector<NodeId> stack{root};
        while (!stack.empty()) {
            const NodeId id = stack.back();
            stack.pop_back();
            order.push_back(id);
            for (NodeId c : files.Get(id).children) stack.push_back(c);
        }
        for (NodeId id : order) {
            const Node& n = files.Get(id);
            if (n.locked) continue;
            const std::wstring p = FileItemPath(n);
            for (const auto& [q, mark] : inner)
                if (SameText(p, q)) {
                    files.SetReason(id, mark.second);
                    Check(files, id, mark.first);
                }
        }
        for (NodeId id : order) {
            const Node& n = files.Get(id);
            if (n.locked || !n.children.empty()) continue;
            bool fromScan = false;
            for (const auto& [q, mark] : inner)
                if (PathIsIn(FileItemPath(n), q)) fromScan = true;
            if (fromScan) continue;
            const bool setups = createdFiles.count(FileItemPath(n)) > 0;
            files.SetState(id, setups ? on : csUnchecked);
            files.UpdateParentState(id);
        }
    }

    void OfferFile(const std::wstring& path) {
        const DWORD a = Attributes(path);
        if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return;
        if (RootHolding(path) != -1) return;
        if (!InShortcutFolder(WideToAnsi(path), safety) && !PlaceAllowed(ParentOf(path))) return;
        if (InOtherProgram(path) || !IsAnsiFaithful(path)) return;
        const NodeKind kind = (a & FILE_ATTRIBUTE_REPARSE_POINT) ? NodeKind::Link : NodeKind::File;
        const NodeId id = files.AddPath(-1, path, kind, on);
        files.SetReason(id, Reason::WrittenBySetup);
        ++counts.files;
    }

    void Run() {
        for (const OtherProgram& o : safety.otherPrograms) {
            std::wstring f = AnsiToWide(o.location);
            while (!f.empty() && (f.back() == L'\\' || f.back() == L' ' || f.back() == L'"'))
                f.pop_back();
            if (!f.empty() && f.front() == L'"') f.erase(0, 1);
            if (f.size() > 3) otherFolders.push_back(f);
        }
        for (const TraceItem& i : trace.items) {
            if (i.kind == TraceKind::Key) createdKeys.insert(HiveKeyText(i.hive, i.key));
            if (i.kind == TraceKind::Folder || i.kind == TraceKind::File)
                createdFiles.insert(i.path);
        }
        for (const TraceItem& i : trace.items) {
            switch (i.kind) {
            case TraceKind::Key:
                // The topmost created keys; those below come with them.
                if (!createdKeys.count(HiveKeyText(i.hive, ParentOf(i.key))))
                    OfferKey(-1, i.hive, i.key, 0);
                break;
            case TraceKind::Value:
            case TraceKind::ChangedValue: OfferValue(i); break;
            case TraceKind::Folder:
                if (!createdFiles.count(ParentOf(i.path))) OfferFolder(i.path);
                break;
            case TraceKind::File:
                if (!createdFiles.count(ParentOf(i.path))) OfferFile(i.path);
                break;
            case TraceKind::ChangedFile:
                // Nothing to put back (the snapshot kept no contents), and
                // deleting a file the machine had before is no clean-up.
                break;
            }
        }
    }
};

}  // namespace

TraceOffer AddTraceFindings(const WatchTrace& trace, const SafetyContext& safety, bool sure,
                            CheckTree& registry, CheckTree& files) {
    Offer o{trace, safety, sure, registry, files, {}, {}, {}, {}, {}};
    o.Run();
    return o.counts;
}

bool TraceSharedWithListed(const WatchTrace& trace, const std::string& hive,
                           const std::string& registryName) {
    const std::optional<RegHive> h = ParseHive(hive);
    for (const TracedProgram& p : trace.programs) {
        if (h && p.hive == *h && SameText(p.registryName, AnsiToWide(registryName))) continue;
        LONG rc;
        unique_hkey key =
            OpenKeyPath(HiveKey(p.hive), std::wstring(kUninstallKeyPath) + L"\\" + p.registryName,
                        KEY_READ, rc);
        if (key || !(rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND)) return true;
    }
    return false;
}

}  // namespace cx::cleanup

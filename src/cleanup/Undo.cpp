#include "cleanup/Undo.h"

#include <algorithm>
#include <exception>

#include "cleanup/Removal.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/ShellRun.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

// A manifest holds at most a few values of some kilobytes; anything far larger
// is not one of ours.
constexpr uint64_t kMaxManifestBytes = 64u << 20;
constexpr uint64_t kMaxRegFileBytes = 256u << 20;

std::wstring WithSlash(std::wstring s) {
    if (!s.empty() && s.back() != L'\\') s.push_back(L'\\');
    return s;
}

std::wstring NoSlash(std::wstring s) {
    while (s.size() > 3 && s.back() == L'\\') s.pop_back();
    return s;
}

// A registry path without the backslashes that end a key path.
std::wstring KeyPathOnly(std::wstring s) {
    while (!s.empty() && s.back() == L'\\') s.pop_back();
    return s;
}

std::wstring ParentOf(const std::wstring& path) {
    size_t at = NoSlash(path).rfind(L'\\');
    return at == std::wstring::npos ? std::wstring() : path.substr(0, at);
}

DWORD Attributes(const std::wstring& path) {
    return GetFileAttributesW(LongPathForApi(path).c_str());
}

bool IsRealFolder(DWORD a) {
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) &&
           !(a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Creates `dir` and its missing parents; false when it is not a folder afterwards.
bool MakeFolders(const std::wstring& dir) {
    const std::wstring d = NoSlash(dir);
    if (d.size() <= 3) return IsRealFolder(Attributes(d + L"\\"));
    DWORD a = Attributes(d);
    if (a != INVALID_FILE_ATTRIBUTES) return IsRealFolder(a);
    const std::wstring parent = ParentOf(d);
    if (parent.empty() || !MakeFolders(parent)) return false;
    CreateDirectoryW(LongPathForApi(d).c_str(), nullptr);
    return IsRealFolder(Attributes(d));
}

std::optional<std::string> ReadBytes(const std::wstring& path, uint64_t maxBytes) {
    unique_hfile file(CreateFileW(LongPathForApi(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > maxBytes)
        return std::nullopt;
    std::string data(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!data.empty() &&
        (!ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &got, nullptr) ||
         got != data.size()))
        return std::nullopt;
    return data;
}

// Writes the whole file anew; throws with the reason when it cannot.
void WriteBytes(const std::wstring& path, const std::string& data) {
    unique_hfile file(CreateFileW(LongPathForApi(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw AppError(WideToAnsi(path) + ": " + SysErrorMessage(GetLastError()));
    DWORD written = 0;
    if (!WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) ||
        written != data.size() || !FlushFileBuffers(file.get()))
        throw AppError(WideToAnsi(path) + ": " + SysErrorMessage(GetLastError()));
}

size_t CheckedCount(const CheckTree& tree) {
    size_t n = 0;
    for (NodeId id : tree.InOrder())
        if (tree.Get(id).state == csChecked) ++n;
    return n;
}

uint64_t FolderBytes(const std::wstring& dir, int depth = 0) {
    uint64_t total = 0;
    if (depth > 512) return total;
    ForEachFolderEntry(dir, [&](const WIN32_FIND_DATAW& fd) {
        const std::wstring full = dir + L"\\" + fd.cFileName;
        if (!LiesBelowPlainly(full, dir) || (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return true;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            total += FolderBytes(full, depth + 1);
        else
            total += (uint64_t{fd.nFileSizeHigh} << 32) | fd.nFileSizeLow;
        return true;
    });
    return total;
}

// Moves `from` to `to` (whose parent exists). A file across drives is copied,
// and its copy dropped again when the original cannot be deleted; a link is
// only ever renamed; a folder that cannot be renamed whole goes item by item,
// so what is held stays with the folders above it.
void MoveItem(const std::wstring& from, const std::wstring& to, NodeKind kind, int depth = 0) {
    const std::wstring f = LongPathForApi(from), t = LongPathForApi(to);
    if (kind == NodeKind::Link) {
        MoveFileExW(f.c_str(), t.c_str(), 0);
        return;
    }
    if (kind == NodeKind::File) {
        if (!MoveFileExW(f.c_str(), t.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) &&
            ItemExists(from) && ItemExists(to))
            DeleteFileW(t.c_str());
        return;
    }
    if (MoveFileExW(f.c_str(), t.c_str(), 0) || depth > 512) return;
    CreateDirectoryW(t.c_str(), nullptr);
    if (!IsRealFolder(Attributes(to))) return;
    ForEachFolderEntry(from, [&](const WIN32_FIND_DATAW& fd) {
        const std::wstring full = from + L"\\" + fd.cFileName;
        // An odd name stays: nothing is done through a name the system may read otherwise.
        if (!LiesBelowPlainly(full, from)) return true;
        NodeKind k = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? NodeKind::Link
                     : (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)   ? NodeKind::Folder
                                                                          : NodeKind::File;
        MoveItem(full, to + L"\\" + fd.cFileName, k, depth + 1);
        return true;
    });
    RemoveDirectoryW(f.c_str());
    if (ItemExists(from)) RemoveDirectoryW(t.c_str());  // only when nothing went into it
}

NodeKind KindOnDisk(DWORD a) {
    return (a & FILE_ATTRIBUTE_REPARSE_POINT) ? NodeKind::Link
           : (a & FILE_ATTRIBUTE_DIRECTORY)   ? NodeKind::Folder
                                              : NodeKind::File;
}

bool KeyExists(HKEY root, const std::wstring& path) {
    LONG rc;
    unique_hkey key = OpenKeyPath(root, path, KEY_READ, rc);
    return key || (rc != ERROR_FILE_NOT_FOUND && rc != ERROR_PATH_NOT_FOUND);
}

std::wstring RegeditKey(const std::string& hive, const std::wstring& path) {
    return AnsiToWide(hive) + L"\\" + path;
}

// The clean-up being made: its folder, and the manifest of what it holds.
class Keeper {
public:
    Keeper(const CleanupBackup& options, CleanupManifest& manifest)
        : options_(options), manifest_(manifest) {}

    // Makes the clean-up's folder and backs up the registry part; throws with
    // the reason when anything of it cannot be written.
    void Prepare(const CheckTree& registry, const RegistryBackupPlan& plan) {
        const std::wstring root = WithSlash(options_.root);
        if (!MakeFolders(root))
            throw AppError("The folder " + WideToAnsi(root) + " cannot be created.");
        SYSTEMTIME now{};
        GetLocalTime(&now);
        manifest_.time = TimeText(now);
        const std::wstring name = CleanupFolderName(now, manifest_.program);
        for (int n = 1; folder_.empty(); ++n) {
            std::wstring candidate =
                root + name + (n == 1 ? L"" : L" (" + std::to_wstring(n) + L")");
            if (CreateDirectoryW(LongPathForApi(candidate).c_str(), nullptr)) {
                folder_ = WithSlash(candidate);
            } else if (GetLastError() != ERROR_ALREADY_EXISTS || n > 99) {
                throw AppError("The folder " + WideToAnsi(candidate) +
                               " cannot be created: " + SysErrorMessage(GetLastError()));
            }
        }
        for (NodeId id : plan.keys) ExportKey(WideRegItemOf(registry.Get(id)));
        for (NodeId id : plan.values) KeepValue(WideRegItemOf(registry.Get(id)));
        Write();
    }

    // Moves a file-tree item into the clean-up's folder, and lists it when
    // anything of it went there.
    void Take(const std::wstring& path, NodeKind kind) {
        const std::wstring stored = StoredPathOf(path);
        if (stored.empty()) return;
        const std::wstring to = folder_ + stored;
        if (!MakeFolders(ParentOf(to))) return;
        MoveItem(path, to, kind);
        if (ItemExists(to))
            manifest_.items.push_back(TakenItem{kind == NodeKind::Folder ? TakenKind::Folder
                                                : kind == NodeKind::Link ? TakenKind::Link
                                                                         : TakenKind::File,
                                                path});
    }

    void Write() { WriteBytes(folder_ + kManifestName, WriteManifest(manifest_)); }
    const std::wstring& Folder() const { return folder_; }

    void Discard() {
        if (!folder_.empty()) RemoveDirectoryTree(folder_);
    }

private:
    void ExportKey(const WideRegItem& n) {
        const std::wstring path = n.keyPath + n.item;
        HKEY root = RootKeyFromName(n.hive);
        // Gone already: nothing to keep, and its removal holds anyway.
        if (!root || !KeyExists(root, path)) return;
        const std::wstring dir = folder_ + kRegistryFolder;
        if (!MakeFolders(dir))
            throw AppError("The folder " + WideToAnsi(dir) + " cannot be created.");
        const std::wstring file = std::to_wstring(manifest_.keys.size() + 1) + L".reg";
        const std::wstring full = dir + L"\\" + file;
        const std::wstring key = RegeditKey(n.hive, path);
        RunWithShellAndWait(options_.regedit,
                            L"/e " + QuoteArgument(full) + L" " + QuoteArgument(key),
                            options_.regeditTimeLimitMs, options_.pump);
        auto bytes = ReadBytes(full, kMaxRegFileBytes);
        auto text = bytes ? DecodeRegFile(*bytes) : std::nullopt;
        if (!text || !RegFileStaysBelow(*text, n.hive, path))
            throw AppError("The registry key " + WideToAnsi(key) + " could not be exported.");
        manifest_.keys.push_back(TakenKey{n.hive, path, file});
    }

    void KeepValue(const WideRegItem& n) {
        LONG rc;
        unique_hkey key = OpenKeyPath(RootKeyFromName(n.hive), n.keyPath, KEY_QUERY_VALUE, rc);
        if (!key) {
            if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND) return;
            ThrowWin32(static_cast<DWORD>(rc));
        }
        DWORD type = 0, size = 0;
        rc = RegQueryValueExW(key.get(), n.item.c_str(), nullptr, &type, nullptr, &size);
        if (rc == ERROR_FILE_NOT_FOUND) return;
        std::vector<BYTE> data;
        for (int tries = 0; rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA; ++tries) {
            data.resize(size);
            rc = RegQueryValueExW(key.get(), n.item.c_str(), nullptr, &type, data.data(), &size);
            if (rc == ERROR_SUCCESS) break;
            if (tries > 4) break;
        }
        if (rc != ERROR_SUCCESS)
            throw AppError("The registry value " + WideToAnsi(n.item) +
                           " could not be read: " + SysErrorMessage(static_cast<DWORD>(rc)));
        data.resize(size);
        manifest_.values.push_back(
            TakenValue{n.hive, KeyPathOnly(n.keyPath), n.item, type, std::move(data)});
    }

    const CleanupBackup& options_;
    CleanupManifest& manifest_;
    std::wstring folder_;
};

size_t RemoveForGood(CheckTree& registry, CheckTree& files, const TakeAway& takeAway) {
    size_t failed = 0;
    try {
        failed += RemoveRegistryItems(registry).failed;
    } catch (const std::exception&) {
        failed += std::max<size_t>(1, CheckedCount(registry));
    }
    try {
        failed += RemoveFileItems(files, takeAway).failed;
    } catch (const std::exception&) {
        failed += std::max<size_t>(1, CheckedCount(files));
    }
    return failed;
}

std::wstring FilesRoot(const CheckTree& files) {
    const auto roots = files.Roots();
    return roots.size() == 1 ? FileItemPath(files.Get(roots.front())) : std::wstring();
}

}  // namespace

uint64_t CheckedFileBytes(const CheckTree& files) {
    uint64_t total = 0;
    for (NodeId id : TopCheckedFileNodes(files)) {
        const std::wstring path = FileItemPath(files.Get(id));
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(LongPathForApi(path).c_str(), GetFileExInfoStandard, &data) ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            total += FolderBytes(path);
        else
            total += (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    }
    return total;
}

FindingsOutcome RemoveFindings(CheckTree& registry, CheckTree& files, const CleanupBackup& backup) {
    FindingsOutcome out;
    const size_t checked = CheckedCount(registry) + CheckedCount(files);
    if (checked == 0) return out;
    if (backup.root.empty()) {
        out.failed = RemoveForGood(registry, files, {});
        return out;
    }
    const uint64_t size = CheckedFileBytes(files);
    if (size > backup.keepBytes) {
        if (!backup.removeWithoutBackup || !backup.removeWithoutBackup(size, backup.keepBytes)) {
            out.backup = BackupState::Declined;
            out.failed = checked;
            return out;
        }
        out.backup = BackupState::WithoutBackup;
        out.failed = RemoveForGood(registry, files, {});
        return out;
    }

    CleanupManifest manifest;
    manifest.program = backup.program;
    manifest.size = size;
    manifest.root = FilesRoot(files);
    const RegistryBackupPlan plan = PlanRegistryBackup(registry);
    Keeper keeper(backup, manifest);
    try {
        keeper.Prepare(registry, plan);
    } catch (const std::exception& e) {
        keeper.Discard();
        out.backup = BackupState::Failed;
        out.backupError = e.what();
        out.failed = checked;
        return out;
    }

    // Which registry items went: their nodes leave the tree when they are gone.
    auto keptKeys = manifest.keys;
    auto keptValues = manifest.values;
    std::vector<std::wstring> planKeys, planValues;
    for (NodeId id : plan.keys) {
        WideRegItem n = WideRegItemOf(registry.Get(id));
        planKeys.push_back(n.keyPath + n.item);
    }
    out.failed = RemoveForGood(
        registry, files, [&](const std::wstring& path, NodeKind kind) { keeper.Take(path, kind); });
    manifest.keys.clear();
    for (const TakenKey& k : keptKeys) {
        auto at = std::find(planKeys.begin(), planKeys.end(), k.path);
        NodeId id =
            at == planKeys.end() ? -1 : plan.keys[static_cast<size_t>(at - planKeys.begin())];
        if (id == -1 || !registry.Contains(id)) manifest.keys.push_back(k);
    }
    manifest.values.clear();
    for (const TakenValue& v : keptValues) {
        bool stays = false;
        for (NodeId id : plan.values) {
            if (!registry.Contains(id)) continue;
            WideRegItem n = WideRegItemOf(registry.Get(id));
            if (n.hive == v.hive && KeyPathOnly(n.keyPath) == v.keyPath && n.item == v.name)
                stays = true;
        }
        if (!stays) manifest.values.push_back(v);
    }

    if (manifest.keys.empty() && manifest.values.empty() && manifest.items.empty()) {
        keeper.Discard();
        return out;
    }
    try {
        keeper.Write();
    } catch (const std::exception&) {
        // The first manifest stays: it lists all that was to go, and a restore
        // reports what never went as being there.
    }
    out.backup = BackupState::Kept;
    out.folder = keeper.Folder();
    try {
        PruneCleanups(backup.root, backup.keepCount, backup.keepBytes);
    } catch (const std::exception&) {
    }
    return out;
}

std::vector<KeptCleanup> ListCleanups(const std::wstring& root) {
    std::vector<KeptCleanup> list;
    const std::wstring base = NoSlash(root);
    ForEachFolderEntry(base, [&](const WIN32_FIND_DATAW& fd) {
        const std::wstring full = base + L"\\" + fd.cFileName;
        if (!IsRealFolder(fd.dwFileAttributes) || !LiesBelowPlainly(full, base)) return true;
        auto bytes = ReadBytes(full + L"\\" + kManifestName, kMaxManifestBytes);
        auto manifest = bytes ? ParseManifest(*bytes) : std::nullopt;
        if (manifest)
            list.push_back(
                KeptCleanup{full + L"\\", manifest->program, manifest->time, manifest->size});
        return true;
    });
    std::sort(list.begin(), list.end(), [](const KeptCleanup& a, const KeptCleanup& b) {
        if (a.time != b.time) return a.time > b.time;
        return a.folder > b.folder;
    });
    return list;
}

void PruneCleanups(const std::wstring& root, size_t keepCount, uint64_t keepBytes) {
    const std::vector<KeptCleanup> list = ListCleanups(root);
    std::vector<uint64_t> sizes;
    for (const KeptCleanup& k : list) sizes.push_back(k.size);
    for (size_t i : CleanupsToDrop(sizes, keepCount, keepBytes)) {
        const std::wstring folder = NoSlash(list[i].folder);
        if (LiesBelowPlainly(folder, NoSlash(root))) RemoveDirectoryTree(folder);
    }
}

namespace {

// Puts file-tree items back from their backup copies. A folder that exists
// again is merged: what is not there again goes back, what is there again is
// reported and stays in the backup.
class Restorer {
public:
    explicit Restorer(RestoreOutcome& out) : out_(out) {}

    // True when all of `from` went back to `to`.
    bool RestoreItem(const std::wstring& from, const std::wstring& to, int depth = 0) {
        const DWORD src = Attributes(from);
        if (src == INVALID_FILE_ATTRIBUTES || depth > 512) {
            out_.notRestored.push_back(to + L" (not in the backup)");
            return false;
        }
        const DWORD dst = Attributes(to);
        if (dst == INVALID_FILE_ATTRIBUTES && !ItemExists(to)) {
            MoveItem(from, to, KindOnDisk(src));
            if (!ItemExists(from)) return true;
            if (!IsRealFolder(src)) {
                out_.notRestored.push_back(to);
                return false;
            }
        } else if (!IsRealFolder(src) || !IsRealFolder(dst)) {
            out_.notRestored.push_back(to + L" (exists again)");
            return false;
        }
        // A folder there again, or one moved back only in part: item by item.
        bool all = true;
        ForEachFolderEntry(from, [&](const WIN32_FIND_DATAW& fd) {
            const std::wstring child = from + L"\\" + fd.cFileName;
            if (!LiesBelowPlainly(child, from)) {
                all = false;
                return true;
            }
            all = RestoreItem(child, to + L"\\" + fd.cFileName, depth + 1) && all;
            return true;
        });
        RemoveDirectoryW(LongPathForApi(from).c_str());
        return all && !ItemExists(from);
    }

private:
    RestoreOutcome& out_;
};

// True when the folders from `root` down to the parent of `path` are real
// folders, made where missing (the root too; the folder above it must be
// there): no junction on the way can lead a restore elsewhere.
bool MakeWayBelow(const std::wstring& root, const std::wstring& path) {
    if (!IsRealFolder(Attributes(WithSlash(ParentOf(root))))) return false;
    if (path == root) return true;
    std::vector<std::wstring> way;
    std::wstring up = ParentOf(path);
    for (; up.size() > root.size(); up = ParentOf(up)) way.push_back(up);
    if (up != root) return false;
    way.push_back(root);
    for (auto it = way.rbegin(); it != way.rend(); ++it) {
        if (Attributes(*it) == INVALID_FILE_ATTRIBUTES)
            CreateDirectoryW(LongPathForApi(*it).c_str(), nullptr);
        if (!IsRealFolder(Attributes(*it))) return false;
    }
    return true;
}

// True when a manifest's root may be written into: the rules the scan judged it
// by, and no junction leading it elsewhere.
bool RootAllowed(const std::wstring& root, const SafetyContext& safety) {
    if (root.empty() || StoredPathOf(root).empty() || !IsAnsiFaithful(root)) return false;
    const std::string text = WideToAnsi(root);
    if (ClassifyInstallPath(text, safety).refusal != DirRefusal::None) return false;
    if (ItemExists(root)) return CheckInstallDirectory(text, safety).refusal == DirRefusal::None;
    for (std::wstring up = ParentOf(root); !up.empty(); up = ParentOf(up)) {
        DWORD a = Attributes(WithSlash(up));
        if (a == INVALID_FILE_ATTRIBUTES) continue;
        return IsRealFolder(a);
    }
    return false;
}

std::wstring ValueText(const TakenValue& v) {
    return RegeditKey(v.hive, v.keyPath) + L"\\" + (v.name.empty() ? L"(Default)" : v.name);
}

}  // namespace

RestoreOutcome RestoreCleanup(const std::wstring& root, const std::wstring& folder,
                              const SafetyContext& safety, const RestoreOptions& options) {
    const std::wstring base = NoSlash(root), dir = NoSlash(folder);
    if (!LiesBelowPlainly(dir, base) || ParentOf(dir) != base || !IsRealFolder(Attributes(dir)))
        throw AppError("Not a kept clean-up: " + WideToAnsi(folder));
    auto bytes = ReadBytes(dir + L"\\" + kManifestName, kMaxManifestBytes);
    auto parsed = bytes ? ParseManifest(*bytes) : std::nullopt;
    if (!parsed) throw AppError("Not a kept clean-up: " + WideToAnsi(folder));
    const CleanupManifest& m = *parsed;

    RestoreOutcome out;
    CleanupManifest left = m;
    left.keys.clear();
    left.values.clear();
    left.items.clear();

    for (const TakenKey& k : m.keys) {
        const std::wstring key = RegeditKey(k.hive, k.path);
        HKEY hive = RootKeyFromName(k.hive);
        std::wstring why;
        if (!hive || IsProtectedKey(k.hive, WideToAnsi(k.path))) {
            why = L" (protected)";
        } else if (KeyExists(hive, k.path)) {
            why = L" (exists again)";
        } else {
            const std::wstring file = dir + L"\\" + kRegistryFolder + L"\\" + k.file;
            auto data = ReadBytes(file, kMaxRegFileBytes);
            auto text = data ? DecodeRegFile(*data) : std::nullopt;
            if (!text || !RegFileStaysBelow(*text, k.hive, k.path)) {
                why = L" (its export is damaged)";
            } else {
                RunWithShellAndWait(options.regedit, L"/s " + QuoteArgument(file),
                                    options.regeditTimeLimitMs, options.pump);
                if (!KeyExists(hive, k.path)) why = L" (regedit could not import it)";
            }
        }
        if (why.empty()) {
            ++out.restored;
        } else {
            out.notRestored.push_back(key + why);
            left.keys.push_back(k);
        }
    }

    for (const TakenValue& v : m.values) {
        std::wstring why;
        HKEY hive = RootKeyFromName(v.hive);
        LONG rc = ERROR_SUCCESS;
        unique_hkey key;
        if (!hive || IsProtectedKey(v.hive, WideToAnsi(v.keyPath)))
            why = L" (protected)";
        else if (!(key = OpenKeyPath(hive, v.keyPath, KEY_QUERY_VALUE | KEY_SET_VALUE, rc)))
            why = L" (its key is gone)";
        else if (RegQueryValueExW(key.get(), v.name.c_str(), nullptr, nullptr, nullptr, nullptr) !=
                 ERROR_FILE_NOT_FOUND)
            why = L" (exists again)";
        else if (RegSetValueExW(key.get(), v.name.c_str(), 0, v.type, v.data.data(),
                                static_cast<DWORD>(v.data.size())) != ERROR_SUCCESS)
            why = L" (cannot be written)";
        if (why.empty()) {
            ++out.restored;
        } else {
            out.notRestored.push_back(ValueText(v) + why);
            left.values.push_back(v);
        }
    }

    const bool rootAllowed = RootAllowed(m.root, safety);
    const std::wstring itemsRoot = NoSlash(m.root);
    Restorer restorer(out);
    for (const TakenItem& item : m.items) {
        const std::wstring to = NoSlash(item.path);
        const std::wstring stored = StoredPathOf(to);
        const std::wstring from = stored.empty() ? std::wstring() : dir + L"\\" + stored;
        bool placeOk = rootAllowed && (to == itemsRoot || LiesBelowPlainly(to, itemsRoot)) &&
                       !from.empty() && LiesBelowPlainly(from, dir);
        if (!placeOk || !MakeWayBelow(itemsRoot, to)) {
            out.notRestored.push_back(
                to + (placeOk ? L" (its folder cannot be made)" : L" (protected)"));
            left.items.push_back(item);
            continue;
        }
        if (restorer.RestoreItem(from, to))
            ++out.restored;
        else
            left.items.push_back(item);
    }

    if (left.keys.empty() && left.values.empty() && left.items.empty()) {
        RemoveDirectoryTree(dir);
    } else {
        try {
            WriteBytes(dir + L"\\" + kManifestName, WriteManifest(left));
        } catch (const std::exception&) {
            // The old manifest stays; what went back reads as "exists again" next time.
        }
    }
    return out;
}

}  // namespace cx::cleanup

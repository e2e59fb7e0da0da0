#include "cleanup/Undo.h"

#include "cleanup/Evidence.h"

#include <algorithm>
#include <exception>

#include "cleanup/KeptSeal.h"
#include "cleanup/Removal.h"
#include "platform/Crypto.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/HeldFiles.h"
#include "platform/Registry.h"
#include "platform/ShellRun.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

constexpr uint64_t kMaxRegFileBytes = 256u << 20;

std::wstring WithSlash(std::wstring s) {
    if (!s.empty() && s.back() != L'\\') s.push_back(L'\\');
    return s;
}

std::wstring NoSlash(std::wstring s) {
    while (s.size() > 3 && s.back() == L'\\') s.pop_back();
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

// The SHA-256 of a file of at most `maxBytes`, read through one handle that
// lets nobody write to it meanwhile; empty when it cannot be read whole.
std::optional<crypto::Digest> FileDigest(const std::wstring& path, uint64_t maxBytes) {
    unique_hfile file(CreateFileW(LongPathForApi(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > maxBytes)
        return std::nullopt;
    crypto::Hash hash = crypto::Hash::Sha256();
    std::vector<char> buffer(1u << 20);
    for (uint64_t left = static_cast<uint64_t>(size.QuadPart); left > 0;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                      nullptr) ||
            got == 0 || got > left)
            return std::nullopt;
        hash.Add(buffer.data(), got);
        left -= got;
    }
    return hash.Finish();
}

crypto::Digest DigestOf(std::string_view bytes) {
    crypto::Hash hash = crypto::Hash::Sha256();
    hash.Add(bytes);
    return hash.Finish();
}

// What seals the manifests of one clean-up (see KeptSeal.h): the user's
// secret and the digests of the clean-up's registry exports.
struct Sealing {
    std::vector<uint8_t> key;
    ExportDigests exports;
};

// Writes the manifest of the clean-up in `dir` (ending in "\") beside the old
// one, flushed, then puts it in the old one's place in one step: a clean-up
// stopped at any moment has one whole manifest, the old or the new, each with
// its seal. `check` reads the text back first, as every restore will (a text
// it refuses would make the clean-up one that cannot be undone). Throws with
// the reason.
void WriteManifestFile(const std::wstring& dir, const CleanupManifest& m, bool check,
                       const Sealing& sealing) {
    const std::string text = WriteManifest(m);
    if (text.size() > kMaxManifestBytes || (check && !ParseManifest(text)))
        throw AppError("The list of what the clean-up takes would be too large to be read back.");
    const std::wstring file = dir + kManifestName, next = file + L".new";
    WriteFileBytes(next, SealedManifestFile(text, SealOf(sealing.key, text, m, sealing.exports)));
    if (!MoveFileExW(LongPathForApi(next).c_str(), LongPathForApi(file).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw AppError(WideToAnsi(file) + ": " + SysErrorMessage(GetLastError()));
}

// True when the folder holding `path` also holds a name that differs from its
// last name only in case: Wine shows such names (made by the host) as two
// items, but any place it could put one of them back to names both, so
// neither may leave without the other.
bool HasCaseTwin(const std::wstring& path) {
    const size_t at = path.rfind(L'\\');
    if (at == std::wstring::npos || at + 1 == path.size()) return false;
    const std::wstring name = path.substr(at + 1);
    // The listing matches a pattern without regard to case, but Wine looks a
    // plain name up as one item: the last character is left open. A name that
    // would be read as a pattern is compared against the whole folder.
    std::wstring pattern = name;
    if (name.find_first_of(L"*?<>\"") == std::wstring::npos)
        pattern.back() = L'?';
    else
        pattern = L"*";
    bool twin = false;
    ForEachFolderEntry(
        path.substr(0, at),
        [&](const WIN32_FIND_DATAW& fd) {
            const std::wstring other = fd.cFileName;
            twin = other != name &&
                   CompareStringOrdinal(other.c_str(), static_cast<int>(other.size()), name.c_str(),
                                        static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
            return !twin;
        },
        pattern);
    return twin;
}

size_t CheckedCount(const CheckTree& tree) {
    size_t n = 0;
    for (NodeId id : tree.InOrder())
        if (tree.Get(id).state == csChecked) ++n;
    return n;
}

// With its own stack of folders still to list, so a tree of any depth counts whole.
uint64_t FolderBytes(const std::wstring& top) {
    uint64_t total = 0;
    std::vector<std::wstring> pending{top};
    while (!pending.empty()) {
        const std::wstring dir = std::move(pending.back());
        pending.pop_back();
        ForEachFolderEntry(dir, [&](const WIN32_FIND_DATAW& fd) {
            const std::wstring full = dir + L"\\" + fd.cFileName;
            if (!LiesBelowPlainly(full, dir) ||
                (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                return true;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                pending.push_back(full);
            else
                total += (uint64_t{fd.nFileSizeHigh} << 32) | fd.nFileSizeLow;
            return true;
        });
    }
    return total;
}

// Copies the file `from` to `to`, where nothing may be yet, flushes the copy
// and deletes `from`. When `from` cannot be deleted (in use) the copy goes
// again, through its own handle: nothing but what this copy made is touched.
bool CopyAcross(const std::wstring& from, const std::wstring& to) {
    // Shared for deleting: the removal may hold the item for that.
    unique_hfile src(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    FILE_BASIC_INFO info{};
    if (!src || !GetFileInformationByHandleEx(src.get(), FileBasicInfo, &info, sizeof info))
        return false;
    unique_hfile copy(CreateFileW(to.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy) return false;
    std::vector<char> buffer(1u << 20);
    bool ok = true;
    for (DWORD got = 0, put = 0; ok;) {
        ok = ReadFile(src.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr);
        if (!ok || got == 0) break;
        ok = WriteFile(copy.get(), buffer.data(), got, &put, nullptr) && put == got;
    }
    ok = ok && FlushFileBuffers(copy.get());
    src.reset();
    if (ok) ok = DeleteFileW(from.c_str());
    if (!ok) {
        FILE_DISPOSITION_INFO drop{TRUE};
        SetFileInformationByHandle(copy.get(), FileDispositionInfo, &drop, sizeof drop);
        return false;
    }
    info.ChangeTime.QuadPart = 0;  // its times and attributes, read-only too, once it is whole
    SetFileInformationByHandle(copy.get(), FileBasicInfo, &info, sizeof info);
    return true;
}

// Moves `from` to `to` (whose parent exists); true when anything of it went
// there. Whatever is found at `to` is never replaced nor deleted: a move that
// fails leaves both places as they were, but for what it made there itself.
// A file across drives is copied to a new file, and the copy dropped again
// when the original cannot be deleted; a link is only ever renamed; a folder
// that cannot be renamed whole goes item by item into a folder this move
// makes, so what is held, and names with a case twin beside them, stay with
// the folders above them.
// Across drives a folder is merged item by item into a folder made here. Each
// level is listed through a handle opened below the one above it (a listing by
// path would be refused while the removal holds the folder with DELETE
// access), and the walk keeps its own stack, so any depth is fine. An odd name
// or a case twin stays: nothing is done through a name the system may read
// otherwise. A folder made here goes again when nothing went into it.
bool MoveFolderAcross(const std::wstring& from, const std::wstring& to) {
    constexpr DWORD kList = FILE_LIST_DIRECTORY | FILE_TRAVERSE | fs::kLookAccess;
    auto top = fs::OpenItself(from, kList);
    if (!top || top->IsLink() || !top->IsFolder()) return false;
    if (!CreateDirectoryW(LongPathForApi(to).c_str(), nullptr)) return false;
    struct Level {
        fs::Held folder;
        std::wstring from, to;
        std::vector<fs::FolderEntry> entries;
        size_t next = 0;
    };
    std::vector<Level> stack;
    auto enter = [&](fs::Held folder, std::wstring f, std::wstring t) {
        Level level{std::move(folder), std::move(f), std::move(t), {}, 0};
        fs::ListHeld(level.folder.handle.get(), level.entries);
        stack.push_back(std::move(level));
    };
    enter(std::move(*top), from, to);
    bool moved = false;
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next == level.entries.size()) {
            const std::wstring done = level.from, f = LongPathForApi(level.from),
                               t = LongPathForApi(level.to);
            stack.pop_back();  // closes the folder's handle, so it can go
            RemoveDirectoryW(f.c_str());
            const bool gone = !ItemExists(done);
            if (stack.empty())
                moved = gone || !RemoveDirectoryW(t.c_str());
            else if (!gone)
                RemoveDirectoryW(t.c_str());
            continue;
        }
        const fs::FolderEntry& e = level.entries[level.next++];
        const std::wstring full = level.from + L"\\" + e.name;
        const std::wstring dest = level.to + L"\\" + e.name;
        if (!LiesBelowPlainly(full, level.from) || HasCaseTwin(full)) continue;
        const std::wstring f = LongPathForApi(full), t = LongPathForApi(dest);
        if (MoveFileExW(f.c_str(), t.c_str(), 0)) continue;
        if (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // links stay on their drive
        if (!(e.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (GetLastError() == ERROR_NOT_SAME_DEVICE) CopyAcross(f, t);
            continue;
        }
        auto child = fs::OpenChild(level.folder.handle.get(), e.name, kList);
        if (!child || child->IsLink() || !child->IsFolder() ||
            !CreateDirectoryW(t.c_str(), nullptr))
            continue;
        enter(std::move(*child), full, dest);
    }
    return moved;
}

bool MoveItem(const std::wstring& from, const std::wstring& to, NodeKind kind) {
    const std::wstring f = LongPathForApi(from), t = LongPathForApi(to);
    if (MoveFileExW(f.c_str(), t.c_str(), 0)) return true;
    if (kind == NodeKind::Link) return false;
    if (kind == NodeKind::File) return GetLastError() == ERROR_NOT_SAME_DEVICE && CopyAcross(f, t);
    return MoveFolderAcross(from, to);
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

std::wstring ValueName(const TakenValue& v) {
    return RegKeyName(v.hive, v.keyPath) + L"\\" + (v.name.empty() ? L"(Default)" : v.name);
}

// What an open key holds, every subkey opened relative to its parent and none
// through a link; false when any of it cannot be read.
bool ReadKeyContents(HKEY key, const std::wstring& rel, RegKeyContents& out, int depth) {
    if (depth > 512) return false;
    auto& values = out[rel];
    std::vector<wchar_t> name(16384);
    for (DWORD i = 0;; ++i) {
        DWORD chars = static_cast<DWORD>(name.size()), type = 0, size = 0;
        LONG rc = RegEnumValueW(key, i, name.data(), &chars, nullptr, &type, nullptr, &size);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        std::vector<BYTE> data(size);
        chars = static_cast<DWORD>(name.size());
        if (rc == ERROR_SUCCESS)
            rc = RegEnumValueW(key, i, name.data(), &chars, nullptr, &type, data.data(), &size);
        // Changed while it was read: the export would not say the same either.
        if (rc != ERROR_SUCCESS) return false;
        data.resize(size);
        values[std::wstring(name.data(), chars)] = RegData{type, std::move(data)};
    }
    for (const std::wstring& sub : reg::SubKeyNamesW(key)) {
        unique_hkey child;
        if (reg::OpenNoFollow(key, sub, KEY_READ, child) != ERROR_SUCCESS ||
            reg::IsLink(child.get()) ||
            !ReadKeyContents(child.get(), rel.empty() ? sub : rel + L"\\" + sub, out, depth + 1))
            return false;
    }
    return true;
}

// The clean-up being made: its folder, and the manifest of what it holds.
class Keeper {
public:
    Keeper(const CleanupBackup& options, CleanupManifest& manifest)
        : options_(options), manifest_(manifest) {}

    // Makes the clean-up's folder and backs up the registry part; throws with
    // the reason when anything of it cannot be written.
    void Prepare(const CheckTree& registry, const RegistryBackupPlan& plan) {
        // No clean-up is kept that could not be proven to be this user's.
        sealing_.key = UserSealKey(true);
        const std::wstring root = WithSlash(options_.root);
        if (!MakeFolders(root))
            throw AppError("The folder " + WideToAnsi(root) + " cannot be created.");
        // Its place among the kept ones: after them all, whatever the clock says.
        for (const KeptCleanup& k : ListCleanups(root))
            manifest_.sequence = std::max(manifest_.sequence, k.sequence);
        if (manifest_.sequence < UINT64_MAX) ++manifest_.sequence;
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
        for (NodeId id : plan.keys) ExportKey(*registry.Get(id).reg);
        for (NodeId id : plan.values) KeepValue(registry.Get(id));
        WriteManifestFile(folder_, manifest_, true, sealing_);
    }

    // Moves a file-tree item into the clean-up's folder. It is listed in the
    // manifest on disk before it goes, so a clean-up that ends while it moves
    // still lists it, and dropped from the list again when nothing of it went.
    // `item`, when given, holds the item as the removal judged it: within a
    // drive it is renamed through that handle; across drives (where a rename
    // cannot go) it is copied and deleted item by item. An item with a case
    // twin beside it stays (see HasCaseTwin). Throws, with the item still in
    // its place, when it cannot be listed.
    void Take(const std::wstring& path, NodeKind kind, HANDLE item = nullptr) {
        const std::wstring stored = StoredPathOf(path);
        if (stored.empty() || HasCaseTwin(path)) return;
        const std::wstring to = folder_ + stored;
        if (!MakeFolders(ParentOf(to))) return;
        manifest_.items.push_back(TakenItem{kind == NodeKind::Folder ? TakenKind::Folder
                                            : kind == NodeKind::Link ? TakenKind::Link
                                                                     : TakenKind::File,
                                            path});
        try {
            Write();
        } catch (...) {
            manifest_.items.pop_back();
            throw;
        }
        if (options_.moving) options_.moving(path);
        bool moved = item && fs::RenameHeld(item, to);
        if (!moved) moved = MoveItem(path, to, kind);
        if (moved) return;
        manifest_.items.pop_back();
        try {
            Write();
        } catch (const std::exception&) {
            // Still listed: a restore finds it in its place and says so.
        }
    }

    void Write() { WriteManifestFile(folder_, manifest_, false, sealing_); }
    const std::wstring& Folder() const { return folder_; }

    void Discard() {
        if (!folder_.empty()) RemoveDirectoryTree(folder_);
    }

private:
    void ExportKey(const RegPath& n) {
        const std::wstring& path = n.key;
        HKEY root = HiveKey(n.hive);
        // Gone already: nothing to keep, and its removal holds anyway.
        if (!KeyExists(root, path)) return;
        const std::wstring dir = folder_ + kRegistryFolder;
        if (!MakeFolders(dir))
            throw AppError("The folder " + WideToAnsi(dir) + " cannot be created.");
        const std::wstring file = std::to_wstring(manifest_.keys.size() + 1) + L".reg";
        const std::wstring full = dir + L"\\" + file;
        const std::wstring key = RegKeyName(n.hive, path);
        auto code = RunWithShellAndWait(options_.regedit,
                                        L"/e " + QuoteArgument(full) + L" " + QuoteArgument(key),
                                        options_.regeditTimeLimitMs, options_.pump);
        auto bytes = ReadFileBytes(full, kMaxRegFileBytes);
        auto text = bytes ? DecodeRegFile(*bytes) : std::nullopt;
        if (code != DWORD{0} || !text || !RegFileStaysBelow(*text, n.hive, path))
            throw AppError("The registry key " + WideToAnsi(key) + " could not be exported.");
        // What regedit wrote is a backup only when it says what the key holds.
        auto exported = ParseRegExport(*text, n.hive, path);
        RegKeyContents live;
        LONG rc;
        unique_hkey open = OpenKeyPath(root, path, KEY_READ, rc);
        if (!exported || !open || !ReadKeyContents(open.get(), L"", live, 0))
            throw AppError("The export of the registry key " + WideToAnsi(key) +
                           " cannot be checked against the key.");
        const std::wstring differs = ExportDifference(*exported, live);
        if (!differs.empty())
            throw AppError("The export of the registry key " + WideToAnsi(key) +
                           " does not match the key: " + WideToAnsi(differs) + ".");
        // Sealed as read back and checked: a restore imports nothing else.
        sealing_.exports[file] = DigestOf(*bytes);
        TakenKey taken{n.hive, path, file, {}};
        for (auto& [rel, values] : live)
            for (auto& [name, v] : values)
                if (!RegeditCarries(v.type, v.data))
                    taken.held.push_back(Kept(TakenValue{
                        n.hive, rel.empty() ? path : path + L"\\" + rel, name, v.type, v.data}));
        manifest_.keys.push_back(std::move(taken));
    }

    // A value as the manifest keeps it; throws when it is too large to be read back.
    static TakenValue Kept(TakenValue v) {
        if (v.data.size() > kMaxValueBytes)
            throw AppError("The registry value " + WideToAnsi(ValueName(v)) + " is too large (" +
                           SizeText(v.data.size()) + ") to be kept for undoing.");
        return v;
    }

    void KeepValue(const Node& node) {
        const RegPath& n = *node.reg;
        const std::wstring& name = *n.value;
        LONG rc;
        unique_hkey key = OpenKeyPath(HiveKey(n.hive), n.key, KEY_QUERY_VALUE, rc);
        if (!key) {
            if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND) return;
            ThrowWin32(static_cast<DWORD>(rc));
        }
        DWORD type = 0, size = 0;
        rc = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size);
        if (rc == ERROR_FILE_NOT_FOUND) {
            // Nothing there to keep, but a value put back is made: the restore
            // must know to take it away again.
            if (!node.putBack) return;
            TakenValue v{n.hive, n.key, name, REG_NONE, {}};
            v.putBack = v.absent = true;
            v.putType = node.oldType;
            v.put = node.oldData;
            manifest_.values.push_back(std::move(v));
            return;
        }
        std::vector<BYTE> data;
        for (int tries = 0; rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA; ++tries) {
            data.resize(size);
            rc = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size);
            if (rc == ERROR_SUCCESS) break;
            if (tries > 4) break;
        }
        if (rc != ERROR_SUCCESS)
            throw AppError("The registry value " + WideToAnsi(name) +
                           " could not be read: " + SysErrorMessage(static_cast<DWORD>(rc)));
        data.resize(size);
        TakenValue v{n.hive, n.key, name, type, std::move(data)};
        if (node.putBack) {
            v.putBack = true;
            v.putType = node.oldType;
            v.put = node.oldData;
        }
        manifest_.values.push_back(Kept(std::move(v)));
    }

    const CleanupBackup& options_;
    CleanupManifest& manifest_;
    std::wstring folder_;
    Sealing sealing_;
};

// The registry part, then the files; the items not removed. A stop asked on
// the way (see StopFlag) ends it between two items.
size_t RemoveForGood(CheckTree& registry, CheckTree& files, const TakeAway& takeAway,
                     const StopFlag* stop, bool& stopped) {
    size_t failed = 0;
    try {
        RemovalResult r = RemoveRegistryItems(registry, stop);
        failed += r.failed;
        stopped = stopped || r.stopped;
    } catch (const std::exception&) {
        failed += std::max<size_t>(1, CheckedCount(registry));
    }
    try {
        RemovalResult r = RemoveFileItems(files, takeAway, stop);
        failed += r.failed;
        stopped = stopped || r.stopped;
    } catch (const std::exception&) {
        failed += std::max<size_t>(1, CheckedCount(files));
    }
    return failed;
}

// The scanned places of the file tree: the first as the manifest's root, the
// others after it.
void SetFilesRoots(const CheckTree& files, CleanupManifest& manifest) {
    const auto roots = files.Roots();
    for (size_t i = 0; i < roots.size(); ++i) {
        const std::wstring path = FileItemPath(files.Get(roots[i]));
        if (i == 0)
            manifest.root = path;
        else
            manifest.moreRoots.push_back(path);
    }
}

// Deletes what `m` lists of the kept clean-up in `dir` (no final "\"): its key
// exports and its items' copies, then the folders that held only those.
// Nothing else in the folder is ours to delete: it stays, and so do the
// folders holding it.
void DropListed(const std::wstring& dir, const CleanupManifest& m) {
    const std::wstring registry = dir + L"\\" + kRegistryFolder;
    for (const TakenKey& k : m.keys) DeleteFileW(LongPathForApi(registry + L"\\" + k.file).c_str());
    RemoveDirectoryW(LongPathForApi(registry).c_str());
    for (const TakenItem& item : m.items) {
        const std::wstring stored = StoredPathOf(item.path);
        const std::wstring copy = stored.empty() ? std::wstring() : dir + L"\\" + stored;
        if (copy.empty() || !LiesBelowPlainly(copy, dir)) continue;
        const DWORD a = Attributes(copy);
        if (a != INVALID_FILE_ATTRIBUTES &&
            (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
            RemoveDirectoryTree(copy);
        } else if (a != INVALID_FILE_ATTRIBUTES) {
            SetFileAttributesW(LongPathForApi(copy).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(LongPathForApi(copy).c_str());
        }
        for (std::wstring up = ParentOf(copy); LiesBelowPlainly(up, dir); up = ParentOf(up))
            if (!RemoveDirectoryW(LongPathForApi(up).c_str())) break;
    }
}

// DropListed, then the manifest, and the folder when nothing else is in it.
// A drop that stops midway is finished by the next one, unless it had begun
// on the registry exports: without them the manifest no longer proves itself,
// so it is neither restored nor dropped again, and what is left stays for the
// user to delete.
void DropCleanup(const std::wstring& dir, const CleanupManifest& m) {
    DropListed(dir, m);
    const std::wstring manifest = dir + L"\\" + kManifestName;
    DeleteFileW(LongPathForApi(manifest + L".new").c_str());
    DeleteFileW(LongPathForApi(manifest).c_str());
    RemoveDirectoryW(LongPathForApi(dir).c_str());
}

enum class Proof {
    Sealed,    // sealed by this user, and nothing it lists changed since
    Unsealed,  // kept before clean-ups were sealed
    Broken,    // a seal that does not match: changed since, or another user's
};

struct KeptRead {
    Proof proof = Proof::Broken;
    CleanupManifest manifest;
    ExportDigests exports;  // of a sealed one: what its seal proved
};

// The manifest of the clean-up in `dir` (no final "\") and whether it proves
// itself under `key` (none: nothing does). Empty when there is no readable,
// well-formed manifest. An export it lists that cannot be read leaves it
// unproven: what a restore would import is not what was sealed.
std::optional<KeptRead> ReadKept(const std::wstring& dir, const std::vector<uint8_t>& key) {
    auto bytes = ReadFileBytes(dir + L"\\" + kManifestName, kMaxManifestBytes + 128);
    if (!bytes) return std::nullopt;
    const ManifestFileParts parts = SplitManifestFile(*bytes);
    auto m = ParseManifest(parts.text);
    if (!m) return std::nullopt;
    KeptRead read{parts.seal ? Proof::Broken : Proof::Unsealed, std::move(*m), {}};
    if (!parts.seal || key.empty()) return read;
    for (const TakenKey& k : read.manifest.keys) {
        if (read.exports.count(k.file)) continue;
        auto digest = FileDigest(dir + L"\\" + kRegistryFolder + L"\\" + k.file, kMaxRegFileBytes);
        if (!digest) return read;
        read.exports[k.file] = *digest;
    }
    if (crypto::SameDigest(SealOf(key, parts.text, read.manifest, read.exports), *parts.seal))
        read.proof = Proof::Sealed;
    return read;
}

// Why a clean-up that does not prove itself is not restored. Kept before
// clean-ups were sealed, it may as well have been planted by anyone who can
// write the application folder: a restore of it would write wherever it says
// into the registry and program folders, so it is refused like a forged one
// rather than put to the user to judge what the program itself cannot. What
// it took stays in its folder, where the user can fetch it by hand.
std::string NotProvenText(const std::wstring& folder, Proof proof) {
    const std::string name = WideToAnsi(folder);
    if (proof == Proof::Unsealed)
        return "The clean-up " + name +
               " was kept by an earlier version, which did not mark clean-ups as their "
               "user's: it cannot be proven to be yours, so it is not restored. What it took "
               "is still in its folder.";
    return "The clean-up " + name +
           " cannot be proven to be yours: it was changed since it was kept, or another user "
           "made it. It is not restored.";
}

// PruneCleanups, never dropping the clean-up in `newest` (when given).
void PruneKeeping(const std::wstring& root, size_t keepCount, uint64_t keepBytes,
                  const std::wstring& newest) {
    std::vector<KeptCleanup> list = ListCleanups(root);
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const KeptCleanup& k) { return k.folder == newest; });
    if (it != list.end()) std::rotate(list.begin(), it, it + 1);
    std::vector<uint64_t> sizes;
    for (const KeptCleanup& k : list) sizes.push_back(k.size);
    // Only this user's own clean-ups are counted and dropped, each proven
    // again now, just before it goes: one that cannot prove itself may be
    // another account's, or this user's own spoilt by someone; either way it
    // is not ours to delete, and it stays for whoever can tell.
    const std::vector<uint8_t> key = UserSealKey(false);
    for (size_t i : CleanupsToDrop(sizes, keepCount, keepBytes)) {
        const std::wstring folder = NoSlash(list[i].folder);
        auto kept = LiesBelowPlainly(folder, NoSlash(root)) ? ReadKept(folder, key) : std::nullopt;
        if (kept && kept->proof == Proof::Sealed) DropCleanup(folder, kept->manifest);
    }
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

namespace {

FindingsOutcome RemoveAllFindings(CheckTree& registry, CheckTree& files,
                                  const CleanupBackup& backup, const StopFlag* stop) {
    FindingsOutcome out;
    const size_t checked = CheckedCount(registry) + CheckedCount(files);
    if (checked == 0) return out;
    if (backup.root.empty()) {
        out.failed = RemoveForGood(registry, files, {}, stop, out.stopped);
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
        out.failed = RemoveForGood(registry, files, {}, stop, out.stopped);
        return out;
    }

    CleanupManifest manifest;
    manifest.program = backup.program;
    manifest.size = size;
    SetFilesRoots(files, manifest);
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
    std::vector<RegPath> planKeys;
    for (NodeId id : plan.keys) planKeys.push_back(*registry.Get(id).reg);
    out.failed = RemoveForGood(
        registry, files,
        [&](const std::wstring& path, NodeKind kind, HANDLE item) {
            keeper.Take(path, kind, item);
        },
        stop, out.stopped);
    manifest.keys.clear();
    for (const TakenKey& k : keptKeys) {
        // By hive too: the same key path in the other hive is another key.
        auto at = std::find(planKeys.begin(), planKeys.end(), RegPath{k.hive, k.path, {}});
        NodeId id =
            at == planKeys.end() ? -1 : plan.keys[static_cast<size_t>(at - planKeys.begin())];
        if (id == -1 || !registry.Contains(id)) manifest.keys.push_back(k);
    }
    manifest.values.clear();
    for (const TakenValue& v : keptValues) {
        bool stays = false;
        for (NodeId id : plan.values) {
            if (!registry.Contains(id)) continue;
            if (registry.Get(id).reg == RegPath{v.hive, v.keyPath, v.name}) stays = true;
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
        PruneKeeping(backup.root, backup.keepCount, backup.keepBytes, keeper.Folder());
    } catch (const std::exception&) {
    }
    return out;
}

}  // namespace

FindingsOutcome RemoveFindings(CheckTree& registry, CheckTree& files, const CleanupBackup& backup,
                               const std::function<bool()>& filesStillSafe, const StopFlag* stop) {
    if (filesStillSafe && CheckedCount(files) > 0 && !filesStillSafe()) {
        // The registry part goes ahead; the files stay, all of them.
        CheckTree none;
        FindingsOutcome out = RemoveAllFindings(registry, none, backup, stop);
        out.failed += CheckedCount(files);
        out.filesRefused = true;
        return out;
    }
    return RemoveAllFindings(registry, files, backup, stop);
}

void SealKeptCleanup(const std::wstring& folder) {
    const std::wstring dir = NoSlash(folder);
    auto bytes = ReadFileBytes(dir + L"\\" + kManifestName, kMaxManifestBytes + 128);
    auto m = bytes ? ParseManifest(SplitManifestFile(*bytes).text) : std::nullopt;
    if (!m) throw AppError("Not a kept clean-up: " + WideToAnsi(folder));
    Sealing sealing{UserSealKey(true), {}};
    for (const TakenKey& k : m->keys) {
        auto digest = FileDigest(dir + L"\\" + kRegistryFolder + L"\\" + k.file, kMaxRegFileBytes);
        if (!digest) throw AppError("Its export " + WideToAnsi(k.file) + " cannot be read.");
        sealing.exports[k.file] = *digest;
    }
    WriteManifestFile(dir + L"\\", *m, false, sealing);
}

CleanupListing ReadCleanups(const std::wstring& root) {
    CleanupListing listing;
    std::vector<KeptCleanup>& list = listing.kept;
    const std::wstring base = NoSlash(root);
    const std::vector<uint8_t> key = UserSealKey(false);
    ForEachFolderEntry(base, [&](const WIN32_FIND_DATAW& fd) {
        const std::wstring full = base + L"\\" + fd.cFileName;
        if (!IsRealFolder(fd.dwFileAttributes) || !LiesBelowPlainly(full, base)) return true;
        auto kept = ReadKept(full, key);
        if (!kept) return true;
        const CleanupManifest& m = kept->manifest;
        if (kept->proof == Proof::Sealed)
            list.push_back(KeptCleanup{full + L"\\", m.program, m.time, m.size, m.sequence});
        else
            listing.refused.push_back(RefusedCleanup{full + L"\\", kept->proof == Proof::Unsealed});
        return true;
    });
    // By the order they were made in; the time only among those made before
    // that order was recorded.
    std::sort(list.begin(), list.end(), [](const KeptCleanup& a, const KeptCleanup& b) {
        if (a.sequence != b.sequence) return a.sequence > b.sequence;
        if (a.time != b.time) return a.time > b.time;
        return a.folder > b.folder;
    });
    return listing;
}

std::vector<KeptCleanup> ListCleanups(const std::wstring& root) { return ReadCleanups(root).kept; }

void PruneCleanups(const std::wstring& root, size_t keepCount, uint64_t keepBytes) {
    PruneKeeping(root, keepCount, keepBytes, {});
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

// True when a value's name or its data (a command, a path) names a place in
// one of the manifest's roots.
bool PointsIntoRoots(const TakenValue& v, const CleanupManifest& m) {
    std::wstring data;
    if ((v.type == REG_SZ || v.type == REG_EXPAND_SZ) && v.data.size() >= sizeof(wchar_t))
        data.assign(reinterpret_cast<const wchar_t*>(v.data.data()),
                    v.data.size() / sizeof(wchar_t));
    data.resize(wcsnlen(data.c_str(), data.size()));
    std::vector<std::wstring> roots = m.moreRoots;
    roots.push_back(m.root);
    for (const std::wstring& root : roots) {
        if (root.empty()) continue;
        for (const std::wstring& path : {v.name, CommandProgram(data), data}) {
            std::wstring p = path;
            if (p.size() >= 2 && p.front() == L'"' && p.back() == L'"')
                p = p.substr(1, p.size() - 2);
            if (!p.empty() && PathIsIn(p, NoSlash(root))) return true;
        }
    }
    return false;
}

// True when a manifest's root may be written into: the rules the scan judged it
// by, and no junction leading it elsewhere.
bool RootAllowed(const std::wstring& root, const SafetyContext& safety) {
    if (root.empty() || StoredPathOf(root).empty() || !IsAnsiFaithful(root)) return false;
    const std::string text = WideToAnsi(root);
    // A shortcut or a Start menu folder of the program: the shell folders
    // holding it are Windows', and are refused as install folders.
    if (InShortcutFolder(text, safety)) return MakeWayBelow(root, root);
    if (ClassifyInstallPath(text, safety).refusal != DirRefusal::None) return false;
    if (ItemExists(root)) return CheckInstallDirectory(text, safety).refusal == DirRefusal::None;
    for (std::wstring up = ParentOf(root); !up.empty(); up = ParentOf(up)) {
        DWORD a = Attributes(WithSlash(up));
        if (a == INVALID_FILE_ATTRIBUTES) continue;
        return IsRealFolder(a);
    }
    return false;
}

// Imports the export `file` of a proven clean-up for hive\keyPath through a
// copy of its own: regedit never reads the backup folder, which others may be
// able to write to, but a file in this user's temporary folder, held while
// regedit reads it so that nobody can change it, whose bytes are checked
// against the seal's digest `sealed` and judged (RegFileStaysBelow) first.
// An empty text when regedit was run; otherwise why it was not.
std::wstring ImportPrivateCopy(const std::wstring& file, const crypto::Digest& sealed, RegHive hive,
                               const std::wstring& keyPath, const RestoreOptions& options) {
    const std::wstring damaged = L" (its export is damaged)";
    auto bytes = ReadFileBytes(file, kMaxRegFileBytes);
    if (!bytes) return damaged;
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) return L" (no temporary folder for its import)";
    static LONG counter = 0;
    const std::wstring copy = WithSlash(std::wstring(temp, n)) + L"Carvexo restore " +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(InterlockedIncrement(&counter)) + L".reg";
    {
        unique_hfile out(CreateFileW(LongPathForApi(copy).c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr));
        DWORD written = 0;
        if (!out ||
            !WriteFile(out.get(), bytes->data(), static_cast<DWORD>(bytes->size()), &written,
                       nullptr) ||
            written != bytes->size()) {
            out.reset();
            DeleteFileW(LongPathForApi(copy).c_str());
            return L" (its import copy cannot be written)";
        }
    }
    struct Gone {
        const std::wstring& path;
        ~Gone() { DeleteFileW(LongPathForApi(path).c_str()); }
    } gone{copy};
    // Held for reading only, shared for reading only: as read here, so read by regedit.
    unique_hfile held(CreateFileW(LongPathForApi(copy).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string read(bytes->size(), '\0');
    DWORD got = 0;
    LARGE_INTEGER size{};
    if (!held || !GetFileSizeEx(held.get(), &size) ||
        static_cast<uint64_t>(size.QuadPart) != read.size() ||
        (!read.empty() &&
         (!ReadFile(held.get(), read.data(), static_cast<DWORD>(read.size()), &got, nullptr) ||
          got != read.size())) ||
        !crypto::SameDigest(DigestOf(read), sealed))
        return damaged;
    auto text = DecodeRegFile(read);
    if (!text || !RegFileStaysBelow(*text, hive, keyPath)) return damaged;
    RunWithShellAndWait(options.regedit, L"/s " + QuoteArgument(copy), options.regeditTimeLimitMs,
                        options.pump);
    return {};
}

// Writes a kept value into its key, which must be there.
bool WriteValue(const TakenValue& v) {
    LONG rc;
    unique_hkey key = OpenKeyPath(HiveKey(v.hive), v.keyPath, KEY_SET_VALUE, rc);
    return key && RegSetValueExW(key.get(), v.name.c_str(), 0, v.type, v.data.data(),
                                 static_cast<DWORD>(v.data.size())) == ERROR_SUCCESS;
}

}  // namespace

RestoreOutcome RestoreCleanup(const std::wstring& root, const std::wstring& folder,
                              const SafetyContext& safety, const RestoreOptions& options) {
    const std::wstring base = NoSlash(root), dir = NoSlash(folder);
    if (!LiesBelowPlainly(dir, base) || ParentOf(dir) != base || !IsRealFolder(Attributes(dir)))
        throw AppError("Not a kept clean-up: " + WideToAnsi(folder));
    const std::vector<uint8_t> sealKey = UserSealKey(false);
    const std::optional<KeptRead> kept = ReadKept(dir, sealKey);
    if (!kept) throw AppError("Not a kept clean-up: " + WideToAnsi(folder));
    if (kept->proof != Proof::Sealed) throw AppError(NotProvenText(folder, kept->proof));
    const CleanupManifest& m = kept->manifest;

    RestoreOutcome out;
    CleanupManifest left = m, back;  // what stays in the backup, and what went back
    left.keys.clear();
    left.values.clear();
    left.items.clear();

    for (const TakenKey& k : m.keys) {
        const std::wstring key = RegKeyName(k.hive, k.path);
        HKEY hive = HiveKey(k.hive);
        std::wstring why;
        // A clean-up took a file type only by what pointed into the program's
        // folder; Windows' own classes stay refused whatever the manifest says.
        if (IsProtectedKey(k.hive, k.path, KeyOffer::ByEvidence)) {
            why = L" (protected)";
        } else if (KeyExists(hive, k.path)) {
            why = L" (exists again)";
        } else {
            const std::wstring file = dir + L"\\" + kRegistryFolder + L"\\" + k.file;
            why = ImportPrivateCopy(file, kept->exports.at(k.file), k.hive, k.path, options);
            if (why.empty() && !KeyExists(hive, k.path)) why = L" (regedit could not import it)";
        }
        if (why.empty()) {
            ++out.restored;
            back.keys.push_back(k);
            // Over what the import made of the values regedit cannot carry.
            for (const TakenValue& v : k.held) {
                if (WriteValue(v)) continue;
                out.notRestored.push_back(ValueName(v) + L" (cannot be written)");
                left.values.push_back(v);
            }
        } else {
            out.notRestored.push_back(key + why);
            left.keys.push_back(k);
        }
    }

    for (const TakenValue& v : m.values) {
        std::wstring why;
        HKEY hive = HiveKey(v.hive);
        LONG rc = ERROR_SUCCESS;
        unique_hkey key;
        // Values the scan takes from Windows' keys (a Run entry pointing into
        // the program's folder) come back there, as long as they still point
        // into a place this clean-up took files from; other protected keys
        // take none: a value that starts a program at log-on is no value to
        // write for whatever manifest asks.
        if (IsProtectedKey(v.hive, v.keyPath, KeyOffer::ByEvidence) &&
            !(HoldsProgramValues(v.hive, v.keyPath) && PointsIntoRoots(v, m)))
            why = L" (protected)";
        else if (!(key = OpenKeyPath(hive, v.keyPath, KEY_QUERY_VALUE | KEY_SET_VALUE, rc)))
            why = L" (its key is gone)";
        else if (v.putBack ? !ValueHolds(key.get(), v.name, v.putType, v.put)
                           : RegQueryValueExW(key.get(), v.name.c_str(), nullptr, nullptr, nullptr,
                                              nullptr) != ERROR_FILE_NOT_FOUND)
            // A value put back is given the setup's data again only while it
            // holds what the clean-up wrote: anything else was written since.
            why = v.putBack ? L" (changed since)" : L" (exists again)";
        else if (v.absent ? RegDeleteValueW(key.get(), v.name.c_str()) != ERROR_SUCCESS
                          : RegSetValueExW(key.get(), v.name.c_str(), 0, v.type, v.data.data(),
                                           static_cast<DWORD>(v.data.size())) != ERROR_SUCCESS)
            why = L" (cannot be written)";
        if (why.empty()) {
            ++out.restored;
        } else {
            out.notRestored.push_back(ValueName(v) + why);
            left.values.push_back(v);
        }
    }

    // Each item goes back only into the scanned place it came from, judged now.
    std::vector<std::pair<std::wstring, bool>> roots;
    roots.emplace_back(NoSlash(m.root), RootAllowed(m.root, safety));
    for (const std::wstring& r : m.moreRoots)
        roots.emplace_back(NoSlash(r), RootAllowed(r, safety));
    Restorer restorer(out);
    for (const TakenItem& item : m.items) {
        const std::wstring to = NoSlash(item.path);
        const std::wstring stored = StoredPathOf(to);
        const std::wstring from = stored.empty() ? std::wstring() : dir + L"\\" + stored;
        std::wstring itemsRoot;
        bool rootAllowed = false;
        for (const auto& [r, allowed] : roots)
            if (!r.empty() && (to == r || LiesBelowPlainly(to, r))) {
                itemsRoot = r;
                rootAllowed = allowed;
                break;
            }
        bool placeOk = rootAllowed && !from.empty() && LiesBelowPlainly(from, dir);
        if (!placeOk || !MakeWayBelow(itemsRoot, to)) {
            out.notRestored.push_back(
                to + (placeOk ? L" (its folder cannot be made)" : L" (protected)"));
            left.items.push_back(item);
            continue;
        }
        if (Attributes(from) == INVALID_FILE_ATTRIBUTES && !ItemExists(from) && ItemExists(to)) {
            // Listed, but the clean-up ended before it went.
            out.alreadyThere.push_back(to);
            back.items.push_back(item);
        } else if (restorer.RestoreItem(from, to)) {
            ++out.restored;
            back.items.push_back(item);
        } else {
            left.items.push_back(item);
        }
    }

    if (left.keys.empty() && left.values.empty() && left.items.empty()) {
        DropCleanup(dir, m);
    } else {
        try {
            WriteManifestFile(dir + L"\\", left, false, Sealing{sealKey, kept->exports});
            DropListed(dir, back);
        } catch (const std::exception&) {
            // The old manifest stays; what went back reads as "exists again" next time.
        }
    }
    return out;
}

}  // namespace cx::cleanup

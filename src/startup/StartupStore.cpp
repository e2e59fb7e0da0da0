#include "startup/StartupStore.h"

#include <aclapi.h>
#include <shlobj.h>

#include <exception>
#include <optional>

#include "platform/Account.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

namespace cx::startup {

namespace {

constexpr REGSAM kReadWrite = KEY_QUERY_VALUE | KEY_SET_VALUE;

std::wstring KeyPathW(int keyIndex) { return AnsiToWide(kRunKeys[keyIndex]); }
std::wstring DisabledPathW(int keyIndex) {
    return KeyPathW(keyIndex) + L"\\" + AnsiToWide(kDisabledSubkey);
}

struct Stored {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// One value by name, with its type and every byte. Sizes are asked again when
// the value grows between the two calls.
std::optional<Stored> ReadValue(HKEY key, const std::wstring& name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::vector<BYTE> data(size ? size : 1);
        DWORD got = static_cast<DWORD>(data.size());
        LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &got);
        if (rc == ERROR_SUCCESS) {
            data.resize(got);
            return Stored{type, std::move(data)};
        }
        if (rc != ERROR_MORE_DATA) return std::nullopt;
        size = got;
    }
    return std::nullopt;
}

void AppendValues(HKEY key, Hive hive, int keyIndex, bool enabled, std::vector<StartupEntry>& rows) {
    DWORD count = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    const std::string location = RegistryLocation(hive, keyIndex);
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size());
        DWORD dataLen = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG rc = RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
        if (rc == ERROR_MORE_DATA) {
            // A value grew since the sizes were asked: make room and read it again.
            name.resize(std::max<size_t>(name.size() * 2, 16384 + 2));
            data.resize(std::max<size_t>(data.size() * 2, static_cast<size_t>(dataLen) + 2));
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        StartupEntry e;
        e.source = Source::Registry;
        e.hive = hive;
        e.keyIndex = keyIndex;
        e.valueName.assign(name.data(), std::min<size_t>(nameLen, name.size()));
        e.type = type;
        e.data.assign(data.begin(), data.begin() + std::min<size_t>(dataLen, data.size()));
        e.Name = ShownName(e.valueName);
        e.Command = DataText(type, e.data);
        e.Location = location;
        e.Enabled = enabled;
        rows.push_back(std::move(e));
    }
}

// The path of the entry `name` directly below `dir` in "\\?\" form, which the
// system takes as it is: no trailing dot or blank cut from the name, no device
// name read into it, no "." or ".." folded. Empty when the name is no plain
// entry name or the folder has no full path that is already in plain form.
std::wstring ExactPath(const std::wstring& dir, const std::wstring& name) {
    if (!PlainEntryName(name) || dir.empty() || dir.back() != L'\\') return {};
    if (dir.rfind(L"\\\\?\\", 0) == 0) return dir + name;
    std::vector<wchar_t> full(32768);
    DWORD n = GetFullPathNameW(dir.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    // The folder itself must be named as it is, or the prefix would take it literally.
    if (n == 0 || n >= full.size() || dir != std::wstring_view(full.data(), n)) return {};
    if (dir.size() >= 3 && dir[1] == L':' && dir[2] == L'\\') return L"\\\\?\\" + dir + name;
    if (dir.rfind(L"\\\\", 0) == 0 && dir.size() > 2 && dir[2] != L'.' && dir[2] != L'?')
        return L"\\\\?\\UNC\\" + dir.substr(2) + name;
    return {};
}

// The owner of a file or folder as a SID string; empty when it cannot be read.
std::wstring OwnerOf(const std::wstring& exactPath) {
    if (exactPath.empty()) return {};
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetNamedSecurityInfoW(exactPath.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                              nullptr, nullptr, nullptr, &sd) != ERROR_SUCCESS)
        return {};
    unique_local held(sd);
    return SidText(owner);
}

// Empty when the account or the computer cannot be told: the per-account
// store is then not used.
std::wstring AccountSid() {
    try {
        return CurrentUserSid();
    } catch (const std::exception&) {
        return {};
    }
}

std::wstring ComputerName() {
    try {
        return ComputerNameText();
    } catch (const std::exception&) {
        return {};
    }
}

// `account`: the folder is the old shared place, and each entry is this account's
// only when its owner says so.
void AppendFolder(const std::wstring& dir, const std::wstring& startupFolder, int folder,
                  bool enabled, std::vector<StartupEntry>& rows,
                  const std::wstring* account = nullptr) {
    if (dir.empty()) return;
    const std::string location = WideToAnsi(startupFolder);
    ForEachFolderEntry(dir, [&](const WIN32_FIND_DATAW& fd) {
        // desktop.ini is hidden and system; a hidden entry is the system's or
        // someone's on purpose, and never shown.
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) return true;
        if (fd.cFileName[0] == L'.') return true;
        StartupEntry e;
        e.source = Source::Folder;
        e.folder = folder;
        e.fileName = fd.cFileName;
        e.currentDir = dir;
        e.directory = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.Name = WideToAnsi(e.fileName);
        e.Command = WideToAnsi(dir + e.fileName);
        e.Location = location;
        e.Enabled = enabled;
        if (account) {
            e.sharedKept = true;
            e.owner = OwnerOf(ExactPath(dir, e.fileName));
            e.foreign = e.owner.empty() || account->empty() || e.owner != *account;
        }
        rows.push_back(std::move(e));
        return true;
    });
}

std::wstring WithBackslash(std::wstring path) {
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path;
}

bool CreateFolders(const std::wstring& dir) {
    std::wstring d = dir;
    while (!d.empty() && d.back() == L'\\') d.pop_back();
    if (d.empty()) return false;
    DWORD a = GetFileAttributesW(LongPathForApi(d).c_str());
    if (a != INVALID_FILE_ATTRIBUTES) return (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
    size_t cut = d.rfind(L'\\');
    if (cut != std::wstring::npos && cut > 2 && !CreateFolders(d.substr(0, cut))) return false;
    return CreateDirectoryW(LongPathForApi(d).c_str(), nullptr) ||
           GetLastError() == ERROR_ALREADY_EXISTS;
}

// True when both paths are plain files with the same bytes.
bool SameFile(const std::wstring& a, const std::wstring& b) {
    auto open = [](const std::wstring& p) {
        return unique_hfile(CreateFileW(LongPathForApi(p).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    };
    DWORD attrA = GetFileAttributesW(LongPathForApi(a).c_str());
    DWORD attrB = GetFileAttributesW(LongPathForApi(b).c_str());
    const DWORD notPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (attrA == INVALID_FILE_ATTRIBUTES || attrB == INVALID_FILE_ATTRIBUTES) return false;
    if ((attrA & notPlain) || (attrB & notPlain)) return false;
    unique_hfile fa = open(a), fb = open(b);
    if (!fa || !fb) return false;
    LARGE_INTEGER sa{}, sb{};
    if (!GetFileSizeEx(fa.get(), &sa) || !GetFileSizeEx(fb.get(), &sb) ||
        sa.QuadPart != sb.QuadPart)
        return false;
    std::vector<char> ba(65536), bb(65536);
    for (;;) {
        DWORD ra = 0, rb = 0;
        if (!ReadFile(fa.get(), ba.data(), 65536, &ra, nullptr) ||
            !ReadFile(fb.get(), bb.data(), 65536, &rb, nullptr) || ra != rb)
            return false;
        if (ra == 0) return true;
        if (memcmp(ba.data(), bb.data(), ra) != 0) return false;
    }
}

Result Fail(DWORD error) { return Result{Outcome::Failed, error ? error : ERROR_GEN_FAILURE}; }
Result Refuse(Refusal why) { return Result{Outcome::Refused, ERROR_SUCCESS, why}; }

// A file of the old shared place whose owner is no longer the one it was
// listed with may be another account's put in its place meanwhile.
bool OwnerChanged(const StartupEntry& row, const std::wstring& exactPath) {
    return row.sharedKept && OwnerOf(exactPath) != row.owner;
}

Result MoveValue(StartupEntry& row, bool enable) {
    const HKEY root = HiveRoot(row.hive);
    unique_hkey source, dest;
    const std::wstring from = row.Enabled ? KeyPathW(row.keyIndex) : DisabledPathW(row.keyIndex);
    LONG rc = RegOpenKeyExW(root, from.c_str(), 0, kReadWrite, source.put());
    if (rc != ERROR_SUCCESS) return Fail(static_cast<DWORD>(rc));
    if (enable) {
        rc = RegOpenKeyExW(root, KeyPathW(row.keyIndex).c_str(), 0, kReadWrite, dest.put());
    } else {
        rc = RegCreateKeyExW(root, DisabledPathW(row.keyIndex).c_str(), 0, nullptr,
                             REG_OPTION_NON_VOLATILE, kReadWrite, nullptr, dest.put(), nullptr);
    }
    if (rc != ERROR_SUCCESS) return Fail(static_cast<DWORD>(rc));

    // What we move is what was read; a value changed since then is not ours to move.
    auto now = ReadValue(source.get(), row.valueName);
    if (!now || !SameValue(now->type, now->data, row.type, row.data))
        return Result{Outcome::Changed, ERROR_SUCCESS};
    auto there = ReadValue(dest.get(), row.valueName);
    if (there && !SameValue(there->type, there->data, row.type, row.data))
        return Result{Outcome::Conflict, ERROR_SUCCESS};
    if (!there) {
        rc = RegSetValueExW(dest.get(), row.valueName.c_str(), 0, row.type,
                            row.data.empty() ? nullptr : row.data.data(),
                            static_cast<DWORD>(row.data.size()));
        if (rc != ERROR_SUCCESS) return Fail(static_cast<DWORD>(rc));
    }
    rc = RegDeleteValueW(source.get(), row.valueName.c_str());
    if (rc != ERROR_SUCCESS) {
        // Both places holding it would list it twice; take back what was written.
        if (!there) RegDeleteValueW(dest.get(), row.valueName.c_str());
        return Fail(static_cast<DWORD>(rc));
    }
    row.Enabled = enable;
    return Result{};
}

Result MoveFileEntry(StartupEntry& row, bool enable, const StartupPlaces& places) {
    const std::wstring destDir = enable ? places.folders[row.folder] : places.kept[row.folder];
    if (destDir.empty() || row.currentDir.empty()) return Fail(ERROR_PATH_NOT_FOUND);
    const std::wstring from = ExactPath(row.currentDir, row.fileName);
    const std::wstring to = ExactPath(destDir, row.fileName);
    if (from.empty() || to.empty()) return Refuse(Refusal::InexactName);
    const DWORD attr = GetFileAttributesW(from.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return Result{Outcome::Changed, GetLastError()};
    if (OwnerChanged(row, from)) return Result{Outcome::Changed, ERROR_SUCCESS};
    if (!CreateFolders(destDir)) return Fail(GetLastError());
    if (GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (!SameFile(from, to)) return Result{Outcome::Conflict, ERROR_SUCCESS};
        // The same file is already there: one copy is enough.
        if (!DeleteFileW(from.c_str())) return Fail(GetLastError());
    } else if (!MoveFileExW(from.c_str(), to.c_str(), 0)) {
        DWORD err = GetLastError();
        // Across drives only a plain file is copied: copying a link would copy
        // what it points to, and a folder would need a walk of its own.
        if (err != ERROR_NOT_SAME_DEVICE ||
            (attr & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
            return Fail(err);
        if (!CopyFileW(from.c_str(), to.c_str(), TRUE)) return Fail(GetLastError());
        if (!DeleteFileW(from.c_str())) {
            err = GetLastError();
            DeleteFileW(to.c_str());
            return Fail(err);
        }
    }
    row.currentDir = destDir;
    row.Command = WideToAnsi(destDir + row.fileName);
    row.Enabled = enable;
    row.sharedKept = false;  // wherever it went, it is no longer in the shared place
    row.owner.clear();
    return Result{};
}

// Deletes the value from root\path when it is there; the error when it stays.
DWORD DeleteValueIfPresent(HKEY root, const std::wstring& path, const std::wstring& name) {
    unique_hkey probe;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, probe.put()) != ERROR_SUCCESS)
        return ERROR_SUCCESS;  // no key: nothing of it there
    if (RegQueryValueExW(probe.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
        return ERROR_SUCCESS;
    unique_hkey key;
    LONG rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, key.put());
    if (rc == ERROR_SUCCESS) rc = RegDeleteValueW(key.get(), name.c_str());
    return static_cast<DWORD>(rc);
}

}  // namespace

std::wstring GetSpecialFolderPathW(int csidl) {
    LPITEMIDLIST pidl = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &pidl)) || !pidl) return {};
    wchar_t buf[MAX_PATH + 1] = {};
    BOOL ok = SHGetPathFromIDListW(pidl, buf);
    CoTaskMemFree(pidl);
    return ok ? std::wstring(buf) : std::wstring();
}

std::string GetSpecialFolderPath(int csidl) { return WideToAnsi(GetSpecialFolderPathW(csidl)); }

StartupPlaces FindStartupPlaces(const std::wstring& backupDir) {
    StartupPlaces p;
    const int csidl[kFolderCount] = {CSIDL_STARTUP, CSIDL_COMMON_STARTUP};
    for (int i = 0; i < kFolderCount; ++i) {
        std::wstring folder = GetSpecialFolderPathW(csidl[i]);
        p.folders[i] = folder.empty() ? folder : WithBackslash(folder);
    }
    SetKeptPlaces(p, backupDir, ComputerName(), AccountSid());
    return p;
}

void SetKeptPlaces(StartupPlaces& places, const std::wstring& backupDir,
                   const std::wstring& computer, const std::wstring& account) {
    places.account = account;
    for (int i = 0; i < kFolderCount; ++i) {
        // Without a name for this account there is no store of its own: its
        // folder entries then cannot be disabled, which beats sharing one.
        places.kept[i] = KeptFolderFor(backupDir, computer, account, i);
        places.oldKept[i] =
            backupDir.empty()
                ? std::wstring()
                : WithBackslash(WithBackslash(backupDir) + AnsiToWide(kKeptSubfolders[i]));
    }
}

std::vector<StartupEntry> ReadStartupRows(const StartupPlaces& places) {
    std::vector<StartupEntry> rows;
    for (Hive hive : {Hive::User, Hive::Machine}) {
        try {
            AppendRegistryRows(hive, rows);
        } catch (...) {
        }
    }
    try {
        AppendFolderRows(places, rows);
    } catch (...) {
    }
    return rows;
}

void AppendRegistryRows(Hive hive, std::vector<StartupEntry>& rows) {
    for (int k = 0; k < kRunKeyCount; ++k) {
        unique_hkey key;
        if (RegOpenKeyExW(HiveRoot(hive), KeyPathW(k).c_str(), 0, KEY_READ, key.put()) !=
            ERROR_SUCCESS)
            continue;
        AppendValues(key.get(), hive, k, true, rows);
        unique_hkey disabled;
        // Under RunOnceEx that subkey is one more section Windows runs (see kRunOnceExKey).
        if (RegOpenKeyExW(key.get(), AnsiToWide(kDisabledSubkey).c_str(), 0, KEY_READ,
                          disabled.put()) == ERROR_SUCCESS)
            AppendValues(disabled.get(), hive, k, k == kRunOnceExKey, rows);
    }
}

void AppendFolderRows(const StartupPlaces& places, std::vector<StartupEntry>& rows) {
    for (int i = 0; i < kFolderCount; ++i) {
        // Kept entries belong to their Startup folder; without one they have nowhere to return.
        if (places.folders[i].empty()) continue;
        AppendFolder(places.folders[i], places.folders[i], i, true, rows);
        AppendFolder(places.kept[i], places.folders[i], i, false, rows);
        if (places.oldKept[i] != places.kept[i])
            AppendFolder(places.oldKept[i], places.folders[i], i, false, rows, &places.account);
    }
}

Result MoveEntry(StartupEntry& row, bool enable, const StartupPlaces& places) {
    if (row.Enabled == enable) return Result{};
    if (Refusal why = MoveRefusal(row); why != Refusal::None) return Refuse(why);
    return row.source == Source::Registry ? MoveValue(row, enable)
                                          : MoveFileEntry(row, enable, places);
}

Result DeleteEntry(const StartupEntry& row) {
    if (Refusal why = DeleteRefusal(row); why != Refusal::None) return Refuse(why);
    if (row.source == Source::Registry) {
        const HKEY root = HiveRoot(row.hive);
        DWORD a = DeleteValueIfPresent(root, KeyPathW(row.keyIndex), row.valueName);
        DWORD b = DeleteValueIfPresent(root, DisabledPathW(row.keyIndex), row.valueName);
        if (a != ERROR_SUCCESS) return Fail(a);
        if (b != ERROR_SUCCESS) return Fail(b);
        return Result{};
    }
    const std::wstring path = ExactPath(row.currentDir, row.fileName);
    if (path.empty()) return Refuse(Refusal::InexactName);
    DWORD attr = GetFileAttributesW(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return Result{};  // already gone
    if (OwnerChanged(row, path)) return Result{Outcome::Changed, ERROR_SUCCESS};
    // A folder goes only when empty, and a link to one as the link itself.
    BOOL ok = (attr & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path.c_str())
                                                : DeleteFileW(path.c_str());
    return ok ? Result{} : Fail(GetLastError());
}

RunWrite WriteRunValue(HKEY root, const std::string& name, const std::string& data) {
    unique_hkey key;
    if (RegOpenKeyExW(root, KeyPathW(0).c_str(), 0, kReadWrite, key.put()) != ERROR_SUCCESS)
        return RunWrite::NoKey;
    const std::wstring w = AnsiToWide(data);
    LONG rc = RegSetValueExW(key.get(), AnsiToWide(name).c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(w.c_str()),
                             static_cast<DWORD>((w.size() + 1) * sizeof(wchar_t)));
    return rc == ERROR_SUCCESS ? RunWrite::Written : RunWrite::Failed;
}

RunValueNow ReadRunValue(HKEY root, const std::string& name) {
    RunValueNow out;
    unique_hkey key;
    if (RegOpenKeyExW(root, KeyPathW(0).c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return out;
    auto v = ReadValue(key.get(), AnsiToWide(name));
    if (!v) return out;
    out.found = true;
    out.isString = v->type == REG_SZ || v->type == REG_EXPAND_SZ;
    if (out.isString) out.text = WideToAnsi(WideFromData(v->data));
    return out;
}

}  // namespace cx::startup

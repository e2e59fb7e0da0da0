#include "cleanup/WatchSnapshot.h"

#include <shlobj.h>

#include <algorithm>

#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace cx::cleanup {

namespace {

bool SameText(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           (a.empty() || CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL);
}

// `path` is `folder` or lies below it.
bool AtOrBelow(std::wstring_view path, std::wstring_view folder) {
    if (path.size() < folder.size() || !SameText(path.substr(0, folder.size()), folder))
        return false;
    return path.size() == folder.size() || path[folder.size()] == L'\\';
}

std::wstring ShellFolder(int csidl) {
    wchar_t buf[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_DONT_VERIFY, nullptr,
                                SHGFP_TYPE_CURRENT, buf)))
        return {};
    std::wstring s = buf;
    while (s.size() > 3 && s.back() == L'\\') s.pop_back();
    return s;
}

std::wstring EnvFolder(const wchar_t* name) {
    wchar_t buf[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(name, buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::wstring s = buf;
    while (s.size() > 3 && s.back() == L'\\') s.pop_back();
    return s;
}

bool IsFolder(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(LongPathForApi(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) &&
           !(a & FILE_ATTRIBUTE_REPARSE_POINT);
}

struct Walker {
    const WatchPlaces& places;
    const SnapshotSkip& skip;
    SnapshotProgress& progress;
    Snapshot& out;

    // `hive`: the place is a key below it (named so only when it is shown).
    void Tick(const std::wstring& place, const RegHive* hive = nullptr) {
        const DWORD now = GetTickCount();
        if (progress.pump && (!progress.pumpedOnce || now - progress.lastPumped >= 10)) {
            progress.pumpedOnce = true;
            progress.lastPumped = now;
            progress.pump();
            if (progress.stop && progress.stop()) progress.stopped = true;
        }
        if (progress.show && (!progress.shownOnce || now - progress.lastShown >= 50)) {
            progress.shownOnce = true;
            progress.lastShown = now;
            progress.show(hive ? RegKeyName(*hive, place) : place);
        }
    }

    bool IsOtherRoot(RegHive hive, const std::wstring& path, size_t self) const {
        for (size_t i = 0; i < places.keys.size(); ++i)
            if (i != self && places.keys[i].hive == hive && SameText(places.keys[i].path, path))
                return true;
        return false;
    }

    // Reads one open key's values into `shot`.
    void ReadValues(HKEY key, DWORD count, DWORD maxName, DWORD maxData, KeyShot& shot) {
        std::vector<wchar_t> name(maxName + 2);
        std::vector<BYTE> data(std::max<DWORD>(maxData, 16));
        for (DWORD i = 0; i < count; ++i) {
            DWORD nameLen = static_cast<DWORD>(name.size()), type = 0,
                  dataLen = static_cast<DWORD>(data.size());
            LONG rc =
                RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
            if (rc == ERROR_MORE_DATA) {
                // Grown since the key was asked about, or a name longer than it said.
                name.resize(std::max<size_t>(name.size() * 2, 16384));
                data.resize(std::max<size_t>(data.size(), dataLen) * 2);
                nameLen = static_cast<DWORD>(name.size());
                dataLen = static_cast<DWORD>(data.size());
                rc = RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(),
                                   &dataLen);
            }
            if (rc == ERROR_NO_MORE_ITEMS) break;
            if (rc != ERROR_SUCCESS) {
                ++out.unreadable;
                continue;
            }
            ValueShot v;
            v.name.assign(name.data(), nameLen);
            v.type = type;
            v.size = dataLen;
            v.hash = ValueHash(type, data.data(), dataLen);
            if (dataLen <= kKeptValueBytes) v.data.assign(data.data(), data.data() + dataLen);
            shot.values.push_back(std::move(v));
        }
    }

    void WalkKeys(size_t rootIndex) {
        const WatchPlaces::KeyRoot& root = places.keys[rootIndex];
        struct Pending {
            unique_hkey key;
            std::wstring path;
        };
        std::vector<Pending> stack;
        {
            // The root itself may be a link the system made (a profile's
            // Classes): it is opened as the system opens it.
            unique_hkey key;
            if (RegOpenKeyExW(HiveKey(root.hive), root.path.c_str(), 0, KEY_READ, key.put()) !=
                ERROR_SUCCESS) {
                ++out.unreadable;
                return;
            }
            stack.push_back({std::move(key), root.path});
        }
        while (!stack.empty() && !progress.stopped) {
            Pending p = std::move(stack.back());
            stack.pop_back();
            Tick(p.path, &root.hive);
            DWORD subkeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
            if (RegQueryInfoKeyW(p.key.get(), nullptr, nullptr, nullptr, &subkeys, &maxSub, nullptr,
                                 &values, &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
                ++out.unreadable;
                continue;
            }
            KeyShot shot{root.hive, p.path, {}};
            ReadValues(p.key.get(), values, maxName, maxData, shot);
            out.keys.push_back(std::move(shot));
            ++progress.items;
            std::vector<wchar_t> name(maxSub + 2);
            std::vector<std::wstring> names;
            for (DWORD i = 0;; ++i) {
                DWORD len = static_cast<DWORD>(name.size());
                LONG rc = RegEnumKeyExW(p.key.get(), i, name.data(), &len, nullptr, nullptr,
                                        nullptr, nullptr);
                if (rc == ERROR_MORE_DATA) {
                    name.resize(256);
                    len = static_cast<DWORD>(name.size());
                    rc = RegEnumKeyExW(p.key.get(), i, name.data(), &len, nullptr, nullptr, nullptr,
                                       nullptr);
                }
                if (rc != ERROR_SUCCESS) break;
                names.emplace_back(name.data(), len);
            }
            // Pushed last to first, so that keys come out in the registry's order.
            for (auto it = names.rbegin(); it != names.rend(); ++it) {
                std::wstring path = p.path + L"\\" + *it;
                if (IsOtherRoot(root.hive, path, rootIndex)) continue;
                if (skip.key && skip.key(root.hive, path)) continue;
                unique_hkey child;
                // Never through a link: a planted one would lead the walk anywhere.
                if (reg::OpenNoFollow(p.key.get(), *it, KEY_READ, child) != ERROR_SUCCESS) {
                    ++out.unreadable;
                    continue;
                }
                stack.push_back({std::move(child), std::move(path)});
            }
        }
    }

    void WalkFolder(const WatchPlaces::FolderRoot& root) {
        std::vector<std::wstring> stack{root.path};
        while (!stack.empty() && !progress.stopped) {
            const std::wstring dir = std::move(stack.back());
            stack.pop_back();
            Tick(dir);
            WIN32_FIND_DATAW e;
            HANDLE find =
                FindFirstFileExW(LongPathForApi(dir + L"\\*").c_str(), FindExInfoBasic, &e,
                                 FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
            if (find == INVALID_HANDLE_VALUE) {
                if (GetLastError() != ERROR_FILE_NOT_FOUND) ++out.unreadable;
                continue;
            }
            std::vector<std::wstring> below;
            do {
                const std::wstring name = e.cFileName;
                if (name == L"." || name == L"..") continue;
                FileShot f;
                f.path = dir + L"\\" + name;
                const bool link = (e.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
                f.folder = (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                f.size = (uint64_t{e.nFileSizeHigh} << 32) | e.nFileSizeLow;
                f.writeTime = (uint64_t{e.ftLastWriteTime.dwHighDateTime} << 32) |
                              e.ftLastWriteTime.dwLowDateTime;
                if (f.folder) f.size = 0;
                if (skip.folder && skip.folder(f.path)) continue;
                if (f.folder && !link && root.deep) below.push_back(f.path);
                out.files.push_back(std::move(f));
                ++progress.items;
            } while (FindNextFileW(find, &e));
            FindClose(find);
            for (auto it = below.rbegin(); it != below.rend(); ++it) stack.push_back(*it);
        }
    }
};

}  // namespace

uint64_t ValueHash(DWORD type, const BYTE* data, size_t size) {
    uint64_t h = 14695981039346656037ull;
    auto add = [&h](BYTE b) {
        h ^= b;
        h *= 1099511628211ull;
    };
    for (int i = 0; i < 4; ++i) add(static_cast<BYTE>(type >> (8 * i)));
    for (size_t i = 0; i < size; ++i) add(data[i]);
    return h;
}

WatchPlaces CurrentWatchPlaces() {
    WatchPlaces p;
    p.keys = {{RegHive::LocalMachine, L"SOFTWARE"},
              {RegHive::CurrentUser, L"Software"},
              // Its own root: on Windows the user's classes are a hive of their
              // own that Software\Classes only leads to.
              {RegHive::CurrentUser, L"Software\\Classes"},
              {RegHive::LocalMachine, L"SYSTEM\\CurrentControlSet\\Services"}};
    std::vector<std::wstring> deep = {ShellFolder(CSIDL_PROGRAM_FILES),
                                      EnvFolder(L"ProgramW6432"),
                                      ShellFolder(CSIDL_APPDATA),
                                      ShellFolder(CSIDL_LOCAL_APPDATA),
                                      ShellFolder(CSIDL_COMMON_APPDATA),
                                      ShellFolder(CSIDL_STARTMENU),
                                      ShellFolder(CSIDL_COMMON_STARTMENU),
                                      ShellFolder(CSIDL_DESKTOPDIRECTORY),
                                      ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY)};
    // LocalLow has no CSIDL: it sits beside Local.
    const std::wstring local = ShellFolder(CSIDL_LOCAL_APPDATA);
    if (local.size() > 6 && SameText(local.substr(local.size() - 6), L"\\Local"))
        deep.push_back(local + L"Low");
    for (const std::wstring& d : deep) {
        if (d.empty() || !IsFolder(d)) continue;
        bool inside = false;
        for (const std::wstring& o : deep)
            if (!o.empty() && &o != &d && IsFolder(o) && AtOrBelow(d, o) &&
                (!SameText(d, o) || &o < &d))
                inside = true;
        if (!inside) p.folders.push_back({d, true});
    }
    for (const std::wstring& d : {ShellFolder(CSIDL_WINDOWS), ShellFolder(CSIDL_SYSTEM)})
        if (!d.empty() && IsFolder(d)) p.folders.push_back({d, false});
    return p;
}

Snapshot TakeSnapshot(const WatchPlaces& places, const SnapshotSkip& skip,
                      SnapshotProgress& progress) {
    Snapshot out;
    Walker w{places, skip, progress, out};
    progress.roots = places.keys.size() + places.folders.size();
    progress.root = 0;
    for (size_t i = 0; i < places.keys.size() && !progress.stopped; ++i, ++progress.root)
        w.WalkKeys(i);
    for (const WatchPlaces::FolderRoot& f : places.folders) {
        if (progress.stopped) break;
        w.WalkFolder(f);
        ++progress.root;
    }
    return out;
}

}  // namespace cx::cleanup

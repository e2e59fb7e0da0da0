// The snapshots of Install and Watch against a bare walk of the same trees,
// measured in one run: every place a snapshot looks (this machine's, with
// 20,000 extra keys of two values each under HKCU\Software and 10,000 extra
// files in the all-users data folder), walked by TakeSnapshot (names, sizes,
// times, value hashes and short data kept, progress looked at) and by a bare
// recursion that reads the same keys, values and folder entries and keeps
// nothing, with the same noise left out. Then a made-up setup writes 500 keys
// and 300 files, and the trace of the two snapshots is measured: its items,
// counts and the size of its kept text.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "cleanup/Removal.h"
#include "cleanup/WatchRun.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Strings.h"

namespace {

using namespace cx;
using namespace cx::cleanup;

constexpr const wchar_t* kBenchKey = L"Software\\CxBenchWatch";

std::wstring BenchDir() {
    wchar_t buf[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf);
    return std::wstring(buf) + L"\\CxBenchWatch";
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& data) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

// 20 x 50 x 20 keys, two values each.
void MakeLoad(const std::wstring& under, int a, int b, int c) {
    for (int i = 0; i < a; ++i)
        for (int j = 0; j < b; ++j)
            for (int k = 0; k < c; ++k) {
                const std::wstring path = under + L"\\V" + std::to_wstring(i) + L"\\P" +
                                          std::to_wstring(j) + L"\\S" + std::to_wstring(k);
                HKEY key = nullptr;
                if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr) != ERROR_SUCCESS)
                    continue;
                SetString(key, L"Path", L"C:\\Program Files\\Bench\\" + std::to_wstring(k));
                SetString(key, L"Version", L"1.0." + std::to_wstring(k));
                RegCloseKey(key);
            }
}

void MakeFiles(const std::wstring& dir, int folders, int each) {
    CreateDirectoryW(dir.c_str(), nullptr);
    for (int f = 0; f < folders; ++f) {
        const std::wstring sub = dir + L"\\F" + std::to_wstring(f);
        CreateDirectoryW(sub.c_str(), nullptr);
        for (int i = 0; i < each; ++i)
            WriteFileBytes(sub + L"\\file" + std::to_wstring(i) + L".dat", "bench data");
    }
}

// Reads what a snapshot reads and keeps nothing.
struct Bare {
    const SnapshotSkip& skip;
    size_t items = 0;

    void Key(HKEY key, RegHive hive, const std::wstring& path) {
        DWORD subkeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
        if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &maxSub, nullptr, &values,
                             &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS)
            return;
        ++items;
        std::vector<wchar_t> name(std::max(maxName, maxSub) + 2);
        std::vector<BYTE> data(maxData + 16);
        for (DWORD i = 0; i < values; ++i) {
            DWORD n = static_cast<DWORD>(name.size()), d = static_cast<DWORD>(data.size()), t = 0;
            RegEnumValueW(key, i, name.data(), &n, nullptr, &t, data.data(), &d);
        }
        std::vector<std::wstring> names;
        for (DWORD i = 0;; ++i) {
            DWORD n = static_cast<DWORD>(name.size());
            if (RegEnumKeyExW(key, i, name.data(), &n, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            names.emplace_back(name.data(), n);
        }
        for (const std::wstring& n : names) {
            const std::wstring sub = path + L"\\" + n;
            if (skip.key(hive, sub)) continue;
            HKEY child = nullptr;
            if (RegOpenKeyExW(key, n.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &child) !=
                ERROR_SUCCESS)
                continue;
            Key(child, hive, sub);
            RegCloseKey(child);
        }
    }

    void Folder(const std::wstring& dir, bool deep) {
        WIN32_FIND_DATAW e;
        HANDLE find = FindFirstFileExW((dir + L"\\*").c_str(), FindExInfoBasic, &e,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (find == INVALID_HANDLE_VALUE) return;
        do {
            const std::wstring name = e.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = dir + L"\\" + name;
            if (skip.folder(path)) continue;
            ++items;
            if (deep && (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(e.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                Folder(path, true);
        } while (FindNextFileW(find, &e));
        FindClose(find);
    }

    void Walk(const WatchPlaces& places) {
        for (const WatchPlaces::KeyRoot& k : places.keys) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HiveKey(k.hive), k.path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
                continue;
            Key(key, k.hive, k.path);
            RegCloseKey(key);
        }
        for (const WatchPlaces::FolderRoot& f : places.folders) Folder(f.path, f.deep);
    }
};

}  // namespace

int main() {
    reg::DeleteTree(HKEY_CURRENT_USER, WideToAnsi(kBenchKey));
    const std::wstring dir = BenchDir();
    MakeLoad(kBenchKey, 20, 50, 20);
    MakeFiles(dir, 100, 100);

    const WatchPlaces places = CurrentWatchPlaces();
    const NoiseFilter noise = NoiseFilter::ForThisMachine(L"C:\\carvexo-bench\\app\\");
    const SnapshotSkip skip = SkipOf(noise);
    size_t bareItems = 0, snapItems = 0;
    const double bare = bench::Time([&] {
        Bare b{skip};
        b.Walk(places);
        bareItems = b.items;
    });
    Snapshot first;
    const double snap = bench::Time([&] {
        SnapshotProgress progress;
        progress.pump = [] {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        };
        progress.show = [](const std::wstring&) {};
        first = TakeSnapshot(places, skip, progress);
        snapItems = first.keys.size() + first.files.size();
    });
    std::printf(
        "watch snapshot: %.0f ms for %u keys and entries; bare walk of the same trees %.0f ms "
        "(%u); ratio %.2f (goal <= 1.50)\n",
        snap, static_cast<unsigned>(snapItems), bare, static_cast<unsigned>(bareItems),
        snap / bare);

    // A setup: 500 keys with two values each, 300 files in three folders.
    MakeLoad(std::wstring(kBenchKey) + L"\\Setup", 5, 10, 10);
    MakeFiles(dir + L"\\Setup", 3, 100);
    SnapshotProgress progress;
    const double t0 = bench::Now();
    const Snapshot second = TakeSnapshot(places, skip, progress);
    const WatchTrace trace = TraceOf(first, second, noise);
    const double t1 = bench::Now();
    const TraceCounts c = CountsOf(trace);
    std::printf(
        "watch trace: second snapshot and difference %.0f ms; %u items (%u keys, %u files), "
        "kept text %.1f KB\n",
        t1 - t0, static_cast<unsigned>(trace.items.size()), static_cast<unsigned>(c.keys),
        static_cast<unsigned>(c.files), TraceText(trace).size() / 1024.0);

    reg::DeleteTree(HKEY_CURRENT_USER, WideToAnsi(kBenchKey));
    RemoveDirectoryTree(dir);
    return 0;
}

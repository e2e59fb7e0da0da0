#pragma once
// Install and watch: what a setup program writes is found by looking at the
// places a program can write before it runs and after it ended. A snapshot
// holds the registry trees the remains scan walks (both hives' Software, with
// their Classes and Run-family keys, and the services) and the folders
// programs put things in (Program Files, the profile's data folders, the
// all-users data, the Start menus, the desktops; the Windows and system
// folders' top level only), by names, sizes, times and value hashes.
//
// Decided for the put-back of changed values: a value's data is kept whole
// when it is short (kKeptValueBytes), as nearly every setting is, so that a
// value the setup changed can be given back its old data; a longer one is
// known by its size and hash only, and a change to it cannot be put back.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegPath.h"

namespace cx::cleanup {

inline constexpr size_t kKeptValueBytes = 2048;

struct ValueShot {
    std::wstring name;  // empty: the default value
    DWORD type = REG_NONE;
    uint32_t size = 0;
    uint64_t hash = 0;       // ValueHash of its data
    std::vector<BYTE> data;  // whole when size <= kKeptValueBytes, else empty
};

struct KeyShot {
    RegHive hive = RegHive::LocalMachine;
    std::wstring path;  // below the hive, no final "\"
    std::vector<ValueShot> values;
};

struct FileShot {
    std::wstring path;  // full path, no final "\"
    bool folder = false;
    uint64_t size = 0;
    uint64_t writeTime = 0;  // FILETIME as one number
};

struct Snapshot {
    std::vector<KeyShot> keys;
    std::vector<FileShot> files;
    // Keys and folders that could not be read (skipped with what is below them).
    size_t unreadable = 0;
};

// 64-bit FNV-1a over the type and the bytes.
uint64_t ValueHash(DWORD type, const BYTE* data, size_t size);

// Where a snapshot looks.
struct WatchPlaces {
    struct KeyRoot {
        RegHive hive;
        std::wstring path;
    };
    struct FolderRoot {
        std::wstring path;
        bool deep = true;  // false: the folder's own entries only
    };
    std::vector<KeyRoot> keys;
    std::vector<FolderRoot> folders;
};
// This user's and this computer's; a deep folder inside another deep one is
// dropped (it is listed with it), as is one that does not exist.
WatchPlaces CurrentWatchPlaces();

// Places a snapshot does not enter: noise (see WatchNoise.h) whose whole tree
// is left out of both snapshots.
struct SnapshotSkip {
    std::function<bool(RegHive hive, std::wstring_view path)> key;
    std::function<bool(std::wstring_view path)> folder;
};

struct SnapshotProgress {
    // What is being looked at; called at most every 50 ms.
    std::function<void(const std::wstring& place)> show;
    // Handles pending window messages; called every 10 ms or so.
    std::function<void()> pump;
    // True ends the snapshot early (what was read stays; `stopped` is set).
    std::function<bool()> stop;
    bool stopped = false;
    // Keys and entries read so far, and the place walked among all of them:
    // enough for a progress bar.
    size_t items = 0;
    size_t root = 0, roots = 0;
    DWORD lastShown = 0, lastPumped = 0;
    bool shownOnce = false, pumpedOnce = false;
};

// Walks every place: keys opened one name at a time relative to their parent,
// never through a registry link; folders listed by their UTF-16 names, links
// and junctions listed but never entered.
Snapshot TakeSnapshot(const WatchPlaces& places, const SnapshotSkip& skip,
                      SnapshotProgress& progress);

}  // namespace cx::cleanup

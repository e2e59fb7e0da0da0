#pragma once
// The decisions behind undoing a clean-up, made without touching the system:
// what of the checked findings is backed up, the manifest that says what came
// from where, where a taken item is kept, which kept clean-ups go, and whether
// a kept .reg file stays inside the key it claims to hold.
//
// A kept clean-up lies in a folder anybody may have changed since: its manifest
// and .reg files are read back as hostile data. Nothing read from them is
// trusted before these checks and those of the restore have passed.
#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cleanup/CheckTree.h"

namespace cx::cleanup {

// How many clean-ups are kept, and how much of them at most; the oldest go first.
inline constexpr size_t kKeptCleanups = 10;
inline constexpr uint64_t kKeptBytes = uint64_t{2} << 30;

// What a manifest may hold and still be read back: at most this many bytes in
// all, and no value of more than kMaxValueBytes. A clean-up that would need
// more fails before anything of it goes.
inline constexpr uint64_t kMaxManifestBytes = 64u << 20;
inline constexpr size_t kMaxValueBytes = 16u << 20;

// A single value kept in the manifest itself: one of a key that stayed, or one
// of a taken key that regedit cannot carry (see TakenKey::held).
struct TakenValue {
    RegHive hive = RegHive::LocalMachine;
    std::wstring keyPath;  // below the hive, no final "\"
    std::wstring name;     // empty: the default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    // A value given back its data from before its program's setup: `data` is
    // what it held before the clean-up, and `put` what the clean-up wrote.
    // A restore writes `data` back only while the value still holds `put`.
    bool putBack = false;
    DWORD putType = REG_NONE;
    std::vector<BYTE> put;
    // Put back into a key that had no such value then: a restore deletes it.
    bool absent = false;
};

// A registry key taken whole, with its subtree, exported by regedit into
// `file` (a bare "<n>.reg" in the clean-up's registry folder).
struct TakenKey {
    RegHive hive = RegHive::LocalMachine;
    std::wstring path;  // below the hive, the key's own name last, no final "\"
    std::wstring file;
    // Values of the key and its subkeys that regedit cannot carry as they are
    // (RegeditCarries): written over what the import made of them. Each lies
    // at or below `path` in the same hive.
    std::vector<TakenValue> held;
};

enum class TakenKind { Folder, File, Link };

// A file-tree item moved into the clean-up's folder (see StoredPathOf).
struct TakenItem {
    TakenKind kind = TakenKind::File;
    std::wstring path;  // where it was, as the scan found it
};

struct CleanupManifest {
    // The clean-up's place in the order they were made below their root, the
    // newest highest (the clock may have been set back since); 0 in manifests
    // written before it was recorded, which come before all others.
    uint64_t sequence = 0;
    std::wstring program;
    std::string time;   // "YYYY-MM-DD HH:MM:SS", local time of the clean-up
    uint64_t size = 0;  // bytes of the moved files
    std::wstring root;  // the scanned folder every item lies in (empty: no files)
    // The further places a clean-up took items from (data folders, shortcuts),
    // each a scanned root like `root`; every item lies in one of them.
    std::vector<std::wstring> moreRoots;
    std::vector<TakenKey> keys;
    std::vector<TakenValue> values;
    std::vector<TakenItem> items;
};

// The manifest's name in a clean-up's folder, and the folders for what it took.
inline constexpr const wchar_t* kManifestName = L"cleanup.txt";
inline constexpr const wchar_t* kRegistryFolder = L"registry";
inline constexpr const wchar_t* kFilesFolder = L"files";

// UTF-8 text, one record a line; every text field is escaped, so no name can
// start a record of its own.
std::string WriteManifest(const CleanupManifest& manifest);
// Empty for anything but a well-formed manifest: a wrong first line, an unknown
// hive, a malformed number or escape, a record with fields missing, a value
// type beyond 32 bits, a value of more than kMaxValueBytes, a key file that is
// not a bare "<n>.reg", a held value not below the key before it, a text that
// is no UTF-8. Paths are not judged here; the restore does that.
std::optional<CleanupManifest> ParseManifest(std::string_view text);

// Where a taken item is kept below its clean-up's folder, "keeping its path":
// "C:\Program Files\Acme\a.txt" -> "files\C\Program Files\Acme\a.txt". Only
// drive paths have a place; anything else gives an empty text.
std::wstring StoredPathOf(const std::wstring& original);

// "YYYY-MM-DD HH:MM:SS", and the folder name "YYYY-MM-DD HH.MM.SS <program>"
// (the program's name with characters no file name may hold replaced, cut to
// a length that leaves room for the kept paths).
std::string TimeText(const SYSTEMTIME& t);
std::wstring CleanupFolderName(const SYSTEMTIME& t, const std::wstring& program);

// What of the registry tree is backed up: checked keys that do not lie inside
// another checked key (that one's export holds them), and checked values of
// keys that stay, unless their key lies inside a checked key. A maker's key
// that goes only when empty (Node::emptyOnly) is neither exported nor holds
// what lies below it: it has nothing of its own, and importing what it held
// makes it again.
struct RegistryBackupPlan {
    std::vector<NodeId> keys;
    std::vector<NodeId> values;
};
RegistryBackupPlan PlanRegistryBackup(const CheckTree& tree);

// Given the sizes of the kept clean-ups, newest first: the indexes of those to
// drop so that at most `keepCount` stay and they take at most `keepBytes`,
// dropping the oldest first (the newest is kept even when it alone is larger).
std::vector<size_t> CleanupsToDrop(const std::vector<uint64_t>& sizesNewestFirst, size_t keepCount,
                                   uint64_t keepBytes);

// "0 bytes", "512 bytes", "1.5 KB", "20.0 MB", "2.0 GB".
std::string SizeText(uint64_t bytes);

// The text of a .reg file as regedit reads it: UTF-16 after its byte-order
// mark, otherwise 8-bit text in the ANSI code page. Empty when it holds a NUL
// character (where regedit and this check might part ways about the lines).
std::optional<std::wstring> DecodeRegFile(std::string_view bytes);

// True when every key a .reg text would write lies at or below hive\keyPath:
// each line (of CR- or LF-ended lines) whose first non-blank character is "["
// must name, between that "[" and the last "]", the key or a key below it, and
// nothing may follow the "]". A deletion ("[-...") is refused, and so is a
// text that names no key at all.
bool RegFileStaysBelow(std::wstring_view text, RegHive hive, const std::wstring& keyPath);

// True when regedit gives back exactly `data` of `type` through an export and
// an import. Wine's drops a REG_SZ's bytes from its first NUL on and its last
// odd byte, adds a terminator to a REG_SZ without one and to a REG_EXPAND_SZ
// or REG_MULTI_SZ that does not end in a NUL character, and writes a REG_DWORD
// of other than four bytes as four; types it has no name for (above REG_QWORD)
// are written as hex(N), which not every regedit reads back.
bool RegeditCarries(DWORD type, const std::vector<BYTE>& data);

// What a key holds, by key path below it ("" for the key itself, then
// "Sub\Deeper") and value name ("" for the default value).
struct RegData {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const RegData&) const = default;
};
using RegKeyContents = std::map<std::wstring, std::map<std::wstring, RegData>>;

// What importing an export of hive\keyPath would write, as regedit reads it:
// a version 5 export whose key lines all name the key or keys below it, each
// once, and whose value lines are "name" or @, then =, then a quoted string
// (escapes \\, \", \n, \r), dword:<8 hex digits>, hex: or hex(<type>): with
// bytes (lines ending in "\" go on in the next). Empty for anything else.
std::optional<RegKeyContents> ParseRegExport(std::wstring_view text, RegHive hive,
                                             const std::wstring& keyPath);

// Where an export and the key it was made of part: the first key or value
// that one has and the other lacks, or whose type or data differ, as text;
// empty when they agree. Values regedit cannot carry (RegeditCarries) are kept
// apart and not compared.
std::wstring ExportDifference(const RegKeyContents& exported, const RegKeyContents& key);

}  // namespace cx::cleanup

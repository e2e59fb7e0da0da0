#pragma once
// A registry place as Carvexo carries it from the scan that finds it to the
// call that deletes it, the undo that keeps it and the export that holds it:
// a hive and the UTF-16 names below it. Its display text is made from it and
// never read back: an 8-bit text loses names the code page lacks, and a value
// name may hold "\", so no text says again where an item lives.
//
// Hive names are read in one place, ParseHive, and only in their long form
// ("HKEY_LOCAL_MACHINE"). The names Carvexo stores (undo manifests, the
// inventory service's records, notes) are written by HiveName and compared
// exactly: anything else in them is damage, not another spelling. Short forms
// (HKLM, HKCU) are how a person types a hive; the command line maps them to
// the long names before asking ParseHive, as do the key rules' text form,
// which reads HKEY_USERS too (see cleanup/Safety.h).
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace cx {

// The hives Carvexo reads and changes.
enum class RegHive { ClassesRoot, CurrentUser, LocalMachine };

enum class HiveSpelling {
    Exact,    // as HiveName writes it
    AnyCase,  // as the registry itself compares names
};

// The hive a long name names; nothing for any other text (short forms,
// HKEY_USERS, surrounding blanks, an embedded NUL).
std::optional<RegHive> ParseHive(std::string_view name,
                                 HiveSpelling spelling = HiveSpelling::Exact);
// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE".
const char* HiveName(RegHive hive);
// The predefined key; never closed.
HKEY HiveKey(RegHive hive);

// A key, or a value of a key.
struct RegPath {
    RegHive hive = RegHive::LocalMachine;
    // The key below the hive (of a value: the key holding it), its names
    // joined by "\", none at either end; empty: the hive itself.
    std::wstring key;
    // Set for a value: its name, empty for the key's default value.
    std::optional<std::wstring> value;

    bool IsValue() const noexcept { return value.has_value(); }
    // Of a key: the key holding it ("" below the hive) and its own name. Key
    // names never hold "\", so the last one ends the path.
    std::wstring Parent() const;
    std::wstring Name() const;
    bool operator==(const RegPath&) const = default;
};

// `hive` + "\" + `key`: the full name regedit reads and writes (UTF-16, for
// regedit's command line and .reg headers; empty `key`: the hive's name).
std::wstring RegKeyName(RegHive hive, std::wstring_view key);
// How a place is shown: its full key name, then "\" and the value's name for
// a value (so a default value ends in "\"), in the ANSI code page.
std::string RegPathText(const RegPath& path);

}  // namespace cx

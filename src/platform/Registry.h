#pragma once
// Registry access. Absence is normal here (a key that is not there, a value of
// another type), so reads return std::optional and never throw; writes throw.
// Key::Open takes a path below the key it is given, in one call; the walks
// that may go deep (the remains scan, removal, restore) open one name at a
// time below the parent they hold, since Wine refuses paths beyond about 260
// characters and a link on the way must be seen.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Handles.h"

namespace cx::reg {

struct Value {
    std::string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

class Key {
public:
    Key() = default;
    explicit Key(HKEY h) : h_(h) {}

    // Opens root\path; an empty optional when the key cannot be opened with `access`.
    static std::optional<Key> Open(HKEY root, const std::string& path,
                                   REGSAM access = KEY_READ) noexcept;
    // Opens or creates root\path; throws AppError when it cannot.
    static Key Create(HKEY root, const std::string& path, REGSAM access = KEY_ALL_ACCESS);

    std::optional<Key> OpenSub(const std::string& name, REGSAM access = KEY_READ) const noexcept;

    HKEY get() const noexcept { return h_.get(); }
    explicit operator bool() const noexcept { return static_cast<bool>(h_); }

    // Subkey names in enumeration order. Names that cannot be read are skipped.
    std::vector<std::string> SubKeyNames() const;
    // All values with their raw data, in enumeration order.
    std::vector<Value> Values() const;
    std::optional<Value> RawValue(const std::string& name) const;

    // REG_SZ / REG_EXPAND_SZ as stored (no expansion), cut at the first NUL.
    std::optional<std::string> GetString(const std::string& name) const;
    // REG_DWORD; also accepts a 4-byte REG_BINARY, as some installers write.
    std::optional<DWORD> GetDword(const std::string& name) const;
    bool HasValue(const std::string& name) const;

    void SetString(const std::string& name, const std::string& value, DWORD type = REG_SZ);
    void SetDword(const std::string& name, DWORD value);
    void SetBinary(const std::string& name, const void* data, size_t size);
    void SetRaw(const std::string& name, DWORD type, const void* data, size_t size);
    bool DeleteValue(const std::string& name) noexcept;

private:
    unique_hkey h_;
};

// Subkey names of an open key that the caller keeps owning.
std::vector<std::string> SubKeyNames(HKEY key);
// The same by their UTF-16 names, as the registry holds them. `between` runs
// after each name: a key with thousands of subkeys takes long enough to list
// that a window waiting on the listing must look at its messages meanwhile.
std::vector<std::wstring> SubKeyNamesW(HKEY key, const std::function<void()>& between = nullptr);

// The value names of an open key by their UTF-16 names; empty when it cannot
// be read.
std::vector<std::wstring> ValueNamesW(HKEY key);

// Opens parent\name itself: a link key (REG_LINK) is opened as the link, never
// as the key it points to. Returns the error of the open.
LONG OpenNoFollow(HKEY parent, const std::string& name, REGSAM access, unique_hkey& out) noexcept;
LONG OpenNoFollow(HKEY parent, const std::wstring& name, REGSAM access, unique_hkey& out) noexcept;
// True when an open key is a registry link (its SymbolicLinkValue is a REG_LINK).
// The key must have been opened with OpenNoFollow and KEY_QUERY_VALUE.
bool IsLink(HKEY key) noexcept;

// Deletes parent\name with its whole subtree, deepest first, each key opened
// relative to its parent and deleted through its own handle. Links are deleted
// as links: their targets are never entered nor touched. Returns false when
// anything could not be deleted.
bool DeleteKeyTree(HKEY parent, const std::wstring& name) noexcept;
bool DeleteKeyTree(HKEY parent, const std::string& name) noexcept;

// Deletes root\path with all its subkeys (as DeleteKeyTree does).
bool DeleteTree(HKEY root, const std::string& path) noexcept;

// Text of the raw data of a REG_SZ-like value (NUL handling and odd byte counts
// are tolerated).
std::string StringFromData(const std::vector<BYTE>& data);

}  // namespace cx::reg

#pragma once
// Registry values as the tests write and compare them: by UTF-16 names, with
// their type and raw bytes, so a test sees exactly what a move kept or lost;
// and a key's access rules, narrowed for a test and put back after it.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace cx::test {

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const RawValue&) const = default;
};
// The UTF-16 bytes of a text with its terminating NUL, as the registry stores strings.
std::vector<BYTE> WideBytes(const std::wstring& s);
RawValue Sz(const std::wstring& s, DWORD type = REG_SZ);

// Writes root\path\name, making the key when missing (a failure fails the test).
void PutValue(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& v);
// Nothing when the key or the value is missing.
std::optional<RawValue> GetValue(HKEY root, const std::wstring& path, const std::wstring& name);
void RemoveValue(HKEY root, const std::wstring& path, const std::wstring& name);

// Restores a key's access rules when it goes out of scope; DenyWrites lets
// everyone read the key but not change its values or add subkeys, as a
// standard user's rights on a machine-wide key are.
class KeyLock {
public:
    KeyLock(HKEY root, const wchar_t* path);
    ~KeyLock();
    KeyLock(const KeyLock&) = delete;
    KeyLock& operator=(const KeyLock&) = delete;
    // Whether the key's rules could be read, and so will be put back.
    bool saved() const { return !saved_.empty(); }
    bool DenyWrites();

private:
    HKEY root_;
    const wchar_t* path_;
    std::vector<BYTE> saved_;
};

}  // namespace cx::test

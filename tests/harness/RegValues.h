#pragma once
// Registry values as the tests write and compare them: by UTF-16 names, with
// their type and raw bytes, so a test sees exactly what a move kept or lost.
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

}  // namespace cx::test

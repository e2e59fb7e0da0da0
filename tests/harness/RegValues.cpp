#include "harness/RegValues.h"

#include <gtest/gtest.h>

#include <cstring>

namespace cx::test {

std::vector<BYTE> WideBytes(const std::wstring& s) {
    std::vector<BYTE> b((s.size() + 1) * 2);
    memcpy(b.data(), s.c_str(), b.size());
    return b;
}

RawValue Sz(const std::wstring& s, DWORD type) { return RawValue{type, WideBytes(s)}; }

void PutValue(HKEY root, const std::wstring& path, const std::wstring& name, const RawValue& v) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(k, name.c_str(), 0, v.type, v.data.data(),
                             static_cast<DWORD>(v.data.size())),
              ERROR_SUCCESS);
    RegCloseKey(k);
}

std::optional<RawValue> GetValue(HKEY root, const std::wstring& path, const std::wstring& name) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return std::nullopt;
    std::optional<RawValue> out;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(k, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        RawValue v{type, std::vector<BYTE>(size)};
        RegQueryValueExW(k, name.c_str(), nullptr, &type, v.data.data(), &size);
        v.data.resize(size);
        out = v;
    }
    RegCloseKey(k);
    return out;
}

void RemoveValue(HKEY root, const std::wstring& path, const std::wstring& name) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS) return;
    RegDeleteValueW(k, name.c_str());
    RegCloseKey(k);
}

}  // namespace cx::test

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

KeyLock::KeyLock(HKEY root, const wchar_t* path) : root_(root), path_(path) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, path, 0, READ_CONTROL, &k) != ERROR_SUCCESS) return;
    DWORD size = 0;
    RegGetKeySecurity(k, DACL_SECURITY_INFORMATION, nullptr, &size);
    saved_.resize(size);
    if (RegGetKeySecurity(k, DACL_SECURITY_INFORMATION, saved_.data(), &size) != ERROR_SUCCESS)
        saved_.clear();
    RegCloseKey(k);
}

KeyLock::~KeyLock() {
    HKEY k = nullptr;
    if (saved_.empty() || RegOpenKeyExW(root_, path_, 0, WRITE_DAC, &k) != ERROR_SUCCESS) return;
    RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, saved_.data());
    RegCloseKey(k);
}

bool KeyLock::DenyWrites() {
    if (saved_.empty()) return false;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return false;
    BYTE aclBuf[256];
    auto* acl = reinterpret_cast<PACL>(aclBuf);
    SECURITY_DESCRIPTOR sd;
    bool ok = InitializeAcl(acl, sizeof aclBuf, ACL_REVISION) &&
              AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, everyone) &&
              AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone) &&
              InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
              SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    HKEY k = nullptr;
    if (ok && RegOpenKeyExW(root_, path_, 0, WRITE_DAC, &k) == ERROR_SUCCESS) {
        ok = RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
        RegCloseKey(k);
    } else {
        ok = false;
    }
    FreeSid(everyone);
    return ok;
}

}  // namespace cx::test

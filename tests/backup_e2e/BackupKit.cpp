#include "BackupKit.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "harness/TestKit.h"
#include "platform/Handles.h"
#include "platform/Registry.h"

namespace cx::test {

namespace {
const wchar_t kUninstallW[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

HKEY Root(backup::Hive hive) {
    return hive == backup::Hive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

void Set(HKEY key, const wchar_t* name, DWORD type, const void* data, size_t size) {
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data),
                             static_cast<DWORD>(size)),
              ERROR_SUCCESS);
}

void DumpKey(HKEY key, const std::string& where, std::vector<std::string>& out) {
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD nameLen = 512, type = 0, size = 4096;
        BYTE data[4096];
        if (RegEnumValueW(key, i, name, &nameLen, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        std::string line = where;
        for (DWORD c = 0; c < nameLen; ++c) line += std::to_string(name[c]) + ",";
        line += "=" + std::to_string(type) + ":";
        char hex[4];
        for (DWORD b = 0; b < size; ++b) {
            snprintf(hex, sizeof hex, "%02x", data[b]);
            line += hex;
        }
        out.push_back(line);
    }
}
}  // namespace

HKEY OpenUninstall(backup::Hive hive) {
    HKEY key = nullptr;
    RegCreateKeyExW(Root(hive), kUninstallW, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

void WriteEntry(backup::Hive hive, const std::wstring& name, int seed) {
    unique_hkey uninstall(OpenUninstall(hive));
    ASSERT_TRUE(uninstall);
    unique_hkey key;
    ASSERT_EQ(RegCreateKeyExW(uninstall.get(), name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    std::wstring display = L"Test program " + std::to_wstring(seed) + L" \"quoted\" \\ back";
    Set(key.get(), L"DisplayName", REG_SZ, display.c_str(), (display.size() + 1) * 2);
    std::wstring path = L"%ProgramFiles%\\T" + std::to_wstring(seed);
    Set(key.get(), L"InstallLocation", REG_EXPAND_SZ, path.c_str(), (path.size() + 1) * 2);
    DWORD size = static_cast<DWORD>(seed * 37);
    Set(key.get(), L"EstimatedSize", REG_DWORD, &size, sizeof size);
    BYTE blob[7] = {0, 1, 2, static_cast<BYTE>(seed), 0xFE, 0xFF, 0x80};
    Set(key.get(), L"Blob", REG_BINARY, blob, sizeof blob);
    const wchar_t multi[] = L"one\0two words\0\0";
    Set(key.get(), L"Multi", REG_MULTI_SZ, multi, sizeof multi);
    Set(key.get(), L"", REG_SZ, L"default", 16);
    unique_hkey sub;
    ASSERT_EQ(RegCreateKeyExW(key.get(), L"Sub Key", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              sub.put(), nullptr),
              ERROR_SUCCESS);
    Set(sub.get(), L"Inner", REG_SZ, L"x", 4);
}

bool DeleteEntry(backup::Hive hive, const std::wstring& name) {
    unique_hkey uninstall(OpenUninstall(hive));
    reg::DeleteKeyTree(uninstall.get(), name);
    return !EntryExists(hive, name);
}

bool EntryExists(backup::Hive hive, const std::wstring& name) {
    unique_hkey uninstall(OpenUninstall(hive));
    unique_hkey key;
    return RegOpenKeyExW(uninstall.get(), name.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::vector<std::string> EntryDump(backup::Hive hive, const std::wstring& name) {
    std::vector<std::string> out;
    unique_hkey uninstall(OpenUninstall(hive));
    unique_hkey key, sub;
    if (RegOpenKeyExW(uninstall.get(), name.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return out;
    DumpKey(key.get(), "", out);
    if (RegOpenKeyExW(key.get(), L"Sub Key", 0, KEY_READ, sub.put()) == ERROR_SUCCESS)
        DumpKey(sub.get(), "sub/", out);
    return out;
}

DWORD RunRegedit(const std::wstring& arguments, const std::wstring& workDir) {
    std::wstring line = L"regedit.exe " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &pi)) {
        ADD_FAILURE() << "regedit did not start";
        return 999;
    }
    unique_handle process(pi.hProcess), thread(pi.hThread);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, kHangGuardMs), WAIT_OBJECT_0);
    DWORD code = 999;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
}

std::string FileBytes(const std::wstring& path) {
    unique_hfile f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               0, nullptr));
    if (!f) return {};
    std::string bytes;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got) bytes.append(buf, got);
    return bytes;
}

bool IsNonEmptyFile(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA d{};
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d) &&
           !(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (d.nFileSizeLow || d.nFileSizeHigh);
}

void EntrySet::Write() const {
    int seed = 1;
    for (const auto& n : machine) WriteEntry(backup::Hive::LocalMachine, n, seed++);
    for (const auto& n : user) WriteEntry(backup::Hive::CurrentUser, n, seed++);
}

void EntrySet::Remove() const {
    for (const auto& n : machine) DeleteEntry(backup::Hive::LocalMachine, n);
    for (const auto& n : user) DeleteEntry(backup::Hive::CurrentUser, n);
}

}  // namespace cx::test

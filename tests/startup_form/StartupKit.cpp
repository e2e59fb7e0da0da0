#include <gtest/gtest.h>

#include "StartupKit.h"

#include <shlobj.h>

#include <algorithm>

#include "AppKit.h"
#include "app/AppPaths.h"
#include "harness/TestKit.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "startup/StartupRows.h"
#include "startup/StartupStore.h"

namespace cx::test {

namespace {

void RecordValues(HKEY root, const std::wstring& label, const std::wstring& path,
                  std::map<std::wstring, RawValue>& out) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLen = 16384, type = 0, size = 0;
        if (RegEnumValueW(k, i, name, &nameLen, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        RawValue v{type, std::vector<BYTE>(size)};
        nameLen = 16384;
        RegEnumValueW(k, i, name, &nameLen, nullptr, &type, v.data.data(), &size);
        v.data.resize(size);
        out[label + L"\\" + path + L"|" + std::wstring(name, nameLen)] = v;
    }
    RegCloseKey(k);
}

std::vector<std::wstring> KeyPaths() {
    std::vector<std::wstring> paths;
    for (const char* key : startup::kRunKeys) {
        paths.push_back(AnsiToWide(key));
        paths.push_back(AnsiToWide(key) + L"\\Run_Disable");
    }
    return paths;
}

void RecordFolder(const std::wstring& dir, StartupState& s) {
    ForEachEntry(dir, [&](const std::wstring& full, const WIN32_FIND_DATAW& fd) {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            s.folders.push_back(full);
            RecordFolder(full, s);
        } else {
            s.files[full] = ReadWholeFile(WideToAnsi(full));
        }
    });
}

}  // namespace

std::string StartupFolderPath(bool common) {
    return startup::GetSpecialFolderPath(common ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP) + "\\";
}

std::string KeptFolderPath(bool common) {
    const auto places =
        startup::FindStartupPlaces(AnsiToWide(AppPaths().AppDir + startup::kStartupBackupSubdir));
    return WideToAnsi(places.kept[common ? startup::kCommonFolder : startup::kUserFolder]);
}

StartupState TakeStartupState() {
    StartupState s;
    for (auto [root, label] :
         {std::pair{HKEY_CURRENT_USER, L"HKCU"}, std::pair{HKEY_LOCAL_MACHINE, L"HKLM"}})
        for (const auto& path : KeyPaths()) RecordValues(root, label, path, s.values);
    for (bool common : {false, true}) RecordFolder(AnsiToWide(StartupFolderPath(common)), s);
    // A folder moved away and back may be listed at another place.
    std::sort(s.folders.begin(), s.folders.end());
    return s;
}

void RestoreStartupState(const StartupState& s, const std::string& appDir) {
    for (auto [root, label] :
         {std::pair{HKEY_CURRENT_USER, L"HKCU"}, std::pair{HKEY_LOCAL_MACHINE, L"HKLM"}}) {
        for (const auto& path : KeyPaths()) {
            std::map<std::wstring, RawValue> now;
            RecordValues(root, label, path, now);
            HKEY k = nullptr;
            if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) continue;
            const std::wstring prefix = std::wstring(label) + L"\\" + path + L"|";
            for (const auto& [id, v] : now)
                if (!s.values.count(id)) RegDeleteValueW(k, id.substr(prefix.size()).c_str());
            RegCloseKey(k);
        }
    }
    for (const auto& [id, v] : s.values) {
        size_t bar = id.find(L'|');
        HKEY root = id.rfind(L"HKCU", 0) == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        PutValue(root, id.substr(5, bar - 5), id.substr(bar + 1), v);
    }
    StartupState now;
    for (bool common : {false, true}) RecordFolder(AnsiToWide(StartupFolderPath(common)), now);
    for (const auto& [path, bytes] : now.files)
        if (!s.files.count(path)) {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    for (auto it = now.folders.rbegin(); it != now.folders.rend(); ++it)
        if (std::find(s.folders.begin(), s.folders.end(), *it) == s.folders.end())
            RemoveTree(WideToAnsi(*it));
    for (const auto& dir : s.folders) CreateDirectoryW(dir.c_str(), nullptr);
    for (const auto& [path, bytes] : s.files)
        if (!now.files.count(path) || now.files.at(path) != bytes)
            WriteWholeFile(WideToAnsi(path), bytes);
    RemoveTree(appDir + "Back up\\startup");
}

std::string* StartupPageTest::appDir = nullptr;

void StartupPageTest::SetUpTestSuite() { appDir = new std::string(PrepareAppCopy("startup-page")); }

void StartupPageTest::SetUp() {
    ASSERT_TRUE(StartFresh(*appDir));
    before = TakeStartupState();
    form = std::make_unique<app::TMainForm>();
    form->CreateForm();
    form->Show(SW_SHOWNOACTIVATE);
}

void StartupPageTest::TearDown() {
    ui::SetModalHook({});
    form.reset();
    RestoreStartupState(before, *appDir);
    EXPECT_TRUE(TakeStartupState() == before) << "the prefix's startup entries were not restored";
}

int StartupPageTest::RowNamed(const std::string& name, std::optional<bool> enabled) const {
    for (int r = 0; r < form->Startup().StartupRowCount(); ++r)
        if (form->Startup().StartupRow(r).Name == name &&
            (!enabled || form->Startup().StartupRowChecked(r) == *enabled))
            return r;
    return -1;
}

std::vector<std::string> StartupPageTest::Names() const {
    std::vector<std::string> n;
    for (int r = 0; r < form->Startup().StartupRowCount(); ++r)
        n.push_back(form->Startup().StartupRow(r).Name);
    return n;
}

}  // namespace cx::test

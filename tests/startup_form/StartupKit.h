#pragma once
// What the startup page's window tests share: a record of every value of the
// twelve Run-family keys (with their Run_Disable subkeys) and of every file of
// both Startup folders, taken before a test and put back after it.
#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "harness/MessageLog.h"
#include "harness/RegValues.h"
#include "platform/Com.h"

namespace cx::test {

// "HKCU\<key>[\Run_Disable]|<name>" -> value; "<folder path>|" -> file bytes.
struct StartupState {
    std::map<std::wstring, RawValue> values;
    std::map<std::wstring, std::string> files;  // plain files, by full path
    std::vector<std::wstring> folders;          // subfolders of the Startup folders
    bool operator==(const StartupState&) const = default;
};
StartupState TakeStartupState();
// Puts the registry values and Startup-folder files back as recorded; what a
// test added goes, the kept copies' folder included.
void RestoreStartupState(const StartupState& s, const std::string& appDir);

inline const wchar_t kRun[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const wchar_t kRunDisabled[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\Run_Disable";
std::string StartupFolderPath(bool common);  // ends in "\"
// Where the running program keeps this account's disabled entries of a Startup folder.
std::string KeptFolderPath(bool common);

class StartupPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;
    // The row whose name and check state match (-1: none).
    int RowNamed(const std::string& name, std::optional<bool> enabled = std::nullopt) const;
    std::vector<std::string> Names() const;

    static std::string* appDir;
    ComInit com;
    MessageLog messages;
    std::vector<ui::MessageRecord>& shown = messages.shown;
    StartupState before;
    std::unique_ptr<app::TMainForm> form;
};

}  // namespace cx::test

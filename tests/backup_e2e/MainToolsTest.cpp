// The main window's export, reload, backup and tool commands on the seeded
// prefix, with the real inventory service, the real file dialogs and Wine's regedit.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shellapi.h>

#include <algorithm>
#include <thread>

#include "AppKit.h"
#include "BackupKit.h"
#include "app/AppPaths.h"
#include "app/MainForm.h"
#include "backup/BackupPlan.h"
#include "harness/MessageLog.h"
#include "harness/Planted.h"
#include "harness/ShellLog.h"
#include "harness/TestKit.h"
#include "harness/Windows.h"
#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "seeder/DemoData.h"
#include "widgets/Seam.h"

namespace {

using cx::app::TMainForm;
using cx::backup::Hive;
using Text = std::optional<std::string>;

const cx::demo::DemoProgram& SeededProgram(cx::demo::Hive hive) {
    for (const auto& p : cx::demo::Programs())
        if (cx::demo::IsListed(p) && p.hive == hive && p.displayName && !p.patch) return p;
    throw std::runtime_error("no seeded program of that hive");
}

// Answers the next file dialog of this process from another thread: notes what
// it offered, types `path` into its file name box and presses its OK button.
class DialogDriver {
public:
    explicit DialogDriver(std::string path)
        : path_(std::move(path)), thread_([this] { Drive(); }) {}
    ~DialogDriver() { thread_.join(); }
    std::string offeredName, offeredFolder;
    bool pressed = false;

private:
    void Drive() {
        HWND dlg = cx::test::WaitForWindow(GetCurrentProcessId(), "#32770");
        if (!dlg) return;
        HWND edit = GetDlgItem(dlg, edt1);
        if (!edit) edit = GetDlgItem(dlg, cmb13);
        char buf[MAX_PATH * 2] = {};
        GetWindowTextA(edit, buf, sizeof buf);
        offeredName = buf;
        buf[0] = 0;
        SendMessageA(dlg, CDM_GETFOLDERPATH, sizeof buf, reinterpret_cast<LPARAM>(buf));
        offeredFolder = buf;
        SetWindowTextA(edit, path_.c_str());
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
        pressed = true;
    }
    std::string path_;
    std::thread thread_;
};

// Runs a recorded shell call for real and waits for what it started.
void RunRecorded(const cx::ui::ShellCall& c) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = c.verb ? c.verb->c_str() : nullptr;
    info.lpFile = c.file.c_str();
    info.lpParameters = c.parameters ? c.parameters->c_str() : nullptr;
    info.lpDirectory = c.directory ? c.directory->c_str() : nullptr;
    info.nShow = c.show;
    ASSERT_TRUE(ShellExecuteExA(&info));
    ASSERT_TRUE(info.hProcess);
    cx::unique_handle process(info.hProcess);
    ASSERT_EQ(WaitForSingleObject(info.hProcess, cx::test::kHangGuardMs), WAIT_OBJECT_0);
}

std::string CurrentDirectory() {
    char buf[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, buf);
    return cx::IncludeTrailingBackslash(buf);
}

// Where the system tools are, told apart from how the program finds them.
const std::string kRegedit = cx::IncludeTrailingBackslash(cx::WindowsDirectory()) + "regedit.exe";
std::string InSystem(const std::string& name) {
    return cx::IncludeTrailingBackslash(cx::SystemDirectory()) + name;
}

class MainToolsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        appDir = new std::string(cx::test::PrepareAppCopy("maintools"));
    }
    void SetUp() override {
        ASSERT_TRUE(cx::test::StartFresh(*appDir));
        form = std::make_unique<TMainForm>();
        form->CreateForm();
        form->Show(SW_SHOWNOACTIVATE);
    }
    void TearDown() override {
        form.reset();
        SetCurrentDirectoryA(cx::test::BuildDir().c_str());
    }
    int RowOf(const std::string& caption) const {
        for (int r = 0; r < form->Programs().RowCount(); ++r)
            if (form->Programs().RowCaption(r) == caption) return r;
        return -1;
    }
    static std::string* appDir;
    cx::ComInit com;
    std::unique_ptr<TMainForm> form;
    cx::test::MessageLog messages;
};
std::string* MainToolsTest::appDir = nullptr;

const std::string kUninstallBelowHive =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Export through the real save dialog into a folder of the user's choosing,
// which holds plants of the system tools, then regedit's own import of that
// file where the key was deleted.
void ExportDeleteImport(MainToolsTest& t, TMainForm& form, int row, const cx::demo::DemoProgram& p,
                        const std::string& folder, const std::string& fileName) {
    const Hive hive = p.hive == cx::demo::Hive::User ? Hive::CurrentUser : Hive::LocalMachine;
    cx::ForceDirectories(folder);
    cx::test::PlantSystemTools(folder);
    form.Programs().SelectRow(row);
    cx::test::ShellLog shell;
    std::string offeredName, offeredFolder;
    const std::string cwdBefore = CurrentDirectory();
    {
        DialogDriver driver(folder + fileName);
        form.Execute(cx::app::ActionExportReg);
        offeredName = driver.offeredName;
        offeredFolder = driver.offeredFolder;
    }
    (void)t;
    EXPECT_EQ(offeredName, cx::backup::SanitiseFileStem(std::string(p.keyName)) + ".reg");
    EXPECT_TRUE(
        cx::EqualsNoCase(cx::IncludeTrailingBackslash(offeredFolder), cx::AppPaths().RegBackupDir))
        << offeredFolder;
    ASSERT_EQ(shell.calls.size(), 1u);
    const cx::ui::ShellCall& c = shell.calls[0];
    EXPECT_EQ(c.owner, form.hwnd());
    EXPECT_EQ(c.verb, Text("open"));
    EXPECT_TRUE(cx::EqualsNoCase(c.file, kRegedit)) << c.file;
    EXPECT_EQ(c.parameters,
              Text(" /e \"" + folder + fileName + "\" \"" + cx::backup::HiveName(hive) +
                   kUninstallBelowHive + p.keyName + "\""));
    EXPECT_EQ(c.directory, std::nullopt);
    EXPECT_EQ(c.show, SW_SHOW);
    // The dialog leaves the current folder alone: no program is ever found in the one chosen.
    EXPECT_EQ(CurrentDirectory(), cwdBefore);

    RunRecorded(c);
    EXPECT_EQ(cx::test::PlantsThatRan(folder), std::vector<std::string>{});
    const std::wstring file = cx::AnsiToWide(folder + fileName);
    ASSERT_TRUE(cx::test::IsNonEmptyFile(file));
    const std::string exported = cx::test::FileBytes(file);

    const std::wstring key = cx::AnsiToWide(p.keyName);
    ASSERT_TRUE(cx::test::DeleteEntry(hive, key));
    EXPECT_EQ(cx::test::RunRegedit(L"/s \"" + file + L"\""), 0u);
    ASSERT_TRUE(cx::test::EntryExists(hive, key));
    const std::wstring again = cx::AnsiToWide(folder) + L"second.reg";
    cx::test::RunRegedit(L"/e \"" + again + L"\" \"" + cx::AnsiToWide(cx::backup::HiveName(hive)) +
                         cx::AnsiToWide(kUninstallBelowHive) + key + L"\"");
    EXPECT_EQ(cx::test::FileBytes(again), exported);
}

TEST_F(MainToolsTest, ExportOfAMachineProgramThroughTheSaveDialogImportsBackIdentically) {
    const auto& p = SeededProgram(cx::demo::Hive::Machine);
    cx::ForceDirectories(cx::AppPaths().RegBackupDir);  // the dialog starts there
    int row = RowOf(p.displayName);
    ASSERT_GE(row, 0);
    ExportDeleteImport(*this, *form, row, p,
                       cx::test::FreshScratchDir("export-elsewhere") + "chosen folder\\",
                       "my program backup.reg");
}

TEST_F(MainToolsTest, ExportOfAPerUserProgramNamesItsOwnHive) {
    const auto& p = SeededProgram(cx::demo::Hive::User);
    cx::ForceDirectories(cx::AppPaths().RegBackupDir);
    int row = RowOf(p.displayName);
    ASSERT_GE(row, 0);
    ExportDeleteImport(*this, *form, row, p, cx::AppPaths().RegBackupDir, "per user.reg");
}

TEST_F(MainToolsTest, ReloadHandsRegeditTheChosenFileByItsFullPath) {
    const std::string folder = cx::test::FreshScratchDir("reload-from") + "some where\\";
    cx::ForceDirectories(folder);
    cx::test::WriteWholeFile(folder + "to load.reg", "REGEDIT4\r\n");
    cx::test::ShellLog shell;
    const std::string cwdBefore = CurrentDirectory();
    {
        DialogDriver driver(folder + "to load.reg");
        form->Execute(cx::app::ActionReloadReg);
    }
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].owner, form->hwnd());
    EXPECT_EQ(shell.calls[0].verb, Text("open"));
    EXPECT_TRUE(cx::EqualsNoCase(shell.calls[0].file, kRegedit)) << shell.calls[0].file;
    EXPECT_EQ(shell.calls[0].parameters, Text(" \"" + folder + "to load.reg\""));
    EXPECT_EQ(shell.calls[0].directory, std::nullopt);
    EXPECT_EQ(shell.calls[0].show, SW_SHOW);
    EXPECT_EQ(CurrentDirectory(), cwdBefore);
}

TEST_F(MainToolsTest, RegistryEditorCreatesItsSettingsAndPointsAtTheRecordsHive) {
    const char* settings = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
    for (auto hive : {cx::demo::Hive::User, cx::demo::Hive::Machine}) {
        const auto& p = SeededProgram(hive);
        // A machine where regedit has never run.
        cx::reg::DeleteTree(HKEY_CURRENT_USER, settings);
        form->Programs().SelectRow(RowOf(p.displayName));
        cx::test::ShellLog shell;
        form->Execute(cx::app::ActionRegedit);
        auto key = cx::reg::Key::Open(HKEY_CURRENT_USER, settings);
        ASSERT_TRUE(key);
        EXPECT_EQ(
            key->GetString("LastKey"),
            std::string(hive == cx::demo::Hive::User ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE") +
                kUninstallBelowHive + p.keyName);
        ASSERT_EQ(shell.calls.size(), 1u);
        EXPECT_EQ(shell.calls[0].owner, form->hwnd());
        EXPECT_EQ(shell.calls[0].verb, Text("Open"));
        EXPECT_TRUE(cx::EqualsNoCase(shell.calls[0].file, kRegedit)) << shell.calls[0].file;
        EXPECT_EQ(shell.calls[0].parameters, std::nullopt);
        EXPECT_EQ(shell.calls[0].directory, std::nullopt);
        EXPECT_EQ(shell.calls[0].show, SW_SHOW);
    }
}

TEST_F(MainToolsTest, CommandsOnNoProgramOrAScreenSaverRowDoNothing) {
    cx::test::ShellLog shell;
    form->Programs().SelectRow(-1);
    form->Execute(cx::app::ActionExportReg);
    form->Execute(cx::app::ActionRegedit);
    form->Execute(cx::app::ActionHideScr);  // screen savers shown
    int saver = form->Programs().RowCount() - 1;
    ASSERT_TRUE(form->Programs().RowIsScreenSaver(saver));
    form->Programs().SelectRow(saver);
    form->Execute(cx::app::ActionRegedit);
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(MainToolsTest, ToolAndHelpCommandsMakeTheirShellCalls) {
    cx::test::ShellLog shell;
    form->Execute(cx::app::ActionWinServices);
    form->Execute(cx::app::ActionWinComponents);
    form->Execute(cx::app::ActionWinUpdate);
    form->Execute(cx::app::ActionHelpContent);
    SendMessageA(form->hwnd(), WM_COMMAND, MAKEWPARAM(cx::app::IDA_F1, 1), 0);  // F1
    form->Execute(cx::app::ActionOnlineRes);
    form->Execute(cx::app::ActionContact);
    ASSERT_EQ(shell.calls.size(), 7u);
    HWND main = form->hwnd();
    struct Want {
        HWND owner;
        std::string file;
        Text parameters, directory;
        int show;
    };
    const std::string help = cx::AppPaths().AppDir + "Langs\\Help.Chm";
    const Want want[] = {
        {main, InSystem("mmc.exe"), Text("\"" + InSystem("services.msc") + "\""), std::nullopt,
         SW_SHOW},
        {main, InSystem("control.exe"), Text("Appwiz.cpl ,2"), std::nullopt, SW_SHOW},
        {main, InSystem("control.exe"), Text("Appwiz.cpl ,1"), std::nullopt, SW_SHOW},
        {nullptr, help, Text(""), Text(""), SW_SHOWNORMAL},
        {nullptr, help, Text(""), Text(""), SW_SHOWNORMAL},
        {nullptr, "https://carvexo.example.org/resources/", Text(""), Text(""), SW_SHOWNORMAL},
        {nullptr, "mailto:support@carvexo.example.org", Text(""), Text(""), SW_SHOWNORMAL},
    };
    for (size_t i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(shell.calls[i].owner, want[i].owner);
        EXPECT_EQ(shell.calls[i].verb, Text("Open"));
        EXPECT_TRUE(cx::EqualsNoCase(shell.calls[i].file, want[i].file)) << shell.calls[i].file;
        EXPECT_TRUE(cx::EqualsNoCase(shell.calls[i].parameters.value_or("-"),
                                     want[i].parameters.value_or("-")))
            << shell.calls[i].parameters.value_or("-");
        EXPECT_EQ(shell.calls[i].directory, want[i].directory);
        EXPECT_EQ(shell.calls[i].show, want[i].show);
    }
}

TEST_F(MainToolsTest, CreateBackupAsksFirstThenBacksUpTheSeededPrograms) {
    messages.answer = IDNO;
    form->Execute(cx::app::ActionCreateBackup);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Back up the registry info of the whole software installed.");
    EXPECT_EQ(messages.shown[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
    EXPECT_TRUE(IsWindowEnabled(form->hwnd()));  // No: no progress window

    messages.answer = IDYES;
    messages.onShow = [](const cx::ui::MessageRecord& m) {
        return m.flags & MB_YESNO ? IDYES : IDOK;
    };
    form->Execute(cx::app::ActionCreateBackup);
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[2].text, "Backup registry info successfully");
    for (const auto& p : cx::demo::Programs()) {
        std::wstring file = cx::backup::SanitiseFileStem(cx::AnsiToWide(p.keyName)) + L".reg";
        if (p.hive == cx::demo::Hive::User) file = L"HKCU_" + file;
        EXPECT_TRUE(cx::test::IsNonEmptyFile(cx::AnsiToWide(cx::AppPaths().RegBackupDir) + file))
            << p.keyName;
    }
    EXPECT_TRUE(IsWindowEnabled(form->hwnd()));  // the progress window gave the input back
}

}  // namespace

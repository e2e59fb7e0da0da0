// The undo through the main window on the demo prefix: uninstall, scan, Delete,
// then File > Restore Last Clean-up puts back every key, value and file as it
// was before the clean-up; and a clean-up whose backup cannot be written
// removes nothing and says so.
#include <gtest/gtest.h>

#include <windows.h>

#include "harness/ScopedEntry.h"
#include "../cleanup_e2e/Snapshot.h"
#include "AppKit.h"
#include "app/Actions.h"
#include "app/AppPaths.h"
#include "app/MainForm.h"
#include "cleanup/RestoreForm.h"
#include "cleanup/ScanForm.h"
#include "cleanup/Uninstall.h"
#include "harness/MessageLog.h"
#include "harness/Pump.h"
#include "harness/TestKit.h"
#include "i18n/LangText.h"
#include "platform/Com.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "seeder/DemoData.h"
#include "widgets/Seam.h"

namespace {

using namespace cx;

void SnapshotAll(test::Entries& all) {
    test::SnapshotRegistry(HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "Software", all);
    test::SnapshotRegistry(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "Software", all);
    test::SnapshotRegistry(HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "Installer\\Products", all);
    test::SnapshotFolder("C:\\Program Files", all);
    test::SnapshotFolder(ExpandEnvironment("%LOCALAPPDATA%\\Programs"), all);
}

// What Wine itself keeps up to date while programs run and ask for the
// system's folders (regedit among them): entries may appear there by its hand.
bool WinesOwn(const std::string& e) {
    for (const char* p :
         {"hkey_local_machine\\software\\wine", "hkey_current_user\\software\\wine",
          "hkey_local_machine\\software\\microsoft", "hkey_current_user\\software\\microsoft"})
        if (test::StartsWithPath(e, p)) return true;
    return false;
}

// The entries that differ between two pictures: whatever went, and whatever
// appeared outside Wine's own bookkeeping.
std::vector<std::string> Differences(const test::Entries& a, const test::Entries& b) {
    std::vector<std::string> out;
    for (const auto& e : test::Minus(a, b)) out.push_back("gone: " + e);
    for (const auto& e : test::Minus(b, a))
        if (!WinesOwn(e)) out.push_back("new: " + e);
    return out;
}

template <typename FormType>
FormType* ModalForm(HWND window) {
    return dynamic_cast<FormType*>(
        reinterpret_cast<ui::Window*>(GetWindowLongPtrA(window, GWLP_USERDATA)));
}

class UndoFlow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(test::Reseed(), 0);
        appDir = test::PrepareAppCopy("undo-flow");
        ASSERT_TRUE(test::StartFresh(appDir));
        // The account's sealing secret is made by the first clean-up: made
        // here, so that no picture of the registry taken by a test holds it.
        cleanup::UserSealKey(true);
        for (const auto& p : demo::Programs())
            if (!p.handOver && p.displayName && p.uninstaller && p.remains != demo::Remains::None &&
                p.layout != demo::Layout::None && p.root == demo::Root::ProgramFiles)
                program = &p;
        ASSERT_TRUE(program) << "the demo data has no plain uninstaller with remains and files";
        cleanup::SetHandOverLookForTests(
            [](HANDLE starter) { WaitForSingleObject(starter, test::kHangGuardMs); });
    }
    void TearDown() override {
        cleanup::SetHandOverLookForTests({});
        ui::SetModalHook({});
        test::Reseed();
    }

    // Uninstalls the program through the window, answers Yes to the remains
    // question (taking `before` then) and presses Delete with everything checked.
    void UninstallAndDelete(app::TMainForm& form, test::Entries& before, size_t& findings) {
        int row = -1;
        for (int r = 0; r < form.Programs().RowCount(); ++r)
            if (form.Programs().RowCaption(r) == program->displayName) row = r;
        ASSERT_GE(row, 0);
        form.Programs().SelectRow(row);
        bool scanned = false;
        messages.onShow = [&](const ui::MessageRecord& m) {
            if (m.text == LangText(IDS_MESSAGEBOX_WARNING_ScanRemains)) {
                SnapshotAll(before);
                return IDYES;
            }
            return IDOK;
        };
        ui::SetModalHook([&](HWND window) {
            auto* scan = ModalForm<cleanup::TScanForm>(window);
            if (!scan) return;
            scan->StartScan();
            findings = scan->RegistryFindings().Size() + scan->FileFindings().Size();
            scan->btnDeleteClick();
            scan->btnCancelClick();
            scanned = true;
        });
        form.Programs().ActionUninstallExecute();
        ASSERT_TRUE(test::PumpUntil([&] { return scanned; }));
        ASSERT_FALSE(before.empty()) << "the remains question never came";
    }

    ComInit com;
    test::MessageLog messages;
    std::string appDir;
    const demo::DemoProgram* program = nullptr;
};

TEST_F(UndoFlow, RestoreLastCleanUpPutsEverythingBackAsItWasBeforeTheCleanUp) {
    app::TMainForm form;
    form.CreateForm();
    test::Entries before;
    size_t findings = 0;
    UninstallAndDelete(form, before, findings);
    EXPECT_GT(findings, 2u);
    test::Entries cleaned;
    SnapshotAll(cleaned);
    EXPECT_FALSE(Differences(before, cleaned).empty()) << "the clean-up removed nothing";
    EXPECT_EQ(messages.shown.back().text, LangText(IDS_MESSAGEBOX_WARNING_CleanSuccess));

    // File > Restore Last Clean-up..., the newest row, Restore.
    messages.shown.clear();
    bool restored = false;
    std::string title, info, restoreCaption, rowProgram;
    int rows = -1, selected = -2;
    ui::SetModalHook([&](HWND window) {
        auto* restore = ModalForm<cleanup::TRestoreForm>(window);
        if (!restore) return;
        title = ui::WindowString(window);
        info = ui::WindowString(GetDlgItem(window, cleanup::TRestoreForm::IDC_LBL_INFO));
        restoreCaption =
            ui::WindowString(GetDlgItem(window, cleanup::TRestoreForm::IDC_BTN_RESTORE));
        rows = ListView_GetItemCount(restore->lsvCleanups());
        selected = restore->SelectedRow();
        rowProgram = restore->RowText(0, 1);
        restore->btnRestoreClick();
        restored = true;
    });
    SendMessageA(form.hwnd(), WM_COMMAND, MAKEWPARAM(app::mItemRestoreCleanup, 0), 0);
    ASSERT_TRUE(restored) << "the menu item did not open the restore window";
    EXPECT_EQ(title, LangText(IDS_RESTOREFORM_Title));
    EXPECT_EQ(info, LangText(IDS_RESTOREFORM_LABEL_Info));
    EXPECT_EQ(restoreCaption, LangText(IDS_RESTOREFORM_BUTTON_Restore));
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(rowProgram, program->displayName);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, LangText(IDS_MESSAGEBOX_MESSAGE_RestoreDone));

    test::Entries after;
    SnapshotAll(after);
    for (const std::string& d : Differences(before, after)) ADD_FAILURE() << d;

    // Nothing is left to restore: the menu says so.
    messages.shown.clear();
    SendMessageA(form.hwnd(), WM_COMMAND, MAKEWPARAM(app::mItemRestoreCleanup, 0), 0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, LangText(IDS_MESSAGEBOX_WARNING_NoCleanups));
}

// Where the clean-ups are kept there is a file: the backup cannot be made,
// so Delete removes nothing and says why.
TEST_F(UndoFlow, ACleanUpWhoseBackupCannotBeWrittenRemovesNothingAndSaysSo) {
    ForceDirectories(appDir + "Back up");
    test::WriteWholeFile(appDir + "Back up\\cleanup", "a file where the folder must go");
    app::TMainForm form;
    form.CreateForm();
    test::Entries before;
    size_t findings = 0;
    UninstallAndDelete(form, before, findings);
    EXPECT_GT(findings, 2u);

    test::Entries after;
    SnapshotAll(after);
    for (const std::string& d : Differences(before, after)) ADD_FAILURE() << d;
    const std::string expected = LangText(IDS_MESSAGEBOX_WARNING_CleanupNotBackedUp);
    const std::string lead = expected.substr(0, expected.find("%s"));
    ASSERT_FALSE(messages.shown.empty());
    const ui::MessageRecord& said = messages.shown.back();
    EXPECT_EQ(said.text.compare(0, lead.size(), lead), 0) << said.text;
    EXPECT_NE(said.text.find("Back up\\cleanup"), std::string::npos) << said.text;
    EXPECT_EQ(said.flags, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
}

}  // namespace

// The backup's progress window, shown modally, running real exports.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <thread>

#include "BackupKit.h"
#include "backup/ProgressForm.h"
#include "harness/MessageLog.h"
#include "harness/TestKit.h"
#include "i18n/LangText.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Strings.h"
#include "skin/SkinSettings.h"
#include "widgets/Form.h"
#include "widgets/Seam.h"

namespace {

using cx::backup::TProgressForm;

class ProgressFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        cx::ui::SetApplicationTitle("Carvexo");
        dir = cx::test::FreshScratchDir("progressform");
        folders = {dir + "Back up\\reg\\", dir + "Back up\\scr\\", cx::test::OutDir() + "Skins\\"};
    }
    std::string dir;
    TProgressForm::Folders folders;
    cx::test::MessageLog messages;
};

TEST_F(ProgressFormTest, BacksUpEveryEntryThenSaysSoAndCloses) {
    cx::test::EntrySet set;
    set.machine = {L"CxPf One", L"CxPf:Two"};
    set.user = {L"CxPf One"};
    set.Write();
    TProgressForm form(folders);
    form.readEntries = [&] { return cx::backup::PlanBackup(set.machine, set.user); };
    bool sawWindow = false;
    cx::ui::SetModalHook([&](HWND w) {
        sawWindow = true;
        RECT client;
        GetClientRect(w, &client);
        EXPECT_EQ(client.right, 391);
        EXPECT_EQ(client.bottom, 183);
        EXPECT_FALSE(GetWindowLongA(w, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
        EXPECT_EQ(cx::ui::WindowString(w), cx::LangText(cx::IDS_PROGRESSFORM_Title));
        EXPECT_EQ(cx::ui::WindowString(form.lblInfo),
                  cx::LangText(cx::IDS_PROGRESSFORM_LABEL_Info));
        EXPECT_TRUE(form.ImageBK.Picture());  // the skin's background
        EXPECT_EQ(form.ProgressBar.Position(), 0);
    });
    int result = form.ShowModal(nullptr);
    cx::ui::SetModalHook({});
    EXPECT_TRUE(sawWindow);
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Backup registry info successfully");
    EXPECT_EQ(messages.shown[0].caption, "Carvexo");
    EXPECT_EQ(messages.shown[0].flags, static_cast<UINT>(MB_OK));
    EXPECT_EQ(form.ProgressBar.Position(), 100);
    EXPECT_FALSE(IsWindowVisible(form.hwnd()));
    EXPECT_TRUE(cx::DirectoryExists(folders.scrBackupDir));
    for (const char* f : {"CxPf One.reg", "CxPf_Two.reg", "HKCU_CxPf One.reg"})
        EXPECT_TRUE(cx::test::IsNonEmptyFile(cx::AnsiToWide(folders.regBackupDir + f))) << f;
}

TEST_F(ProgressFormTest, NothingToBackUpIsSaidAndTheWindowCloses) {
    TProgressForm form(folders);
    form.readEntries = [] { return std::vector<cx::backup::BackupEntry>{}; };
    EXPECT_EQ(form.ShowModal(nullptr), IDCANCEL);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "The list of installed software could not be read, so nothing was backed up.");
    EXPECT_EQ(messages.shown[0].flags, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_FALSE(IsWindowVisible(form.hwnd()));
}

TEST_F(ProgressFormTest, FailedExportsAreCountedInsteadOfSuccess) {
    cx::test::EntrySet set;
    set.machine = {L"CxPf Ok", L"CxPf Locked"};
    set.Write();
    cx::ForceDirectories(folders.regBackupDir);
    const std::string locked = folders.regBackupDir + "CxPf Locked.reg";
    cx::test::WriteWholeFile(locked, "kept");
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
    TProgressForm form(folders);
    form.readEntries = [&] {
        auto plan = cx::backup::PlanBackup(set.machine, set.user);
        plan.push_back({cx::backup::Hive::CurrentUser, L"CxPf Missing", L"HKCU_CxPf Missing.reg"});
        return plan;
    };
    EXPECT_EQ(form.ShowModal(nullptr), IDCANCEL);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "2 of the 3 registry entries could not be backed up.");
    EXPECT_EQ(messages.shown[0].flags, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(form.ProgressBar.Position(), 100);  // every export ended, failed or not
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ProgressFormTest, AnswersMessagesWhileAnExportRuns) {
    cx::test::EntrySet set;
    set.machine = {L"CxPf Held"};
    set.Write();
    cx::unique_handle gate(CreateEventW(nullptr, TRUE, FALSE, L"CxBackupExportGate"));
    cx::unique_handle listed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(gate && listed);
    cx::backup::BackupOptions options;
    options.program = cx::AnsiToWide(cx::test::BuildDir() + "tests\\backup_e2e\\ExportGate.exe");
    TProgressForm form(folders, options);
    form.readEntries = [&] {
        SetEvent(listed.get());
        return cx::backup::PlanBackup(set.machine, set.user);
    };
    // Another thread asks the bar where it stands while the one export is held
    // at the gate; only a window that keeps its messages flowing can answer.
    std::atomic<bool> answered{false};
    std::atomic<LRESULT> position{-1};
    std::thread asker([&] {
        WaitForSingleObject(listed.get(), cx::test::kHangGuardMs);
        DWORD_PTR pos = 0;
        if (SendMessageTimeoutA(form.ProgressBar.hwnd(), PBM_GETPOS, 0, 0, SMTO_NORMAL,
                                cx::test::kHangGuardMs, &pos)) {
            answered = true;
            position = static_cast<LRESULT>(pos);
        }
        SetEvent(gate.get());
    });
    EXPECT_EQ(form.ShowModal(nullptr), IDOK);
    asker.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(position, 0);  // asked and answered before the export ended
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Backup registry info successfully");
}

TEST_F(ProgressFormTest, ClosingWhileExportsRunIsRefused) {
    cx::test::EntrySet set;
    set.machine = {L"CxPf Close"};
    set.Write();
    cx::unique_handle gate(CreateEventW(nullptr, TRUE, FALSE, L"CxBackupExportGate"));
    cx::unique_handle listed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    cx::backup::BackupOptions options;
    options.program = cx::AnsiToWide(cx::test::BuildDir() + "tests\\backup_e2e\\ExportGate.exe");
    TProgressForm form(folders, options);
    form.readEntries = [&] {
        SetEvent(listed.get());
        return cx::backup::PlanBackup(set.machine, set.user);
    };
    // Alt+F4 or another program asking it to close while the export is held.
    std::thread closer([&] {
        WaitForSingleObject(listed.get(), cx::test::kHangGuardMs);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(form.hwnd(), WM_CLOSE, 0, 0, SMTO_NORMAL, cx::test::kHangGuardMs,
                            &ignored);
        SetEvent(gate.get());
    });
    // A close that was taken would have ended the window without its message.
    EXPECT_EQ(form.ShowModal(nullptr), IDOK);
    closer.join();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Backup registry info successfully");
}

}  // namespace

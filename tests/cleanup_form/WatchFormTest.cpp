// Install and Watch in its window, driven in-process over a real process: the
// system's command interpreter stands in for a setup, registering a program
// and changing a value of another's, and is waited for as a setup is.
#include <gtest/gtest.h>

#include <windows.h>

#include "cleanup/KeptSeal.h"
#include "cleanup/WatchForm.h"
#include "harness/MessageLog.h"
#include "harness/Pump.h"
#include "harness/TestKit.h"
#include "harness/Windows.h"
#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

using namespace cx;
using namespace cx::cleanup;

namespace {

const char* kEntry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CxWatchFormApp";
const char* kShared = "Software\\CxWatchFormShared";

bool Enabled(HWND form, int id) { return IsWindowEnabled(test::Control(form, id)) != FALSE; }

int Row(const TWatchForm& form, const std::string& text) {
    for (size_t i = 0; i < form.Trace().items.size(); ++i)
        if (EqualsNoCase(TraceItemText(form.Trace().items[i]), text)) return static_cast<int>(i);
    return -1;
}

// Nothing closes the window while the setup runs; once it has ended, what
// it wrote is listed ticked, and the trace is kept for the program it
// registered without what the user unticked.
TEST(WatchFormTest, TheSetupIsWaitedForAndTheTraceKeptWithoutWhatWasUnticked) {
    test::MessageLog messages;
    UserSealKey(true);
    reg::DeleteTree(HKEY_CURRENT_USER, kEntry);
    reg::DeleteTree(HKEY_CURRENT_USER, kShared);
    RegCloseKey(test::CreateKeyPath(HKEY_CURRENT_USER, std::string(kShared)));
    test::RunAndWait("reg add HKCU\\" + std::string(kShared) + " /v Theme /d plain /f");
    const std::string appDir = test::FreshScratchDir("watchform-app");
    wchar_t sys[MAX_PATH];
    const std::wstring cmd = std::wstring(sys, GetSystemDirectoryW(sys, MAX_PATH)) + L"\\cmd.exe";
    TWatchForm form(AnsiToWide(appDir), cmd,
                    {"/c", "reg add HKCU\\" + std::string(kEntry) +
                               " /v DisplayName /d WatchFormApp /f & reg add HKCU\\" + kShared +
                               " /v Theme /d acme /f"});

    bool sawSetup = false, cancelDuringSetup = true, closedDuringSetup = false;
    ui::SetModalHook([&](HWND h) {
        if (h != form.hwnd()) return;
        EXPECT_FALSE(Enabled(h, TWatchForm::IDC_BTN_KEEP));
        const bool done = test::PumpUntil([&] {
            if (form.CurrentPhase() == TWatchForm::Phase::Setup && !sawSetup) {
                sawSetup = true;
                cancelDuringSetup = Enabled(h, TWatchForm::IDC_BTN_CANCEL);
                SendMessageA(h, WM_CLOSE, 0, 0);
                SendMessageA(h, WM_COMMAND, IDCANCEL, 0);
                closedDuringSetup = !form.InModal();
            }
            return form.CurrentPhase() == TWatchForm::Phase::Done || !form.InModal();
        });
        ASSERT_TRUE(done && form.InModal());
        EXPECT_TRUE(Enabled(h, TWatchForm::IDC_BTN_KEEP));
        const TraceCounts c = CountsOf(form.Trace());
        EXPECT_EQ(test::ControlText(h, TWatchForm::IDC_LBL_STEP),
                  Format(LangFormatText(IDS_WATCHFORM_STEP_Done), static_cast<int>(c.keys),
                         static_cast<int>(c.files)));
        const int entry = Row(form,
                              "created key HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\"
                              "CurrentVersion\\Uninstall\\CxWatchFormApp");
        const int theme =
            Row(form, "changed value HKEY_CURRENT_USER\\Software\\CxWatchFormShared\\Theme");
        ASSERT_NE(entry, -1);
        ASSERT_NE(theme, -1);
        EXPECT_EQ(form.ItemCount(), static_cast<int>(form.Trace().items.size()));
        EXPECT_TRUE(form.ItemChecked(theme));
        form.SetItemChecked(theme, false);
        form.Keep();
    });
    EXPECT_EQ(form.ShowModal(nullptr), IDOK);
    ui::SetModalHook({});
    EXPECT_TRUE(sawSetup);
    EXPECT_FALSE(cancelDuringSetup);
    EXPECT_FALSE(closedDuringSetup);
    EXPECT_FALSE(form.KeptFile().empty());

    const std::optional<WatchTrace> kept =
        FindTrace(UserTraceRoot(AnsiToWide(appDir)), "HKEY_CURRENT_USER", "cxwatchformapp");
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->programs.size(), 1u);
    EXPECT_EQ(kept->programs[0].displayName, L"WatchFormApp");
    bool entryKept = false, themeKept = false;
    for (const TraceItem& i : kept->items) {
        if (i.kind == TraceKind::Key && EqualsNoCase(WideToAnsi(i.key), kEntry)) entryKept = true;
        if (i.value == L"Theme") themeKept = true;
    }
    EXPECT_TRUE(entryKept);
    EXPECT_FALSE(themeKept) << "unticked, yet kept";
    EXPECT_TRUE(messages.shown.empty());
    reg::DeleteTree(HKEY_CURRENT_USER, kEntry);
    reg::DeleteTree(HKEY_CURRENT_USER, kShared);
    test::RemoveTree(appDir);
}

}  // namespace

// What Carvexo.exe keeps out of its process until it is needed, watched from
// outside on a copy of the output folder.
#include <windows.h>

#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <stdexcept>

#include <string>
#include <vector>

#include "app/Actions.h"
#include "harness/TestKit.h"
#include "harness/Windows.h"
#include "platform/Strings.h"

namespace {

bool HasModule(HANDLE process, const std::string& name) {
    std::vector<HMODULE> mods(512);
    DWORD needed = 0;
    if (!EnumProcessModules(process, mods.data(), DWORD(mods.size() * sizeof(HMODULE)), &needed))
        throw std::runtime_error("EnumProcessModules failed");
    mods.resize(std::min<size_t>(mods.size(), needed / sizeof(HMODULE)));
    for (HMODULE m : mods) {
        char base[MAX_PATH] = {};
        if (GetModuleBaseNameA(process, m, base, sizeof base) && cx::EqualsNoCase(base, name))
            return true;
    }
    return false;
}

// The file dialogs' DLL (and, through it, the printing system) is loaded by
// the first dialog, not at start; the dialog then works as before.
TEST(LeanStartE2e, FileDialogDllComesWithTheFirstDialogAndTheDialogOpens) {
    std::string app = cx::test::FreshAppCopy("e2e-lean-start");
    cx::test::Launched proc;
    cx::test::Launch("\"" + app + "Carvexo.exe\"", proc, app);
    HWND main = cx::test::WaitForWindow(proc.pid, "TMainForm", cx::test::kHangGuardMs);
    ASSERT_TRUE(main) << "no main window";
    // Answered once the start-up's own messages are handled.
    DWORD_PTR r = 0;
    SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_BLOCK, cx::test::kHangGuardMs, &r);
    EXPECT_FALSE(HasModule(proc.process, "comdlg32.dll"));
    EXPECT_FALSE(HasModule(proc.process, "winspool.drv"));
    // The splash's picture went through our own decoder, not the system's codecs.
    EXPECT_FALSE(HasModule(proc.process, "windowscodecs.dll"));

    // File > Reload registry file: the open dialog.
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(cx::app::mItemReloadReg, 0), 0);
    HWND dialog = cx::test::WaitForWindow(proc.pid, "#32770", cx::test::kHangGuardMs);
    ASSERT_TRUE(dialog) << "the open dialog did not come";
    EXPECT_TRUE(HasModule(proc.process, "comdlg32.dll"));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    for (int i = 0; i < 200 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) Sleep(25);
    EXPECT_FALSE(IsWindow(dialog) && IsWindowVisible(dialog));

    PostMessageA(main, WM_CLOSE, 0, 0);
    DWORD code = 99;
    EXPECT_TRUE(cx::test::WaitForExit(proc.process, cx::test::kHangGuardMs, &code));
    EXPECT_EQ(code, 0u);
}

}  // namespace

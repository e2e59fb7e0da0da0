#include <gtest/gtest.h>

#include <windows.h>

#include "backup/Launchers.h"
#include "harness/ShellLog.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace {

const HWND kOwner = reinterpret_cast<HWND>(0x1234);

// The exact calls of each command are checked through the main window's
// actions (backup_e2e/MainToolsTest); here only the seam itself.
TEST(Launchers, TheSeamHandsCallsToTheRecorderAndItsAnswerBack) {
    cx::test::ShellLog log;
    log.result = 2;  // the shell's "file not found"
    EXPECT_EQ(cx::ui::ShellOpen(cx::backup::ServicesCall(kOwner)), 2);
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_TRUE(cx::EqualsNoCase(log.calls[0].file,
                                 cx::IncludeTrailingBackslash(cx::SystemDirectory()) + "mmc.exe"))
        << log.calls[0].file;
}

}  // namespace

// The sample screen savers run for real: full screen until the user does
// something, and inside a preview window for as long as it lives.
#include <gtest/gtest.h>

#include "harness/Pump.h"
#include "harness/TestKit.h"
#include "harness/Windows.h"

namespace {

using namespace cx::test;

constexpr const char* kSaverClass = "CxSampleScreenSaver";

std::string Saver(const char* name) { return "\"" + BuildDir() + "tools\\" + name + "\""; }

bool StillRunning(HANDLE process, DWORD ms) { return !WaitForExit(process, ms); }

TEST(SampleScreenSaver, FullScreenIgnoresJitterAndEndsOnARealMoveOrAKey) {
    for (const char* input : {"move", "key"}) {
        SCOPED_TRACE(input);
        Launched saver;
        Launch(Saver("BouncingShapes.scr") + " /s", saver);
        HWND hwnd = WaitForWindow(saver.pid, kSaverClass, cx::test::kHangGuardMs);
        ASSERT_TRUE(hwnd);
        RECT rc;
        GetWindowRect(hwnd, &rc);
        EXPECT_GE(rc.right - rc.left, GetSystemMetrics(SM_CXSCREEN));
        EXPECT_GE(rc.bottom - rc.top, GetSystemMetrics(SM_CYSCREEN));

        // The system may already have told the saver where the pointer rests
        // (earlier tests leave it anywhere): jitter around that very place.
        POINT at;
        GetCursorPos(&at);
        ScreenToClient(hwnd, &at);
        PostMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
        PostMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(at.x + 2, at.y + 1));
        EXPECT_TRUE(StillRunning(saver.process, 700));
        if (std::string(input) == "move")
            PostMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(at.x + 60, at.y + 40));
        else
            PostMessageA(hwnd, WM_KEYDOWN, VK_SPACE, 0);
        DWORD code = 99;
        EXPECT_TRUE(WaitForExit(saver.process, cx::test::kHangGuardMs, &code));
        EXPECT_EQ(code, 0u);
    }
}

TEST(SampleScreenSaver, PreviewLivesInItsHostAndEndsWithIt) {
    HWND host = CreateWindowExA(0, "STATIC", "preview", WS_POPUP | WS_VISIBLE, 20, 20, 152, 112,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(host);
    Launched saver;
    Launch(Saver("AuroraRibbons.scr") + " /p " + std::to_string(reinterpret_cast<ULONG_PTR>(host)),
           saver);
    // The child's creation talks to this thread: keep its messages flowing.
    HWND preview = nullptr;
    PumpUntil(
        [&] { return (preview = FindWindowExA(host, nullptr, kSaverClass, nullptr)) != nullptr; });
    ASSERT_TRUE(preview);
    RECT rc;
    GetClientRect(preview, &rc);
    EXPECT_EQ(rc.right, 152);
    EXPECT_EQ(rc.bottom, 112);
    EXPECT_TRUE(StillRunning(saver.process, 300));

    DestroyWindow(host);
    DWORD code = 99;
    EXPECT_TRUE(WaitForExit(saver.process, cx::test::kHangGuardMs, &code));
    EXPECT_EQ(code, 0u);
}

}  // namespace

#include <gtest/gtest.h>

#include "app/AppPaths.h"
#include "app/AppStart.h"
#include "app/Config.h"
#include "app/MainForm.h"
#include "harness/MessageLog.h"
#include "harness/Windows.h"
#include "harness/TestKit.h"
#include "platform/Com.h"
#include "platform/Error.h"
#include "widgets/Seam.h"
#include "widgets/Window.h"

namespace {

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = cx::test::FreshScratchDir("mainform");
        ASSERT_TRUE(cx::app::InitAppPaths(dir));
        cx::ui::SetApplicationTitle("Carvexo");
    }
    cx::ComInit com;
    std::string dir;
    cx::test::MessageLog messageLog;
    std::vector<cx::ui::MessageRecord>& shown = messageLog.shown;
};

TEST_F(MainFormTest, BorderlessColourKeyedWindowOfTheDesignedSize) {
    cx::app::TMainForm form;
    form.CreateForm();
    HWND h = form.hwnd();
    ASSERT_TRUE(h);
    RECT rc;
    GetWindowRect(h, &rc);
    EXPECT_EQ(rc.right - rc.left, 763);
    EXPECT_EQ(rc.bottom - rc.top, 538);
    RECT client;
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, 763);  // no border eats into the client area
    EXPECT_EQ(client.bottom, 538);
    LONG style = GetWindowLongA(h, GWL_STYLE);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_LAYERED);
    COLORREF key = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(h, &key, nullptr, &flags));
    EXPECT_EQ(key, RGB(255, 0, 255));
    EXPECT_TRUE(flags & LWA_COLORKEY);
    EXPECT_TRUE(form.Programs().PanelShown());
    EXPECT_TRUE(form.Startup().PanelShown());
    EXPECT_TRUE(form.Startup().AllChecked());
    EXPECT_EQ(form.Programs().SearchPos(), 0);
    EXPECT_TRUE(form.SmallSystemImages());
    EXPECT_TRUE(form.LargeSystemImages());
}

TEST_F(MainFormTest, ExitWritesBothSwitchesAndCloses) {
    cx::test::WriteWholeFile(dir + "Config.ini", "[config]\r\nLanguageFile=English.ini\r\n");
    cx::Hide().HideSysPatch = true;
    cx::Hide().HideScreenSaver = false;
    cx::app::TMainForm form;
    form.CreateForm();
    form.Execute(cx::app::ActionExit);
    EXPECT_FALSE(form.hwnd());
    EXPECT_EQ(cx::test::ReadLines(dir + "Config.ini"),
              (std::vector<std::string>{"[config]", "LanguageFile=English.ini", "HideSysPatch=1",
                                        "HideScreenSaver=0"}));
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // the loop ends
}

TEST_F(MainFormTest, ExitThatCannotWriteReportsAndKeepsTheWindowOpen) {
    cx::app::TMainForm form;
    form.CreateForm();
    DeleteFileA(cx::AppPaths().ConfigPath.c_str());
    CreateDirectoryA(cx::AppPaths().ConfigPath.c_str(), nullptr);
    // The close button's click runs inside the button's own message handling,
    // so the general error handler shows the error.
    HWND close = cx::test::Control(form.hwnd(), cx::app::IDC_BTN_CLOSE);
    SendMessageA(close, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(close, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Unable to write to " + dir + "Config.ini");
    EXPECT_EQ(shown[0].caption, "Carvexo");
    EXPECT_TRUE(IsWindow(form.hwnd()));
    RemoveDirectoryA(cx::AppPaths().ConfigPath.c_str());
}

TEST_F(MainFormTest, WindowCarriesTheProgramIcon) {
    cx::app::TMainForm form;
    form.CreateForm();
    auto classIcon = reinterpret_cast<HICON>(GetClassLongPtrA(form.hwnd(), GCLP_HICON));
    EXPECT_TRUE(classIcon);
    EXPECT_NE(classIcon, LoadIcon(nullptr, IDI_APPLICATION));
    // The taskbar and the Run dialog of "New Program..." ask the window itself.
    auto sizeOf = [](HICON icon) {
        ICONINFO info{};
        if (!icon || !GetIconInfo(icon, &info)) return 0L;
        BITMAP bm{};
        GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
        return bm.bmWidth;
    };
    auto big = reinterpret_cast<HICON>(SendMessageA(form.hwnd(), WM_GETICON, ICON_BIG, 0));
    auto small = reinterpret_cast<HICON>(SendMessageA(form.hwnd(), WM_GETICON, ICON_SMALL, 0));
    EXPECT_EQ(sizeOf(big), GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(sizeOf(small), GetSystemMetrics(SM_CXSMICON));
}

TEST_F(MainFormTest, MinimiseButtonMinimisesTheWindow) {
    cx::app::TMainForm form;
    form.CreateForm();
    form.Show(SW_SHOWNORMAL);
    form.Execute(cx::app::ActionMin);
    EXPECT_TRUE(IsIconic(form.hwnd()));
}

// A window whose handler fails: the error is shown, captioned with the title,
// and the window (and the program) go on.
class ThrowingWindow : public cx::ui::Window {
public:
    void Make() { Create(ClassSpec{"CxThrowingWindow"}, 0, WS_POPUP, "t", 0, 0, 10, 10); }
    int calls = 0;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_APP + 1) {
            ++calls;
            throw cx::AppError("handler failed");
        }
        return Window::HandleMessage(msg, wp, lp);
    }
};

TEST_F(MainFormTest, GeneralErrorHandlerShowsAndKeepsRunning) {
    ThrowingWindow w;
    w.Make();
    SendMessageA(w.hwnd(), WM_APP + 1, 0, 0);
    SendMessageA(w.hwnd(), WM_APP + 1, 0, 0);
    EXPECT_EQ(w.calls, 2);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "handler failed");
    EXPECT_EQ(shown[0].caption, "Carvexo");
    EXPECT_TRUE(IsWindow(w.hwnd()));
}

}  // namespace

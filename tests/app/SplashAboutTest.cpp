// The splash at start-up and the About window, on a copy of the program folder
// with its generated skin pictures.
#include <gtest/gtest.h>

#include "CarvexoVersion.h"

#include "AppKit.h"
#include "app/AboutForm.h"
#include "app/Actions.h"
#include "app/AppPaths.h"
#include "app/AppStart.h"
#include "app/MainForm.h"
#include "app/SplashForm.h"
#include "harness/MessageLog.h"
#include "harness/TestKit.h"
#include "i18n/LangText.h"
#include "platform/Com.h"
#include "skin/SkinSettings.h"
#include "widgets/Controls.h"
#include "widgets/GdiplusSession.h"
#include "widgets/Seam.h"

namespace {

using cx::app::TAboutForm;
using cx::app::TSplashForm;

int Alpha(uint32_t p) { return int(p >> 24); }

// Where a window of that size sits when centred on the screen.
POINT ScreenCentred(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return POINT{(GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2};
}

// Whether a static control's text, wrapped at its width, fits its height.
bool TextFits(HWND label) {
    RECT client;
    GetClientRect(label, &client);
    std::string text = cx::ui::WindowString(label);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
    RECT need{0, 0, client.right, 0};
    DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return need.bottom <= client.bottom && need.right <= client.right;
}

RECT WindowRect(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r;
}

class SplashAboutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        appDir = new std::string(cx::test::PrepareAppCopy("splashabout"));
    }
    static void TearDownTestSuite() {
        delete appDir;
        appDir = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(cx::test::StartFresh(*appDir)); }
    void TearDown() override {
        cx::ui::SetModalHook({});
        cx::RestoreSkinDefaults();
    }

    static std::string* appDir;
    cx::ComInit com;
    cx::ui::GdiplusSession gdiplus;
    cx::test::MessageLog messages;
};
std::string* SplashAboutTest::appDir = nullptr;

TEST(AboutVersion, IsTheOneTheBuildSets) {
    EXPECT_EQ(cx::app::ProductVersionText(), CARVEXO_VERSION_TEXT);
}

TEST_F(SplashAboutTest, SplashIsComposedWithSoftEdgesBeforeItFirstShows) {
    TSplashForm splash;
    splash.CreateSplash();
    HWND h = splash.hwnd();
    ASSERT_TRUE(h);
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_TRUE(splash.ShowTimerEnabled());
    EXPECT_TRUE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_LAYERED);
    RECT r = WindowRect(h);
    EXPECT_EQ(r.right - r.left, TSplashForm::kClientWidth);
    EXPECT_EQ(r.bottom - r.top, TSplashForm::kClientHeight);
    EXPECT_EQ(splash.BackgroundImage(), cx::AppPaths().SkinDir + "Splash.png");
    ASSERT_TRUE(splash.HasBackgroundImage());
    // The notice of the current language, its line break made real.
    EXPECT_EQ(splash.lblCopyrightInfo.Caption(), cx::LangText(cx::IDS_SPLASHFORM_LABEL_Copyright));
    EXPECT_NE(splash.lblCopyrightInfo.Caption().find("\r\n"), std::string::npos);

    // See-through corners, an opaque middle and a soft shadow in between.
    EXPECT_EQ(Alpha(splash.SurfacePixel(0, 0)), 0);
    EXPECT_EQ(Alpha(splash.SurfacePixel(502, 240)), 0);
    EXPECT_EQ(Alpha(splash.SurfacePixel(251, 120)), 255);
    int soft = 0;
    for (int y = 200; y < 241; ++y) {
        int a = Alpha(splash.SurfacePixel(251, y));
        if (a > 0 && a < 255) ++soft;
    }
    EXPECT_GE(soft, 3) << "no gradual edge at the bottom";
    // The notice is drawn over the picture inside its label.
    int text = 0;
    for (int y = 168; y < 231; ++y)
        for (int x = 80; x < 481; ++x)
            if (splash.SurfacePixel(x, y) != splash.BackgroundPixel(x, y)) ++text;
    EXPECT_GT(text, 50);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SplashAboutTest, SplashIsModalCentredAndClosesOnItsTimer) {
    TSplashForm splash;
    splash.CreateSplash();
    bool checked = false;
    cx::ui::SetModalHook([&](HWND window) {
        EXPECT_EQ(window, splash.hwnd());
        EXPECT_TRUE(IsWindowVisible(window));
        RECT r = WindowRect(window);
        POINT want = ScreenCentred(window);
        EXPECT_EQ(r.left, want.x);
        EXPECT_EQ(r.top, want.y);
        // Someone else's timer does not close it.
        SendMessageA(window, WM_TIMER, TSplashForm::kShowTimerId + 7, 0);
        EXPECT_TRUE(splash.InModal());
        SendMessageA(window, WM_TIMER, TSplashForm::kShowTimerId, 0);
        EXPECT_FALSE(splash.ShowTimerEnabled());
        checked = true;
    });
    splash.ShowModal(nullptr);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(splash.InModal());
    EXPECT_FALSE(IsWindowVisible(splash.hwnd()));
}

TEST_F(SplashAboutTest, StartUpSplashIsGoneWhenItReturns) {
    HWND seen = nullptr;
    cx::ui::SetModalHook([&](HWND window) {
        char cls[64] = {};
        GetClassNameA(window, cls, sizeof cls);
        EXPECT_STREQ(cls, TSplashForm::kClassName);
        seen = window;
        PostMessageA(window, WM_TIMER, TSplashForm::kShowTimerId, 0);
    });
    cx::app::ShowSplash();
    ASSERT_TRUE(seen);
    EXPECT_FALSE(IsWindow(seen));
}

TEST_F(SplashAboutTest, SplashWithoutItsPictureShowsOnlyTheNoticeAndStillCloses) {
    std::string dir = cx::test::FreshScratchDir("splash-nopicture");
    ASSERT_TRUE(cx::app::InitAppPaths(dir));  // an empty Skins folder
    TSplashForm splash;
    splash.CreateSplash();
    EXPECT_FALSE(splash.HasBackgroundImage());
    int outside = 0, inside = 0;
    for (int y = 0; y < TSplashForm::kClientHeight; ++y)
        for (int x = 0; x < TSplashForm::kClientWidth; ++x) {
            if (Alpha(splash.SurfacePixel(x, y)) == 0) continue;
            bool inLabel = x >= 80 && x < 481 && y >= 168 && y < 231;
            ++(inLabel ? inside : outside);
        }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(inside, 50);
    cx::ui::SetModalHook(
        [](HWND window) { PostMessageA(window, WM_TIMER, TSplashForm::kShowTimerId, 0); });
    splash.ShowModal(nullptr);
    EXPECT_FALSE(splash.InModal());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SplashAboutTest, AboutShowsTheTextsOfTheLanguageAtEachOpening) {
    TAboutForm about;
    std::string caption, title, copyright, warning, ok;
    bool fits = false;
    cx::ui::SetModalHook([&](HWND window) {
        caption = cx::ui::WindowString(window);
        fits = TextFits(about.lblProductTitle) && TextFits(about.lblCopyright) &&
               TextFits(about.lblWarning);
        title = cx::ui::WindowString(about.lblProductTitle);
        copyright = cx::ui::WindowString(about.lblCopyright);
        warning = cx::ui::WindowString(about.lblWarning);
        ok = cx::ui::WindowString(about.btnOK);
        PostMessageA(window, WM_CLOSE, 0, 0);
    });
    about.ShowModal(nullptr);
    EXPECT_EQ(caption, "About");
    EXPECT_EQ(title, std::string("Carvexo ") + CARVEXO_VERSION_TEXT);
    EXPECT_EQ(copyright, cx::LangText(cx::IDS_ABOUTFORM_LABEL_CopyRight));
    EXPECT_EQ(warning, cx::LangText(cx::IDS_ABOUTFORM_LABEL_Warning));
    EXPECT_EQ(ok, "OK");
    EXPECT_TRUE(fits) << "a notice is cut off";

    cx::SetLangText(cx::IDS_ABOUTFORM_Title, "Info");
    cx::SetLangText(cx::IDS_ABOUTFORM_BUTTON_Ok, "Fine");
    about.ShowModal(nullptr);
    EXPECT_EQ(caption, "Info");
    EXPECT_EQ(ok, "Fine");
}

TEST_F(SplashAboutTest, AboutPictureAtTheSkinBoundsAndEnterCloses) {
    TAboutForm about;
    int result = 0;
    cx::ui::SetModalHook([&](HWND window) {
        ASSERT_TRUE(about.ImgAbout.Picture());
        RECT b = cx::ui::GetBounds(about.ImgAbout.hwnd());
        EXPECT_EQ(b.left, 10);
        EXPECT_EQ(b.top, 11);
        EXPECT_EQ(b.right - b.left, 125);
        EXPECT_EQ(b.bottom - b.top, 278);
        EXPECT_EQ(GetFocus(), about.btnOK);
        PostMessageA(about.btnOK, WM_KEYDOWN, VK_RETURN, 0);
        // Only reached when Enter did not close it.
        PostMessageA(window, WM_CLOSE, 0, 0);
    });
    result = about.ShowModal(nullptr);
    EXPECT_EQ(result, IDOK);
}

TEST_F(SplashAboutTest, AboutWithAMissingPictureKeepsAnEmptyAreaAtTheSkinBounds) {
    cx::SetSkinValue(cx::SK_ABOUTFORM_IMGABOUT_Pic, "not there.png");
    cx::SetSkinValue(cx::SK_ABOUTFORM_IMGABOUT_POS, "20, 30, 100, 200");
    TAboutForm about;
    RECT bounds{};
    bool hasPicture = true;
    cx::ui::SetModalHook([&](HWND window) {
        hasPicture = about.ImgAbout.Picture() != nullptr;
        bounds = cx::ui::GetBounds(about.ImgAbout.hwnd());
        PostMessageA(window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(about.ShowModal(nullptr), IDCANCEL);
    EXPECT_FALSE(hasPicture);
    EXPECT_EQ(bounds.left, 20);
    EXPECT_EQ(bounds.top, 30);
    EXPECT_EQ(bounds.right, 120);
    EXPECT_EQ(bounds.bottom, 230);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SplashAboutTest, TheAboutCommandOpensItCentredOnTheScreenNotOnTheMainWindow) {
    cx::app::TMainForm form;
    form.CreateForm();
    SetWindowPos(form.hwnd(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    HWND opened = nullptr;
    cx::ui::SetModalHook([&](HWND window) {
        opened = window;
        EXPECT_EQ(GetWindow(window, GW_OWNER), form.hwnd());
        RECT r = WindowRect(window);
        POINT want = ScreenCentred(window);
        EXPECT_EQ(r.left, want.x);
        EXPECT_EQ(r.top, want.y);
        EXPECT_EQ(cx::ui::WindowString(window), cx::LangText(cx::IDS_ABOUTFORM_Title));
        PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    });
    form.Execute(cx::app::ActionAbout);
    ASSERT_TRUE(opened);
    // Made for that one use.
    EXPECT_FALSE(IsWindow(opened));
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace

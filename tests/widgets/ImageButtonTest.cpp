#include <gtest/gtest.h>

#include "WidgetKit.h"

namespace {

using cx::test::At;
using cx::test::Capture;
using cx::test::SolidImage;
using cx::ui::ImageButton;

constexpr COLORREF kNormal = RGB(200, 0, 0), kHover = RGB(0, 200, 0), kDown = RGB(0, 0, 200),
                   kDisabled = RGB(90, 90, 90);

class ImageButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        button.Create(host.hwnd(), 100, "", 40, 40, 80, 30);
        button.SetPicture(ImageButton::Normal, SolidImage(80, 30, 0xFFC80000));
        button.SetPicture(ImageButton::Hover, SolidImage(80, 30, 0xFF00C800));
        button.SetPicture(ImageButton::Down, SolidImage(80, 30, 0xFF0000C8));
        button.SetPicture(ImageButton::Disabled, SolidImage(80, 30, 0xFF5A5A5A));
        button.onClick = [this] {
            ++clicks;
            stateAtClick = button.CurrentState();
            capturedAtClick = GetCapture() == button.hwnd();
            paintPendingAtClick = GetUpdateRect(button.hwnd(), nullptr, FALSE) != FALSE;
        };
        // The real pointer rests on the button, so hover tracking sees it there.
        POINT p{60, 55};
        ClientToScreen(host.hwnd(), &p);
        SetCursorPos(p.x, p.y);
    }
    void Send(UINT msg, LPARAM lp) {
        SendMessageA(button.hwnd(), msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0, lp);
    }
    COLORREF Shown() { return Capture(button.hwnd()).At(2, 2); }

    cx::test::Host& host = cx::test::Host::Shared();
    ImageButton button;
    int clicks = 0;
    ImageButton::State stateAtClick = ImageButton::Normal;
    bool capturedAtClick = true;
    bool paintPendingAtClick = true;
};

TEST_F(ImageButtonTest, MouseMessagesDriveTheStateAndItsPicture) {
    EXPECT_EQ(button.CurrentState(), ImageButton::Normal);
    EXPECT_EQ(Shown(), kNormal);
    Send(WM_MOUSEMOVE, At(10, 10));
    EXPECT_EQ(button.CurrentState(), ImageButton::Hover);
    EXPECT_EQ(Shown(), kHover);
    Send(WM_LBUTTONDOWN, At(10, 10));
    EXPECT_EQ(button.CurrentState(), ImageButton::Down);
    EXPECT_EQ(GetCapture(), button.hwnd());
    EXPECT_EQ(Shown(), kDown);
    Send(WM_MOUSEMOVE, At(200, 10));  // dragged out while held: not pressed-looking
    EXPECT_EQ(button.CurrentState(), ImageButton::Normal);
    Send(WM_MOUSEMOVE, At(5, 5));
    EXPECT_EQ(button.CurrentState(), ImageButton::Down);
    Send(WM_LBUTTONUP, At(5, 5));
    EXPECT_EQ(clicks, 1);
    // Released and already repainted when the handler runs (it may open a modal menu).
    EXPECT_EQ(stateAtClick, ImageButton::Hover);
    EXPECT_FALSE(paintPendingAtClick);
    EXPECT_FALSE(capturedAtClick);
    Send(WM_MOUSELEAVE, 0);
    EXPECT_EQ(button.CurrentState(), ImageButton::Normal);
}

TEST_F(ImageButtonTest, ClickNeedsDownAndUpInside) {
    Send(WM_LBUTTONUP, At(5, 5));  // no press before
    EXPECT_EQ(clicks, 0);
    Send(WM_LBUTTONDOWN, At(5, 5));
    Send(WM_LBUTTONUP, At(-3, 5));  // released outside
    EXPECT_EQ(clicks, 0);
    EXPECT_NE(GetCapture(), button.hwnd());
    Send(WM_LBUTTONDOWN, At(5, 5));
    Send(WM_LBUTTONUP, At(79, 29));
    EXPECT_EQ(clicks, 1);
    SendMessageA(button.hwnd(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 2);
}

TEST_F(ImageButtonTest, DisabledButtonIgnoresTheMouse) {
    button.SetEnabled(false);
    EXPECT_FALSE(button.Enabled());
    EXPECT_EQ(button.CurrentState(), ImageButton::Disabled);
    EXPECT_EQ(Shown(), kDisabled);
    Send(WM_MOUSEMOVE, At(5, 5));
    Send(WM_LBUTTONDOWN, At(5, 5));
    EXPECT_NE(GetCapture(), button.hwnd());
    Send(WM_LBUTTONUP, At(5, 5));
    SendMessageA(button.hwnd(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(button.CurrentState(), ImageButton::Disabled);
    button.SetCaption("WW");
    button.SetDisabledCaptionColour(RGB(255, 255, 0));
    EXPECT_GT(Capture(button.hwnd()).Count(RGB(255, 255, 0)), 0);
    button.SetEnabled(true);
    EXPECT_EQ(button.CurrentState(), ImageButton::Normal);
}

TEST_F(ImageButtonTest, DisablingWhilePressedDropsThePress) {
    Send(WM_LBUTTONDOWN, At(5, 5));
    button.SetEnabled(false);
    EXPECT_NE(GetCapture(), button.hwnd());
    button.SetEnabled(true);
    Send(WM_LBUTTONUP, At(5, 5));
    EXPECT_EQ(clicks, 0);
}

TEST_F(ImageButtonTest, MissingPicturesFallBackToNormalThenToAFlatButton) {
    button.SetPicture(ImageButton::Down, nullptr);
    Send(WM_LBUTTONDOWN, At(5, 5));
    EXPECT_EQ(button.CurrentState(), ImageButton::Down);
    EXPECT_EQ(Shown(), kNormal);
    Send(WM_LBUTTONUP, At(5, 5));
    for (int s = 0; s < 4; ++s) button.SetPicture(ImageButton::State(s), nullptr);
    // Never left unpainted: on the colour-keyed main window that would be a hole.
    Capture flat(button.hwnd());
    EXPECT_EQ(flat.Count(RGB(255, 0, 255)), 0);
    EXPECT_NE(flat.At(40, 15), flat.At(0, 0));  // a frame around a face
}

TEST_F(ImageButtonTest, SeeThroughPartsShowTheParentAndTheCaptionIsDrawnOnTop) {
    cx::ui::ImagePanel panel;
    panel.Create(host.hwnd(), 200, 100, 100, 60);
    panel.SetPicture(SolidImage(4, 4, 0xFFFF0000));
    ImageButton onPanel;
    onPanel.Create(panel.hwnd(), 101, "", 10, 10, 40, 20);
    std::vector<uint32_t> half(40 * 20, 0xFF000000);  // right half opaque black
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) half[size_t(y) * 40 + size_t(x)] = 0x00000000;
    onPanel.SetPicture(ImageButton::Normal, std::make_shared<cx::ui::Image>(40, 20, half));
    Capture shot(onPanel.hwnd());
    EXPECT_EQ(shot.At(2, 10), RGB(255, 0, 0));
    EXPECT_EQ(shot.At(37, 10), RGB(0, 0, 0));
    EXPECT_EQ(shot.Count(RGB(255, 255, 255)), 0);

    onPanel.SetCaptionColour(RGB(255, 255, 255));
    onPanel.SetCaption("WW");
    EXPECT_EQ(onPanel.Caption(), "WW");
    EXPECT_GT(Capture(onPanel.hwnd()).Count(RGB(255, 255, 255)), 0);
}

TEST_F(ImageButtonTest, RightClickReportsTheScreenPoint) {
    POINT got{};
    button.onRightClick = [&](POINT p) { got = p; };
    SendMessageA(button.hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(button.hwnd()),
                 MAKELPARAM(123, 45));
    EXPECT_EQ(got.x, 123);
    EXPECT_EQ(got.y, 45);
}

TEST(ImageButtonLifetime, HandlerMayDestroyTheButton) {
    cx::test::Host& host = cx::test::Host::Shared();
    auto button = std::make_unique<ImageButton>();
    button->Create(host.hwnd(), 7, "x", 0, 0, 50, 20);
    HWND h = button->hwnd();
    button->onClick = [&] { button.reset(); };
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, At(3, 3));
    SendMessageA(h, WM_LBUTTONUP, 0, At(3, 3));
    EXPECT_FALSE(button);
    EXPECT_FALSE(IsWindow(h));
}

}  // namespace

#include <gtest/gtest.h>

#include "WidgetKit.h"

namespace {

using cx::test::At;
using cx::test::Capture;
using cx::test::SolidImage;

bool Shown(HWND h) { return (GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE) != 0; }

TEST(ImagePanel, StretchesItsPictureOrShowsItsColourOrItsParent) {
    cx::test::Host& host = cx::test::Host::Shared();
    cx::ui::ImagePanel outer, inner;
    outer.Create(host.hwnd(), 0, 0, 200, 200);
    inner.Create(outer.hwnd(), 20, 20, 100, 100);
    outer.SetBackground(RGB(1, 2, 3));
    EXPECT_EQ(Capture(inner.hwnd()).At(50, 50), RGB(1, 2, 3));  // the parent shows through

    inner.SetBackground(RGB(9, 8, 7));
    EXPECT_EQ(Capture(inner.hwnd()).At(50, 50), RGB(9, 8, 7));

    // 2 x 2 picture: red, green / blue, white.
    inner.SetPicture(std::make_shared<cx::ui::Image>(
        2, 2, std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
    Capture shot(inner.hwnd());
    EXPECT_EQ(shot.At(10, 10), RGB(255, 0, 0));
    EXPECT_EQ(shot.At(90, 10), RGB(0, 255, 0));
    EXPECT_EQ(shot.At(10, 90), RGB(0, 0, 255));
    EXPECT_EQ(shot.At(90, 90), RGB(255, 255, 255));
}

TEST(ImagePanel, BackgroundBrushPaintsThePicture) {
    cx::test::Host& host = cx::test::Host::Shared();
    cx::ui::ImagePanel panel;
    panel.Create(host.hwnd(), 0, 0, 50, 50);
    EXPECT_EQ(panel.BackgroundBrush(), nullptr);
    panel.SetPicture(SolidImage(5, 5, 0xFF102030));
    HBRUSH brush = panel.BackgroundBrush();
    ASSERT_NE(brush, nullptr);
    EXPECT_EQ(panel.BackgroundBrush(), brush);  // kept until the picture changes

    cx::test::Surface surface(8, 8);
    RECT all{0, 0, 8, 8};
    FillRect(surface.dc(), &all, brush);
    EXPECT_EQ(surface.Raw(1, 1) & 0xFFFFFF, 0x102030u);
}

TEST(ImagePanel, GroupBoxInteriorShowsThePanelOnScreen) {
    cx::test::Host& host = cx::test::Host::Shared();
    cx::ui::ImagePanel panel;
    panel.Create(host.hwnd(), 0, 0, 200, 200);
    panel.SetPicture(SolidImage(4, 4, 0xFFFF0000));
    HWND group = CreateWindowExA(0, "BUTTON", "Search", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 10, 10,
                                 150, 150, panel.hwnd(), nullptr, nullptr, nullptr);
    RedrawWindow(host.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // Read from the screen: printing the panel would not show what clipping hides.
    cx::window_dc screen(nullptr);
    POINT p{80, 80};
    ClientToScreen(panel.hwnd(), &p);
    EXPECT_EQ(GetPixel(screen.get(), p.x, p.y), RGB(255, 0, 0));
    DestroyWindow(group);
}

TEST(ImagePanel, MouseDownNamesTheButton) {
    cx::test::Host& host = cx::test::Host::Shared();
    cx::ui::ImagePanel panel;
    panel.Create(host.hwnd(), 0, 0, 50, 50);
    std::vector<int> buttons;
    panel.onMouseDown = [&](int b) { buttons.push_back(b); };
    SendMessageA(panel.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(1, 1));
    SendMessageA(panel.hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, At(1, 1));
    SendMessageA(panel.hwnd(), WM_MBUTTONDOWN, MK_MBUTTON, At(1, 1));
    EXPECT_EQ(buttons, (std::vector<int>{0, 1, 2}));
}

TEST(Containers, ChildNotificationsReachTheWindowThatOwnsTheControls) {
    cx::test::Host& host = cx::test::Host::Shared();
    cx::ui::PageControl pages;
    pages.Create(host.hwnd(), 0, 0, 300, 200);
    HWND page = pages.AddPage();
    cx::ui::SizePanel side;
    side.Create(page, 0, 0, 120, 200);
    cx::ui::ImagePanel panel;
    panel.Create(side.hwnd(), 0, 0, 110, 200);
    HWND button = CreateWindowExA(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 5, 5, 50,
                                  20, panel.hwnd(), reinterpret_cast<HMENU>(42), nullptr, nullptr);
    SendMessageA(button, BM_CLICK, 0, 0);
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(LOWORD(host.commands[0]), 42);
    EXPECT_EQ(HIWORD(host.commands[0]), BN_CLICKED);

    HWND label = CreateWindowExA(0, "STATIC", "s", WS_CHILD | WS_VISIBLE, 5, 40, 50, 20,
                                 panel.hwnd(), nullptr, nullptr, nullptr);
    cx::window_dc dc(label);
    LRESULT brush =
        SendMessageA(panel.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                     reinterpret_cast<LPARAM>(label));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), host.ctlBrush());
}

TEST(SizePanel, HotSpotFoldsToTheStripAndRestoresThenCalls) {
    cx::test::Host& host = cx::test::Host::Shared();
    cx::ui::SizePanel side;
    side.Create(host.hwnd(), 10, 20, 169, 300);
    cx::ui::ImagePanel shownChild, hiddenChild;
    shownChild.Create(side.hwnd(), 0, 0, 160, 300);
    hiddenChild.Create(side.hwnd(), 0, 0, 10, 10);
    ShowWindow(hiddenChild.hwnd(), SW_HIDE);

    RECT spot = side.HotSpotRect();
    EXPECT_EQ(spot.left, 160);
    EXPECT_EQ(spot.right, 169);

    std::vector<std::pair<bool, LONG>> calls;  // folded and width, as the handler saw them
    side.onHotSpotClick = [&] {
        RECT b = cx::ui::GetBounds(side.hwnd());
        calls.push_back({side.Folded(), b.right - b.left});
    };
    side.ClickHotSpot();
    RECT b = cx::ui::GetBounds(side.hwnd());
    EXPECT_EQ(b.left, 10);
    EXPECT_EQ(b.top, 20);
    EXPECT_EQ(b.right - b.left, cx::ui::SizePanel::kHotSpotWidth);
    EXPECT_EQ(b.bottom - b.top, 300);
    EXPECT_FALSE(Shown(shownChild.hwnd()));

    // The real mouse: down and up on the strip restores it; elsewhere nothing.
    SendMessageA(side.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(4, 150));
    SendMessageA(side.hwnd(), WM_LBUTTONUP, 0, At(4, 150));
    b = cx::ui::GetBounds(side.hwnd());
    EXPECT_EQ(b.right - b.left, 169);
    EXPECT_TRUE(Shown(shownChild.hwnd()));
    EXPECT_FALSE(Shown(hiddenChild.hwnd()));  // hidden before the fold, hidden after
    EXPECT_EQ(calls, (std::vector<std::pair<bool, LONG>>{{true, 9}, {false, 169}}));

    SendMessageA(side.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(50, 150));
    SendMessageA(side.hwnd(), WM_LBUTTONUP, 0, At(50, 150));
    EXPECT_FALSE(side.Folded());
    EXPECT_EQ(calls.size(), 2u);
}

TEST(SizePanel, ResizedWhileOpenRestoresToTheNewWidth) {
    cx::test::Host& host = cx::test::Host::Shared();
    cx::ui::SizePanel side;
    side.Create(host.hwnd(), 0, 0, 100, 50);
    cx::ui::SetBounds(side.hwnd(), 0, 0, 140, 50);
    side.ClickHotSpot();
    side.ClickHotSpot();
    RECT b = cx::ui::GetBounds(side.hwnd());
    EXPECT_EQ(b.right - b.left, 140);
}

TEST(PageControl, ExactlyTheActivePageIsShown) {
    cx::test::Host& host = cx::test::Host::Shared();
    cx::ui::PageControl pages;
    pages.Create(host.hwnd(), 5, 5, 300, 200);
    HWND p0 = pages.AddPage(), p1 = pages.AddPage(), p2 = pages.AddPage();
    EXPECT_EQ(pages.PageCount(), 3);
    EXPECT_EQ(pages.Page(1), p1);
    EXPECT_EQ(pages.Page(3), nullptr);
    EXPECT_EQ(pages.ActivePage(), 0);
    auto shown = [&] { return std::vector<bool>{Shown(p0), Shown(p1), Shown(p2)}; };
    EXPECT_EQ(shown(), (std::vector<bool>{true, false, false}));
    pages.SetActivePage(2);
    EXPECT_EQ(pages.ActivePage(), 2);
    EXPECT_EQ(shown(), (std::vector<bool>{false, false, true}));
    RECT b = cx::ui::GetBounds(p2);
    EXPECT_EQ(b.right - b.left, 300);
    EXPECT_EQ(b.bottom - b.top, 200);
    pages.SetActivePage(3);
    EXPECT_EQ(pages.ActivePage(), -1);
    EXPECT_EQ(shown(), (std::vector<bool>{false, false, false}));
}

TEST(Bounds, SetAndGetInTheParentsClientArea) {
    cx::test::Host& host = cx::test::Host::Shared();
    cx::ui::ImagePanel panel;
    panel.Create(host.hwnd(), 0, 0, 10, 10);
    cx::ui::SetBounds(panel.hwnd(), 169, 3, 582, 394);
    RECT b = cx::ui::GetBounds(panel.hwnd());
    EXPECT_EQ(b.left, 169);
    EXPECT_EQ(b.top, 3);
    EXPECT_EQ(b.right, 169 + 582);
    EXPECT_EQ(b.bottom, 3 + 394);
}

}  // namespace

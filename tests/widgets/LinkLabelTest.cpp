#include "WidgetKit.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

using cx::test::At;
using cx::test::Capture;

SIZE SizeOf(HWND h) {
    RECT b = cx::ui::GetBounds(h);
    return {b.right - b.left, b.bottom - b.top};
}

SIZE Measure(HFONT font, const char* text) {
    cx::window_dc dc(nullptr);
    cx::select_object sel(dc.get(), font);
    RECT r{0, 0, 0, 0};
    DrawTextA(dc.get(), text, -1, &r, DT_CALCRECT | DT_NOPREFIX);
    return {r.right, r.bottom};
}

class LinkLabelTest : public ::testing::Test {
protected:
    cx::test::Host& host = cx::test::Host::Shared();
    cx::ui::LinkLabel label;
    int clicks = 0;
    void Click(int x, int upX) {
        SendMessageA(label.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(x, 2));
        SendMessageA(label.hwnd(), WM_LBUTTONUP, 0, At(upX, 2));
    }
};

TEST_F(LinkLabelTest, SizeFollowsTextAndFont) {
    label.Create(host.hwnd(), 30, 40, false);
    SIZE empty = SizeOf(label.hwnd());
    EXPECT_GT(empty.cy, 0);  // an empty label keeps a line's height
    label.SetText("Registry Name:");
    HFONT gui = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SIZE want = Measure(gui, "Registry Name:");
    EXPECT_EQ(SizeOf(label.hwnd()).cx, want.cx);
    EXPECT_EQ(SizeOf(label.hwnd()).cy, want.cy);
    RECT b = cx::ui::GetBounds(label.hwnd());
    EXPECT_EQ(b.left, 30);  // grows to the right, stays in place
    EXPECT_EQ(b.top, 40);
    label.SetText("A&B");  // shown as typed, the ampersand too
    EXPECT_EQ(label.Text(), "A&B");
    EXPECT_EQ(SizeOf(label.hwnd()).cx, Measure(gui, "A&B").cx);

    cx::unique_hfont big(
        CreateFontA(-30, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial"));
    label.SetFont(big.get());
    EXPECT_EQ(SizeOf(label.hwnd()).cy, Measure(big.get(), "A&B").cy);
    label.SetFont(nullptr);
}

TEST_F(LinkLabelTest, ClickFiresOnlyInLinkMode) {
    label.Create(host.hwnd(), 0, 0, false);
    label.SetText("http://example.invalid/");
    label.onClick = [this] { ++clicks; };
    Click(3, 3);
    EXPECT_EQ(clicks, 0);
    label.SetLink(true);
    Click(3, 3);
    EXPECT_EQ(clicks, 1);
    Click(3, SizeOf(label.hwnd()).cx + 5);  // released beside it
    EXPECT_EQ(clicks, 1);
    EnableWindow(label.hwnd(), FALSE);
    Click(3, 3);
    EXPECT_EQ(clicks, 1);
}

TEST_F(LinkLabelTest, LinkDrawsInTheLinkColourAndTheHoverColourUnderTheMouse) {
    label.Create(host.hwnd(), 0, 0, true);
    label.SetBackground(RGB(255, 255, 255));
    label.SetLinkColour(RGB(0, 0, 255));
    label.SetHoverColour(RGB(255, 0, 0));
    label.SetTextColour(RGB(0, 255, 0));
    label.SetText("MMMM");
    Capture normal(label.hwnd());
    EXPECT_GT(normal.Count(RGB(0, 0, 255)), 0);
    EXPECT_EQ(normal.Count(RGB(255, 0, 0)), 0);
    SendMessageA(label.hwnd(), WM_MOUSEMOVE, 0, At(2, 2));
    EXPECT_TRUE(label.Hovered());
    Capture hovered(label.hwnd());
    EXPECT_GT(hovered.Count(RGB(255, 0, 0)), 0);
    EXPECT_EQ(hovered.Count(RGB(0, 0, 255)), 0);
    SendMessageA(label.hwnd(), WM_MOUSELEAVE, 0, 0);
    label.SetLink(false);
    EXPECT_GT(Capture(label.hwnd()).Count(RGB(0, 255, 0)), 0);
}

TEST_F(LinkLabelTest, HintIsATooltipWhileNotEmpty) {
    label.Create(host.hwnd(), 0, 0, false);
    label.SetText("key");
    EXPECT_EQ(label.HintWindow(), nullptr);
    auto tipText = [&] {
        char buf[256] = {};
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = label.hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(label.hwnd());
        tool.lpszText = buf;
        SendMessageA(label.HintWindow(), TTM_GETTEXTA, sizeof buf, reinterpret_cast<LPARAM>(&tool));
        return std::string(buf);
    };
    label.SetHint("{GUID-1}");
    ASSERT_NE(label.HintWindow(), nullptr);
    EXPECT_EQ(SendMessageA(label.HintWindow(), TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(tipText(), "{GUID-1}");
    label.SetHint("{GUID-2}");
    EXPECT_EQ(tipText(), "{GUID-2}");
    HWND tip = label.HintWindow();
    label.SetHint("");
    EXPECT_EQ(label.HintWindow(), nullptr);
    EXPECT_FALSE(IsWindow(tip));
}

}  // namespace

// The layered label drawn by the real GDI+: its looks under the mouse and the
// focus, its layout, read back from the window's drawing surface.
#include <gtest/gtest.h>

#include "LayeredKit.h"
#include "harness/TestKit.h"

namespace {

using namespace cx::test;
using namespace cx::ui;

constexpr COLORREF kNormal = RGB(200, 0, 0), kHover = RGB(0, 160, 0), kDown = RGB(0, 0, 200),
                   kDisabled = RGB(120, 120, 120);
constexpr int kW = 160, kH = 40;

class LabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        label.Create(window, 20, 20, kW, kH);
        label.SetFont(LabelFont::Make("Tahoma", 16, kNormal, true));
        label.SetFontMouseHover(LabelFont::Make("Tahoma", 16, kHover, true));
        label.SetFontMouseDown(LabelFont::Make("Tahoma", 16, kDown, true));
        label.SetFontDisabled(LabelFont::Make("Tahoma", 16, kDisabled, true));
        label.SetCaption("Press me");
        window.Paint();
        // The real pointer rests on the label, so the system's leave tracking
        // agrees with the moves the test sends.
        ShowWindow(window.hwnd(), SW_SHOWNOACTIVATE);
        POINT p{20 + 10, 20 + 10};
        ClientToScreen(window.hwnd(), &p);
        SetCursorPos(p.x, p.y);
    }
    void TearDown() override { ShowWindow(window.hwnd(), SW_HIDE); }
    // The colour the label shows now: its text's fully covered pixels.
    COLORREF Shown() { return InkIn(window, RECT{20, 20, 20 + kW, 20 + kH}).solid; }
    void Send(UINT msg, int x, int y) { Mouse(label.hwnd(), msg, x, y); }

    LayeredHost window{240, 100};
    TestLabel label;
};

TEST_F(LabelTest, TextStaysInsideTheLabelInTheNormalFont) {
    Ink ink = InkIn(window, RECT{20, 20, 20 + kW, 20 + kH});
    ASSERT_GT(ink.opaque, 10);
    EXPECT_EQ(ink.solid, kNormal);
    // Nothing outside the label's rectangle.
    EXPECT_EQ(InkOf(window).pixels, ink.pixels);
    // Middle left: starts near the left edge, vertically about centred.
    EXPECT_LT(ink.box.left, 20 + 6);
    int middle = (ink.box.top + ink.box.bottom) / 2;
    EXPECT_NEAR(middle, 20 + kH / 2, 4);
}

TEST_F(LabelTest, PressDragOutReleaseOutside) {
    Send(WM_MOUSEMOVE, 10, 10);
    EXPECT_EQ(Shown(), kHover);
    Send(WM_LBUTTONDOWN, 10, 10);
    EXPECT_EQ(Shown(), kDown);
    EXPECT_EQ(GetCapture(), label.hwnd());
    Send(WM_MOUSEMOVE, 12, 11);
    EXPECT_EQ(Shown(), kDown);
    Send(WM_MOUSEMOVE, kW + 30, 10);  // the first move outside
    EXPECT_EQ(Shown(), kNormal);
    EXPECT_EQ(label.State(), (LabelState{false, false}));
    Send(WM_LBUTTONUP, kW + 30, 10);
    EXPECT_EQ(Shown(), kNormal);
    EXPECT_EQ(label.clicks, 0);
    EXPECT_NE(GetCapture(), label.hwnd());
}

TEST_F(LabelTest, ReleaseInsideShowsHoverAndClicksOnce) {
    int notified = 0;
    label.onClick = [&] { ++notified; };
    Send(WM_MOUSEMOVE, 10, 10);
    Send(WM_LBUTTONDOWN, 10, 10);
    Send(WM_LBUTTONUP, 30, 12);
    EXPECT_EQ(Shown(), kHover);
    EXPECT_EQ(label.clicks, 1);
    EXPECT_EQ(notified, 1);
    // A release with no press before it is no click.
    Send(WM_LBUTTONUP, 30, 12);
    EXPECT_EQ(label.clicks, 1);
}

TEST_F(LabelTest, DraggedOutAndBackStillClicks) {
    Send(WM_LBUTTONDOWN, 10, 10);
    Send(WM_MOUSEMOVE, -20, 10);
    EXPECT_EQ(Shown(), kNormal);
    Send(WM_MOUSEMOVE, 10, 10);  // back on it, the button still held
    EXPECT_EQ(Shown(), kHover);
    Send(WM_LBUTTONUP, 10, 10);
    EXPECT_EQ(label.clicks, 1);
}

TEST_F(LabelTest, EnterAndLeaveAreAnnouncedOnceAndAPressedLabelIgnoresTheLeave) {
    int enters = 0, leaves = 0;
    label.onMouseEnter = [&] { ++enters; };
    label.onMouseLeave = [&] { ++leaves; };
    Send(WM_MOUSEMOVE, 5, 5);
    Send(WM_MOUSEMOVE, 6, 6);
    EXPECT_EQ(enters, 1);
    SendMessageA(label.hwnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(leaves, 1);
    EXPECT_EQ(Shown(), kNormal);

    Send(WM_MOUSEMOVE, 5, 5);
    Send(WM_LBUTTONDOWN, 5, 5);
    SendMessageA(label.hwnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(leaves, 1);
    EXPECT_EQ(Shown(), kDown);
    Send(WM_LBUTTONUP, 5, 5);
}

TEST_F(LabelTest, DisabledDrawsTheDisabledFontWhateverTheMouseDoes) {
    label.SetEnabled(false);
    EXPECT_EQ(Shown(), kDisabled);
    // A disabled window gets no input from the system; sent straight to it,
    // the moves and presses still change nothing that is seen.
    Send(WM_MOUSEMOVE, 10, 10);
    EXPECT_EQ(Shown(), kDisabled);
    Send(WM_LBUTTONDOWN, 10, 10);
    EXPECT_EQ(Shown(), kDisabled);
    Send(WM_LBUTTONUP, 10, 10);
    EXPECT_EQ(Shown(), kDisabled);
    label.SetEnabled(true);
    EXPECT_EQ(Shown(), kHover);
}

TEST_F(LabelTest, FocusLossDropsTheLookAndTheFocusRectangleFollowsTheFocus) {
    label.SetTabStop(true);
    label.SetDrawFocused(true);
    label.SetFocusedRectMargin(3);
    SetActiveWindow(window.hwnd());
    Send(WM_MOUSEMOVE, 10, 10);
    Send(WM_LBUTTONDOWN, 10, 10);
    ASSERT_EQ(GetFocus(), label.hwnd());
    // The pen: the normal font's colour at half alpha, 3 pixels wide, on a
    // rectangle inset by 3; its top edge runs above the text.
    uint32_t edge = window.SurfacePixel(20 + kW / 2, 20 + 3);
    EXPECT_NEAR(AlphaOf(edge), 128, 3);
    EXPECT_NEAR(GetRValue(ColourOf(edge)), 100, 3);               // premultiplied 200
    EXPECT_EQ(AlphaOf(window.SurfacePixel(20 + kW / 2, 20)), 0);  // the margin stays clear

    SetFocus(nullptr);
    EXPECT_EQ(label.State(), (LabelState{false, false}));
    EXPECT_EQ(Shown(), kNormal);
    EXPECT_EQ(AlphaOf(window.SurfacePixel(20 + kW / 2, 20 + 3)), 0);
    Send(WM_LBUTTONUP, 10, 10);
}

TEST_F(LabelTest, MoveHandlerDragsTheWindowOnAnyButtonAndEndsHovered) {
    label.SetMoveHandler(true);
    Send(WM_LBUTTONDOWN, 10, 10);
    EXPECT_EQ(label.moves, 1);
    EXPECT_EQ(label.State(), (LabelState{true, false}));
    EXPECT_EQ(Shown(), kHover);
    // The move swallowed the release: a later release is no click.
    Send(WM_LBUTTONUP, 10, 10);
    EXPECT_EQ(label.clicks, 0);
    Send(WM_RBUTTONDOWN, 10, 10);
    Send(WM_MBUTTONDOWN, 10, 10);
    EXPECT_EQ(label.moves, 3);

    label.SetMoveHandler(false);
    Send(WM_RBUTTONDOWN, 10, 10);
    EXPECT_EQ(label.moves, 3);
}

TEST_F(LabelTest, ABlankCaptionRestoresItsRectangleAndStillUpdates) {
    std::string dir = FreshScratchDir("layered-blank");
    WriteHalvesPng(dir + "grey.png", 240, 100, 0xFF404040, 0xFF404040);
    window.SetBackgroundImage(dir + "grey.png");
    window.Paint();
    EXPECT_NE(Shown(), RGB(0x40, 0x40, 0x40));  // the text is on the background

    int before = window.SurfaceUpdates();
    label.SetCaption(" \t ");
    EXPECT_EQ(window.SurfaceUpdates(), before + 1);
    EXPECT_EQ(Shown(), RGB(0x40, 0x40, 0x40));
}

TEST_F(LabelTest, OneLineEndsInAnEllipsisAndSeveralLinesWrap) {
    const std::string longText =
        "Several words that will never fit on one line of this narrow label at all";
    label.SetCaption(longText);
    label.SetTextAlign(Alignment_TopLeft);
    Ink one = InkIn(window, RECT{20, 20, 20 + kW, 20 + kH});
    label.SetMultiLines(true);
    Ink many = InkIn(window, RECT{20, 20, 20 + kW, 20 + kH});
    ASSERT_GT(one.pixels, 0);
    // One line is at most a line high (16 pixels and some for descenders).
    EXPECT_LE(one.box.bottom - one.box.top, 22);
    EXPECT_GT(many.box.bottom - many.box.top, 24);
    // The single line is cut short at a word and marked: it never runs to the
    // label's edge in mid-word, and the wrapped text has more ink.
    EXPECT_LE(one.box.right, 20 + kW);
    EXPECT_GT(many.pixels, one.pixels);
}

TEST_F(LabelTest, AlignmentMovesTheText) {
    label.SetCaption("ab");
    label.SetTextAlign(Alignment_TopLeft);
    Ink topLeft = InkIn(window, RECT{20, 20, 20 + kW, 20 + kH});
    label.SetTextAlign(Alignment_BottomRight);
    Ink bottomRight = InkIn(window, RECT{20, 20, 20 + kW, 20 + kH});
    label.SetTextAlign(static_cast<TAlignment>(77));  // no such value: centred
    Ink centred = InkIn(window, RECT{20, 20, 20 + kW, 20 + kH});
    EXPECT_LT(topLeft.box.left, 20 + 10);
    EXPECT_LT(topLeft.box.top, 20 + 8);
    EXPECT_GT(bottomRight.box.right, 20 + kW - 10);
    EXPECT_GT(bottomRight.box.bottom, 20 + kH - 8);
    int mid = (centred.box.left + centred.box.right) / 2;
    EXPECT_NEAR(mid, 20 + kW / 2, 6);
}

// The notices keep their line breaks as CR LF (the language files' form);
// GDI+ under Wine draws a CR as a box of its own.
TEST_F(LabelTest, ALineBreakIsDrawnAsABreakAndNothingMore) {
    label.SetMultiLines(true);
    label.SetTextAlign(Alignment_TopLeft);
    const RECT area{20, 20, 20 + kW, 20 + kH};
    label.SetCaption("Ab\ncd");
    Ink lf = InkIn(window, area);
    ASSERT_GT(lf.pixels, 0);
    label.SetCaption("Ab\r\ncd");
    Ink crlf = InkIn(window, area);
    label.SetCaption("Ab\rcd");
    Ink cr = InkIn(window, area);
    EXPECT_EQ(crlf.pixels, lf.pixels);
    EXPECT_EQ(crlf.box.right, lf.box.right);
    EXPECT_EQ(crlf.box.bottom, lf.box.bottom);
    EXPECT_EQ(cr.pixels, lf.pixels);
}

}  // namespace

// The layered window's surfaces and its composition, drawn by the real GDI+
// and read back from the drawing surface.
#include <gtest/gtest.h>

#include "LayeredKit.h"
#include "harness/MessageLog.h"
#include "harness/TestKit.h"

namespace {

using namespace cx::test;

TEST(LayeredWindow, BornBorderlessLayeredWithClearedSurfacesOfItsSize) {
    LayeredHost w(120, 80);
    ASSERT_TRUE(w.hwnd());
    LONG style = GetWindowLongA(w.hwnd(), GWL_STYLE);
    LONG ex = GetWindowLongA(w.hwnd(), GWL_EXSTYLE);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(ex & WS_EX_DLGMODALFRAME);
    EXPECT_FALSE(ex & WS_EX_TRANSPARENT);
    EXPECT_TRUE(ex & WS_EX_LAYERED);
    ASSERT_TRUE(w.MemDC());
    ASSERT_TRUE(w.BackgroundDC());
    ASSERT_TRUE(w.MemGraphics());
    EXPECT_EQ(w.SurfaceWidth(), 120);
    EXPECT_EQ(w.SurfaceHeight(), 80);
    EXPECT_EQ(InkOf(w).pixels, 0);
    EXPECT_EQ(w.BlendAlpha(), 255);
    EXPECT_EQ(w.KeyColor(), RGB(255, 0, 255));
}

TEST(LayeredWindow, BackgroundKeepsItsAlphaAndIsScaledToTheWindow) {
    std::string dir = FreshScratchDir("layered-bg");
    // Left half opaque red, right half half-transparent blue, drawn at twice its size.
    WriteHalvesPng(dir + "bg.png", 60, 40, 0xFFFF0000, 0x800000FF);
    LayeredHost w(120, 80);
    w.SetBackgroundImage(dir + "bg.png");
    EXPECT_TRUE(w.HasBackgroundImage());
    // Drawn onto the background surface at once, onto the drawing surface at Paint.
    EXPECT_EQ(AlphaOf(w.BackgroundPixel(20, 40)), 255);
    EXPECT_EQ(InkOf(w).pixels, 0);
    int before = w.SurfaceUpdates();
    w.Paint();
    EXPECT_EQ(w.SurfaceUpdates(), before + 1);

    uint32_t left = w.SurfacePixel(20, 40), right = w.SurfacePixel(100, 40);
    EXPECT_EQ(AlphaOf(left), 255);
    EXPECT_EQ(ColourOf(left), RGB(255, 0, 0));
    // Premultiplied: half alpha, blue at half strength.
    EXPECT_NEAR(AlphaOf(right), 128, 2);
    EXPECT_NEAR(GetBValue(ColourOf(right)), 128, 2);
    EXPECT_EQ(GetRValue(ColourOf(right)), 0);
    // Scaled, not drawn at its own size: the right half reaches the far side.
    EXPECT_NEAR(AlphaOf(w.SurfacePixel(110, 70)), 128, 2);
    EXPECT_EQ(AlphaOf(w.SurfacePixel(50, 70)), 255);
}

TEST(LayeredWindow, AMissingPictureLeavesTheSurfaceClearAndSaysNothing) {
    MessageLog log;
    std::string dir = FreshScratchDir("layered-missing");
    LayeredHost w(60, 40);
    w.SetBackgroundImage(dir + "no such picture.png");
    EXPECT_FALSE(w.HasBackgroundImage());
    w.Paint();
    EXPECT_EQ(InkOf(w).pixels, 0);
    EXPECT_EQ(w.SurfaceUpdates(), 1);
    EXPECT_TRUE(log.shown.empty());

    // A broken file is no picture either, and one set before stays.
    WriteHalvesPng(dir + "green.png", 60, 40, 0xFF00FF00, 0xFF00FF00);
    WriteWholeFile(dir + "broken.png", "\x89PNG\r\n\x1a\nnot really");
    w.SetBackgroundImage(dir + "green.png");
    w.SetBackgroundImage(dir + "broken.png");
    EXPECT_EQ(w.BackgroundImage(), dir + "green.png");
    w.Paint();
    EXPECT_EQ(ColourOf(w.SurfacePixel(30, 20)), RGB(0, 255, 0));
    EXPECT_TRUE(log.shown.empty());
}

TEST(LayeredWindow, PaintComposesEveryLabelAndUpdatesOncePerLabelAndOnce) {
    LayeredHost w(200, 100);
    TestLabel a, b, c;
    a.Create(w, 0, 0, 200, 30);
    b.Create(w, 0, 35, 200, 30);
    c.Create(w, 0, 70, 200, 30);
    EXPECT_EQ(a.LayeredParent(), nullptr);
    a.SetCaption("Alpha");  // no layered parent yet: nothing is drawn
    EXPECT_EQ(w.SurfaceUpdates(), 0);
    EXPECT_EQ(InkOf(w).pixels, 0);

    b.SetCaption("Beta");
    c.SetCaption("Gamma");
    w.Paint();
    EXPECT_EQ(w.SurfaceUpdates(), 4);
    EXPECT_EQ(a.LayeredParent(), &w);
    EXPECT_EQ(c.LayeredParent(), &w);
    EXPECT_GT(InkIn(w, RECT{0, 0, 200, 30}).pixels, 0);
    EXPECT_GT(InkIn(w, RECT{0, 35, 200, 65}).pixels, 0);
    EXPECT_GT(InkIn(w, RECT{0, 70, 200, 100}).pixels, 0);
}

TEST(LayeredWindow, PressAnywhereDragsTheWindow) {
    LayeredHost w(60, 40);
    Mouse(w.hwnd(), WM_LBUTTONDOWN, 5, 5);
    Mouse(w.hwnd(), WM_RBUTTONDOWN, 50, 30);
    Mouse(w.hwnd(), WM_MBUTTONDOWN, 1, 1);
    EXPECT_EQ(w.moves, 3);
}

}  // namespace

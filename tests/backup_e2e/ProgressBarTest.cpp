// The skinned progress bar: its arithmetic at the edges of odd ranges, and
// what it paints.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <climits>
#include <memory>

#include "platform/Handles.h"
#include "widgets/ProgressBar.h"

namespace {

class ProgressBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(parent);
        bar.Create(parent, 10, 10, 202, 25);
    }
    void TearDown() override { DestroyWindow(parent); }

    // The bar as painted now.
    struct Shot {
        cx::unique_memdc mem;
        cx::unique_hbitmap bitmap;
        HGDIOBJ old = nullptr;
        COLORREF At(int x, int y) const { return GetPixel(mem.get(), x, y); }
        ~Shot() {
            if (old) SelectObject(mem.get(), old);
        }
    };
    std::unique_ptr<Shot> Paint() {
        auto shot = std::make_unique<Shot>();
        cx::window_dc screen(nullptr);
        shot->mem.reset(CreateCompatibleDC(screen.get()));
        shot->bitmap.reset(CreateCompatibleBitmap(screen.get(), 202, 25));
        shot->old = SelectObject(shot->mem.get(), shot->bitmap.get());
        SendMessageA(bar.hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot->mem.get()),
                     PRF_CLIENT);
        return shot;
    }
    COLORREF PixelAt(int x, int y) { return Paint()->At(x, y); }

    HWND parent = nullptr;
    cx::ui::ProgressBar bar;
};

TEST_F(ProgressBarTest, PositionStaysInTheRangeAndPercentReachesHundredOnlyAtTheEnd) {
    EXPECT_EQ(bar.Percent(), 0);
    EXPECT_EQ(bar.PercentText(), "0%");
    bar.SetPosition(250);
    EXPECT_EQ(bar.Position(), 100);
    bar.SetPosition(-3);
    EXPECT_EQ(bar.Position(), 0);

    bar.SetRange(0, 3);
    bar.SetPosition(2);
    EXPECT_EQ(bar.Percent(), 66);  // rounded down: never "100%" before the end
    bar.SetPosition(3);
    EXPECT_EQ(bar.PercentText(), "100%");

    bar.SetRange(-50, 50);  // a range that does not start at zero
    bar.SetPosition(0);
    EXPECT_EQ(bar.Percent(), 50);

    bar.SetRange(7, 7);  // an empty range is one step wide
    EXPECT_EQ(bar.Maximum(), 8);
    bar.SetRange(INT_MIN, INT_MAX);  // no overflow over the widest range
    bar.SetPosition(INT_MAX);
    EXPECT_EQ(bar.Percent(), 100);
    bar.SetPosition(0);
    EXPECT_EQ(bar.Percent(), 50);
}

TEST_F(ProgressBarTest, AnswersTheCommonControlsQuestions) {
    bar.SetRange(0, 40);
    bar.SetPosition(10);
    EXPECT_EQ(SendMessageA(bar.hwnd(), PBM_GETPOS, 0, 0), 10);
    PBRANGE range{};
    EXPECT_EQ(SendMessageA(bar.hwnd(), PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), 0);
    EXPECT_EQ(range.iHigh, 40);
}

TEST_F(ProgressBarTest, FillCoversItsShareOfTheInsideAndNoMore) {
    cx::ui::ProgressBar::Colours c;
    c.frame = RGB(0, 0, 0);
    c.track = RGB(255, 255, 255);
    c.fill = RGB(0, 0, 255);
    bar.SetColours(c);
    bar.SetShowPercent(false);
    // 200 pixels inside the frame.
    EXPECT_EQ(bar.FilledWidth(), 0);
    EXPECT_EQ(PixelAt(1, 12), RGB(255, 255, 255));
    bar.SetPosition(50);
    EXPECT_EQ(bar.FilledWidth(), 100);
    EXPECT_EQ(PixelAt(1, 12), RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(100, 12), RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(101, 12), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(0, 12), RGB(0, 0, 0));  // the frame
    bar.SetPosition(100);
    EXPECT_EQ(PixelAt(200, 12), RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(201, 12), RGB(0, 0, 0));
}

}  // namespace

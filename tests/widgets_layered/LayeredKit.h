#pragma once
// A layered window to put labels on, and reading back what they drew on its
// drawing surface.
#include <windows.h>

#include <cstdint>
#include <string>

#include "widgets/Layered.h"
#include "widgets/LayeredLabel.h"

namespace cx::test {

// A layered window of any size; counts the window moves it would start.
class LayeredHost : public ui::TfrmLayered {
public:
    LayeredHost(int width, int height);
    int moves = 0;

protected:
    void CreateForm(HWND) override {}
    void StartWindowMove() override { ++moves; }
};

// A label that counts the window moves it would start instead of starting them.
class TestLabel : public ui::TLayeredLabel {
public:
    int moves = 0;
    int clicks = 0;

protected:
    void MoveParentWindow() override { ++moves; }
    void Click() override {
        ++clicks;
        TLayeredLabel::Click();
    }
};

// Premultiplied pixel parts.
inline int AlphaOf(uint32_t p) { return int(p >> 24); }
inline COLORREF ColourOf(uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

// What was drawn in a rectangle of the drawing surface: the box around every
// pixel that is not fully transparent, and the colour of the fully opaque ones
// when they all agree.
struct Ink {
    int pixels = 0;        // pixels with any alpha
    int opaque = 0;        // pixels with alpha 255
    RECT box{0, 0, 0, 0};  // around the pixels with any alpha (empty when none)
    COLORREF solid =
        CLR_INVALID;  // the one colour of all opaque pixels (CLR_INVALID: none or mixed)
};
Ink InkIn(const ui::TfrmLayered& window, const RECT& area);
// The same for the whole window.
Ink InkOf(const ui::TfrmLayered& window);

// Writes a PNG of straight 0xAARRGGBB pixels to `path`.
void WritePng(const std::string& path, int width, int height, const uint32_t* argb);
// A picture of `width` by `height`: its left half `left`, its right half `right`.
void WriteHalvesPng(const std::string& path, int width, int height, uint32_t left, uint32_t right);

// Sends a mouse message to a window with a client point.
void Mouse(HWND hwnd, UINT msg, int x, int y);

}  // namespace cx::test

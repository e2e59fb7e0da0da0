#include "LayeredKit.h"

#include <gtest/gtest.h>

#include <vector>

#include "harness/TestKit.h"
#include "widgets/GdiplusSession.h"
#include "widgets/Image.h"

namespace cx::test {

namespace {
// GDI+ for the whole run, as the program has it.
class GdiplusForTheRun : public ::testing::Environment {
public:
    void SetUp() override { session_ = std::make_unique<ui::GdiplusSession>(); }
    void TearDown() override { session_.reset(); }

private:
    std::unique_ptr<ui::GdiplusSession> session_;
};
[[maybe_unused]] ::testing::Environment* const gdiplus =
    ::testing::AddGlobalTestEnvironment(new GdiplusForTheRun);
}  // namespace

LayeredHost::LayeredHost(int width, int height) {
    CreateLayeredWindow(nullptr, "CxLayeredTestHost", "layered test", width, height);
}

Ink InkIn(const ui::TfrmLayered& window, const RECT& area) {
    Ink ink;
    bool mixed = false;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            uint32_t p = window.SurfacePixel(x, y);
            if (AlphaOf(p) == 0) continue;
            if (ink.pixels++ == 0) {
                ink.box = RECT{x, y, x + 1, y + 1};
            } else {
                ink.box.left = std::min<LONG>(ink.box.left, x);
                ink.box.top = std::min<LONG>(ink.box.top, y);
                ink.box.right = std::max<LONG>(ink.box.right, x + 1);
                ink.box.bottom = std::max<LONG>(ink.box.bottom, y + 1);
            }
            if (AlphaOf(p) == 255) {
                if (ink.opaque++ == 0)
                    ink.solid = ColourOf(p);
                else if (ink.solid != ColourOf(p))
                    mixed = true;
            }
        }
    }
    if (mixed) ink.solid = CLR_INVALID;
    return ink;
}

Ink InkOf(const ui::TfrmLayered& window) {
    return InkIn(window, RECT{0, 0, window.SurfaceWidth(), window.SurfaceHeight()});
}

void WritePng(const std::string& path, int width, int height, const uint32_t* argb) {
    std::vector<uint32_t> pixels(argb, argb + size_t(width) * size_t(height));
    std::vector<uint8_t> png = ui::EncodePng(width, height, pixels);
    WriteWholeFile(path, std::string(png.begin(), png.end()));
}

void WriteHalvesPng(const std::string& path, int width, int height, uint32_t left, uint32_t right) {
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[size_t(y) * width + x] = x < width / 2 ? left : right;
    WritePng(path, width, height, pixels.data());
}

void Mouse(HWND hwnd, UINT msg, int x, int y) {
    WPARAM keys = msg == WM_LBUTTONDOWN ? MK_LBUTTON : msg == WM_RBUTTONDOWN ? MK_RBUTTON : 0;
    SendMessageA(hwnd, msg, keys, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

}  // namespace cx::test

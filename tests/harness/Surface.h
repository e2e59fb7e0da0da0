#pragma once
// One kit for the tests that look at pixels: a 32-bit top-down bitmap in a
// memory DC, filled with one colour, that a window prints into, a control
// draws into, or the screen is copied into.
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/Handles.h"

namespace cx::test {

class Surface {
public:
    // `fill` as a COLORREF; every pixel starts so, so untouched ones show.
    Surface(int width, int height, COLORREF fill = RGB(255, 0, 255));
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // Every pixel set to `bits` as the bitmap holds them (0xAARRGGBB).
    static Surface Filled(int width, int height, uint32_t bits);
    // What `window` paints of its client area for WM_PRINTCLIENT, at the
    // client area's size (or the size given).
    static Surface PrintedClient(HWND window, COLORREF fill = RGB(255, 0, 255), int width = 0,
                                 int height = 0);
    // The screen's pixels of `window` as it shows now, frame included.
    static Surface FromScreen(HWND window);

    HDC dc() const noexcept { return dc_.get(); }
    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    // The pixel as the bitmap holds it (0xAARRGGBB) and as a COLORREF.
    uint32_t Raw(int x, int y) const;
    COLORREF At(int x, int y) const;
    // How many pixels have exactly that colour.
    int Count(COLORREF colour) const;
    // Writes the picture as a 24-bit BMP file.
    void SaveBmp(const std::string& path) const;

    Surface(Surface&& other) noexcept;

private:
    int width_ = 0, height_ = 0;
    uint32_t* bits_ = nullptr;
    unique_hbitmap bitmap_;
    unique_memdc dc_;
    HGDIOBJ old_ = nullptr;
};

}  // namespace cx::test

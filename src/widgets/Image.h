#pragma once
// Pictures for skinned controls: a 32-bit top-down DIB with per-pixel alpha
// (premultiplied, ready for AlphaBlend and UpdateLayeredWindow).
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Handles.h"

namespace cx::ui {

class Image {
public:
    Image() = default;
    // Takes pixels as straight (not premultiplied) BGRA rows, top to bottom.
    // Throws AppError when the vector does not hold width * height pixels.
    Image(int width, int height, std::vector<uint32_t> bgra);

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    bool empty() const noexcept { return width_ == 0; }
    // Straight BGRA pixel at (x, y); for tests and hit tests.
    // Outside the picture it answers 0 (fully transparent).
    uint32_t Pixel(int x, int y) const;
    // All pixels, straight BGRA, rows top to bottom.
    const std::vector<uint32_t>& Pixels() const noexcept { return pixels_; }
    // True when no pixel has an alpha below 255 (drawn by a plain copy, which
    // keeps a colour key exact).
    bool Opaque() const noexcept { return opaque_; }
    // The DIB section (premultiplied alpha), created on first use.
    HBITMAP Bitmap() const;

    // Draws the picture at (x, y) (its own size), alpha-blended onto dc.
    void Draw(HDC dc, int x, int y) const;
    // Draws stretched to the rectangle (same size: as Draw). Opaque pictures
    // are stretched without smoothing so a colour key stays exact.
    void DrawStretched(HDC dc, const RECT& to) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;  // straight BGRA
    bool opaque_ = true;
    mutable unique_hbitmap bitmap_;
};

// Decodes a PNG file held in memory (all colour types and bit depths of the
// format, interlaced or not). Throws AppError for data that is not a valid PNG.
Image DecodePng(const std::vector<uint8_t>& data);
// Encodes straight BGRA pixels as an 8-bit RGBA PNG (zlib deflate).
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint32_t>& bgra);

// Loads a picture file; the decoder is chosen by the file's extension (.png by
// our own decoder, .bmp/.jpg/.gif through GDI+). Throws AppError when the file
// cannot be read or decoded.
std::shared_ptr<Image> LoadImageFile(const std::string& path);

}  // namespace cx::ui

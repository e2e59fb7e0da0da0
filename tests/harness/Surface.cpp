#include "harness/Surface.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "harness/TestKit.h"

namespace cx::test {

Surface::Surface(int width, int height, COLORREF fill) : width_(width), height_(height) {
    if (width <= 0 || height <= 0) throw std::runtime_error("nothing to capture");
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                   nullptr, 0));
    if (!bitmap_ || !bits_) throw std::runtime_error("no bitmap");
    dc_.reset(CreateCompatibleDC(nullptr));
    old_ = SelectObject(dc_.get(), bitmap_.get());
    const uint32_t pixel =
        (uint32_t{GetRValue(fill)} << 16) | (uint32_t{GetGValue(fill)} << 8) | GetBValue(fill);
    std::fill(bits_, bits_ + size_t(width) * size_t(height), pixel);
}

Surface::Surface(Surface&& other) noexcept
    : width_(other.width_),
      height_(other.height_),
      bits_(std::exchange(other.bits_, nullptr)),
      bitmap_(std::move(other.bitmap_)),
      dc_(std::move(other.dc_)),
      old_(std::exchange(other.old_, nullptr)) {}

Surface::~Surface() {
    if (dc_ && old_) SelectObject(dc_.get(), old_);
}

Surface Surface::Filled(int width, int height, uint32_t bits) {
    Surface s(width, height);
    std::fill(s.bits_, s.bits_ + size_t(width) * size_t(height), bits);
    return s;
}

Surface Surface::PrintedClient(HWND window, COLORREF fill, int width, int height) {
    RECT rc{};
    GetClientRect(window, &rc);
    Surface s(width > 0 ? width : rc.right, height > 0 ? height : rc.bottom, fill);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.dc()), PRF_CLIENT);
    GdiFlush();
    return s;
}

Surface Surface::FromScreen(HWND window) {
    RECT wr{};
    GetWindowRect(window, &wr);
    Surface s(wr.right - wr.left, wr.bottom - wr.top);
    window_dc screen(nullptr);
    BitBlt(s.dc(), 0, 0, s.width(), s.height(), screen.get(), wr.left, wr.top, SRCCOPY);
    GdiFlush();
    return s;
}

uint32_t Surface::Raw(int x, int y) const {
    GdiFlush();
    if (x < 0 || y < 0 || x >= width_ || y >= height_) throw std::out_of_range("pixel");
    return bits_[size_t(y) * size_t(width_) + size_t(x)];
}

COLORREF Surface::At(int x, int y) const {
    const uint32_t p = Raw(x, y);
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int Surface::Count(COLORREF colour) const {
    int n = 0;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) n += At(x, y) == colour;
    return n;
}

void Surface::SaveBmp(const std::string& path) const {
    GdiFlush();
    const DWORD stride = (DWORD(width_) * 3 + 3) & ~3u;
    BITMAPINFOHEADER head{};
    head.biSize = sizeof head;
    head.biWidth = width_;
    head.biHeight = height_;  // bottom-up, as BMP files commonly are
    head.biPlanes = 1;
    head.biBitCount = 24;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof head;
    fh.bfSize = fh.bfOffBits + stride * DWORD(height_);
    std::string data(reinterpret_cast<char*>(&fh), sizeof fh);
    data.append(reinterpret_cast<char*>(&head), sizeof head);
    std::string row(stride, '\0');
    for (int y = height_ - 1; y >= 0; --y) {
        for (int x = 0; x < width_; ++x) {
            const uint32_t p = bits_[size_t(y) * size_t(width_) + size_t(x)];
            row[size_t(x) * 3] = char(p & 0xFF);
            row[size_t(x) * 3 + 1] = char((p >> 8) & 0xFF);
            row[size_t(x) * 3 + 2] = char((p >> 16) & 0xFF);
        }
        data += row;
    }
    WriteWholeFile(path, data);
}

}  // namespace cx::test

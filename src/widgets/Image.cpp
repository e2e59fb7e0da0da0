#include "widgets/Image.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>

#include "platform/Error.h"
#include "platform/Strings.h"

namespace cx::ui {

Image::Image(int width, int height, std::vector<uint32_t> bgra)
    : width_(width), height_(height), pixels_(std::move(bgra)) {
    if (width < 0 || height < 0 || uint64_t(width) * uint64_t(height) != pixels_.size())
        throw AppError("The picture's pixels do not match its size.");
    if (width == 0 || height == 0) {
        width_ = height_ = 0;
        pixels_.clear();
    }
    opaque_ =
        std::all_of(pixels_.begin(), pixels_.end(), [](uint32_t p) { return (p >> 24) == 255; });
}

uint32_t Image::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[size_t(y) * size_t(width_) + size_t(x)];
}

HBITMAP Image::Bitmap() const {
    if (bitmap_ || empty()) return bitmap_.get();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down rows, as the pixels are held
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    unique_hbitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) ThrowLastError();
    // AlphaBlend and UpdateLayeredWindow want each colour already multiplied by its alpha.
    auto* out = static_cast<uint32_t*>(bits);
    for (size_t i = 0; i < pixels_.size(); ++i) {
        uint32_t p = pixels_[i];
        uint32_t a = p >> 24;
        if (a == 255) {
            out[i] = p;
            continue;
        }
        auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
        out[i] =
            (a << 24) | (mul((p >> 16) & 0xFF) << 16) | (mul((p >> 8) & 0xFF) << 8) | mul(p & 0xFF);
    }
    bitmap_ = std::move(bitmap);
    return bitmap_.get();
}

namespace {

// Copies or blends the picture's bitmap onto dc; source and destination sizes may differ.
void Blit(const Image& image, HDC dc, int x, int y, int w, int h) {
    unique_memdc mem(CreateCompatibleDC(dc));
    if (!mem) ThrowLastError();
    select_object selected(mem.get(), image.Bitmap());
    BOOL ok;
    if (image.Opaque()) {
        if (w == image.width() && h == image.height()) {
            ok = BitBlt(dc, x, y, w, h, mem.get(), 0, 0, SRCCOPY);
        } else {
            // No smoothing: a blended edge next to the key colour would leave a
            // tinted fringe that is no longer see-through.
            int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
            ok =
                StretchBlt(dc, x, y, w, h, mem.get(), 0, 0, image.width(), image.height(), SRCCOPY);
            if (oldMode) SetStretchBltMode(dc, oldMode);
        }
    } else {
        // gdi32's own entry point: msimg32's AlphaBlend only forwards to it.
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        ok = GdiAlphaBlend(dc, x, y, w, h, mem.get(), 0, 0, image.width(), image.height(), blend);
    }
    if (!ok) ThrowLastError();
}

std::vector<uint8_t> ReadPictureFile(const std::string& path) {
    unique_hfile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw AppError(
            Format("Cannot open %s: %s", path.c_str(), SysErrorMessage(GetLastError()).c_str()));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size))
        throw AppError(
            Format("Cannot read %s: %s", path.c_str(), SysErrorMessage(GetLastError()).c_str()));
    // Far above any picture a skin uses; it keeps a stray huge file from taking the address space.
    if (size.QuadPart > 64 * 1024 * 1024)
        throw AppError(Format("The picture %s is too large.", path.c_str()));
    std::vector<uint8_t> data(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < data.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), data.data() + done, static_cast<DWORD>(data.size() - done), &got,
                      nullptr))
            throw AppError(Format("Cannot read %s: %s", path.c_str(),
                                  SysErrorMessage(GetLastError()).c_str()));
        if (got == 0) break;
        done += got;
    }
    data.resize(done);
    return data;
}

struct GdipImageDeleter {
    void operator()(Gdiplus::GpBitmap* b) const noexcept {
        Gdiplus::DllExports::GdipDisposeImage(b);
    }
};

Image LoadThroughGdiplus(const std::string& path) {
    using namespace Gdiplus;
    auto fail = [&path](const char* what, Status st) {
        return AppError(Format("Cannot load the picture %s (%s, GDI+ status %d).", path.c_str(),
                               what, static_cast<int>(st)));
    };
    GpBitmap* raw = nullptr;
    Status st = DllExports::GdipCreateBitmapFromFile(AnsiToWide(path).c_str(), &raw);
    if (st != Ok || !raw) throw fail("open", st);
    std::unique_ptr<GpBitmap, GdipImageDeleter> bitmap(raw);

    UINT w = 0, h = 0;
    if ((st = DllExports::GdipGetImageWidth(bitmap.get(), &w)) != Ok ||
        (st = DllExports::GdipGetImageHeight(bitmap.get(), &h)) != Ok)
        throw fail("size", st);
    if (w == 0 || h == 0 || w > 16384 || h > 16384 || uint64_t(w) * h > 4096ull * 4096ull)
        throw fail("size", InvalidParameter);

    GpRect rect(0, 0, static_cast<INT>(w), static_cast<INT>(h));
    BitmapData locked{};
    // 32bppARGB is straight alpha, laid out in memory as B, G, R, A: our own order.
    st = DllExports::GdipBitmapLockBits(bitmap.get(), &rect, ImageLockModeRead,
                                        PixelFormat32bppARGB, &locked);
    if (st != Ok) throw fail("pixels", st);
    std::vector<uint32_t> pixels(size_t(w) * h);
    const auto* base = static_cast<const uint8_t*>(locked.Scan0);
    for (UINT y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(base + ptrdiff_t(y) * locked.Stride);
        std::copy(row, row + w, pixels.begin() + ptrdiff_t(y) * w);
    }
    DllExports::GdipBitmapUnlockBits(bitmap.get(), &locked);
    return Image(static_cast<int>(w), static_cast<int>(h), std::move(pixels));
}

}  // namespace

void Image::Draw(HDC dc, int x, int y) const {
    if (empty()) return;
    Blit(*this, dc, x, y, width_, height_);
}

void Image::DrawStretched(HDC dc, const RECT& to) const {
    int w = to.right - to.left, h = to.bottom - to.top;
    if (empty() || w <= 0 || h <= 0) return;
    Blit(*this, dc, to.left, to.top, w, h);
}

std::shared_ptr<Image> LoadImageFile(const std::string& path) {
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of("\\/");
    std::string ext = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                          ? Lower(std::string_view(path).substr(dot))
                          : std::string();
    if (ext == ".png") {
        std::vector<uint8_t> data = ReadPictureFile(path);
        try {
            return std::make_shared<Image>(DecodePng(data));
        } catch (const AppError& e) {
            throw AppError(path + ": " + e.what());
        }
    }
    // Everything else goes to GDI+, which the program has started.
    return std::make_shared<Image>(LoadThroughGdiplus(path));
}

}  // namespace cx::ui

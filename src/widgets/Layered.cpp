#include "widgets/Layered.h"

#include <algorithm>

#include "platform/Error.h"
#include "platform/Strings.h"
#include "widgets/Image.h"
#include "widgets/LayeredGdiplus.h"
#include "widgets/LayeredLabel.h"

namespace cx::ui {

namespace {
// The system's "move by dragging" command: SC_MOVE with the caption hit code.
constexpr WPARAM kDragMove = 0xF012;
}  // namespace

int TextRenderingHintFor(int quality) noexcept {
    return quality >= TextQuality_SystemDefault && quality <= TextQuality_ClearTypeGridFit ? quality
                                                                                           : 0;
}

void TfrmLayered::ReleaseGraphics::operator()(Gdiplus::GpGraphics* g) const noexcept {
    gdip::DllExports::GdipDeleteGraphics(g);
}

void TfrmLayered::ReleaseImage::operator()(Gdiplus::GpImage* i) const noexcept {
    gdip::DllExports::GdipDisposeImage(i);
}

uint32_t TfrmLayered::Surface::Pixel(int x, int y) const noexcept {
    if (!bits || x < 0 || y < 0 || x >= width || y >= height) return 0;
    // Bottom-up rows: the first row in memory is the bottom one.
    const auto* rows = static_cast<const uint32_t*>(bits);
    return rows[size_t(height - 1 - y) * size_t(width) + size_t(x)];
}

void TfrmLayered::Surface::Release() noexcept {
    dc.reset();
    bitmap.reset();
    bits = nullptr;
    width = height = 0;
}

TfrmLayered::TfrmLayered() = default;

TfrmLayered::~TfrmLayered() {
    // The graphics object draws into the drawing surface: it goes before it.
    ReleaseSurfaces();
    image_.reset();
}

void TfrmLayered::ReleaseSurfaces() noexcept {
    graphics_.reset();
    draw_.Release();
    background_.Release();
}

void TfrmLayered::CreateLayeredWindow(HWND owner, const char* className, const std::string& caption,
                                      int width, int height) {
    // Born as it is shown: no caption, no sizing frame, no dialog frame, not
    // click-through, layered. A plain popup's window and client areas agree.
    Create(ClassSpec{className, 0}, WS_EX_LAYERED, WS_POPUP | WS_CLIPCHILDREN, caption, 0, 0, width,
           height, owner);
    RECT rc;
    GetWindowRect(hwnd(), &rc);
    width_ = rc.right - rc.left;
    height_ = rc.bottom - rc.top;
    // A window without surfaces still works; it only never draws.
    CreateSurfaces();
}

bool TfrmLayered::CreateSurfaces() {
    ReleaseSurfaces();
    if (width_ <= 0 || height_ <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = height_;  // positive: bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    Surface* both[] = {&draw_, &background_};
    for (Surface* s : both) {
        s->bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &s->bits, nullptr, 0));
        if (!s->bitmap || !s->bits) {
            ReleaseSurfaces();
            return false;
        }
        s->width = width_;
        s->height = height_;
    }
    for (Surface* s : both) {
        s->dc.reset(CreateCompatibleDC(nullptr));
        if (!s->dc || !SelectObject(s->dc.get(), s->bitmap.get())) {
            ReleaseSurfaces();
            return false;
        }
    }
    Gdiplus::GpGraphics* graphics = nullptr;
    if (gdip::DllExports::GdipCreateFromHDC(draw_.dc.get(), &graphics) != gdip::Ok || !graphics) {
        ReleaseSurfaces();
        return false;
    }
    graphics_.reset(graphics);
    gdip::DllExports::GdipSetTextRenderingHint(
        graphics, static_cast<gdip::TextRenderingHint>(kInitialTextHint));
    return true;
}

namespace {

// A PNG through our own decoder: GDI+'s own file loading brings the system's
// codec DLLs into the process for good (over a megabyte of working set).
gdip::ImagePtr LoadPngForGdiplus(const std::string& path) {
    std::shared_ptr<Image> picture;
    try {
        picture = LoadImageFile(path);
    } catch (const std::exception&) {
        return nullptr;
    }
    if (!picture || picture->empty()) return nullptr;
    Gdiplus::GpBitmap* raw = nullptr;
    if (gdip::DllExports::GdipCreateBitmapFromScan0(picture->width(), picture->height(), 0,
                                                    PixelFormat32bppARGB, nullptr,
                                                    &raw) != gdip::Ok ||
        !raw)
        return nullptr;
    gdip::ImagePtr bitmap(raw);
    Gdiplus::GpRect rect(0, 0, picture->width(), picture->height());
    Gdiplus::BitmapData locked{};
    if (gdip::DllExports::GdipBitmapLockBits(raw, &rect, Gdiplus::ImageLockModeWrite,
                                             PixelFormat32bppARGB, &locked) != gdip::Ok)
        return nullptr;
    // 32bppARGB is straight alpha laid out as B, G, R, A: the picture's own order.
    const std::vector<uint32_t> pixels = picture->Pixels();
    for (int y = 0; y < picture->height(); ++y)
        std::copy_n(pixels.begin() + ptrdiff_t(y) * picture->width(), picture->width(),
                    reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.Scan0) +
                                                ptrdiff_t(y) * locked.Stride));
    gdip::DllExports::GdipBitmapUnlockBits(raw, &locked);
    return bitmap;
}

}  // namespace

void TfrmLayered::SetBackgroundImage(const std::string& path) {
    gdip::ImagePtr image;
    if (path.size() >= 4 && EqualsNoCase(std::string_view(path).substr(path.size() - 4), ".png")) {
        image = LoadPngForGdiplus(path);
    } else {
        Gdiplus::GpImage* loaded = nullptr;
        if (gdip::DllExports::GdipLoadImageFromFile(AnsiToWide(path).c_str(), &loaded) != gdip::Ok)
            loaded = nullptr;
        image.reset(loaded);
    }
    if (!image) return;
    backgroundPath_ = path;
    image_.reset();
    if (!background_.dc) return;
    image_.reset(image.release());
    Gdiplus::GpGraphics* raw = nullptr;
    if (gdip::DllExports::GdipCreateFromHDC(background_.dc.get(), &raw) != gdip::Ok || !raw) return;
    gdip::GraphicsPtr graphics(raw);
    gdip::DllExports::GdipDrawImageRectI(graphics.get(), image_.get(), 0, 0, width_, height_);
}

void TfrmLayered::SetKeyColor(COLORREF colour) {
    keyColor_ = colour;
    Repaint();
}

void TfrmLayered::SetTextQuality(int quality) {
    int hint = TextRenderingHintFor(quality);
    textQuality_ = static_cast<TTextQuality>(hint);
    if (graphics_)
        gdip::DllExports::GdipSetTextRenderingHint(graphics_.get(),
                                                   static_cast<gdip::TextRenderingHint>(hint));
    Repaint();
}

void TfrmLayered::CopyBackground() {
    BitBlt(draw_.dc.get(), 0, 0, width_, height_, background_.dc.get(), 0, 0, SRCCOPY);
}

void TfrmLayered::Paint() {
    if (!graphics_ || !hwnd()) return;
    if (image_) CopyBackground();
    for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (TLayeredLabel* label = TLayeredLabel::FromHandle(child)) {
            label->SetLayeredParent(this);
            label->Repaint();
        }
    }
    UpdateSurface();
}

void TfrmLayered::UpdateSurface() {
    if (!draw_.dc || !hwnd()) return;
    SIZE size{width_, height_};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, blendAlpha_, AC_SRC_ALPHA};
    UpdateLayeredWindow(hwnd(), nullptr, nullptr, &size, draw_.dc.get(), &source, keyColor_, &blend,
                        ULW_ALPHA);
    ++updates_;
}

void TfrmLayered::FormMouseDown() { StartWindowMove(); }

void TfrmLayered::StartWindowMove() {
    ReleaseCapture();
    SendMessageA(hwnd(), WM_SYSCOMMAND, kDragMove, 0);
}

LRESULT TfrmLayered::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: FormMouseDown(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        // The system shows the last surface handed over; there is nothing to draw here.
        paint_dc done(hwnd());
        return 0;
    }
    default: break;
    }
    return Form::HandleMessage(msg, wp, lp);
}

}  // namespace cx::ui

#pragma once
// TfrmLayered: a borderless window drawn wholly by the program with per-pixel
// alpha, for soft, irregular outlines over the desktop (the splash). It keeps
// two off-screen 32-bit surfaces of its size: the background surface holds the
// background picture, drawn once when it is set; the drawing surface is what
// goes to the system, composed from the background and the labels
// (TLayeredLabel, LayeredLabel.h) at every Paint. GDI+ must be started.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Handles.h"
#include "widgets/Form.h"

namespace Gdiplus {
class GpGraphics;
class GpImage;
}  // namespace Gdiplus

namespace cx::ui {

// Ordinals are GDI+ text rendering hints.
enum TTextQuality : int {
    TextQuality_SystemDefault = 0,
    TextQuality_SingleBitPerPixelGridFit = 1,
    TextQuality_SingleBitPerPixel = 2,
    TextQuality_AntiAliasGridFit = 3,
    TextQuality_AntiAlias = 4,
    TextQuality_ClearTypeGridFit = 5,
};
// The rendering hint for a quality value; anything outside the six gives 0.
int TextRenderingHintFor(int quality) noexcept;

class TfrmLayered : public Form {
public:
    static constexpr COLORREF kDefaultKeyColor = RGB(255, 0, 255);
    // A new drawing surface renders text anti-aliased, whatever TextQuality says.
    static constexpr int kInitialTextHint = TextQuality_AntiAlias;

    TfrmLayered();
    ~TfrmLayered() override;

    // Loads the picture (any format GDI+ reads) and draws it, scaled to the
    // window, onto the background surface; shown at the next Paint. A file
    // that cannot be loaded changes nothing and says nothing.
    void SetBackgroundImage(const std::string& path);
    const std::string& BackgroundImage() const noexcept { return backgroundPath_; }
    bool HasBackgroundImage() const noexcept { return image_ != nullptr; }

    // Opacity of the whole window on top of the per-pixel alpha; from the next Paint.
    void SetBlendAlpha(BYTE alpha) noexcept { blendAlpha_ = alpha; }
    BYTE BlendAlpha() const noexcept { return blendAlpha_; }
    // Handed to the system with every update (it has no effect with per-pixel alpha).
    void SetKeyColor(COLORREF colour);
    COLORREF KeyColor() const noexcept { return keyColor_; }
    // Sets the drawing surface's text rendering hint (TextRenderingHintFor) and repaints.
    void SetTextQuality(int quality);
    TTextQuality TextQuality() const noexcept { return textQuality_; }

    // The surfaces; all null when they could not be made (the window then never draws).
    HDC MemDC() const noexcept { return draw_.dc.get(); }
    Gdiplus::GpGraphics* MemGraphics() const noexcept { return graphics_.get(); }
    HDC BackgroundDC() const noexcept { return background_.dc.get(); }
    int SurfaceWidth() const noexcept { return width_; }
    int SurfaceHeight() const noexcept { return height_; }
    // A pixel of the drawing (background) surface, (0, 0) the top-left corner,
    // as stored: premultiplied 0xAARRGGBB. 0 outside or without surfaces.
    uint32_t SurfacePixel(int x, int y) const noexcept { return draw_.Pixel(x, y); }
    uint32_t BackgroundPixel(int x, int y) const noexcept { return background_.Pixel(x, y); }

    // Composes the drawing surface (background, then every label child in
    // child order) and hands it to the system; nothing without surfaces.
    virtual void Paint();
    void Repaint() { Paint(); }
    // Hands the drawing surface as it is to the system as the window's picture.
    void UpdateSurface();
    // How many times the drawing surface went to the system (a Paint with n
    // labels makes n + 1).
    int SurfaceUpdates() const noexcept { return updates_; }

    // A mouse press anywhere on the window drags the window.
    void FormMouseDown();

protected:
    // Creates the window of that class, borderless and layered, `width` by
    // `height`, hidden, then its surfaces. Throws when the window cannot be created.
    void CreateLayeredWindow(HWND owner, const char* className, const std::string& caption,
                             int width, int height);
    // Makes both surfaces and the graphics object; false (and nothing kept) on failure.
    virtual bool CreateSurfaces();
    // Copies the whole background surface onto the drawing surface.
    virtual void CopyBackground();
    // Starts the system's window move as if the caption were dragged.
    virtual void StartWindowMove();

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    struct Surface {
        unique_hbitmap bitmap;
        unique_memdc dc;  // holds the bitmap selected; goes first
        void* bits = nullptr;
        int width = 0, height = 0;
        uint32_t Pixel(int x, int y) const noexcept;
        void Release() noexcept;
    };
    void ReleaseSurfaces() noexcept;

    struct ReleaseGraphics {
        void operator()(Gdiplus::GpGraphics* g) const noexcept;
    };
    struct ReleaseImage {
        void operator()(Gdiplus::GpImage* i) const noexcept;
    };

    Surface draw_, background_;
    std::unique_ptr<Gdiplus::GpGraphics, ReleaseGraphics> graphics_;
    std::unique_ptr<Gdiplus::GpImage, ReleaseImage> image_;
    std::string backgroundPath_;
    int width_ = 0, height_ = 0;
    BYTE blendAlpha_ = 255;
    COLORREF keyColor_ = kDefaultKeyColor;
    TTextQuality textQuality_ = TextQuality_SystemDefault;
    int updates_ = 0;
};

}  // namespace cx::ui

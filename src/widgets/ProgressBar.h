#pragma once
// A skinned progress bar that shows its percentage in the middle: a track,
// the filled part from the left, and the "NN%" text, which changes colour
// where the fill runs under it so it stays readable on both. The track and
// the fill may be pictures (stretched to the bar); without them the bar draws
// itself in its colours. Where the bar has nothing of its own to show (a
// picture's transparent pixels) the parent shows through (see Controls.h).
// It answers PBM_GETPOS and PBM_GETRANGE as the common control does.
#include <windows.h>

#include <memory>
#include <string>

#include "widgets/Image.h"
#include "widgets/Window.h"

namespace cx::ui {

class ProgressBar : public Window {
public:
    void Create(HWND parent, int x, int y, int w, int h, int id = 0);

    // A range whose end does not lie above its start is taken as start..start+1.
    void SetRange(int minimum, int maximum);
    int Minimum() const noexcept { return min_; }
    int Maximum() const noexcept { return max_; }
    // Kept inside the range; the new state is on screen when this returns,
    // even while the caller keeps the thread busy.
    void SetPosition(int position);
    int Position() const noexcept { return pos_; }
    // 0..100, rounded down; 100 only at the end of the range.
    int Percent() const noexcept;
    std::string PercentText() const;  // "42%"
    void SetShowPercent(bool show);
    bool ShowPercent() const noexcept { return showPercent_; }
    // How many pixels of the inside the fill covers now (the width less the frame).
    int FilledWidth() const;

    void SetPictures(std::shared_ptr<Image> track, std::shared_ptr<Image> fill);
    struct Colours {
        COLORREF frame = RGB(0x9A, 0xA8, 0xB8);
        COLORREF track = RGB(0xF4, 0xF6, 0xF9);
        COLORREF fill = RGB(0x2F, 0x7B, 0xD0);
        COLORREF text = RGB(0x20, 0x2A, 0x36);
        COLORREF textOnFill = RGB(0xFF, 0xFF, 0xFF);
    };
    void SetColours(const Colours& colours);
    const Colours& GetColours() const noexcept { return colours_; }
    void SetFont(HFONT font);  // not owned; nullptr: the parent's font

    static constexpr int kFrame = 1;  // the frame's width, inside the bounds

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void PaintContent(HDC dc);
    void Redraw(bool now);
    HFONT TextFont() const;

    int min_ = 0, max_ = 100, pos_ = 0;
    bool showPercent_ = true;
    std::shared_ptr<Image> track_, fill_;
    Colours colours_;
    HFONT font_ = nullptr;
};

}  // namespace cx::ui

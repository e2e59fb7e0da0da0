#include "widgets/ProgressBar.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/Handles.h"
#include "widgets/Controls.h"

namespace cx::ui {

namespace {
void Fill(HDC dc, const RECT& rc, COLORREF colour) {
    unique_hbrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rc, brush.get());
}

void DrawText(HDC dc, const std::string& text, const RECT& rc, COLORREF colour) {
    SetTextColor(dc, colour);
    RECT r = rc;
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
}  // namespace

void ProgressBar::Create(HWND parent, int x, int y, int w, int h, int id) {
    ClassSpec cls{"CxProgressBar", CS_HREDRAW | CS_VREDRAW};
    Window::Create(cls, 0, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, "", x, y, w, h, parent,
                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void ProgressBar::SetRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = maximum > minimum ? maximum : minimum + 1;
    pos_ = std::clamp(pos_, min_, max_);
    Redraw(false);
}

void ProgressBar::SetPosition(int position) {
    int p = std::clamp(position, min_, max_);
    if (p == pos_) return;
    pos_ = p;
    Redraw(true);
}

int ProgressBar::Percent() const noexcept {
    // In 64 bits: a range across the whole of int would overflow the product.
    long long span = static_cast<long long>(max_) - min_;
    return static_cast<int>((static_cast<long long>(pos_) - min_) * 100 / span);
}

std::string ProgressBar::PercentText() const { return std::to_string(Percent()) + "%"; }

void ProgressBar::SetShowPercent(bool show) {
    showPercent_ = show;
    Redraw(false);
}

int ProgressBar::FilledWidth() const {
    if (!hwnd()) return 0;
    RECT rc;
    GetClientRect(hwnd(), &rc);
    long long inside = std::max(0L, rc.right - 2L * kFrame);
    long long span = static_cast<long long>(max_) - min_;
    return static_cast<int>(inside * (static_cast<long long>(pos_) - min_) / span);
}

void ProgressBar::SetPictures(std::shared_ptr<Image> track, std::shared_ptr<Image> fill) {
    track_ = track && !track->empty() ? std::move(track) : nullptr;
    fill_ = fill && !fill->empty() ? std::move(fill) : nullptr;
    Redraw(false);
}

void ProgressBar::SetColours(const Colours& colours) {
    colours_ = colours;
    Redraw(false);
}

void ProgressBar::SetFont(HFONT font) {
    font_ = font;
    Redraw(false);
}

HFONT ProgressBar::TextFont() const {
    if (font_) return font_;
    HWND parent = hwnd() ? GetParent(hwnd()) : nullptr;
    auto f = parent ? reinterpret_cast<HFONT>(SendMessageA(parent, WM_GETFONT, 0, 0)) : nullptr;
    return f ? f : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void ProgressBar::Redraw(bool now) {
    if (!hwnd()) return;
    InvalidateRect(hwnd(), nullptr, FALSE);
    // Progress is usually set by work that holds the thread: paint before it goes on.
    if (now) UpdateWindow(hwnd());
}

void ProgressBar::PaintContent(HDC dc) {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    PaintParentBackground(hwnd(), dc);

    RECT inside{rc.left + kFrame, rc.top + kFrame, rc.right - kFrame, rc.bottom - kFrame};
    if (track_) {
        track_->DrawStretched(dc, rc);
    } else {
        Fill(dc, rc, colours_.frame);
        Fill(dc, inside, colours_.track);
    }
    RECT filled = inside;
    filled.right = inside.left + FilledWidth();
    if (filled.right > filled.left) {
        int saved = SaveDC(dc);
        IntersectClipRect(dc, filled.left, filled.top, filled.right, filled.bottom);
        if (fill_)
            fill_->DrawStretched(dc, inside);
        else
            Fill(dc, inside, colours_.fill);
        RestoreDC(dc, saved);
    }
    if (!showPercent_) return;

    select_object font(dc, TextFont());
    SetBkMode(dc, TRANSPARENT);
    const std::string text = PercentText();
    // The text in its own colour beside the fill, in the other one over it.
    int saved = SaveDC(dc);
    ExcludeClipRect(dc, filled.left, filled.top, filled.right, filled.bottom);
    DrawText(dc, text, inside, colours_.text);
    RestoreDC(dc, saved);
    if (filled.right > filled.left) {
        saved = SaveDC(dc);
        IntersectClipRect(dc, filled.left, filled.top, filled.right, filled.bottom);
        DrawText(dc, text, inside, colours_.textOnFill);
        RestoreDC(dc, saved);
    }
}

LRESULT ProgressBar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // The common progress bar's questions, so other programs (and tests on
    // other threads) can read how far it stands.
    if (msg == PBM_GETPOS) return pos_;
    if (msg == PBM_GETRANGE) {
        if (auto* range = reinterpret_cast<PBRANGE*>(lp)) *range = PBRANGE{min_, max_};
        return wp ? min_ : max_;
    }
    LRESULT result = 0;
    if (HandlePaintMessage(
            hwnd(), msg, wp, [this](HDC dc) { PaintContent(dc); }, result))
        return result;
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace cx::ui

#include <windows.h>
#include <windowsx.h>

#include "widgets/Controls.h"

namespace cx::ui {

namespace {
// Halfway to mid grey keeps a disabled caption readable on the same picture.
COLORREF Greyed(COLORREF c) {
    auto mix = [](int v) { return static_cast<BYTE>((v + 2 * 128) / 3); };
    return RGB(mix(GetRValue(c)), mix(GetGValue(c)), mix(GetBValue(c)));
}

struct FlatLook {
    COLORREF face, frame;
};
FlatLook FlatColours(ImageButton::State state) {
    switch (state) {
    case ImageButton::Hover: return {RGB(229, 241, 251), RGB(0, 120, 215)};
    case ImageButton::Down: return {RGB(204, 228, 247), RGB(0, 84, 153)};
    case ImageButton::Disabled: return {RGB(204, 204, 204), RGB(191, 191, 191)};
    default: return {RGB(225, 225, 225), RGB(173, 173, 173)};
    }
}

void Fill(HDC dc, const RECT& rc, COLORREF colour) {
    unique_hbrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rc, brush.get());
}
}  // namespace

void ImageButton::Create(HWND parent, int id, const std::string& caption, int x, int y, int w,
                         int h) {
    ClassSpec cls{"CxImageButton", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS};
    Window::Create(cls, 0, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, caption, x, y, w, h, parent,
                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void ImageButton::SetPicture(State state, std::shared_ptr<Image> picture) {
    if (picture && picture->empty()) picture.reset();
    pictures_[state] = std::move(picture);
    Redraw();
}

void ImageButton::SetCaption(const std::string& caption) {
    if (hwnd()) SetWindowTextA(hwnd(), caption.c_str());
}

std::string ImageButton::Caption() const {
    if (!hwnd()) return {};
    std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd())) + 1, '\0');
    text.resize(
        static_cast<size_t>(GetWindowTextA(hwnd(), text.data(), static_cast<int>(text.size()))));
    return text;
}

void ImageButton::SetEnabled(bool enabled) {
    if (hwnd()) EnableWindow(hwnd(), enabled);
}

bool ImageButton::Enabled() const { return hwnd() && IsWindowEnabled(hwnd()); }

void ImageButton::SetCaptionColour(COLORREF colour) {
    captionColour_ = colour;
    Redraw();
}

void ImageButton::SetDisabledCaptionColour(COLORREF colour) {
    disabledColour_ = colour;
    Redraw();
}

void ImageButton::SetFont(HFONT font) {
    font_ = font;
    Redraw();
}

ImageButton::State ImageButton::CurrentState() const {
    if (!Enabled()) return Disabled;
    if (hover_) return pressed_ ? Down : Hover;
    return Normal;
}

void ImageButton::Redraw() {
    if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void ImageButton::SetHover(bool hover) {
    if (hover_ == hover) return;
    hover_ = hover;
    Redraw();
}

HFONT ImageButton::CaptionFont() const {
    if (font_) return font_;
    HWND parent = GetParent(hwnd());
    HFONT font = parent ? reinterpret_cast<HFONT>(SendMessageA(parent, WM_GETFONT, 0, 0)) : nullptr;
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void ImageButton::PaintContent(HDC dc) {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    State state = CurrentState();
    const Image* picture = pictures_[state] ? pictures_[state].get() : pictures_[Normal].get();
    COLORREF textColour;
    if (picture) {
        // Pictures may have see-through parts (rounded corners).
        if (!picture->Opaque()) PaintParentBackground(hwnd(), dc);
        picture->DrawStretched(dc, rc);
        textColour = state != Disabled                ? captionColour_
                     : disabledColour_ != CLR_INVALID ? disabledColour_
                                                      : Greyed(captionColour_);
    } else {
        // Without pictures the button must still be seen, and its caption read,
        // whatever colour the skin chose for captions on its pictures.
        FlatLook look = FlatColours(state);
        Fill(dc, rc, look.frame);
        RECT face = rc;
        InflateRect(&face, -1, -1);
        Fill(dc, face, look.face);
        textColour = GetSysColor(state == Disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    }

    std::string caption = Caption();
    if (caption.empty()) return;
    RECT text = rc;
    if (state == Down) OffsetRect(&text, 1, 1);
    int saved = SaveDC(dc);
    SelectObject(dc, CaptionFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColour);
    // "&" marks an accelerator as on any button; the buttons take no keys, so it stays hidden.
    DrawTextA(dc, caption.c_str(), -1, &text,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_HIDEPREFIX);
    RestoreDC(dc, saved);
}

void ImageButton::Click() {
    HWND h = hwnd();
    // A copy: the handler may destroy this button.
    if (auto handler = onClick) handler();
    // The handler may have run a modal loop (a drop-down menu) while the mouse
    // went elsewhere, or destroyed the button.
    if (!IsWindow(h) || GetWindowLongPtrA(h, GWLP_USERDATA) != reinterpret_cast<LONG_PTR>(this))
        return;
    POINT cursor;
    if (!pressed_ && GetCursorPos(&cursor)) SetHover(WindowFromPoint(cursor) == h && Enabled());
}

LRESULT ImageButton::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT painted = 0;
    if (HandlePaintMessage(
            hwnd(), msg, wp, [this](HDC dc) { PaintContent(dc); }, painted))
        return painted;
    switch (msg) {
    case WM_MOUSEMOVE: {
        if (!Enabled()) return 0;
        RECT rc;
        GetClientRect(hwnd(), &rc);
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        bool inside = PtInRect(&rc, pt) != 0;
        if (!pressed_ && inside && !tracking_) {
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd(), 0};
            tracking_ = TrackMouseEvent(&tme) != 0;
        }
        // While captured, moves outside arrive here too and decide Down or not.
        SetHover(inside);
        return 0;
    }
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (!pressed_) SetHover(false);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!Enabled()) return 0;
        pressed_ = true;
        hover_ = true;
        SetCapture(hwnd());
        Redraw();
        return 0;
    case WM_LBUTTONUP: {
        if (!pressed_) return 0;
        RECT rc;
        GetClientRect(hwnd(), &rc);
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        bool inside = PtInRect(&rc, pt) != 0;
        pressed_ = false;  // before ReleaseCapture, whose WM_CAPTURECHANGED comes at once
        hover_ = inside;
        if (GetCapture() == hwnd()) ReleaseCapture();
        if (inside && !tracking_) {
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd(), 0};
            tracking_ = TrackMouseEvent(&tme) != 0;
        }
        Redraw();
        UpdateWindow(hwnd());
        if (inside) Click();
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (pressed_) {
            pressed_ = false;
            hover_ = false;
            Redraw();
        }
        return 0;
    case BM_CLICK:
        if (Enabled()) Click();
        return 0;
    case WM_CONTEXTMENU:
        if (onRightClick && Enabled()) {
            POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            if (lp == -1) {  // from the keyboard: below the button's middle
                RECT rc = GetBounds(hwnd());
                pt = {(rc.right - rc.left) / 2, rc.bottom - rc.top};
                ClientToScreen(hwnd(), &pt);
            }
            if (auto handler = onRightClick) handler(pt);
            return 0;
        }
        break;
    case WM_ENABLE:
        if (!wp) {
            pressed_ = false;
            hover_ = false;
            if (GetCapture() == hwnd()) ReleaseCapture();
        }
        Redraw();
        return 0;
    case WM_SETTEXT: {
        LRESULT r = Window::HandleMessage(msg, wp, lp);
        Redraw();
        return r;
    }
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wp);
        if (LOWORD(lp)) Redraw();
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    default: break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace cx::ui

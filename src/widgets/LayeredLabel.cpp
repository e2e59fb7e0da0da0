#include "widgets/LayeredLabel.h"

#include <windowsx.h>

#include <utility>

#include "platform/Error.h"
#include "platform/Strings.h"
#include "widgets/Controls.h"
#include "widgets/Layered.h"
#include "widgets/LayeredGdiplus.h"

namespace cx::ui {

// ---- Decisions -------------------------------------------------------------

TextPlacement PlacementOf(int alignment) noexcept {
    switch (alignment) {
    case Alignment_TopLeft: return {0, 0};
    case Alignment_TopCenter: return {1, 0};
    case Alignment_TopRight: return {2, 0};
    case Alignment_MiddleLeft: return {0, 1};
    case Alignment_MiddleCenter: return {1, 1};
    case Alignment_MiddleRight: return {2, 1};
    case Alignment_BottomLeft: return {0, 2};
    case Alignment_BottomCenter: return {1, 2};
    case Alignment_BottomRight: return {2, 2};
    case Alignment_Center: return {1, 1};
    case Alignment_Left: return {0, 1};
    case Alignment_Right: return {2, 1};
    case Alignment_Custom: return {0, 0};
    default: return {1, 1};
    }
}

LayoutBox CaptionBox(const RECT& bounds, int alignment, int textX, int textY) noexcept {
    LayoutBox box{float(bounds.left), float(bounds.top), float(bounds.right - bounds.left),
                  float(bounds.bottom - bounds.top)};
    if (alignment == Alignment_Custom) {
        box.x += float(textX);
        box.y += float(textY);
        box.width -= float(textX);
        box.height -= float(textY);
    }
    return box;
}

int CaptionFormatFlags(int current, bool multiLines) noexcept {
    return multiLines ? current & ~kNoWrapFlag : current | kNoWrapFlag;
}

bool CaptionBlank(const std::string& caption) noexcept {
    for (char c : caption)
        if (static_cast<unsigned char>(c) > ' ') return false;
    return true;
}

std::wstring DrawnCaption(const std::string& caption) {
    std::wstring wide = AnsiToWide(caption);
    std::wstring out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] != L'\r') {
            out += wide[i];
            continue;
        }
        out += L'\n';
        if (i + 1 < wide.size() && wide[i + 1] == L'\n') ++i;
    }
    return out;
}

uint32_t OpaqueArgb(COLORREF colour, BYTE alpha) noexcept {
    return (uint32_t(alpha) << 24) | (uint32_t(GetRValue(colour)) << 16) |
           (uint32_t(GetGValue(colour)) << 8) | uint32_t(GetBValue(colour));
}

LabelLook LookFor(bool enabled, bool pressed, bool hover) noexcept {
    if (!enabled) return LabelLook::Disabled;
    if (pressed) return LabelLook::Down;
    if (hover) return LabelLook::Hover;
    return LabelLook::Normal;
}

bool PointOutsideLabel(int x, int y, int width, int height) noexcept {
    return x < 0 || y < 0 || x > width || y > height;
}

bool LabelState::MouseLeave() noexcept {
    if (pressed) return false;
    hover = pressed = false;
    return true;
}

void LabelState::MouseMove(bool outside) noexcept {
    if (outside) hover = pressed = false;
}

void LabelState::ButtonUp(bool outside) noexcept {
    hover = !outside;
    pressed = false;
}

// ---- Fonts -----------------------------------------------------------------

LabelFont::LabelFont(const LOGFONTA& logFont, COLORREF colour)
    : colour(colour), font_(CreateFontIndirectA(&logFont)) {}

LabelFont LabelFont::Make(const char* face, int pixels, COLORREF colour, bool bold, BYTE charSet) {
    LOGFONTA lf{};
    lf.lfHeight = -pixels;
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = charSet;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    return LabelFont(lf, colour);
}

LabelFont::LabelFont(const LabelFont& other) : colour(other.colour) {
    if (auto lf = other.LogFont()) font_.reset(CreateFontIndirectA(&*lf));
}

LabelFont& LabelFont::operator=(const LabelFont& other) {
    if (this != &other) {
        LabelFont copy(other);
        *this = std::move(copy);
    }
    return *this;
}

std::optional<LOGFONTA> LabelFont::LogFont() const {
    LOGFONTA lf{};
    if (!font_ || GetObjectA(font_.get(), sizeof lf, &lf) != sizeof lf) return std::nullopt;
    return lf;
}

// ---- The label -------------------------------------------------------------

void TLayeredLabel::Create(TfrmLayered& parent, int x, int y, int width, int height, int id) {
    // No CS_DBLCLKS: a quick second press is another press, not a double click.
    Window::Create(ClassSpec{kClassName, 0}, 0, WS_CHILD | WS_VISIBLE, "", x, y, width, height,
                   parent.hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
    auto parentFont = reinterpret_cast<HFONT>(SendMessageA(parent.hwnd(), WM_GETFONT, 0, 0));
    LOGFONTA lf{};
    if (!parentFont) parentFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (GetObjectA(parentFont, sizeof lf, &lf) == sizeof lf) font_ = LabelFont(lf, RGB(0, 0, 0));
    fontHover_ = fontDown_ = fontDisabled_ = font_;
    layeredParent_ = nullptr;
}

TLayeredLabel* TLayeredLabel::FromHandle(HWND hwnd) noexcept {
    char name[64] = {};
    if (!hwnd || !GetClassNameA(hwnd, name, sizeof name) || lstrcmpA(name, kClassName) != 0)
        return nullptr;
    // The class is ours alone: its windows carry a Window (see Window.cpp).
    auto* window = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    return dynamic_cast<TLayeredLabel*>(window);
}

void TLayeredLabel::SetCaption(const std::string& caption) {
    if (hwnd()) {
        // The window's text is the caption; WM_SETTEXT takes it over and repaints.
        SetWindowTextA(hwnd(), caption.c_str());
        return;
    }
    caption_ = caption;
}

void TLayeredLabel::SetFont(const LabelFont& font) {
    font_ = font;
    Repaint();
}
void TLayeredLabel::SetFontMouseHover(const LabelFont& font) {
    fontHover_ = font;
    Repaint();
}
void TLayeredLabel::SetFontMouseDown(const LabelFont& font) {
    fontDown_ = font;
    Repaint();
}
void TLayeredLabel::SetFontDisabled(const LabelFont& font) {
    fontDisabled_ = font;
    Repaint();
}

const LabelFont& TLayeredLabel::FontOf(LabelLook look) const noexcept {
    switch (look) {
    case LabelLook::Hover: return fontHover_;
    case LabelLook::Down: return fontDown_;
    case LabelLook::Disabled: return fontDisabled_;
    default: return font_;
    }
}

void TLayeredLabel::SetTextAlign(TAlignment align) {
    if (align_ == align) return;
    align_ = align;
    Repaint();
}

void TLayeredLabel::SetMultiLines(bool on) {
    if (multiLines_ == on) return;
    multiLines_ = on;
    Repaint();
}

void TLayeredLabel::SetTextX(int x) {
    if (textX_ == x) return;
    textX_ = x;
    Repaint();
}

void TLayeredLabel::SetTextY(int y) {
    if (textY_ == y) return;
    textY_ = y;
    Repaint();
}

void TLayeredLabel::SetDrawFocused(bool on) {
    if (drawFocused_ == on) return;
    drawFocused_ = on;
    Repaint();
}

void TLayeredLabel::SetFocusedRectMargin(int margin) {
    if (focusMargin_ == margin) return;
    focusMargin_ = margin;
    if (drawFocused_) Repaint();
}

void TLayeredLabel::SetTabStop(bool on) {
    if (!hwnd()) return;
    LONG style = GetWindowLongA(hwnd(), GWL_STYLE);
    SetWindowLongA(hwnd(), GWL_STYLE, on ? style | WS_TABSTOP : style & ~WS_TABSTOP);
}

void TLayeredLabel::SetEnabled(bool enabled) {
    // WM_ENABLE repaints.
    if (hwnd()) EnableWindow(hwnd(), enabled);
}

bool TLayeredLabel::Enabled() const noexcept { return hwnd() && IsWindowEnabled(hwnd()); }

LabelLook TLayeredLabel::CurrentLook() const noexcept {
    return LookFor(Enabled(), state_.pressed, state_.hover);
}

RECT TLayeredLabel::BoundsInWindow() const { return GetBounds(hwnd()); }

void TLayeredLabel::Paint() {
    if (!layeredParent_ || !hwnd()) return;
    // A hidden label leaves its place to the background.
    RestoreBackground();
    if (GetWindowLongA(hwnd(), GWL_STYLE) & WS_VISIBLE) {
        if (Gdiplus::GpGraphics* graphics = layeredParent_->MemGraphics()) {
            if (drawFocused_ && GetFocus() == hwnd()) DrawFocusRect(graphics);
            if (!CaptionBlank(caption_)) DrawCaption(graphics, caption_);
        }
    }
    // The parent's blend (its BlendAlpha) goes with the surface.
    layeredParent_->UpdateSurface();
}

void TLayeredLabel::RestoreBackground() {
    HDC background = layeredParent_ ? layeredParent_->BackgroundDC() : nullptr;
    if (!background) return;
    RECT r = BoundsInWindow();
    BitBlt(layeredParent_->MemDC(), r.left, r.top, r.right - r.left, r.bottom - r.top, background,
           r.left, r.top, SRCCOPY);
}

void TLayeredLabel::DrawFocusRect(Gdiplus::GpGraphics* graphics) {
    using namespace gdip;
    GpPen* raw = nullptr;
    if (DllExports::GdipCreatePen1(OpaqueArgb(font_.colour, 128), float(focusMargin_), UnitWorld,
                                   &raw) != Ok)
        return;
    PenPtr pen(raw);
    RECT r = BoundsInWindow();
    int m = focusMargin_;
    DllExports::GdipDrawRectangleI(graphics, pen.get(), r.left + m, r.top + m,
                                   r.right - r.left - 2 * m, r.bottom - r.top - 2 * m);
}

void TLayeredLabel::DrawCaption(Gdiplus::GpGraphics* graphics, const std::string& text) {
    using namespace gdip;
    LayoutBox box = CaptionBox(BoundsInWindow(), align_, textX_, textY_);
    RectF layout(box.x, box.y, box.width, box.height);

    GpStringFormat* rawFormat = nullptr;
    if (DllExports::GdipCreateStringFormat(0, LANG_NEUTRAL, &rawFormat) != Ok) return;
    FormatPtr format(rawFormat);
    TextPlacement place = PlacementOf(align_);
    DllExports::GdipSetStringFormatAlign(format.get(), StringAlignment(place.horizontal));
    DllExports::GdipSetStringFormatLineAlign(format.get(), StringAlignment(place.vertical));

    const LabelFont& chosen = FontOf(CurrentLook());
    window_dc dc(hwnd());
    if (!dc.get()) return;
    GpFont* rawFont = nullptr;
    Status made;
    if (auto lf = chosen.LogFont()) {
        made = DllExports::GdipCreateFontFromLogfontA(dc.get(), &*lf, &rawFont);
    } else {
        // The label's canvas font (the one WM_SETFONT gave) stands in.
        made = DllExports::GdipCreateFontFromDC(dc.get(), &rawFont);
    }
    if (made != Ok || !rawFont) return;
    FontPtr font(rawFont);

    INT flags = 0;
    DllExports::GdipGetStringFormatFlags(format.get(), &flags);
    DllExports::GdipSetStringFormatFlags(format.get(), CaptionFormatFlags(flags, multiLines_));
    DllExports::GdipSetStringFormatTrimming(format.get(), StringTrimmingEllipsisWord);

    GpSolidFill* rawBrush = nullptr;
    if (DllExports::GdipCreateSolidFill(OpaqueArgb(chosen.colour), &rawBrush) != Ok) return;
    BrushPtr brush(rawBrush);
    std::wstring wide = DrawnCaption(text);
    DllExports::GdipDrawString(graphics, wide.c_str(), static_cast<INT>(wide.size()), font.get(),
                               &layout, format.get(), brush.get());
}

void TLayeredLabel::FontChanged() { Repaint(); }

void TLayeredLabel::TextChanged() { Repaint(); }

void TLayeredLabel::Click() {
    if (onClick) onClick();
}

void TLayeredLabel::MoveParentWindow() {
    HWND parent = GetParent(hwnd());
    if (!parent) return;
    ReleaseCapture();
    SendMessageA(parent, WM_SYSCOMMAND, 0xF012, 0);
}

void TLayeredLabel::MouseEntered() {
    entered_ = true;
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd(), 0};
    TrackMouseEvent(&track);
    state_.MouseEnter();
    Repaint();
    if (onMouseEnter) onMouseEnter();
}

void TLayeredLabel::MouseLeft() {
    entered_ = false;
    if (!state_.MouseLeave()) return;
    Repaint();
    if (onMouseLeave) onMouseLeave();
}

void TLayeredLabel::OnMouseMove(int x, int y) {
    RECT client;
    GetClientRect(hwnd(), &client);
    POINT p{x, y};
    const bool over = PtInRect(&client, p) != FALSE;
    if (over && !entered_) MouseEntered();
    LabelState before = state_;
    state_.MouseMove(PointOutsideLabel(x, y, client.right, client.bottom));
    if (!(state_ == before)) Repaint();
    // While the label holds the mouse, the system reports no leave: a move off it is one.
    if (!over && entered_ && GetCapture() == hwnd()) MouseLeft();
}

void TLayeredLabel::OnLeftButtonDown() {
    // A press always comes with the pointer on the label, even when no move
    // announced it first.
    if (!entered_) MouseEntered();
    state_.LeftButtonDown();
    Repaint();
    LONG style = GetWindowLongA(hwnd(), GWL_STYLE);
    if ((style & WS_TABSTOP) && IsWindowEnabled(hwnd()) && IsWindowVisible(hwnd()))
        SetFocus(hwnd());  // a window that cannot take the focus just keeps its look
    SetCapture(hwnd());
    clicked_ = true;
    if (moveHandler_) {
        clicked_ = false;  // the move took the button's release
        MoveParentWindow();
        state_.WindowMoved();
        Repaint();
    }
}

void TLayeredLabel::OnButtonUp(int x, int y, bool left) {
    RECT client;
    GetClientRect(hwnd(), &client);
    state_.ButtonUp(PointOutsideLabel(x, y, client.right, client.bottom));
    Repaint();
    if (!left) return;
    // Taken before the capture goes: losing the capture cancels a press.
    const bool pressedHere = std::exchange(clicked_, false);
    if (GetCapture() == hwnd()) ReleaseCapture();
    POINT p{x, y};
    if (pressedHere && PtInRect(&client, p)) Click();
}

LRESULT TLayeredLabel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE: OnMouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp)); return 0;
    case WM_MOUSELEAVE:
        if (entered_) MouseLeft();
        return 0;
    case WM_LBUTTONDOWN: OnLeftButtonDown(); return 0;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (moveHandler_) MoveParentWindow();
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        OnButtonUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), msg == WM_LBUTTONUP);
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: the press can no longer end in a click.
        if (reinterpret_cast<HWND>(lp) != hwnd()) clicked_ = false;
        return 0;
    case WM_SETFOCUS: Repaint(); return 0;
    case WM_KILLFOCUS:
        state_.FocusLost();
        Repaint();
        return 0;
    case WM_ENABLE: Repaint(); return 0;
    case WM_SETTEXT: {
        LRESULT r = Window::HandleMessage(msg, wp, lp);
        caption_ = lp ? reinterpret_cast<const char*>(lp) : "";
        TextChanged();
        return r;
    }
    case WM_SETFONT: {
        LOGFONTA lf{};
        auto font = reinterpret_cast<HFONT>(wp);
        if (font && GetObjectA(font, sizeof lf, &lf) == sizeof lf) {
            font_ = LabelFont(lf, font_.colour);
            FontChanged();
        }
        return 0;
    }
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_.Handle());
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        // The window itself is never seen; its picture is on the parent's surface.
        paint_dc done(hwnd());
        return 0;
    }
    default: break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace cx::ui

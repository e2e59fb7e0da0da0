#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include "platform/Error.h"
#include "widgets/Controls.h"

namespace cx::ui {

namespace {
constexpr UINT kTextFormat = DT_NOPREFIX | DT_EXPANDTABS;
}

LinkLabel::~LinkLabel() {
    // The tooltip is a top-level window: it does not go with the label by itself.
    if (tip_ && IsWindow(tip_)) DestroyWindow(tip_);
}

void LinkLabel::Create(HWND parent, int x, int y, bool isLink) {
    isLink_ = isLink;
    ClassSpec cls{"CxLinkLabel", CS_DBLCLKS};
    Window::Create(cls, 0, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, "", x, y, 0, 0, parent);
    Resize();
    if (!hint_.empty()) SetHint(hint_);
}

void LinkLabel::SetText(const std::string& text) {
    if (hwnd()) SetWindowTextA(hwnd(), text.c_str());  // WM_SETTEXT resizes
}

std::string LinkLabel::Text() const {
    if (!hwnd()) return {};
    std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd())) + 1, '\0');
    text.resize(
        static_cast<size_t>(GetWindowTextA(hwnd(), text.data(), static_cast<int>(text.size()))));
    return text;
}

void LinkLabel::SetHint(const std::string& hint) {
    hint_ = hint;
    if (!hwnd()) return;
    if (hint_.empty()) {
        if (tip_) DestroyWindow(tip_);
        tip_ = nullptr;
        return;
    }
    // The version 2 size: comctl32 version 5 refuses the longer structure.
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd());
    tool.lpszText = hint_.data();
    if (tip_) {
        SendMessageA(tip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
        return;
    }
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    tip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                           WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, GetModuleHandleA(nullptr),
                           nullptr);
    if (!tip_) ThrowLastError();
    // A width limit lets hints with line breaks show on several lines.
    SendMessageA(tip_, TTM_SETMAXTIPWIDTH, 0, 600);
    if (!SendMessageA(tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
        DestroyWindow(tip_);
        tip_ = nullptr;
        throw AppError("The hint of a label could not be set.");
    }
}

void LinkLabel::SetLink(bool isLink) {
    isLink_ = isLink;
    pressed_ = false;
    Redraw();
}

void LinkLabel::SetBackground(COLORREF colour) {
    background_ = colour;
    Redraw();
}

void LinkLabel::SetFont(HFONT font) {
    font_ = font;
    Resize();
    Redraw();
}

HFONT LinkLabel::TextFont() const {
    return font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HFONT LinkLabel::HoverFont() {
    HFONT base = TextFont();
    if (!underlined_ || underlinedFrom_ != base) {
        LOGFONTA lf{};
        GetObjectA(base, sizeof lf, &lf);
        lf.lfUnderline = TRUE;
        underlined_.reset(CreateFontIndirectA(&lf));
        underlinedFrom_ = base;
    }
    return underlined_ ? underlined_.get() : base;
}

void LinkLabel::Resize() {
    if (!hwnd()) return;
    // An empty label keeps the height of a line, as a label with a blank would.
    std::string text = Text();
    if (text.empty()) text = " ";
    window_dc dc(hwnd());
    RECT r{0, 0, 0, 0};
    {
        select_object font(dc.get(), TextFont());
        DrawTextA(dc.get(), text.c_str(), static_cast<int>(text.size()), &r,
                  kTextFormat | DT_CALCRECT);
    }
    SetWindowPos(hwnd(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LinkLabel::Redraw() {
    if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void LinkLabel::PaintContent(HDC dc) {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    if (background_ != CLR_INVALID) {
        unique_hbrush brush(CreateSolidBrush(background_));
        FillRect(dc, &rc, brush.get());
    } else {
        PaintParentBackground(hwnd(), dc);
    }
    std::string text = Text();
    if (text.empty()) return;
    COLORREF colour = !IsWindowEnabled(hwnd()) ? GetSysColor(COLOR_GRAYTEXT)
                      : isLink_                ? (hover_ ? hoverColour_ : linkColour_)
                                               : textColour_;
    int saved = SaveDC(dc);
    SelectObject(dc, isLink_ && hover_ ? HoverFont() : TextFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc, kTextFormat);
    RestoreDC(dc, saved);
}

LRESULT LinkLabel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT painted = 0;
    if (HandlePaintMessage(
            hwnd(), msg, wp, [this](HDC dc) { PaintContent(dc); }, painted))
        return painted;
    switch (msg) {
    case WM_MOUSEMOVE:
        if (!hover_) {
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd(), 0};
            TrackMouseEvent(&tme);
            hover_ = true;
            if (isLink_) Redraw();
        }
        return 0;
    case WM_MOUSELEAVE:
        hover_ = false;
        if (isLink_) Redraw();
        return 0;
    case WM_SETCURSOR:
        if (isLink_ && LOWORD(lp) == HTCLIENT) {
            SetCursor(LoadCursor(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (isLink_ && IsWindowEnabled(hwnd())) {
            pressed_ = true;
            SetCapture(hwnd());
        }
        return 0;
    case WM_LBUTTONUP:
        if (pressed_) {
            pressed_ = false;
            if (GetCapture() == hwnd()) ReleaseCapture();
            RECT rc;
            GetClientRect(hwnd(), &rc);
            POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            if (isLink_ && PtInRect(&rc, pt)) {
                if (auto handler = onClick) handler();  // a copy: it may destroy the label
            }
        }
        return 0;
    case WM_CAPTURECHANGED: pressed_ = false; return 0;
    case WM_SETTEXT: {
        LRESULT r = Window::HandleMessage(msg, wp, lp);
        Resize();
        Redraw();
        return r;
    }
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wp);
        Resize();
        if (LOWORD(lp)) Redraw();
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    case WM_ENABLE: Redraw(); return 0;
    case WM_DESTROY:
        if (tip_) DestroyWindow(tip_);
        tip_ = nullptr;
        break;
    default: break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace cx::ui

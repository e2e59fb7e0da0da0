// Containers (image panel, size panel) and the helpers every widget shares:
// bounds, painting what the parent shows, passing child notifications upwards.
#include <windows.h>
#include <windowsx.h>

#include <algorithm>

#include "widgets/Controls.h"

namespace cx::ui {

void SetBounds(HWND hwnd, int left, int top, int width, int height) {
    SetWindowPos(hwnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT GetBounds(HWND hwnd) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    HWND parent = (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr;
    if (parent) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void PaintParentBackground(HWND child, HDC dc) {
    RECT rc;
    GetClientRect(child, &rc);
    HWND parent = GetParent(child);
    HBRUSH brush =
        parent ? reinterpret_cast<HBRUSH>(GetClassLongPtrA(parent, GCLP_HBRBACKGROUND)) : nullptr;
    // A class brush may be given as a system colour index plus one.
    if (brush && reinterpret_cast<UINT_PTR>(brush) <= COLOR_MENUBAR + 1)
        brush = GetSysColorBrush(static_cast<int>(reinterpret_cast<UINT_PTR>(brush)) - 1);
    FillRect(dc, &rc, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
    if (!parent) return;

    POINT origin{0, 0};
    MapWindowPoints(child, parent, &origin, 1);
    int saved = SaveDC(dc);
    IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
    OffsetViewportOrgEx(dc, -origin.x, -origin.y, nullptr);
    // Client area only: with PRF_CHILDREN the parent would paint this child again.
    SendMessageA(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    RestoreDC(dc, saved);
}

bool ForwardChildMessage(HWND container, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (!lp) return false;  // the container's own scroll bars
        break;
    default: return false;
    }
    HWND parent = GetParent(container);
    if (!parent) return false;
    result = SendMessageA(parent, msg, wp, lp);
    return true;
}

bool HandlePaintMessage(HWND hwnd, UINT msg, WPARAM wp, const std::function<void(HDC)>& paint,
                        LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND: result = 1; return true;
    case WM_PAINT:
        PaintBuffered(hwnd, paint);
        result = 0;
        return true;
    case WM_PRINTCLIENT:
        paint(reinterpret_cast<HDC>(wp));
        result = 0;
        return true;
    default: return false;
    }
}

void PaintBuffered(HWND hwnd, const std::function<void(HDC)>& paint) {
    paint_dc screen(hwnd);
    RECT rc;
    GetClientRect(hwnd, &rc);
    if (rc.right <= 0 || rc.bottom <= 0) return;
    unique_memdc mem(CreateCompatibleDC(screen.get()));
    unique_hbitmap bitmap(CreateCompatibleBitmap(screen.get(), rc.right, rc.bottom));
    if (!mem || !bitmap) {
        paint(screen.get());  // out of GDI resources: flicker rather than nothing
        return;
    }
    select_object selected(mem.get(), bitmap.get());
    paint(mem.get());
    BitBlt(screen.get(), 0, 0, rc.right, rc.bottom, mem.get(), 0, 0, SRCCOPY);
}

namespace {
int MouseButton(UINT msg) {
    switch (msg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: return 1;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: return 2;
    default: return 0;
    }
}
// A group box paints only its frame and caption and leaves its inside to the
// parent, which WS_CLIPCHILDREN would keep from painting there (the inside then
// shows whatever was on screen before). Transparent children are not clipped.
void LetParentPaintBehindGroupBox(WPARAM wp, LPARAM lp) {
    if (LOWORD(wp) != WM_CREATE) return;
    HWND child = reinterpret_cast<HWND>(lp);
    char cls[16] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Button") != 0) return;
    if ((GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX) return;
    SetWindowLongA(child, GWL_EXSTYLE, GetWindowLongA(child, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
}
}  // namespace

// ---------------------------------------------------------------------------
// ImagePanel

void ImagePanel::Create(HWND parent, int x, int y, int w, int h) {
    ClassSpec cls{"CxImagePanel", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS};
    Window::Create(cls, 0, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, "", x, y, w,
                   h, parent);
}

void ImagePanel::SetPicture(std::shared_ptr<Image> picture) {
    if (picture && picture->empty()) picture.reset();
    picture_ = std::move(picture);
    Changed();
}

void ImagePanel::SetBackground(COLORREF colour) {
    background_ = colour;
    Changed();
}

void ImagePanel::Changed() {
    brush_.reset();
    brushBitmap_.reset();
    // Children that paint the panel behind them must paint again too.
    if (hwnd()) RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

HBRUSH ImagePanel::BackgroundBrush() {
    if (!picture_ || !hwnd()) return nullptr;
    if (!brush_) {
        RECT rc;
        GetClientRect(hwnd(), &rc);
        if (rc.right <= 0 || rc.bottom <= 0) return nullptr;
        window_dc screen(hwnd());
        unique_memdc mem(CreateCompatibleDC(screen.get()));
        unique_hbitmap bitmap(CreateCompatibleBitmap(screen.get(), rc.right, rc.bottom));
        if (!mem || !bitmap) return nullptr;
        {
            select_object selected(mem.get(), bitmap.get());
            PaintContent(mem.get());
        }
        // Kept with the brush: not every GDI copies the pattern at creation.
        brush_.reset(CreatePatternBrush(bitmap.get()));
        brushBitmap_ = std::move(bitmap);
    }
    return brush_.get();
}

void ImagePanel::PaintContent(HDC dc) {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    if (!picture_ || !picture_->Opaque()) {
        if (background_ != CLR_INVALID) {
            unique_hbrush brush(CreateSolidBrush(background_));
            FillRect(dc, &rc, brush.get());
        } else {
            PaintParentBackground(hwnd(), dc);
        }
    }
    if (picture_) picture_->DrawStretched(dc, rc);
}

LRESULT ImagePanel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (ForwardChildMessage(hwnd(), msg, wp, lp, result)) return result;
    if (HandlePaintMessage(
            hwnd(), msg, wp, [this](HDC dc) { PaintContent(dc); }, result))
        return result;
    switch (msg) {
    case WM_SIZE:
        brush_.reset();
        brushBitmap_.reset();
        break;
    case WM_PARENTNOTIFY: LetParentPaintBehindGroupBox(wp, lp); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        // A copy: the handler may destroy this panel.
        if (auto handler = onMouseDown) handler(MouseButton(msg));
        return 0;
    default: break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

// ---------------------------------------------------------------------------
// SizePanel

void SizePanel::Create(HWND parent, int x, int y, int w, int h) {
    ClassSpec cls{"CxSizePanel", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS};
    fullWidth_ = w;
    Window::Create(cls, 0, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, "", x, y, w,
                   h, parent);
}

RECT SizePanel::HotSpotRect() const {
    RECT rc{};
    if (hwnd()) GetClientRect(hwnd(), &rc);
    rc.left = std::max<LONG>(0, rc.right - kHotSpotWidth);
    return rc;
}

bool SizePanel::InHotSpot(LPARAM lp) const {
    RECT spot = HotSpotRect();
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    return PtInRect(&spot, pt) != 0;
}

void SizePanel::ClickHotSpot() {
    HWND h = hwnd();
    if (!h) return;
    RECT bounds = GetBounds(h);
    int height = bounds.bottom - bounds.top;
    resizing_ = true;
    struct ResetFlag {
        bool& flag;
        ~ResetFlag() { flag = false; }
    } resetFlag{resizing_};
    if (!folded_) {
        fullWidth_ = bounds.right - bounds.left;
        // Children would cover the strip; the fold hides them and remembers which.
        hiddenChildren_.clear();
        for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (GetWindowLongA(c, GWL_STYLE) & WS_VISIBLE) hiddenChildren_.push_back(c);
        }
        for (HWND c : hiddenChildren_) ShowWindow(c, SW_HIDE);
        folded_ = true;
        SetWindowPos(h, nullptr, 0, 0, kHotSpotWidth, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        folded_ = false;
        SetWindowPos(h, nullptr, 0, 0, fullWidth_, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        for (HWND c : hiddenChildren_) {
            if (IsWindow(c) && GetParent(c) == h) ShowWindow(c, SW_SHOWNA);
        }
        hiddenChildren_.clear();
    }
    InvalidateRect(h, nullptr, FALSE);
    if (auto handler = onHotSpotClick) handler();
}

void SizePanel::PaintContent(HDC dc) {
    PaintParentBackground(hwnd(), dc);
    RECT spot = HotSpotRect();
    if (spot.right <= spot.left) return;
    FillRect(dc, &spot, GetSysColorBrush(COLOR_BTNFACE));
    RECT edge = spot;
    edge.right = edge.left + 1;
    FillRect(dc, &edge, GetSysColorBrush(COLOR_BTNSHADOW));

    // The arrow points the way the panel moves: left to fold, right to come back.
    int cx = (spot.left + spot.right) / 2;
    int cy = (spot.top + spot.bottom) / 2;
    POINT arrow[3];
    if (folded_) {
        arrow[0] = {cx - 2, cy - 4};
        arrow[1] = {cx + 2, cy};
        arrow[2] = {cx - 2, cy + 4};
    } else {
        arrow[0] = {cx + 2, cy - 4};
        arrow[1] = {cx - 2, cy};
        arrow[2] = {cx + 2, cy + 4};
    }
    HBRUSH ink = GetSysColorBrush(COLOR_BTNTEXT);
    select_object brush(dc, ink);
    select_object pen(dc, GetStockObject(NULL_PEN));
    Polygon(dc, arrow, 3);
}

LRESULT SizePanel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (ForwardChildMessage(hwnd(), msg, wp, lp, result)) return result;
    if (HandlePaintMessage(
            hwnd(), msg, wp, [this](HDC dc) { PaintContent(dc); }, result))
        return result;
    switch (msg) {
    case WM_SIZE:
        // Someone else resizing the open panel sets the width it comes back to.
        if (!resizing_ && !folded_) fullWidth_ = LOWORD(lp);
        InvalidateRect(hwnd(), nullptr, FALSE);
        break;
    case WM_PARENTNOTIFY: LetParentPaintBehindGroupBox(wp, lp); break;
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT) {
            POINT pt;
            GetCursorPos(&pt);
            ScreenToClient(hwnd(), &pt);
            RECT spot = HotSpotRect();
            SetCursor(LoadCursor(nullptr, PtInRect(&spot, pt) ? IDC_HAND : IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (InHotSpot(lp)) {
            pressed_ = true;
            SetCapture(hwnd());
        }
        return 0;
    case WM_LBUTTONUP:
        if (pressed_) {
            pressed_ = false;
            if (GetCapture() == hwnd()) ReleaseCapture();
            if (InHotSpot(lp)) ClickHotSpot();
        }
        return 0;
    case WM_CAPTURECHANGED: pressed_ = false; return 0;
    default: break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace cx::ui

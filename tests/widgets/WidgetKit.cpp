#include "WidgetKit.h"

#include <stdexcept>

namespace cx::test {

Host::Host() : ctlBrush_(CreateSolidBrush(kCtlColour)) {
    ClassSpec cls{"CxWidgetTestHost"};
    cls.background = GetSysColorBrush(COLOR_WINDOW);
    Create(cls, WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, "host", 0, 0, kWidth,
           kHeight);
    UpdateWindow(hwnd());
}

Host& Host::Shared() {
    static Host host;
    host.received.clear();
    host.commands.clear();
    host.ownerDrawn = 0;
    host.onMenuIdle = nullptr;
    return host;
}

LRESULT Host::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        if (ui::PopupMenu::HandleOwnerDraw(msg, lp)) {
            ++ownerDrawn;
            return TRUE;
        }
        break;
    case WM_ENTERIDLE:
        if (wp == MSGF_MENU && onMenuIdle) onMenuIdle();
        break;
    case WM_COMMAND:
        received.push_back(msg);
        commands.push_back(wp);
        return 0;
    case WM_CTLCOLORSTATIC:
        received.push_back(msg);
        return reinterpret_cast<LRESULT>(ctlBrush_.get());
    default: break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

Capture::Capture(HWND hwnd, COLORREF prefill) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    width_ = rc.right;
    height_ = rc.bottom;
    if (width_ <= 0 || height_ <= 0) throw std::runtime_error("nothing to capture");
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    unique_hbitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    unique_memdc dc(CreateCompatibleDC(nullptr));
    {
        select_object selected(dc.get(), bitmap.get());
        unique_hbrush fill(CreateSolidBrush(prefill));
        FillRect(dc.get(), &rc, fill.get());
        SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
        GdiFlush();
    }
    auto* p = static_cast<uint32_t*>(bits);
    pixels_.assign(p, p + size_t(width_) * size_t(height_));
}

COLORREF Capture::At(int x, int y) const {
    uint32_t p = pixels_.at(size_t(y) * size_t(width_) + size_t(x));
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int Capture::Count(COLORREF colour) const {
    int n = 0;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) n += At(x, y) == colour;
    return n;
}

std::shared_ptr<ui::Image> SolidImage(int w, int h, uint32_t argb) {
    return std::make_shared<ui::Image>(w, h, std::vector<uint32_t>(size_t(w) * size_t(h), argb));
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

}  // namespace cx::test

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

std::shared_ptr<ui::Image> SolidImage(int w, int h, uint32_t argb) {
    return std::make_shared<ui::Image>(w, h, std::vector<uint32_t>(size_t(w) * size_t(h), argb));
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

}  // namespace cx::test

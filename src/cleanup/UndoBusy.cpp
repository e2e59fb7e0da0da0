#include "cleanup/UndoBusy.h"

namespace cx::cleanup {

BusyWindow::BusyWindow(HWND window) : window_(window) {
    if (window_) EnableWindow(window_, FALSE);
}

BusyWindow::~BusyWindow() {
    if (window_ && IsWindow(window_)) EnableWindow(window_, TRUE);
    if (quit_) PostQuitMessage(quitCode_);
}

std::function<void()> BusyWindow::Pump() {
    return [this] {
        MSG msg;
        while (!quit_ && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit_ = true;
                quitCode_ = static_cast<int>(msg.wParam);
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    };
}

}  // namespace cx::cleanup

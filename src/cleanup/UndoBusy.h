#pragma once
// A window that waits for regedit during a clean-up or a restore: it keeps
// painting and takes no input meanwhile, and a WM_QUIT that arrives is kept
// for the loops outside.
#include <windows.h>

#include <functional>

namespace cx::cleanup {

class BusyWindow {
public:
    // Disables `window` (nullptr: none) until the object ends.
    explicit BusyWindow(HWND window);
    ~BusyWindow();
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

    // Handles the messages waiting for this thread; valid for the object's life.
    std::function<void()> Pump();

private:
    HWND window_;
    bool quit_ = false;
    int quitCode_ = 0;
};

}  // namespace cx::cleanup

#pragma once
// Suspends a window's repainting for a scope, however the scope ends, and has
// it painted anew afterwards. Filling or emptying a list of thousands of rows
// with repainting on costs far more than the rows themselves.
#include <windows.h>

namespace cx::ui {

class NoRedraw {
public:
    explicit NoRedraw(HWND h) : h_(h) { SendMessageA(h_, WM_SETREDRAW, FALSE, 0); }
    ~NoRedraw() {
        SendMessageA(h_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(h_, nullptr, TRUE);
    }
    NoRedraw(const NoRedraw&) = delete;
    NoRedraw& operator=(const NoRedraw&) = delete;

private:
    HWND h_;
};

}  // namespace cx::ui

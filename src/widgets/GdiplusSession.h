#pragma once
// GDI+ for the life of the program: started before the first window, shut down
// after the last GDI+ object is gone.
#include <windows.h>

namespace cx::ui {

class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool started() const noexcept { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

}  // namespace cx::ui

#include <windows.h>

#include "widgets/Controls.h"

namespace cx::ui {

void PageControl::Create(HWND parent, int x, int y, int w, int h) {
    ClassSpec cls{"CxPageControl", CS_DBLCLKS};
    Window::Create(cls, WS_EX_CONTROLPARENT,
                   WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, "", x, y, w, h,
                   parent);
}

HWND PageControl::AddPage() {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    // A page is a container without a picture: the control's parent shows
    // through wherever the page's controls leave room.
    auto page = std::make_unique<ImagePanel>();
    page->Create(hwnd(), 0, 0, rc.right, rc.bottom);
    HWND h = page->hwnd();
    pages_.push_back(std::move(page));
    if (active_ < 0 && pages_.size() == 1)
        SetActivePage(0);
    else
        ShowWindow(h, SW_HIDE);
    return h;
}

HWND PageControl::Page(int index) const {
    if (index < 0 || index >= PageCount()) return nullptr;
    return pages_[static_cast<size_t>(index)]->hwnd();
}

void PageControl::SetActivePage(int index) {
    if (index < 0 || index >= PageCount()) index = -1;
    HWND focus = GetFocus();
    bool focusHidden = false;
    active_ = index;
    if (HWND shown = Page(index)) ShowWindow(shown, SW_SHOWNA);
    for (int i = 0; i < PageCount(); ++i) {
        if (i == index) continue;
        HWND page = Page(i);
        if (focus && (focus == page || IsChild(page, focus))) focusHidden = true;
        ShowWindow(page, SW_HIDE);
    }
    // Keys must not go on to a control nobody can see.
    if (focusHidden) SetFocus(index >= 0 ? Page(index) : hwnd());
}

LRESULT PageControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT forwarded = 0;
    if (ForwardChildMessage(hwnd(), msg, wp, lp, forwarded)) return forwarded;
    if (HandlePaintMessage(
            hwnd(), msg, wp, [this](HDC dc) { PaintParentBackground(hwnd(), dc); }, forwarded))
        return forwarded;
    switch (msg) {
    case WM_SIZE:
        for (auto& page : pages_)
            SetWindowPos(page->hwnd(), nullptr, 0, 0, LOWORD(lp), HIWORD(lp),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    default: break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace cx::ui

#pragma once
// A visible top-level window to put widgets on, and reading back what they paint.
#include "harness/Surface.h"
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "harness/Pump.h"
#include "widgets/Controls.h"

namespace cx::test {

// Hosts the widgets under test; records what reaches it from its children and
// hands menu owner drawing to PopupMenu.
class Host : public ui::Window {
public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 360;
    static constexpr COLORREF kCtlColour = RGB(10, 200, 30);
    // One host for the whole run, its records cleared: without a window manager
    // Wine waits two seconds for every visible top-level window it destroys.
    static Host& Shared();
    Host();
    std::vector<UINT> received;  // WM_COMMAND, WM_CTLCOLORSTATIC, ...
    std::vector<WPARAM> commands;
    int ownerDrawn = 0;  // WM_MEASUREITEM/WM_DRAWITEM that PopupMenu took
    // Called when a menu of this window is open and waits for input.
    std::function<void()> onMenuIdle;
    HBRUSH ctlBrush() const noexcept { return ctlBrush_.get(); }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    unique_hbrush ctlBrush_;
};

// What a window paints for WM_PRINTCLIENT, read back pixel by pixel; untouched
// pixels keep `prefill`.
class Capture : public Surface {
public:
    explicit Capture(HWND hwnd, COLORREF prefill = RGB(255, 0, 255))
        : Surface(PrintedClient(hwnd, prefill)) {}
};

// A picture of one colour (0xAARRGGBB, straight alpha).
std::shared_ptr<ui::Image> SolidImage(int w, int h, uint32_t argb);
// A point of `hwnd`'s client area in lParam form.
LPARAM At(int x, int y);

}  // namespace cx::test

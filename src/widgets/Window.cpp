#include "widgets/Window.h"

#include "platform/Error.h"
#include "widgets/Seam.h"

namespace cx::ui {

Window::~Window() {
    if (hwnd_) {
        HWND h = hwnd_;
        // Detach first: a destroyed object must not receive its own WM_DESTROY.
        SetWindowLongPtrA(h, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        DestroyWindow(h);
    }
}

void Window::Create(const ClassSpec& cls, DWORD exStyle, DWORD style, const std::string& title,
                    int x, int y, int width, int height, HWND parent, HMENU menuOrId) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    if (!GetClassInfoExA(inst, cls.name, &wc)) {
        wc.cbSize = sizeof wc;
        wc.style = cls.style;
        wc.lpfnWndProc = &Window::StaticWndProc;
        wc.hInstance = inst;
        wc.hCursor = cls.cursor ? cls.cursor : LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = cls.background;
        wc.hIcon = cls.icon;
        wc.lpszClassName = cls.name;
        if (!RegisterClassExA(&wc)) ThrowLastError();
    }
    HWND h = CreateWindowExA(exStyle, cls.name, title.c_str(), style, x, y, width, height, parent,
                             menuOrId, inst, this);
    if (!h) ThrowLastError();
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd_, msg, wp, lp);
}

Window* Window::FromHandle(HWND hwnd) noexcept {
    if (!hwnd ||
        GetWindowLongPtrA(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&StaticWndProc))
        return nullptr;
    return reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK Window::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);

    LRESULT result = 0;
    try {
        result = self->HandleMessage(msg, wp, lp);
    } catch (const std::exception& e) {
        ReportException(e);
    } catch (...) {
        ReportUnknownException();
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        try {
            self->OnDestroyed();
        } catch (const std::exception& e) {
            ReportException(e);
        } catch (...) {
            ReportUnknownException();
        }
    }
    return result;
}

int RunMessageLoop(HACCEL accelerators, HWND acceleratorTarget) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (accelerators && acceleratorTarget &&
            TranslateAcceleratorA(acceleratorTarget, accelerators, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}

void ProcessPendingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit request for the main loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace cx::ui

// A tiny real screen saver. SAVER_STYLE picks the picture: 1 ribbons, 2 bouncing
// shapes, 3 tiles. The usual switches, with "-" or "/" and any case:
//   /s          full screen until a key, a click or a real mouse move
//   /p <hwnd>   draw inside the given preview window until it goes away
//   /c[:hwnd]   the settings box (there is nothing to set); also with no switch
//   /a          password change: not supported, ends at once
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <string>

#ifndef SAVER_STYLE
#define SAVER_STYLE 1
#endif

namespace {

const char* const kFallbackTitles[] = {"Screen Saver", "Aurora Ribbons", "Bouncing Shapes",
                                       "Quiet Tiles"};
constexpr UINT kTimerMs = 40;
constexpr int kMoveTolerance = 4;

unsigned g_seed = 1;
int Random(int n) {
    g_seed = g_seed * 1103515245u + 12345u;
    return n > 0 ? static_cast<int>((g_seed >> 8) % static_cast<unsigned>(n)) : 0;
}

COLORREF Hue(int step) {
    const double t = step * 0.05;
    return RGB(static_cast<int>(127 + 127 * std::sin(t)),
               static_cast<int>(127 + 127 * std::sin(t + 2.1)),
               static_cast<int>(127 + 127 * std::sin(t + 4.2)));
}

struct Shape {
    int x, y, dx, dy, size;
    bool round;
    COLORREF color;
};

// What is drawn; it knows nothing about windows.
class Scene {
public:
    void Resize(int w, int h) {
        w_ = w > 0 ? w : 1;
        h_ = h > 0 ? h : 1;
        for (int i = 0; i < kShapes; ++i) {
            const int size = 10 + Random(w_ / 8 + 10);
            shapes_[i] = {Random(w_), Random(h_),   2 + Random(6),   2 + Random(6),
                          size,       (i % 2) == 0, Hue(Random(120))};
        }
    }

    void Step() {
        ++tick_;
        for (Shape& s : shapes_) {
            s.x += s.dx;
            s.y += s.dy;
            if (s.x < 0 || s.x + s.size > w_) s.dx = -s.dx;
            if (s.y < 0 || s.y + s.size > h_) s.dy = -s.dy;
        }
    }

    void Paint(HDC dc) const {
        RECT all{0, 0, w_, h_};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
#if SAVER_STYLE == 1
        for (int r = 0; r < 4; ++r) {
            HPEN pen = CreatePen(PS_SOLID, 3 + r * 2, Hue(tick_ + r * 30));
            HGDIOBJ old = SelectObject(dc, pen);
            for (int x = 0; x <= w_; x += 8) {
                const double phase = (x + tick_ * (4 + r)) * 0.01 + r;
                const int y = h_ / 2 + static_cast<int>(std::sin(phase) * h_ * (0.15 + 0.07 * r));
                if (x == 0)
                    MoveToEx(dc, x, y, nullptr);
                else
                    LineTo(dc, x, y);
            }
            SelectObject(dc, old);
            DeleteObject(pen);
        }
#elif SAVER_STYLE == 2
        for (const Shape& s : shapes_) {
            HBRUSH brush = CreateSolidBrush(s.color);
            HGDIOBJ oldBrush = SelectObject(dc, brush);
            HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
            if (s.round)
                Ellipse(dc, s.x, s.y, s.x + s.size, s.y + s.size);
            else
                Rectangle(dc, s.x, s.y, s.x + s.size, s.y + s.size);
            SelectObject(dc, oldPen);
            SelectObject(dc, oldBrush);
            DeleteObject(brush);
        }
#else
        const int cell = w_ / 12 + 1;
        for (int y = 0; y < h_; y += cell)
            for (int x = 0; x < w_; x += cell) {
                const int k = (x / cell * 7 + y / cell * 13 + tick_ / 10) % 24;
                HBRUSH brush = CreateSolidBrush(Hue(k * 9));
                RECT rc{x + 1, y + 1, x + cell - 1, y + cell - 1};
                FillRect(dc, &rc, brush);
                DeleteObject(brush);
            }
#endif
    }

private:
    static constexpr int kShapes = 12;
    int w_ = 1, h_ = 1, tick_ = 0;
    Shape shapes_[kShapes]{};
};

struct SaverWindow {
    Scene scene;
    bool fullScreen = false;
    POINT firstMouse{-1, -1};
};

void PaintBuffered(HWND hwnd, HDC dc, const Scene& scene) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right, rc.bottom);
    if (mem && bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        scene.Paint(mem);
        BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
    }
    if (bmp) DeleteObject(bmp);
    if (mem) DeleteDC(mem);
}

// Whether this message ends a full-screen run.
bool IsUserInput(SaverWindow& s, UINT msg, LPARAM lp) {
    switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: return true;
    case WM_MOUSEMOVE: {
        // The first move only reports where the cursor is.
        POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        if (s.firstMouse.x < 0) {
            s.firstMouse = p;
            return false;
        }
        return std::abs(p.x - s.firstMouse.x) > kMoveTolerance ||
               std::abs(p.y - s.firstMouse.y) > kMoveTolerance;
    }
    }
    return false;
}

LRESULT CALLBACK SaverProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        auto* s = reinterpret_cast<SaverWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg == WM_NCCREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
            return DefWindowProcA(hwnd, msg, wp, lp);
        }
        if (!s) return DefWindowProcA(hwnd, msg, wp, lp);
        if (s->fullScreen && IsUserInput(*s, msg, lp)) {
            DestroyWindow(hwnd);
            return 0;
        }
        switch (msg) {
        case WM_SIZE: s->scene.Resize(LOWORD(lp), HIWORD(lp)); return 0;
        case WM_TIMER:
            s->scene.Step();
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            PaintBuffered(hwnd, dc, s->scene);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_SETCURSOR:
            if (s->fullScreen) {
                SetCursor(nullptr);
                return TRUE;
            }
            break;
        case WM_ACTIVATEAPP:
            if (s->fullScreen && !wp) DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            KillTimer(hwnd, 1);
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    } catch (...) {
        return 0;
    }
}

std::string Title(HINSTANCE inst) {
    char buf[256] = {};
    if (LoadStringA(inst, 1, buf, sizeof buf) > 0) return buf;
    return kFallbackTitles[SAVER_STYLE >= 1 && SAVER_STYLE <= 3 ? SAVER_STYLE : 0];
}

int Run(HINSTANCE inst, HWND previewParent) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = SaverProc;
    wc.hInstance = inst;
    wc.lpszClassName = "CxSampleScreenSaver";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&wc);

    SaverWindow state;
    HWND hwnd;
    const std::string title = Title(inst);
    if (previewParent) {
        RECT rc;
        if (!GetClientRect(previewParent, &rc)) return 1;
        hwnd = CreateWindowExA(0, wc.lpszClassName, title.c_str(), WS_CHILD | WS_VISIBLE, 0, 0,
                               rc.right, rc.bottom, previewParent, nullptr, inst, &state);
    } else {
        state.fullScreen = true;
        hwnd = CreateWindowExA(
            WS_EX_TOPMOST, wc.lpszClassName, title.c_str(), WS_POPUP | WS_VISIBLE,
            GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
            GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN), nullptr,
            nullptr, inst, &state);
    }
    if (!hwnd) return 1;
    SetTimer(hwnd, 1, kTimerMs, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmdLine, int) {
    g_seed = GetTickCount();
    const char* p = cmdLine ? cmdLine : "";
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '/' || *p == '-') ++p;
    const char mode = static_cast<char>(*p ? (*p | 0x20) : 'c');
    if (*p) ++p;
    while (*p == ':' || *p == ' ') ++p;
    HWND handle = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::strtoul(p, nullptr, 10)));

    switch (mode) {
    case 's': return Run(inst, nullptr);
    case 'p': return handle ? Run(inst, handle) : 1;
    case 'a': return 0;
    default: {
        const std::string title = Title(inst);
        MessageBoxA(handle, (title + " has no options to set.").c_str(), title.c_str(),
                    MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    }
}

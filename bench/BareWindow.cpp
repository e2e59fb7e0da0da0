// The baseline of bench_launch: a bare program of one window with a list view.
// Under Wine most of a start-up and of a working set is Wine's own; this is
// that share, measured the same way as Carvexo.exe.
#include <windows.h>

#include <commctrl.h>

namespace {

LRESULT CALLBACK BareProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(h, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc{};
    wc.lpfnWndProc = &BareProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "CxBareWindow";
    RegisterClassA(&wc);
    HWND h = CreateWindowExA(0, "CxBareWindow", "bare", WS_POPUP, 0, 0, 763, 538, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 600, 400, h,
                    nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(h, SW_SHOW);
    UpdateWindow(h);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

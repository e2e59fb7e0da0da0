#include "app/MainForm.h"

#include <shellapi.h>
#include <windowsx.h>

#include "app/Config.h"
#include "app/AppStart.h"
#include "platform/AppPaths.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Strings.h"

namespace cx::app {

namespace {
// WM_SYSCOMMAND: SC_MOVE combined with the caption hit-test code, so the window
// follows the mouse as if its title bar had been grabbed.
constexpr WPARAM kDragMove = 0xF012;

// The window buttons' designed places until the skin places them.
constexpr RECT kMinBounds{680, 9, 21, 21};
constexpr RECT kHelpBounds{701, 9, 21, 21};
constexpr RECT kCloseBounds{722, 9, 21, 21};
}  // namespace

TMainForm::TMainForm() = default;

TMainForm::~TMainForm() { programList_.Disconnect(); }

void TMainForm::CreateForm() {
    int x = (GetSystemMetrics(SM_CXSCREEN) - kDesignWidth) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - kDesignHeight) / 2;
    // WS_SYSMENU | WS_MINIMIZEBOX without a caption: no frame is drawn, but the
    // taskbar button can minimise and restore the window.
    Create(ClassSpec{kClassName, CS_DBLCLKS, nullptr, nullptr,
                     LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1))},
           WS_EX_LAYERED | WS_EX_APPWINDOW, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
           "Carvexo", x, y, kDesignWidth, kDesignHeight);
    SetLayeredWindowAttributes(hwnd(), kTransparentColor, 255, LWA_COLORKEY);
    FormCreate();
}

void TMainForm::FormCreate() {
    // 1. Run-time state.
    SearchPos = 0;
    ProgramPanelShown = true;
    StartupPanelShown = true;
    StartupAllChecked = true;

    CreateShellButtons();

    // 5.-6. The system image lists; the service's icon indexes point into them.
    GetSystemImageLists();

    // 12. Then hand spare memory back once the window is built.
    TrimWorkingSet();
}

void TMainForm::GetSystemImageLists() {
    // The parent of the Windows directory (C:\ for C:\WINDOWS) always exists and
    // has an icon, which is all SHGetFileInfo needs to hand out the lists.
    std::string root = ExtractFilePath(WindowsDirectory());
    SHFILEINFOA info{};
    smallImages_ = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(
        root.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    largeImages_ = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX));
}

void TMainForm::CreateShellButtons() {
    auto make = [&](const RECT& b, const char* text, int id) {
        HWND h = CreateWindowExA(0, "BUTTON", text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, b.left,
                                 b.top, b.right, b.bottom, hwnd(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleA(nullptr), nullptr);
        if (!h) ThrowLastError();
        SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
        return h;
    };
    btnMin_ = make(kMinBounds, "_", IDC_BTN_MIN);
    btnHelpContent_ = make(kHelpBounds, "?", IDC_BTN_HELPCONTENT);
    btnClose_ = make(kCloseBounds, "x", IDC_BTN_CLOSE);
}

void TMainForm::Show(int showCommand) {
    ShowWindow(hwnd(), showCommand);
    UpdateWindow(hwnd());
}

void TMainForm::ActionExitExecute() {
    // Both switches are stored even when untouched; a failed write leaves the window open.
    config::WriteHideSysPatch(AppPaths().ConfigPath, Hide().HideSysPatch);
    config::WriteHideScreenSaver(AppPaths().ConfigPath, Hide().HideScreenSaver);
    DestroyWindow(hwnd());
}

void TMainForm::ActionMinExecute() { ShowWindow(hwnd(), SW_MINIMIZE); }

void TMainForm::imgBackGroundMouseDown() {
    ReleaseCapture();
    SendMessageA(hwnd(), WM_SYSCOMMAND, kDragMove, 0);
}

void TMainForm::OnCommand(int id) {
    switch (id) {
    case IDC_BTN_MIN: ActionMinExecute(); break;
    case IDC_BTN_CLOSE: ActionExitExecute(); break;
    case IDC_BTN_HELPCONTENT: break;
    default: break;
    }
}

void TMainForm::PaintContent(HDC dc, const RECT& rc) {
    unique_hbrush body(CreateSolidBrush(RGB(236, 239, 244)));
    FillRect(dc, &rc, body.get());
    unique_hbrush frame(CreateSolidBrush(RGB(52, 73, 94)));
    FrameRect(dc, &rc, frame.get());
}

LRESULT TMainForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        OnCommand(GET_WM_COMMAND_ID(wp, lp));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        imgBackGroundMouseDown();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        paint_dc dc(hwnd());
        RECT rc;
        GetClientRect(hwnd(), &rc);
        PaintContent(dc.get(), rc);
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT rc;
        GetClientRect(hwnd(), &rc);
        PaintContent(reinterpret_cast<HDC>(wp), rc);
        return 0;
    }
    case WM_DESTROY:
        // The service connection ends with the main window.
        programList_.Disconnect();
        PostQuitMessage(0);
        return 0;
    default:
        return Window::HandleMessage(msg, wp, lp);
    }
}

}  // namespace cx::app

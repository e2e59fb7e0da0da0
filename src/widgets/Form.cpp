#include "widgets/Form.h"

#include <windowsx.h>

#include <vector>

#include "platform/Error.h"
#include "widgets/Seam.h"

namespace cx::ui {

namespace {
constexpr const char* kFormClass = "CxForm";
constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// WS_EX_DLGMODALFRAME is what a dialog template's DS_MODALFRAME becomes: the
// fixed double border without an icon. WS_EX_CONTROLPARENT lets Tab reach the
// controls of nested containers.
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;

int PointsToHeight(int points) {
    window_dc screen(nullptr);
    int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return -MulDiv(points, dpi, 72);
}

HFONT CreatePointFont(const char* face, int points, bool bold) {
    LOGFONTA lf{};
    lf.lfHeight = PointsToHeight(points);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    HFONT font = CreateFontIndirectA(&lf);
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return font;
}

bool IsStockFont(HFONT font) { return font == GetStockObject(DEFAULT_GUI_FONT); }
}  // namespace

void SetWindowString(HWND hwnd, const std::string& text) { SetWindowTextA(hwnd, text.c_str()); }

std::string WindowString(HWND hwnd) {
    int n = GetWindowTextLengthA(hwnd);
    if (n <= 0) return {};
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    int got = GetWindowTextA(hwnd, buf.data(), n + 1);
    return std::string(buf.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void Form::CreateFormWindow(HWND owner, const std::string& caption, int clientWidth,
                            int clientHeight) {
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, kFormStyle, FALSE, kFormExStyle);
    if (!font_) SetFormFont("Verdana", 8);
    Create(ClassSpec{kFormClass, CS_DBLCLKS, nullptr,
                     reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)), nullptr},
           kFormExStyle, kFormStyle, caption, 0, 0, r.right - r.left, r.bottom - r.top, owner);
    SendMessageA(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

void Form::SetFormFont(const char* face, int points, bool bold) {
    HFONT font = CreatePointFont(face, points, bold);
    font_.reset(IsStockFont(font) ? nullptr : font);
}

HFONT Form::MakeFont(const char* face, int points, bool bold) {
    HFONT font = CreatePointFont(face, points, bold);
    if (!IsStockFont(font)) extraFonts_.emplace_back(font);
    return font;
}

HFONT Form::FormFont() const noexcept {
    return font_ ? font_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HWND Form::AddControl(const char* className, const std::string& text, DWORD style, int x, int y,
                      int width, int height, int id, DWORD exStyle) {
    HWND h =
        CreateWindowExA(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y,
                        width, height, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                        GetModuleHandleA(nullptr), nullptr);
    if (!h) ThrowLastError();
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), FALSE);
    return h;
}

void Form::CentreOn(const RECT& area) {
    RECT wr;
    GetWindowRect(hwnd(), &wr);
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    int x = area.left + (area.right - area.left - w) / 2;
    int y = area.top + (area.bottom - area.top - h) / 2;
    // Keep the caption reachable even when the owner hangs off the screen.
    RECT work{};
    HMONITOR monitor = MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (monitor && GetMonitorInfoA(monitor, &mi))
        work = mi.rcWork;
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    if (x + w > work.right) x = work.right - w;
    if (y + h > work.bottom) y = work.bottom - h;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::PlaceForm(HWND owner) {
    RECT area{};
    if (owner && IsWindow(owner)) {
        GetWindowRect(owner, &area);
    } else {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    CentreOn(area);
}

int Form::ShowModal(HWND owner) {
    if (modal_) throw AppError("The window is already shown.");
    if (!hwnd()) CreateForm(owner);
    // A form kept between showings may have been made before its owner existed.
    if (owner && GetWindow(hwnd(), GW_OWNER) != owner)
        SetWindowLongPtrA(hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    owner_ = owner;
    FormShow();
    PlaceForm(owner);

    result_ = IDCANCEL;
    modal_ = true;
    const bool disableOwner = owner && IsWindow(owner) && IsWindowEnabled(owner);
    struct Restore {
        Form& form;
        HWND owner;
        bool enable;
        ~Restore() {
            form.modal_ = false;
            // The owner first: hiding an owned window activates the next enabled one.
            if (enable) EnableWindow(owner, TRUE);
            if (form.hwnd()) ShowWindow(form.hwnd(), SW_HIDE);
            if (enable) SetActiveWindow(owner);
        }
    } restore{*this, owner, disableOwner};
    ModalScope running(hwnd());
    if (disableOwner) EnableWindow(owner, FALSE);

    ShowWindow(hwnd(), SW_SHOW);
    UpdateWindow(hwnd());
    if (HWND first = GetNextDlgTabItem(hwnd(), nullptr, FALSE)) SetFocus(first);
    RunModalHook(hwnd());

    MSG msg;
    while (modal_ && hwnd()) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: leave WM_QUIT for the main loop.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            result_ = IDCANCEL;
            break;
        }
        if (!hwnd() || !IsDialogMessageA(hwnd(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return result_;
}

void Form::EndModal(int result) {
    if (!modal_) return;
    result_ = result;
    modal_ = false;
    // Wakes the loop when the request did not come from one of its messages.
    if (hwnd()) PostMessageA(hwnd(), WM_NULL, 0, 0);
}

bool Form::OnCommand(int id, int, HWND) {
    if (id == IDCANCEL) {
        EndModal(IDCANCEL);
        return true;
    }
    return false;
}

LRESULT Form::OnNotify(int, NMHDR*) { return 0; }

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (OnCommand(GET_WM_COMMAND_ID(wp, lp), GET_WM_COMMAND_CMD(wp, lp),
                      GET_WM_COMMAND_HWND(wp, lp)))
            return 0;
        break;
    case WM_NOTIFY:
        if (auto* header = reinterpret_cast<NMHDR*>(lp))
            return OnNotify(static_cast<int>(header->idFrom), header);
        return 0;
    case WM_CLOSE:
        // The form outlives its showing: closing only ends the loop, which
        // hides the window once the owner is enabled again.
        if (modal_)
            EndModal(IDCANCEL);
        else
            ShowWindow(hwnd(), SW_HIDE);
        return 0;
    case DM_GETDEFID: return defaultId_ ? MAKELRESULT(defaultId_, DC_HASDEFID) : 0;
    default: break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace cx::ui

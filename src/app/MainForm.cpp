#include "app/MainForm.h"

#include <shellapi.h>
#include <windowsx.h>

#include "app/AppPaths.h"
#include "app/AppStart.h"
#include "app/Config.h"
#include "app/PageParts.h"
#include "cleanup/Uninstall.h"
#include "i18n/LangText.h"
#include "inventory/DetailsForm.h"
#include "inventory/ListSystem.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Strings.h"
#include "skin/SkinSettings.h"
#include "widgets/Seam.h"

namespace cx::app {

namespace {
// WM_SYSCOMMAND: SC_MOVE combined with the caption hit-test code, so the window
// follows the mouse as if its title bar had been grabbed.
constexpr WPARAM kDragMove = 0xF012;

}  // namespace

TMainForm::TMainForm() {
    for (int a = 0; a < ActionCount; ++a) actions_[a].name = ActionName(static_cast<Action>(a));
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateForm() {
    int x = (GetSystemMetrics(SM_CXSCREEN) - kDesignWidth) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - kDesignHeight) / 2;
    // WS_SYSMENU | WS_MINIMIZEBOX without a caption: no frame is drawn, but the
    // taskbar button can minimise and restore the window.
    Create(ClassSpec{kClassName, CS_DBLCLKS, nullptr, nullptr,
                     LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1))},
           WS_EX_LAYERED | WS_EX_APPWINDOW,
           WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, "Carvexo", x, y, kDesignWidth,
           kDesignHeight);
    SetLayeredWindowAttributes(hwnd(), kTransparentColor, 255, LWA_COLORKEY);
    // The taskbar, Alt+Tab and the Run dialog of "New Program..." ask the window
    // for its icons (WM_GETICON), which the class icon does not answer. Shared
    // icons: the system frees them with the module.
    auto icon = [](int metricX, int metricY) {
        return LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), IMAGE_ICON,
                          GetSystemMetrics(metricX), GetSystemMetrics(metricY), LR_SHARED);
    };
    if (HANDLE big = icon(SM_CXICON, SM_CYICON))
        SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (HANDLE small = icon(SM_CXSMICON, SM_CYSMICON))
        SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    CreateControls();
    FormCreate();
}

void TMainForm::FormCreate() {
    // The program page in front.
    PageControl.SetActivePage(0);
    BuildLanguageMenu();
    ApplySkin();
    ApplyTexts();

    // The program list. A service that fails here is reported like any
    // other failure of it: the window still opens, its list as far as the load
    // got, and Refresh can try again.
    try {
        programs_.LoadProgramList();
    } catch (const std::exception& e) {
        ui::ReportException(e);
    }

    // The startup list, after the program list; its page shows it.
    try {
        startup_.LoadStartupList();
    } catch (const std::exception& e) {
        ui::ReportException(e);
    }

    // The switches as stored; setting the check does not run the actions.
    SetActionChecked(ActionHideSysPatch, Hide().HideSysPatch);
    SetActionChecked(ActionHideScr, Hide().HideScreenSaver);
    TrimWorkingSet();
}

void TMainForm::GetSystemImageLists() {
    // The parent of the Windows directory (C:\ for C:\WINDOWS) always exists and
    // has an icon, which is all SHGetFileInfo needs to hand out the lists.
    std::string root = ExtractFilePath(WindowsDirectory());
    SHFILEINFOA info{};
    smallImages_ = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    largeImages_ = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX));
}

void TMainForm::CreateControls() {
    HWND me = hwnd();
    uiFont_.reset(MakeFont("Verdana", 8));
    listFont_.reset(MakeFont("Verdana", 8));
    linkFont_.reset(MakeFont("Verdana", 8, true));

    // The designed layout; ApplySkin moves everything to the skin's bounds.
    ImgTitle.Create(me, 311, 75, 295, 29);
    SetControlId(ImgTitle.hwnd(), IDC_IMG_TITLE);
    ImgTitle.onMouseDown = [this](int) { imgBackGroundMouseDown(); };

    auto button = [&](ui::ImageButton& b, int id, const char* caption, RECT r, Action action) {
        b.Create(me, id, caption, r.left, r.top, r.right, r.bottom);
        b.onClick = [this, action] { Execute(action); };
    };
    button(btnMin, IDC_BTN_MIN, "", {680, 9, 21, 21}, ActionMin);
    button(btnHelpContent, IDC_BTN_HELPCONTENT, "", {701, 9, 21, 21}, ActionHelpContent);
    button(btnClose, IDC_BTN_CLOSE, "", {722, 9, 21, 21}, ActionExit);
    auto menuButton = [&](ui::ImageButton& b, int id, const char* caption, int left) {
        b.Create(me, id, caption, left, 28, 117, 34);
        b.SetCaptionColour(RGB(255, 255, 255));
        b.onClick = [this, &b] { btnFileClick(b); };
    };
    menuButton(btnFile, IDC_BTN_FILE, "File", 11);
    menuButton(btnView, IDC_BTN_VIEW, "View", 128);
    menuButton(btnTools, IDC_BTN_TOOLS, "Tools", 245);
    menuButton(btnHelp, IDC_BTN_HELP, "Help", 362);
    // pmFile opens only through the click; the others also at the mouse on a right click.
    btnView.onRightClick = [this](POINT p) { ShowMenu(menus_.pmView, p); };
    btnTools.onRightClick = [this](POINT p) { ShowMenu(menus_.pmTools, p); };
    btnHelp.onRightClick = [this](POINT p) { ShowMenu(menus_.pmHelp, p); };

    button(btnProgramList, IDC_BTN_PROGRAMLIST, "Program List", {5, 78, 126, 33},
           ActionTabProgramList);
    button(btnStartupItemList, IDC_BTN_STARTUPITEMLIST, "Startup Items", {131, 78, 126, 33},
           ActionTabStartupItems);
    // The button of the page on view is disabled but must read as the current page.
    btnProgramList.SetDisabledCaptionColour(RGB(30, 41, 52));
    btnStartupItemList.SetDisabledCaptionColour(RGB(30, 41, 52));
    btnProgramList.SetEnabled(false);  // its page is the one shown

    // Takes the focus away from the menu buttons; never typed into.
    txtHide = MakeChild("EDIT", "", ES_AUTOHSCROLL, {0, 0, 1, 1}, me, IDC_TXTHIDE);

    PageControl.Create(me, 5, 112, 750, 394);
    SetControlId(PageControl.hwnd(), IDC_PAGECONTROL);
    HWND programSheet = PageControl.AddPage();
    HWND startupSheet = PageControl.AddPage();
    GetSystemImageLists();
    programs_.Create(programSheet, me, uiFont_.get(), listFont_.get(), linkFont_.get(),
                     smallImages_, largeImages_);
    startup_.Create(startupSheet, uiFont_.get(), listFont_.get());
    menus_.Create();
    actions_[ActionInfoTips].checked = true;
    actions_[ActionViewReport].checked = true;
    CreateAccelerators();
}

void TMainForm::CreateAccelerators() {
    ACCEL keys[] = {{FVIRTKEY, VK_F5, IDA_F5}, {FVIRTKEY, VK_F1, IDA_F1}};
    accelerators_.reset(CreateAcceleratorTableA(keys, 2));
}

void TMainForm::Show(int showCommand) {
    ShowWindow(hwnd(), showCommand);
    UpdateWindow(hwnd());
}

void TMainForm::ActionExitExecute() {
    // The close button stays clickable for other programs while a dialog runs.
    if (RefuseCloseWhileBusy()) return;
    // Both switches are stored even when untouched; a failed write leaves the window open.
    programs_.StoreSwitches();
    DestroyWindow(hwnd());
}

// Closing destroys this window and every window it owns. While a modal loop
// runs (one of our dialogs, a message box, a system dialog or a menu of this
// window) that would pull its window from under it, and the code waiting for the
// loop would then carry on with a form that is gone. So a close request that
// arrives meanwhile, from the taskbar, another program or a key, is refused, and
// the window that holds the user up comes to the front; the user closes it and
// then the program. Only the session's end cannot wait (see WM_ENDSESSION).
bool TMainForm::RefuseCloseWhileBusy() {
    if (!ui::ModalLoopRunning() && !inMenuLoop_ && IsWindowEnabled(hwnd())) return false;
    HWND front = ui::InnermostModalWindow();
    if (!front || !IsWindow(front)) front = hwnd();
    // A message box or system dialog shown over that window is the one to answer.
    HWND popup = GetLastActivePopup(front);
    if (popup && IsWindowVisible(popup)) front = popup;
    if (front != hwnd() && IsWindowVisible(front)) SetForegroundWindow(front);
    return true;
}

void TMainForm::ActionMinExecute() { ShowWindow(hwnd(), SW_MINIMIZE); }

void TMainForm::imgBackGroundMouseDown() {
    ReleaseCapture();
    SendMessageA(hwnd(), WM_SYSCOMMAND, kDragMove, 0);
}

void TMainForm::PaintContent(HDC dc, const RECT& rc) {
    if (paintFault) paintFault(dc);
    // Whatever the background picture does not cover keeps the window's designed
    // colour, the transparent key: a skin whose picture is smaller than the
    // window leaves the rest see-through, never undrawn. (Without a picture only
    // the controls are seen.)
    int coveredRight = 0, coveredBottom = 0;
    if (background_ && background_->Opaque()) {
        coveredRight = background_->width();
        coveredBottom = background_->height();
    }
    unique_hbrush key(CreateSolidBrush(kTransparentColor));
    if (!key) ThrowLastError();
    const RECT right{coveredRight, rc.top, rc.right, coveredBottom};
    const RECT below{rc.left, coveredBottom, rc.right, rc.bottom};
    if (coveredRight == 0) {
        FillRect(dc, &rc, key.get());
    } else {
        if (right.left < right.right && right.top < right.bottom) FillRect(dc, &right, key.get());
        if (below.top < below.bottom) FillRect(dc, &below, key.get());
    }
    // A picture with translucent parts blends onto the key colour filled above.
    if (background_) background_->Draw(dc, 0, 0);
}

// Paints the surface; drawing that fails (no GDI objects left, a picture that
// cannot be drawn) is reported once, not at every repaint: each message box would
// bring the next repaint, and with it the next box. The caller validates the
// update region either way, or WM_PAINT would come back at once.
void TMainForm::PaintSurface(HDC dc) {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    try {
        PaintContent(dc, rc);
        paintFailureReported_ = false;
    } catch (const std::exception& e) {
        if (paintFailureReported_) return;
        paintFailureReported_ = true;
        ui::ReportException(e);
    } catch (...) {
        if (paintFailureReported_) return;
        paintFailureReported_ = true;
        ui::ReportUnknownException();
    }
}

LRESULT TMainForm::OnCtlColor(HDC dc, HWND control) {
    // Labels and check boxes on the side panels show the panel picture behind them.
    for (ui::ImagePanel* panel : {&programs_.Panel(), &startup_.Panel()})
        if (IsChild(panel->hwnd(), control)) return PanelBackground(*panel, dc, control);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

LRESULT TMainForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == cleanup::UninstallDoneMessage()) {
        programs_.OnUninstallMessage(wp, lp);
        return 0;
    }
    switch (msg) {
    case WM_COMMAND:
        OnCommand(GET_WM_COMMAND_ID(wp, lp), GET_WM_COMMAND_CMD(wp, lp),
                  GET_WM_COMMAND_HWND(wp, lp));
        return 0;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->hwndFrom == startup_.ListView()) return startup_.OnNotify(hdr);
        if (hdr->hwndFrom == programs_.ListView()) return programs_.OnNotify(hdr);
        return 0;
    }
    case WM_MENUCHAR: return ui::PopupMenu::HandleMenuChar(wp, lp);
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        if (ui::PopupMenu::HandleOwnerDraw(msg, lp)) return TRUE;
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: return OnCtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: imgBackGroundMouseDown(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        paint_dc dc(hwnd());  // EndPaint validates even when drawing failed
        PaintSurface(dc.get());
        return 0;
    }
    case WM_PRINTCLIENT: PaintSurface(reinterpret_cast<HDC>(wp)); return 0;
    case WM_CLOSE:
        if (RefuseCloseWhileBusy()) return 0;
        break;  // DefWindowProc destroys the window
    case WM_ENTERMENULOOP: inMenuLoop_ = true; break;
    case WM_EXITMENULOOP: inMenuLoop_ = false; break;
    case WM_QUERYENDSESSION:
        // Nothing here is worth keeping a session alive for: the switches are
        // stored as they change, and a dialog's work is either done or undone.
        return TRUE;
    case WM_ENDSESSION:
        // The session ends once this returns. The quit message unwinds every
        // modal loop still running (each ends as if cancelled), then the main
        // loop; destroying windows here would free what those loops still use.
        if (wp) PostQuitMessage(0);
        return 0;
    case WM_DESTROY:
        // Waits still running end without a word once the window is gone.
        cleanup::SetUninstallWindowClosing(true);
        // The service connection ends with the main window.
        programs_.Disconnect();
        PostQuitMessage(0);
        return 0;
    default: break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace cx::app

#include "app/MainForm.h"

#include <shellapi.h>
#include <windowsx.h>

#include "app/AppPaths.h"
#include "app/AppStart.h"
#include "app/Config.h"
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

HWND MakeChild(const char* cls, const char* text, DWORD style, const RECT& b, HWND parent, int id,
               DWORD exStyle = 0) {
    HWND h = CreateWindowExA(
        exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, b.left, b.top, b.right, b.bottom, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    if (!h) ThrowLastError();
    return h;
}

HFONT MakeFont(const char* face, int points, bool underline = false, bool bold = false) {
    window_dc screen(nullptr);
    int height = -MulDiv(points, GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
    return CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, face);
}

void SetFont(HWND h, HFONT f) { SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE); }
}  // namespace

TMainForm::TMainForm() {
    for (int a = 0; a < ActionCount; ++a) actions_[a].name = ActionName(static_cast<Action>(a));
}

TMainForm::~TMainForm() { programList_.Disconnect(); }

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
    // 1. Run-time state.
    SearchPos = 0;
    ProgramPanelShown = true;
    StartupPanelShown = true;
    StartupAllChecked = true;

    // 2. The status-bar link starts empty: aqua, with the button face when hovered.
    lblProgramURL.SetText("");
    lblProgramURL.SetHint("");
    lblProgramURL.SetLinkColour(RGB(0, 255, 255));
    lblProgramURL.SetHoverColour(GetSysColor(COLOR_BTNFACE));

    // 3. The program page in front.
    PageControl.SetActivePage(0);

    // 4. The details window lives as long as the main window; it is built
    // when first shown.
    detailsForm_ = std::make_unique<inv::TDetailsForm>(programList_);
    detailsForm_->SetOwner(hwnd());

    // 5.-6. The system image lists; the service's icon indexes point into them.
    GetSystemImageLists();
    ListView_SetImageList(lsvProgramList, smallImages_, LVSIL_SMALL);
    ListView_SetImageList(lsvProgramList, largeImages_, LVSIL_NORMAL);

    // 7.-10.
    SetupListColumns();
    BuildLanguageMenu();
    ApplySkin();
    ApplyTexts();

    // 11. The program list. A service that fails here is reported like any
    // other failure of it: the window still opens, its list as far as the load
    // got, and Refresh can try again.
    try {
        LoadProgramList();
    } catch (const std::exception& e) {
        ui::ReportException(e);
    }

    // The startup list, after the program list; its page shows it.
    try {
        LoadStartupList();
    } catch (const std::exception& e) {
        ui::ReportException(e);
    }

    // 12. The switches as stored; setting the check does not run the actions.
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
    btnView.onRightClick = [this](POINT p) { ShowMenu(pmView, p); };
    btnTools.onRightClick = [this](POINT p) { ShowMenu(pmTools, p); };
    btnHelp.onRightClick = [this](POINT p) { ShowMenu(pmHelp, p); };

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
    tsProgramList = PageControl.AddPage();
    tsStartupItems = PageControl.AddPage();
    SizePanelPL.Create(tsProgramList, 0, 0, 169, 394);
    SizePanelPL.onHotSpotClick = [this] { SizePanelPLHotSpotClick(); };
    SizePanelSI.Create(tsStartupItems, 0, 0, 169, 394);
    SizePanelSI.onHotSpotClick = [this] { SizePanelSIHotSpotClick(); };
    CreateProgramPage();
    CreateStartupPage();
    CreateStatusBar();
    CreateMenus();
    CreateAccelerators();
}

void TMainForm::CreateProgramPage() {
    imgPanelP.Create(SizePanelPL.hwnd(), 0, 0, 160, 394);
    HWND panel = imgPanelP.hwnd();
    auto button = [&](ui::ImageButton& b, int id, const char* caption, RECT r) {
        b.Create(panel, id, caption, r.left, r.top, r.right, r.bottom);
    };
    button(btnUninstall, IDC_BTN_UNINSTALL, "Uninstall", {15, 16, 141, 34});
    btnUninstall.onClick = [this] { Execute(UninstallTarget); };
    button(btnShowDetails, IDC_BTN_SHOWDETAILS, "Show Details", {15, 64, 141, 34});
    btnShowDetails.onClick = [this] { Execute(ActionShowDetails); };
    button(btnRefresh, IDC_BTN_REFRESH, "Refresh", {15, 112, 141, 34});
    btnRefresh.onClick = [this] { Execute(ActionRefresh); };
    btnUninstall.SetEnabled(false);
    btnShowDetails.SetEnabled(false);

    // The group box is drawn behind its controls, which sit on the panel at the
    // group's origin plus their own bounds.
    grbSearch =
        MakeChild("BUTTON", "Search", BS_GROUPBOX, {15, 168, 138, 137}, panel, IDC_GRBSEARCH);
    // Centred: the label spans the group's full width, frame lines included.
    lblSearchTitle = MakeChild("STATIC", "Find the program with contents below:", SS_CENTER,
                               {15 + 0, 168 + 22, 137, 43}, panel, -1);
    txtSearchInfo = MakeChild("EDIT", "", ES_AUTOHSCROLL, {15 + 0, 168 + 67, 127, 21}, panel,
                              IDC_TXTSEARCHINFO, WS_EX_CLIENTEDGE);
    button(btnSearch, IDC_BTN_SEARCH, "Find Next", {15 + 0, 168 + 99, 141, 34});
    btnSearch.onClick = [this] { Execute(ActionSearch); };
    ckbHidePatch = MakeChild("BUTTON", "Hide System Patch", BS_CHECKBOX, {15, 316, 128, 26}, panel,
                             IDC_CKBHIDEPATCH);
    ckbHideScr = MakeChild("BUTTON", "Hide Screen Saver", BS_CHECKBOX, {15, 343, 128, 26}, panel,
                           IDC_CKBHIDESCR);
    for (HWND h : {grbSearch, lblSearchTitle, txtSearchInfo, ckbHidePatch, ckbHideScr})
        SetFont(h, uiFont_.get());
    SetWindowPos(grbSearch, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    lsvProgramList = MakeChild(WC_LISTVIEWA, "",
                               LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL |
                                   LVS_SHAREIMAGELISTS | LVS_OWNERDATA | WS_TABSTOP,
                               {169, 0, 582, 394}, tsProgramList, IDC_LSVPROGRAMLIST);
    ListView_SetExtendedListViewStyle(lsvProgramList, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    ListView_SetBkColor(lsvProgramList, RGB(255, 255, 255));
    SetFont(lsvProgramList, listFont_.get());
}

void TMainForm::CreateStartupPage() {
    imgPanelS.Create(SizePanelSI.hwnd(), 0, 0, 160, 394);
    HWND panel = imgPanelS.hwnd();
    btnSelectAll.Create(panel, IDC_BTN_SELECTALL, "Disable All", 15, 16, 141, 34);
    btnSelectAll.onClick = [this] { Execute(ActionSelectAll); };
    btnDelete.Create(panel, IDC_BTN_DELETE, "Delete Entry", 15, 64, 141, 34);
    btnDelete.onClick = [this] { Execute(ActionDelete); };
    btnApply.Create(panel, IDC_BTN_APPLY, "Apply", 15, 112, 141, 34);
    btnApply.onClick = [this] { Execute(ActionApply); };
    grbItemInfo =
        MakeChild("BUTTON", "Item Info", BS_GROUPBOX, {15, 168, 137, 185}, panel, IDC_GRBITEMINFO);
    lblPublisher = MakeChild("STATIC", "Publisher: ", SS_LEFT, {20, 193, 64, 13}, panel, -1);
    lblPublisherValue = MakeChild("STATIC", "", SS_LEFT, {20, 210, 121, 31}, panel, -1);
    lblVersion = MakeChild("STATIC", "Version: ", SS_LEFT, {20, 244, 55, 13}, panel, -1);
    lblVersionValue = MakeChild("STATIC", "", SS_LEFT, {23, 260, 121, 31}, panel, -1);
    lblDes = MakeChild("STATIC", "Description: ", SS_LEFT, {20, 293, 76, 13}, panel, -1);
    lblDescription = MakeChild("STATIC", "", SS_LEFT, {20, 309, 121, 42}, panel, -1);
    for (HWND h : {grbItemInfo, lblPublisher, lblPublisherValue, lblVersion, lblVersionValue,
                   lblDes, lblDescription})
        SetFont(h, uiFont_.get());
    SetWindowPos(grbItemInfo, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    lsvStartupList =
        MakeChild(WC_LISTVIEWA, "",
                  LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_OWNERDATA | WS_TABSTOP,
                  {169, 0, 582, 394}, tsStartupItems, IDC_LSVSTARTUPLIST);
    ListView_SetExtendedListViewStyle(lsvStartupList, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
    SetFont(lsvStartupList, listFont_.get());
    SetupStartupList();
}

void TMainForm::CreateStatusBar() {
    HWND me = hwnd();
    lblPrograms.Create(me, 20, 514, false);
    lblProgramCounts.Create(me, 80, 514, false);
    lblRegName.Create(me, 200, 514, false);
    lblRegistryName.Create(me, 300, 514, false);
    lblProgramURL.Create(me, 400, 514, true);
    for (ui::LinkLabel* l : {&lblPrograms, &lblProgramCounts, &lblRegName, &lblRegistryName})
        l->SetFont(uiFont_.get());
    lblProgramURL.SetFont(uiFont_.get());
    lblPrograms.SetText("Programs: ");
    lblRegName.SetText("Registry Name:");
    lblProgramURL.onClick = [this] {
        // Only web and mail links are launched; anything else is shown, not run.
        inv::OpenLink(hwnd(), lblProgramURL.Hint());
    };
    ShowWindow(lblRegName.hwnd(), SW_HIDE);
    ShowWindow(lblRegistryName.hwnd(), SW_HIDE);
    ShowWindow(lblProgramURL.hwnd(), SW_HIDE);
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
    config::WriteHideSysPatch(AppPaths().ConfigPath, Button_GetCheck(ckbHidePatch) == BST_CHECKED);
    config::WriteHideScreenSaver(AppPaths().ConfigPath, Button_GetCheck(ckbHideScr) == BST_CHECKED);
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
    ui::ImagePanel* panel = IsChild(imgPanelP.hwnd(), control)   ? &imgPanelP
                            : IsChild(imgPanelS.hwnd(), control) ? &imgPanelS
                                                                 : nullptr;
    SetBkMode(dc, TRANSPARENT);
    if (!panel) return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    HBRUSH brush = panel->BackgroundBrush();
    if (!brush) return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    POINT origin{0, 0};
    MapWindowPoints(control, panel->hwnd(), &origin, 1);
    SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
    return reinterpret_cast<LRESULT>(brush);
}

LRESULT TMainForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == cleanup::UninstallDoneMessage()) {
        OnUninstallMessage(wp, lp);
        return 0;
    }
    switch (msg) {
    case WM_COMMAND:
        OnCommand(GET_WM_COMMAND_ID(wp, lp), GET_WM_COMMAND_CMD(wp, lp),
                  GET_WM_COMMAND_HWND(wp, lp));
        return 0;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lp)->hwndFrom == lsvStartupList)
            return OnStartupListNotify(reinterpret_cast<NMHDR*>(lp));
        return OnNotify(reinterpret_cast<NMHDR*>(lp));
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
        // The service connection ends with the main window. A details window
        // whose loop still runs is left to the destructor: its loop ends with
        // its window, which goes with this one.
        if (detailsForm_ && !detailsForm_->InModal()) detailsForm_.reset();
        programList_.Disconnect();
        PostQuitMessage(0);
        return 0;
    default: break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace cx::app

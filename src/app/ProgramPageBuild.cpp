// The program page's controls: built on its sheet and the window's status
// line, skinned, given the texts of the language in use, and what the window
// asks of them when it switches pages and closes.
#include <windowsx.h>

#include "app/AppPaths.h"
#include "app/Config.h"
#include "app/PageParts.h"
#include "app/ProgramPage.h"
#include "cleanup/WatchTrace.h"
#include "i18n/LangText.h"
#include "inventory/DetailsForm.h"
#include "inventory/ListSystem.h"
#include "skin/Bounds.h"
#include "skin/SkinApply.h"
#include "skin/SkinSettings.h"
#include "platform/Error.h"
#include "platform/Strings.h"

namespace cx::app {

TProgramPage::TProgramPage(PageHost& host, MainMenus& menus) : host_(host), menus_(menus) {}

TProgramPage::~TProgramPage() { programList_.Disconnect(); }

void TProgramPage::Create(HWND sheet, HWND window, HFONT uiFont, HFONT listFont, HFONT linkFont,
                          HIMAGELIST smallImages, HIMAGELIST largeImages) {
    listFont_ = listFont;
    linkFont_ = linkFont;
    CreatePanel(sheet, uiFont, listFont);
    CreateStatusBar(window, uiFont);
    // The details window lives as long as the page; it is built when first shown.
    detailsForm_ = std::make_unique<inv::TDetailsForm>(programList_);
    detailsForm_->SetOwner(window);
    // A program installed through Install and Watch says how much its setup wrote.
    detailsForm_->SetExtraRows([](const std::string& hive, const std::string& registryName) {
        std::vector<std::pair<std::string, std::string>> rows;
        const std::optional<cleanup::WatchTrace> trace = cleanup::FindTrace(
            cleanup::UserTraceRoot(AnsiToWide(AppPaths().AppDir)), hive, registryName);
        if (!trace) return rows;
        const cleanup::TraceCounts c = cleanup::CountsOf(*trace);
        rows.emplace_back(LangText(IDS_DETAILSFORM_ROW_Watched),
                          Format(LangFormatText(IDS_DETAILSFORM_ROW_WatchedCounts),
                                 static_cast<int>(c.keys), static_cast<int>(c.files)));
        return rows;
    });
    // The service's icon indexes point into the system's lists.
    ListView_SetImageList(lsvProgramList, smallImages, LVSIL_SMALL);
    ListView_SetImageList(lsvProgramList, largeImages, LVSIL_NORMAL);
    int cx = 16, cy = 16, lx = 32, ly = 32;
    ImageList_GetIconSize(smallImages, &cx, &cy);
    ImageList_GetIconSize(largeImages, &lx, &ly);
    brokenSmall_ = MakeBrokenIcon(cx);
    brokenLarge_ = MakeBrokenIcon(lx);
    AddColumn(lsvProgramList, 0, LangText(IDS_LISTVIEW_COLUMNS_Descriptions), 200);
    AddColumn(lsvProgramList, 1, LangText(IDS_LISTVIEW_COLUMNS_Publisher), 160);
    AddColumn(lsvProgramList, 2, LangText(IDS_LISTVIEW_COLUMNS_Directory), 360);
    programListHook_.Attach(
        lsvProgramList, [this](const ui::Subclass::Call& call) { return ProgramListProc(call); });
}

void TProgramPage::CreatePanel(HWND sheet, HFONT uiFont, HFONT listFont) {
    tsProgramList = sheet;
    SizePanelPL.Create(sheet, 0, 0, 169, 394);
    SetControlId(SizePanelPL.hwnd(), IDC_SIZEPANEL_PL);
    SizePanelPL.onHotSpotClick = [this] { SizePanelPLHotSpotClick(); };
    imgPanelP.Create(SizePanelPL.hwnd(), 0, 0, 160, 394);
    SetControlId(imgPanelP.hwnd(), IDC_IMG_PANELP);
    HWND panel = imgPanelP.hwnd();
    auto button = [&](ui::ImageButton& b, int id, const char* caption, RECT r) {
        b.Create(panel, id, caption, r.left, r.top, r.right, r.bottom);
    };
    button(btnUninstall, IDC_BTN_UNINSTALL, "Uninstall", {15, 16, 141, 34});
    btnUninstall.onClick = [this] { host_.Execute(uninstallTarget_); };
    button(btnShowDetails, IDC_BTN_SHOWDETAILS, "Show Details", {15, 64, 141, 34});
    btnShowDetails.onClick = [this] { host_.Execute(ActionShowDetails); };
    button(btnRefresh, IDC_BTN_REFRESH, "Refresh", {15, 112, 141, 34});
    btnRefresh.onClick = [this] { host_.Execute(ActionRefresh); };
    btnUninstall.SetEnabled(false);
    btnShowDetails.SetEnabled(false);

    // The group box is drawn behind its controls, which sit on the panel at the
    // group's origin plus their own bounds.
    grbSearch =
        MakeChild("BUTTON", "Search", BS_GROUPBOX, {15, 168, 138, 137}, panel, IDC_GRBSEARCH);
    // Centred: the label spans the group's full width, frame lines included.
    lblSearchTitle = MakeChild("STATIC", "Find the program with contents below:", SS_CENTER,
                               {15 + 0, 168 + 22, 137, 43}, panel, IDC_LBL_SEARCHTITLE);
    txtSearchInfo = MakeChild("EDIT", "", ES_AUTOHSCROLL, {15 + 0, 168 + 67, 127, 21}, panel,
                              IDC_TXTSEARCHINFO, WS_EX_CLIENTEDGE);
    button(btnSearch, IDC_BTN_SEARCH, "Find Next", {15 + 0, 168 + 99, 141, 34});
    btnSearch.onClick = [this] { host_.Execute(ActionSearch); };
    ckbHidePatch = MakeChild("BUTTON", "Hide System Patch", BS_CHECKBOX, {15, 316, 128, 26}, panel,
                             IDC_CKBHIDEPATCH);
    ckbHideScr = MakeChild("BUTTON", "Hide Screen Saver", BS_CHECKBOX, {15, 343, 128, 26}, panel,
                           IDC_CKBHIDESCR);
    for (HWND h : {grbSearch, lblSearchTitle, txtSearchInfo, ckbHidePatch, ckbHideScr})
        SetControlFont(h, uiFont);
    SetWindowPos(grbSearch, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    lsvProgramList =
        MakeChild(WC_LISTVIEWA, "",
                  // Several rows at once (Shift, Ctrl): Uninstall queues them.
                  LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | LVS_OWNERDATA | WS_TABSTOP,
                  {169, 0, 582, 394}, sheet, IDC_LSVPROGRAMLIST);
    ListView_SetExtendedListViewStyle(lsvProgramList, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    ListView_SetBkColor(lsvProgramList, RGB(255, 255, 255));
    SetControlFont(lsvProgramList, listFont);
}

void TProgramPage::CreateStatusBar(HWND window, HFONT uiFont) {
    lblPrograms.Create(window, 20, 514, false);
    lblProgramCounts.Create(window, 80, 514, false);
    lblRegName.Create(window, 200, 514, false);
    lblRegistryName.Create(window, 300, 514, false);
    lblProgramURL.Create(window, 400, 514, true);
    SetControlId(lblPrograms.hwnd(), IDC_LBL_PROGRAMS);
    SetControlId(lblProgramCounts.hwnd(), IDC_LBL_PROGRAMCOUNTS);
    SetControlId(lblRegName.hwnd(), IDC_LBL_REGNAME);
    SetControlId(lblRegistryName.hwnd(), IDC_LBL_REGISTRYNAME);
    SetControlId(lblProgramURL.hwnd(), IDC_LBL_PROGRAMURL);
    for (ui::LinkLabel* l :
         {&lblPrograms, &lblProgramCounts, &lblRegName, &lblRegistryName, &lblProgramURL})
        l->SetFont(uiFont);
    lblPrograms.SetText("Programs: ");
    lblRegName.SetText("Registry Name:");
    lblProgramURL.onClick = [this] {
        // Only web and mail links are launched; anything else is shown, not run.
        inv::OpenLink(host_.Owner(), lblProgramURL.Hint());
    };
    ShowWindow(lblRegName.hwnd(), SW_HIDE);
    ShowWindow(lblRegistryName.hwnd(), SW_HIDE);
    ShowWindow(lblProgramURL.hwnd(), SW_HIDE);
    // The link starts empty: aqua, with the button face when hovered.
    lblProgramURL.SetText("");
    lblProgramURL.SetHint("");
    lblProgramURL.SetLinkColour(RGB(0, 255, 255));
    lblProgramURL.SetHoverColour(GetSysColor(COLOR_BTNFACE));
}

void TProgramPage::ApplySkin() {
    SetBoundsFromSkin(tsProgramList, SkinValue(SK_MAINFORM_PAGE1_Pos));
    SetBoundsFromSkin(lsvProgramList, SkinValue(SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_Pos));
    SetBoundsFromSkin(SizePanelPL.hwnd(), SkinValue(SK_MAINFORM_PAGE1_SizePanel_Pos));
    SkinPanel(imgPanelP, SK_MAINFORM_PAGE1_ImgPanel_Pos, SK_MAINFORM_PAGE1_ImgPanel_Pic);

    SkinButton(btnUninstall, SK_MAINFORM_PAGE1_BUTTON_Uninstall_Pos);
    SkinButton(btnShowDetails, SK_MAINFORM_PAGE1_BUTTON_ShowDetails_Pos);
    SkinButton(btnRefresh, SK_MAINFORM_PAGE1_BUTTON_Refresh_Pos);

    SetBoundsFromSkin(grbSearch, SkinValue(SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos));
    SetBoundsInGroup(lblSearchTitle, SkinValue(SK_MAINFORM_PAGE1_GROUPBOX_LABEL_Title_Pos),
                     grbSearch);
    SetBoundsInGroup(txtSearchInfo, SkinValue(SK_MAINFORM_PAGE1_GROUPBOX_TEXT_KeyWorld_Pos),
                     grbSearch);
    SetBoundsInGroup(btnSearch.hwnd(), SkinValue(SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_Pos),
                     grbSearch);
    SkinButtonPictures(btnSearch, SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_Pos);

    SetBoundsFromSkin(ckbHidePatch, SkinValue(SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HidePatch_Pos));
    SetBoundsFromSkin(ckbHideScr, SkinValue(SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HideScr_Pos));
}

void TProgramPage::ApplyTexts() {
    btnUninstall.SetCaption(LangText(IDS_SIDEBAR_BUTTON_Uninstall));
    btnShowDetails.SetCaption(LangText(IDS_SIDEBAR_BUTTON_SHOWDETAILS));
    btnRefresh.SetCaption(LangText(IDS_SIDEBAR_BUTTON_Refresh));
    btnSearch.SetCaption(LangText(IDS_SIDEBAR_GROUPBOX_BUTTON_Search));
    SetColumnText(lsvProgramList, 0, IDS_LISTVIEW_COLUMNS_Descriptions);
    SetColumnText(lsvProgramList, 1, IDS_LISTVIEW_COLUMNS_Publisher);
    SetColumnText(lsvProgramList, 2, IDS_LISTVIEW_COLUMNS_Directory);
    lblPrograms.SetText(LangText(IDS_STATUSBAR_LABEL_Programs));
    lblRegName.SetText(LangText(IDS_STATUSBAR_LABEL_RegistryName));
    SetWindowTextA(grbSearch, LangText(IDS_SIDEBAR_GROUPBOX_TITLE_Search).c_str());
    SetWindowTextA(lblSearchTitle, LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Info).c_str());
    SetWindowTextA(ckbHidePatch, LangText(IDS_SIDEBAR_CHECKBOX_HideSysPatch).c_str());
    SetWindowTextA(ckbHideScr, LangText(IDS_SIDEBAR_CHECKBOX_HideScr).c_str());
}

bool TProgramPage::OnCommand(int id, int code) {
    if (id == IDC_TXTSEARCHINFO && code == EN_CHANGE) {
        txtSearchInfoChange();
        return true;
    }
    if (id == IDC_CKBHIDEPATCH && code == BN_CLICKED) {
        host_.Execute(ActionHideSysPatch);
        return true;
    }
    if (id == IDC_CKBHIDESCR && code == BN_CLICKED) {
        host_.Execute(ActionHideScr);
        return true;
    }
    return false;
}

void TProgramPage::Activate() {
    lblPrograms.SetText(LangText(IDS_STATUSBAR_LABEL_Programs));
    RECT p = ui::GetBounds(lblPrograms.hwnd());
    RECT c = ui::GetBounds(lblProgramCounts.hwnd());
    ui::SetBounds(lblProgramCounts.hwnd(), p.right + 5, c.top, c.right - c.left, c.bottom - c.top);
    lblProgramCounts.SetText(programCountText_);
    ShowWindow(lblProgramCounts.hwnd(), SW_SHOW);
    ShowWindow(lblPrograms.hwnd(), SW_SHOW);
}

void TProgramPage::Deactivate() {
    for (ui::LinkLabel* l :
         {&lblProgramCounts, &lblPrograms, &lblRegName, &lblRegistryName, &lblProgramURL})
        ShowWindow(l->hwnd(), SW_HIDE);
}

void TProgramPage::ShowChecks(const std::array<ActionState, ActionCount>& actions) {
    Button_SetCheck(ckbHidePatch,
                    actions[ActionHideSysPatch].checked ? BST_CHECKED : BST_UNCHECKED);
    Button_SetCheck(ckbHideScr, actions[ActionHideScr].checked ? BST_CHECKED : BST_UNCHECKED);
}

void TProgramPage::SetGrid(bool grid) {
    ListView_SetExtendedListViewStyleEx(lsvProgramList, LVS_EX_GRIDLINES,
                                        grid ? LVS_EX_GRIDLINES : 0);
}

void TProgramPage::StoreSwitches() const {
    // Both switches are stored even when untouched; a failed write throws.
    config::WriteHideSysPatch(AppPaths().ConfigPath, Button_GetCheck(ckbHidePatch) == BST_CHECKED);
    config::WriteHideScreenSaver(AppPaths().ConfigPath, Button_GetCheck(ckbHideScr) == BST_CHECKED);
}

void TProgramPage::Disconnect() {
    // A details window whose loop still runs is left to the destructor: its
    // loop ends with its window, which goes with the main window.
    if (detailsForm_ && !detailsForm_->InModal()) detailsForm_.reset();
    programList_.Disconnect();
}

void TProgramPage::SizePanelPLHotSpotClick() {
    SkinKey key = ProgramPanelShown ? SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_FullPos
                                    : SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_Pos;
    if (auto b = ParseBounds(SkinValue(key)))
        ui::SetBounds(lsvProgramList, b->left, b->top, b->width, b->height);
    ProgramPanelShown = !ProgramPanelShown;
}

}  // namespace cx::app

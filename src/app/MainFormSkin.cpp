// The skin and the language texts applied to the main window.
#include "app/MainForm.h"

#include "app/AppPaths.h"
#include "i18n/LangText.h"
#include "platform/Files.h"
#include "skin/Bounds.h"
#include "skin/SkinApply.h"
#include "skin/SkinSettings.h"

namespace cx::app {

namespace {

void ButtonPicture(ui::ImageButton& button, ui::ImageButton::State state, SkinKey pos, int offset) {
    LoadButtonImage(button, state, AppPaths().SkinDir,
                    SkinValue(static_cast<SkinKey>(pos + offset)));
}

void SkinButtonPictures(ui::ImageButton& button, SkinKey pos) {
    // The five keys of a button follow each other: bounds, normal, hover, down, disabled.
    ButtonPicture(button, ui::ImageButton::Normal, pos, 1);
    ButtonPicture(button, ui::ImageButton::Hover, pos, 2);
    ButtonPicture(button, ui::ImageButton::Down, pos, 3);
    ButtonPicture(button, ui::ImageButton::Disabled, pos, 4);
}

void SkinButton(ui::ImageButton& button, SkinKey pos) {
    SetBoundsFromSkin(button.hwnd(), SkinValue(pos));
    SkinButtonPictures(button, pos);
}

// The page buttons' pressed picture is stored in the skin but not applied.
void SkinPageButton(ui::ImageButton& button, SkinKey pos) {
    SetBoundsFromSkin(button.hwnd(), SkinValue(pos));
    ButtonPicture(button, ui::ImageButton::Normal, pos, 1);
    ButtonPicture(button, ui::ImageButton::Hover, pos, 2);
    ButtonPicture(button, ui::ImageButton::Disabled, pos, 4);
}

std::shared_ptr<ui::Image> SkinPicture(const std::string& fileName) {
    return LoadSkinPicture(AppPaths().SkinDir, fileName);
}

void SkinPanel(ui::ImagePanel& panel, SkinKey pos, SkinKey pic) {
    SetBoundsFromSkin(panel.hwnd(), SkinValue(pos));
    if (auto picture = SkinPicture(SkinValue(pic))) panel.SetPicture(std::move(picture));
}

}  // namespace

// Controls inside a group box sit on the panel at the group's origin plus their own bounds.
void TMainForm::SetBoundsInGroup(HWND control, const std::string& value, HWND group) {
    if (value.empty()) return;
    auto b = ParseBounds(value);  // throws for a part that is not a number
    if (!b) return;
    RECT g = ui::GetBounds(group);
    ui::SetBounds(control, g.left + b->left, g.top + b->top, b->width, b->height);
}

void TMainForm::ApplySkin() {
    // One guard for the whole sequence: the first bad value or picture ends it
    // there, and what came before keeps its new bounds and pictures.
    try {
        if (auto b = ParseBounds(SkinValue(SK_MAINFORM_Pos))) {
            // The window is centred on the screen whatever place the skin gives it:
            // only its size is taken.
            int x = (GetSystemMetrics(SM_CXSCREEN) - b->width) / 2;
            int y = (GetSystemMetrics(SM_CYSCREEN) - b->height) / 2;
            SetWindowPos(hwnd(), nullptr, x, y, b->width, b->height, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (auto picture = SkinPicture(SkinValue(SK_MAINFORM_PicBackGround))) {
            background_ = std::move(picture);
            InvalidateRect(hwnd(), nullptr, TRUE);
        }
        SetBoundsFromSkin(ImgTitle.hwnd(), kTitleImageBounds);
        if (auto picture = SkinPicture(kTitleImageFile)) ImgTitle.SetPicture(std::move(picture));

        SkinButton(btnMin, SK_MAINFORM_BUTTON_Min_Pos);
        SkinButton(btnHelpContent, SK_MAINFORM_BUTTON_HelpContent_Pos);
        SkinButton(btnClose, SK_MAINFORM_BUTTON_Close_Pos);
        SkinButton(btnFile, SK_MAINFORM_BUTTON_File_Pos);
        SkinButton(btnView, SK_MAINFORM_BUTTON_View_Pos);
        SkinButton(btnTools, SK_MAINFORM_BUTTON_Tools_Pos);
        SkinButton(btnHelp, SK_MAINFORM_BUTTON_Help_Pos);
        SkinPageButton(btnProgramList, SK_MAINFORM_BUTTON_ProgramList_Pos);
        SkinPageButton(btnStartupItemList, SK_MAINFORM_BUTTON_StartupItems_Pos);

        SetBoundsFromSkin(PageControl.hwnd(), SkinValue(SK_MAINFORM_PAGECONTROL_Pos));
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

        SetBoundsFromSkin(ckbHidePatch,
                          SkinValue(SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HidePatch_Pos));
        SetBoundsFromSkin(ckbHideScr, SkinValue(SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HideScr_Pos));

        SetBoundsFromSkin(tsStartupItems, SkinValue(SK_MAINFORM_PAGE2_Pos));
        SetBoundsFromSkin(lsvStartupList,
                          SkinValue(SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_Pos));
        SetBoundsFromSkin(SizePanelSI.hwnd(), SkinValue(SK_MAINFORM_PAGE2_SizePanel_Pos));
        SkinPanel(imgPanelS, SK_MAINFORM_PAGE2_ImgPanel_Pos, SK_MAINFORM_PAGE2_ImgPanel_Pic);

        SetBoundsFromSkin(grbItemInfo, SkinValue(SK_MAINFORM_PAGE2_GROUPBOX_grbItemInfo_Pos));
        SetBoundsInGroup(lblPublisher, SkinValue(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Publisher_Pos),
                         grbItemInfo);
        SetBoundsInGroup(lblPublisherValue,
                         SkinValue(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_PublisherValue_Pos),
                         grbItemInfo);
        SetBoundsInGroup(lblVersion, SkinValue(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Version_Pos),
                         grbItemInfo);
        SetBoundsInGroup(lblVersionValue,
                         SkinValue(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_VersionValue_Pos), grbItemInfo);
        SetBoundsInGroup(lblDes, SkinValue(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Des_Pos), grbItemInfo);
        SetBoundsInGroup(lblDescription,
                         SkinValue(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Description_Pos), grbItemInfo);

        SkinButton(btnSelectAll, SK_MAINFORM_PAGE2_BUTTON_SelectAll_Pos);
        SkinButton(btnDelete, SK_MAINFORM_PAGE2_BUTTON_Delete_Pos);
        SkinButton(btnApply, SK_MAINFORM_PAGE2_BUTTON_Apply_Pos);
    } catch (...) {
        // A broken skin leaves the rest of the window as designed; no message.
    }
}

void TMainForm::ApplyTexts() {
    btnFile.SetCaption(LangText(IDS_MAINFORM_MENU_File));
    btnView.SetCaption(LangText(IDS_MAINFORM_MENU_View));
    btnTools.SetCaption(LangText(IDS_MAINFORM_MENU_Tools));
    btnHelp.SetCaption(LangText(IDS_MAINFORM_MENU_Help));
    btnProgramList.SetCaption(LangText(IDS_PAGECONTROL_TABSHEETPL_Title));
    btnUninstall.SetCaption(LangText(IDS_SIDEBAR_BUTTON_Uninstall));
    btnShowDetails.SetCaption(LangText(IDS_SIDEBAR_BUTTON_SHOWDETAILS));
    btnRefresh.SetCaption(LangText(IDS_SIDEBAR_BUTTON_Refresh));
    btnSearch.SetCaption(LangText(IDS_SIDEBAR_GROUPBOX_BUTTON_Search));
    btnStartupItemList.SetCaption(LangText(IDS_PAGECONTROL_TABSHEETSIL_Title));
    btnSelectAll.SetCaption(LangText(IDS_SIDEBAR_BUTTON_UnSelectAll));
    btnDelete.SetCaption(LangText(IDS_SIDEBAR_BUTTON_Delete));
    btnApply.SetCaption(LangText(IDS_SIDEBAR_BUTTON_Apply));

    struct MenuText {
        ui::PopupMenu* menu;
        int id;
        Ids key;
    };
    const MenuText menuTexts[] = {
        {&pmFile, mItemAddProgram, IDS_MAINFORM_MENU_FILE_NewProgram},
        {&pmFile, mItemExportReg, IDS_MAINFORM_MENU_FILE_ExportRegInfo},
        {&pmFile, mItemReloadReg, IDS_MAINFORM_MENU_FILE_ReloadRegInfo},
        {&pmFile, mItemBackup, IDS_MAINFORM_MENU_FILE_CreateBackup},
        {&pmFile, mItemRestoreCleanup, IDS_MAINFORM_MENU_FILE_RestoreCleanup},
        {&pmFile, mItemExportList, IDS_MAINFORM_MENU_FILE_ExportPrmList},
        {&pmFile, mItemExit, IDS_MAINFORM_MENU_FILE_Exit},
        {&pmView, mItemGrid, IDS_MAINFORM_MENU_VIEW_Grid},
        {&pmView, mItemInfoTips, IDS_MAINFORM_MENU_VIEW_Tips},
        {&pmView, mItemViewIcon, IDS_MAINFORM_MENU_VIEW_Icon},
        {&pmView, mItemViewList, IDS_MAINFORM_MENU_VIEW_List},
        {&pmView, mItemViewReport, IDS_MAINFORM_MENU_VIEW_Report},
        {&pmView, mItemRefresh, IDS_MAINFORM_MENU_VIEW_Refresh},
        {&pmView, mItemLanguagesId, IDS_MAINFORM_MENU_VIEW_Languages},
        {&pmTools, mItemRegedit, IDS_MAINFORM_MENU_TOOLS_Regedit},
        {&pmTools, mItemComment, IDS_MAINFORM_MENU_TOOLS_CommentEntry},
        {&pmTools, mItemUpdates, IDS_MAINFORM_MENU_TOOLS_WindowsUpdate},
        {&pmTools, mItemServices, IDS_MAINFORM_MENU_TOOLS_WindowsServices},
        {&pmTools, mItemComponents, IDS_MAINFORM_MENU_TOOLS_WindowsComponents},
        {&pmHelp, mItemHelpContent, IDS_MAINFORM_MENU_HELP_HelpContent},
        {&pmHelp, mItemOnlineRes, IDS_MAINFORM_MENU_HELP_OnlineRes},
        {&pmHelp, mItemContact, IDS_MAINFORM_MENU_HELP_Contact},
        {&pmHelp, mItemAbout, IDS_MAINFORM_MENU_HELP_About},
        {&pmPLRightClick, mItemUninstall, IDS_LISTVIEW_RIGHTCLICK_Uninstall},
        {&pmPLRightClick, mItemAddComments, IDS_LISTVIEW_RIGHTCLICK_CommentEntry},
        {&pmPLRightClick, mItemEditEntryReg, IDS_LISTVIEW_RIGHTCLICK_RegistryEditor},
        {&pmPLRightClick, mItemExportRegInfo, IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo},
        {&pmPLRightClick, mItemShowDetails, IDS_LISTVIEW_RIGHTCLICK_ShowDetails},
        {&pmPLRightClick, mItemViewId, IDS_LISTVIEW_RIGHTCLICK_View},
        {&mItemView, mItemIcon, IDS_LISTVIEW_RIGHTCLICK_ViewIcon},
        {&mItemView, mItemList, IDS_LISTVIEW_RIGHTCLICK_ViewList},
        {&mItemView, mItemReport, IDS_LISTVIEW_RIGHTCLICK_ViewReport},
        {&pmSLRightClick, mItemAddEntry, IDS_LISTVIEW_RIGHTCLICK_AddItem},
        {&pmSLRightClick, mItemDeleteEntry, IDS_LISTVIEW_RIGHTCLICK_DeleteItem},
        {&pmSLRightClick, mItemRefreshSI, IDS_LISTVIEW_RIGHTCLICK_Refresh},
    };
    for (const MenuText& t : menuTexts) t.menu->SetCaption(t.id, LangText(t.key));

    auto setColumn = [](HWND list, int index, Ids key) {
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT;
        col.pszText = const_cast<char*>(LangText(key).c_str());
        ListView_SetColumn(list, index, &col);
    };
    setColumn(lsvProgramList, 0, IDS_LISTVIEW_COLUMNS_Descriptions);
    setColumn(lsvProgramList, 1, IDS_LISTVIEW_COLUMNS_Publisher);
    setColumn(lsvProgramList, 2, IDS_LISTVIEW_COLUMNS_Directory);
    setColumn(lsvStartupList, 0, IDS_LISTVIEW_COLUMNS_StatrupItem);
    setColumn(lsvStartupList, 1, IDS_LISTVIEW_COLUMNS_Command);
    setColumn(lsvStartupList, 2, IDS_LISTVIEW_COLUMNS_Location);

    lblPrograms.SetText(LangText(IDS_STATUSBAR_LABEL_Programs));
    lblRegName.SetText(LangText(IDS_STATUSBAR_LABEL_RegistryName));
    SetWindowTextA(grbSearch, LangText(IDS_SIDEBAR_GROUPBOX_TITLE_Search).c_str());
    SetWindowTextA(lblSearchTitle, LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Info).c_str());
    SetWindowTextA(ckbHidePatch, LangText(IDS_SIDEBAR_CHECKBOX_HideSysPatch).c_str());
    SetWindowTextA(ckbHideScr, LangText(IDS_SIDEBAR_CHECKBOX_HideScr).c_str());
    SetWindowTextA(grbItemInfo, LangText(IDS_SIDEBAR_GROUPBOX_TITLE_ItemInfo).c_str());
    SetWindowTextA(lblPublisher, LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Publisher).c_str());
    SetWindowTextA(lblVersion, LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Version).c_str());
    SetWindowTextA(lblDes, LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Description).c_str());
}

}  // namespace cx::app

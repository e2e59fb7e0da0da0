#include "app/MainMenus.h"

#include "i18n/LangText.h"

namespace cx::app {

void MainMenus::Create() {
    pmFile.AddItem(mItemAddProgram, "New Program...");
    pmFile.AddItem(mItemInstallWatch, "Install and Watch...");
    pmFile.AddSeparator();
    pmFile.AddItem(mItemExportReg, "Export Registry Info...", false);
    pmFile.AddItem(mItemReloadReg, "Reload Registry Info...");
    pmFile.AddItem(mItemBackup, "Create Backup...");
    pmFile.AddItem(mItemRestoreCleanup, "Restore Last Clean-up...");
    pmFile.AddItem(mItemExportList, "Export Program List...");
    pmFile.AddSeparator();
    pmFile.AddItem(mItemExit, "Exit");

    pmView.AddItem(mItemGrid, "Grid");
    pmView.AddItem(mItemInfoTips, "Tips", true, true);
    pmView.AddSeparator();
    pmView.AddItem(mItemViewIcon, "Icon");
    pmView.AddItem(mItemViewList, "List");
    pmView.AddItem(mItemViewReport, "Report", true, true);
    pmView.AddSeparator();
    pmView.AddItem(mItemRefresh, "Refresh");
    // Filled with the language files when the language menu is built.
    pmView.AddSubmenu(mItemLanguages, mItemLanguagesId, "Languages");

    pmTools.AddItem(mItemComment, "Comment Entry...", false);
    pmTools.AddItem(mItemRegedit, "Registry Editor...", false);
    pmTools.AddItem(mItemFindLeftovers, "Find Leftovers...");
    pmTools.AddSeparator();
    pmTools.AddItem(mItemUpdates, "Windows Update...");
    pmTools.AddItem(mItemServices, "Windows Services...");
    pmTools.AddItem(mItemComponents, "Windows Components...");

    pmHelp.AddItem(mItemHelpContent, "Help Content");
    pmHelp.AddSeparator();
    pmHelp.AddItem(mItemOnlineRes, "Online Resources...");
    pmHelp.AddItem(mItemContact, "Contact Technical Support... ");
    pmHelp.AddSeparator();
    pmHelp.AddItem(mItemAbout, "About...");

    mItemView.AddItem(mItemIcon, "Icon");
    mItemView.AddItem(mItemList, "List");
    mItemView.AddItem(mItemReport, "Report", true, true);
    pmPLRightClick.AddItem(mItemUninstall, "Uninstall");
    pmPLRightClick.AddItem(mItemAddComments, "Comment Entry...", false);
    pmPLRightClick.AddItem(mItemEditEntryReg, "Registry Editor...", false);
    pmPLRightClick.AddItem(mItemExportRegInfo, "Export Registry Info...", false);
    pmPLRightClick.AddSeparator();
    pmPLRightClick.AddItem(mItemShowDetails, "Show Details", false);
    pmPLRightClick.AddSeparator();
    pmPLRightClick.AddSubmenu(mItemView, mItemViewId, "View");

    pmSLRightClick.AddItem(mItemAddEntry, "Add Entry");
    pmSLRightClick.AddItem(mItemDeleteEntry, "Delete Entry");
    pmSLRightClick.AddItem(mItemRefreshSI, "Refresh");
}

void MainMenus::ApplyTexts() {
    struct MenuText {
        ui::PopupMenu* menu;
        int id;
        Ids key;
    };
    const MenuText menuTexts[] = {
        {&pmFile, mItemAddProgram, IDS_MAINFORM_MENU_FILE_NewProgram},
        {&pmFile, mItemInstallWatch, IDS_MAINFORM_MENU_FILE_InstallWatch},
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
        {&pmTools, mItemFindLeftovers, IDS_MAINFORM_MENU_TOOLS_FindLeftovers},
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
}

void MainMenus::ShowChecks(const std::array<ActionState, ActionCount>& actions) {
    pmView.SetChecked(mItemGrid, actions[ActionGrid].checked);
    pmView.SetChecked(mItemInfoTips, actions[ActionInfoTips].checked);
    pmView.SetChecked(mItemViewIcon, actions[ActionViewIcon].checked);
    pmView.SetChecked(mItemViewList, actions[ActionViewList].checked);
    pmView.SetChecked(mItemViewReport, actions[ActionViewReport].checked);
    mItemView.SetChecked(mItemIcon, actions[ActionViewIcon].checked);
    mItemView.SetChecked(mItemList, actions[ActionViewList].checked);
    mItemView.SetChecked(mItemReport, actions[ActionViewReport].checked);
}

void MainMenus::ShowProgramPageItems(bool shown) {
    for (int id : {mItemViewIcon, mItemViewList, mItemViewReport}) pmView.SetVisible(id, shown);
    pmPLRightClick.SetVisible(mItemExportRegInfo, shown);
}

}  // namespace cx::app

#pragma once
// The main window's commands and the ids of the menu items and buttons that
// reach them. Checked states live in the action and show on every item linked
// to it; enabled states belong to each item, since the selection switches
// items one by one.
#include <string>

namespace cx::app {

enum Action : int {
    ActionAddNew,
    ActionExportReg,
    ActionReloadReg,
    ActionCreateBackup,
    ActionExporetList,
    ActionExit,
    ActionViewIcon,
    ActionViewList,
    ActionViewReport,
    ActionGrid,
    ActionInfoTips,
    ActionRefresh,
    ActionUninstall,
    ActionDeleteScr,
    ActionShowDetails,
    ActionSearch,
    ActionHideSysPatch,
    ActionHideScr,
    ActionComment,
    ActionRegedit,
    ActionWinServices,
    ActionWinComponents,
    ActionWinUpdate,
    ActionApply,
    ActionSelectAll,
    ActionDelete,
    ActionAddItem,
    ActionTabProgramList,
    ActionTabStartupItems,
    ActionMin,
    ActionHelpContent,
    ActionOnlineRes,
    ActionContact,
    ActionAbout,
    ActionRestoreCleanup,
    ActionFindLeftovers,
    ActionInstallWatch,
    ActionCount
};

struct ActionState {
    const char* name = "";
    std::string caption;
    bool checked = false;
};

// Command ids of menu items and controls. Menu item ids are the WM_COMMAND ids
// of the popup menus; control ids are those of the child windows.
enum CommandId : int {
    // File
    mItemAddProgram = 2001,
    mItemExportReg,
    mItemReloadReg,
    mItemBackup,
    mItemExportList,
    mItemExit,
    // View
    mItemGrid,
    mItemInfoTips,
    mItemViewIcon,
    mItemViewList,
    mItemViewReport,
    mItemRefresh,
    mItemLanguagesId,
    // Tools
    mItemComment,
    mItemRegedit,
    mItemUpdates,
    mItemServices,
    mItemComponents,
    // Help
    mItemHelpContent,
    mItemOnlineRes,
    mItemContact,
    mItemAbout,
    // Program list right-click menu
    mItemUninstall,
    mItemAddComments,
    mItemEditEntryReg,
    mItemExportRegInfo,
    mItemShowDetails,
    mItemViewId,
    mItemIcon,
    mItemList,
    mItemReport,
    // Startup list right-click menu
    mItemAddEntry,
    mItemDeleteEntry,
    mItemRefreshSI,
    // File, added later
    mItemRestoreCleanup,
    // Tools, added later
    mItemFindLeftovers,
    // File, added later
    mItemInstallWatch,

    // The Languages submenu: one id per language file, from the first on.
    mItemLanguageFirst = 2600,
    mItemLanguageLast = 2999,

    // Controls
    IDC_TXTHIDE = 3001,
    IDC_LSVPROGRAMLIST,
    IDC_LSVSTARTUPLIST,
    IDC_TXTSEARCHINFO,
    IDC_CKBHIDEPATCH,
    IDC_CKBHIDESCR,
    IDC_GRBSEARCH,
    IDC_GRBITEMINFO,
    // Labels and panels carry ids too, so that anything the window shows can be
    // found from the window, as a screen reader or a test finds it.
    IDC_LBL_SEARCHTITLE,
    IDC_LBL_PUBLISHER,
    IDC_LBL_PUBLISHERVALUE,
    IDC_LBL_VERSION,
    IDC_LBL_VERSIONVALUE,
    IDC_LBL_DES,
    IDC_LBL_DESCRIPTION,
    IDC_LBL_PROGRAMS,
    IDC_LBL_PROGRAMCOUNTS,
    IDC_LBL_REGNAME,
    IDC_LBL_REGISTRYNAME,
    IDC_LBL_PROGRAMURL,
    IDC_IMG_TITLE,
    IDC_IMG_PANELP,
    IDC_IMG_PANELS,
    IDC_SIZEPANEL_PL,
    IDC_SIZEPANEL_SI,
    IDC_PAGECONTROL,
    IDC_BTN_FIRST = 3100,
    IDC_BTN_MIN = IDC_BTN_FIRST,
    IDC_BTN_HELPCONTENT,
    IDC_BTN_CLOSE,
    IDC_BTN_FILE,
    IDC_BTN_VIEW,
    IDC_BTN_TOOLS,
    IDC_BTN_HELP,
    IDC_BTN_PROGRAMLIST,
    IDC_BTN_STARTUPITEMLIST,
    IDC_BTN_UNINSTALL,
    IDC_BTN_SHOWDETAILS,
    IDC_BTN_REFRESH,
    IDC_BTN_SEARCH,
    IDC_BTN_SELECTALL,
    IDC_BTN_DELETE,
    IDC_BTN_APPLY,

    // Keys
    IDA_F5 = 3200,
    IDA_F1,
};

// The action a menu item runs (ActionCount: none, e.g. a submenu).
Action ActionOfMenuItem(int id);
const char* ActionName(Action action);

}  // namespace cx::app

#include "app/Actions.h"

namespace cx::app {

Action ActionOfMenuItem(int id) {
    switch (id) {
    case mItemAddProgram: return ActionAddNew;
    case mItemExportReg: return ActionExportReg;
    case mItemReloadReg: return ActionReloadReg;
    case mItemBackup: return ActionCreateBackup;
    case mItemExportList: return ActionExporetList;
    case mItemExit: return ActionExit;
    case mItemGrid: return ActionGrid;
    case mItemInfoTips: return ActionInfoTips;
    case mItemViewIcon:
    case mItemIcon: return ActionViewIcon;
    case mItemViewList:
    case mItemList: return ActionViewList;
    case mItemViewReport:
    case mItemReport: return ActionViewReport;
    case mItemRefresh:
    case mItemRefreshSI: return ActionRefresh;
    case mItemComment:
    case mItemAddComments: return ActionComment;
    case mItemRegedit:
    case mItemEditEntryReg: return ActionRegedit;
    case mItemUpdates: return ActionWinUpdate;
    case mItemServices: return ActionWinServices;
    case mItemComponents: return ActionWinComponents;
    case mItemHelpContent: return ActionHelpContent;
    case mItemOnlineRes: return ActionOnlineRes;
    case mItemContact: return ActionContact;
    case mItemAbout: return ActionAbout;
    case mItemExportRegInfo: return ActionExportReg;
    case mItemShowDetails: return ActionShowDetails;
    case mItemAddEntry: return ActionAddItem;
    case mItemDeleteEntry: return ActionDelete;
    case mItemRestoreCleanup: return ActionRestoreCleanup;
    case mItemFindLeftovers: return ActionFindLeftovers;
    case mItemInstallWatch: return ActionInstallWatch;
    default: return ActionCount;
    }
}

const char* ActionName(Action action) {
    static const char* const names[ActionCount] = {
        "ActionAddNew",         "ActionExportReg",       "ActionReloadReg",
        "ActionCreateBackup",   "ActionExporetList",     "ActionExit",
        "ActionViewIcon",       "ActionViewList",        "ActionViewReport",
        "ActionGrid",           "ActionInfoTips",        "ActionRefresh",
        "ActionUninstall",      "ActionDeleteScr",       "ActionShowDetails",
        "ActionSearch",         "ActionHideSysPatch",    "ActionHideScr",
        "ActionComment",        "ActionRegedit",         "ActionWinServices",
        "ActionWinComponents",  "ActionWinUpdate",       "ActionApply",
        "ActionSelectAll",      "ActionDelete",          "ActionAddItem",
        "ActionTabProgramList", "ActionTabStartupItems", "ActionMin",
        "ActionHelpContent",    "ActionOnlineRes",       "ActionContact",
        "ActionAbout",          "ActionRestoreCleanup",  "ActionFindLeftovers",
        "ActionInstallWatch"};
    return action >= 0 && action < ActionCount ? names[action] : "";
}

}  // namespace cx::app

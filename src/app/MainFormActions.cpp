// The action table of the main window, its menus and the shell commands.
#include "app/MainForm.h"

#include <shellapi.h>
#include <windowsx.h>

#include "app/AppPaths.h"
#include "app/Config.h"
#include "cleanup/RestoreForm.h"
#include "cleanup/Safety.h"
#include "cleanup/ScreenSaverRemoval.h"
#include "i18n/LangText.h"
#include "inventory/CommentForm.h"
#include "inventory/DetailsForm.h"
#include "inventory/ListLogic.h"
#include "inventory/PrintListForm.h"
#include "inventory/Report.h"
#include "platform/Error.h"
#include "platform/Strings.h"
#include "skin/Bounds.h"
#include "skin/SkinSettings.h"
#include "widgets/Seam.h"

namespace cx::app {

void TMainForm::CreateMenus() {
    pmFile.AddItem(mItemAddProgram, "New Program...");
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

    actions_[ActionInfoTips].checked = true;
    actions_[ActionViewReport].checked = true;
}

void TMainForm::SetActionChecked(Action action, bool checked) {
    actions_[action].checked = checked;
    UpdateMenuChecks();
}

// Every item and check box linked to an action shows the action's checked state.
void TMainForm::UpdateMenuChecks() {
    pmView.SetChecked(mItemGrid, actions_[ActionGrid].checked);
    pmView.SetChecked(mItemInfoTips, actions_[ActionInfoTips].checked);
    pmView.SetChecked(mItemViewIcon, actions_[ActionViewIcon].checked);
    pmView.SetChecked(mItemViewList, actions_[ActionViewList].checked);
    pmView.SetChecked(mItemViewReport, actions_[ActionViewReport].checked);
    mItemView.SetChecked(mItemIcon, actions_[ActionViewIcon].checked);
    mItemView.SetChecked(mItemList, actions_[ActionViewList].checked);
    mItemView.SetChecked(mItemReport, actions_[ActionViewReport].checked);
    Button_SetCheck(ckbHidePatch,
                    actions_[ActionHideSysPatch].checked ? BST_CHECKED : BST_UNCHECKED);
    Button_SetCheck(ckbHideScr, actions_[ActionHideScr].checked ? BST_CHECKED : BST_UNCHECKED);
}

void TMainForm::Execute(Action action) {
    switch (action) {
    case ActionAddNew: ActionAddNewExecute(); break;
    case ActionExporetList: ActionExporetListExecute(); break;
    case ActionExit: ActionExitExecute(); break;
    case ActionViewIcon: ActionViewIconExecute(); break;
    case ActionViewList: ActionViewListExecute(); break;
    case ActionViewReport: ActionViewReportExecute(); break;
    case ActionGrid: ActionGridExecute(); break;
    case ActionInfoTips: ActionInfoTipsExecute(); break;
    case ActionRefresh: ActionRefreshExecute(); break;
    case ActionShowDetails: ActionShowDetailsExecute(); break;
    case ActionDeleteScr: ActionDeleteScrExecute(); break;
    case ActionUninstall: ActionUninstallExecute(); break;
    case ActionSearch: ActionSearchExecute(); break;
    case ActionHideSysPatch: ActionHideSysPatchExecute(); break;
    case ActionHideScr: ActionHideScrExecute(); break;
    case ActionComment: ActionCommentExecute(); break;
    case ActionTabProgramList: ActionTabProgramListExecute(); break;
    case ActionTabStartupItems: ActionTabStartupItemsExecute(); break;
    case ActionMin: ActionMinExecute(); break;
    case ActionExportReg: ActionExportRegExecute(); break;
    case ActionReloadReg: ActionReloadRegExecute(); break;
    case ActionCreateBackup: ActionCreateBackupExecute(); break;
    case ActionRegedit: ActionRegeditExecute(); break;
    case ActionWinServices: ActionWinServicesExecute(); break;
    case ActionWinComponents: ActionWinComponentsExecute(); break;
    case ActionWinUpdate: ActionWinUpdateExecute(); break;
    case ActionHelpContent: ActionHelpContentExecute(); break;
    case ActionOnlineRes: ActionOnlineResExecute(); break;
    case ActionContact: ActionContactExecute(); break;
    case ActionAbout: ActionAboutExecute(); break;
    case ActionApply: ActionApplyExecute(); break;
    case ActionSelectAll: ActionSelectAllExecute(); break;
    case ActionDelete: ActionDeleteExecute(); break;
    case ActionAddItem: ActionAddItemExecute(); break;
    case ActionRestoreCleanup: ActionRestoreCleanupExecute(); break;
    default: break;
    }
}

void TMainForm::OnCommand(int id, int code, HWND control) {
    if (id == IDA_F5) return Execute(ActionRefresh);
    if (id == IDA_F1) return Execute(ActionHelpContent);
    if (id == IDC_TXTSEARCHINFO && code == EN_CHANGE) return txtSearchInfoChange();
    if (id == IDC_CKBHIDEPATCH && code == BN_CLICKED) return Execute(ActionHideSysPatch);
    if (id == IDC_CKBHIDESCR && code == BN_CLICKED) return Execute(ActionHideScr);
    if (id == mItemUninstall) return Execute(UninstallTarget);
    if (id >= mItemLanguageFirst && id <= mItemLanguageLast)
        return LanguageItemClick(id - mItemLanguageFirst);
    (void)control;
    Action action = ActionOfMenuItem(id);
    if (action != ActionCount) Execute(action);
}

void TMainForm::ShowMenu(ui::PopupMenu& menu, POINT screen) {
    int id = menu.Popup(hwnd(), screen);
    if (id) OnCommand(id, 0, nullptr);
}

void TMainForm::btnFileClick(ui::ImageButton& button) {
    RECT b = ui::GetBounds(button.hwnd());
    POINT corner{b.left, b.bottom};
    ClientToScreen(hwnd(), &corner);
    ui::PopupMenu* menu = &button == &btnFile    ? &pmFile
                          : &button == &btnView  ? &pmView
                          : &button == &btnTools ? &pmTools
                          : &button == &btnHelp  ? &pmHelp
                                                 : nullptr;
    if (menu) ShowMenu(*menu, corner);
    // The button gives up the focus and its pressed look to the hidden edit box.
    PostMessageA(txtHide, WM_LBUTTONDOWN, 0, 0);
    PostMessageA(txtHide, WM_LBUTTONUP, 0, 0);
}

void TMainForm::ActionTabProgramListExecute() {
    PageControl.SetActivePage(0);
    lblPrograms.SetText(LangText(IDS_STATUSBAR_LABEL_Programs));
    RECT p = ui::GetBounds(lblPrograms.hwnd());
    RECT c = ui::GetBounds(lblProgramCounts.hwnd());
    ui::SetBounds(lblProgramCounts.hwnd(), p.right + 5, c.top, c.right - c.left, c.bottom - c.top);
    lblProgramCounts.SetText(ProgramCountText);
    btnProgramList.SetEnabled(false);
    btnStartupItemList.SetEnabled(true);
    ShowWindow(lblProgramCounts.hwnd(), SW_SHOW);
    ShowWindow(lblPrograms.hwnd(), SW_SHOW);
    for (int id : {mItemViewIcon, mItemViewList, mItemViewReport}) pmView.SetVisible(id, true);
    pmPLRightClick.SetVisible(mItemExportRegInfo, true);
}

void TMainForm::ActionTabStartupItemsExecute() {
    LoadStartupList();
    PageControl.SetActivePage(1);
    btnProgramList.SetEnabled(true);
    btnStartupItemList.SetEnabled(false);
    ShowWindow(lblProgramCounts.hwnd(), SW_HIDE);
    ShowWindow(lblPrograms.hwnd(), SW_HIDE);
    ShowWindow(lblRegName.hwnd(), SW_HIDE);
    ShowWindow(lblRegistryName.hwnd(), SW_HIDE);
    ShowWindow(lblProgramURL.hwnd(), SW_HIDE);
    for (int id : {mItemViewIcon, mItemViewList, mItemViewReport}) pmView.SetVisible(id, false);
    pmPLRightClick.SetVisible(mItemExportRegInfo, false);
    // The last row decides the button's mode; with no rows it stays as it was.
    for (int r = 0; r < StartupRowCount(); ++r) {
        StartupAllChecked = StartupRowChecked(r);
        btnSelectAll.SetCaption(LangText(StartupAllChecked ? IDS_SIDEBAR_BUTTON_UnSelectAll
                                                           : IDS_SIDEBAR_BUTTON_SelectAll));
    }
    btnDelete.SetEnabled(false);
    pmTools.SetEnabled(mItemComment, false);
    pmTools.SetEnabled(mItemRegedit, false);
}

void TMainForm::ActionRefreshExecute() {
    if (PageControl.ActivePage() == 0)
        LoadProgramList();
    else if (PageControl.ActivePage() == 1)
        LoadStartupList();
}

void TMainForm::ActionAddNewExecute() {
    // The shell's Run dialog is exported by ordinal only.
    using RunFileDlgFn = void(WINAPI*)(HWND, HICON, LPCWSTR, LPCWSTR, LPCWSTR, UINT);
    HMODULE shell = GetModuleHandleA("shell32.dll");
    if (!shell) shell = LoadLibraryA("shell32.dll");
    auto run = shell ? reinterpret_cast<RunFileDlgFn>(GetProcAddress(shell, MAKEINTRESOURCEA(61)))
                     : nullptr;
    if (!run) return;
    // A buffer of 260 bytes: at most 129 characters and the terminating zero.
    wchar_t title[130] = {};
    std::wstring wide = AnsiToWide(LangText(IDS_MAINFORM_MENU_FILE_NewProgram));
    wcsncpy(title, wide.c_str(), 129);
    HICON icon = reinterpret_cast<HICON>(SendMessageA(hwnd(), WM_GETICON, ICON_BIG, 0));
    run(hwnd(), icon, nullptr, title, nullptr, 2);
}

void TMainForm::SizePanelPLHotSpotClick() {
    SkinKey key = ProgramPanelShown ? SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_FullPos
                                    : SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_Pos;
    if (auto b = ParseBounds(SkinValue(key)))
        ui::SetBounds(lsvProgramList, b->left, b->top, b->width, b->height);
    ProgramPanelShown = !ProgramPanelShown;
}

void TMainForm::SizePanelSIHotSpotClick() {
    SkinKey key = StartupPanelShown ? SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_FullPos
                                    : SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_Pos;
    if (auto b = ParseBounds(SkinValue(key)))
        ui::SetBounds(lsvStartupList, b->left, b->top, b->width, b->height);
    StartupPanelShown = !StartupPanelShown;
}

void TMainForm::ActionHideSysPatchExecute() {
    SetActionChecked(ActionHideSysPatch, !actions_[ActionHideSysPatch].checked);
    Hide().HideSysPatch = actions_[ActionHideSysPatch].checked;
    config::WriteHideSysPatch(AppPaths().ConfigPath, Hide().HideSysPatch);
    LoadProgramList();
}

void TMainForm::ActionHideScrExecute() {
    SetActionChecked(ActionHideScr, !actions_[ActionHideScr].checked);
    Hide().HideScreenSaver = actions_[ActionHideScr].checked;
    config::WriteHideScreenSaver(AppPaths().ConfigPath, Hide().HideScreenSaver);
    LoadProgramList();
}

void TMainForm::SetViewStyle(DWORD style, Action checkedAction) {
    DWORD current = GetWindowLongA(lsvProgramList, GWL_STYLE);
    SetWindowLongA(lsvProgramList, GWL_STYLE, (current & ~LVS_TYPEMASK) | style);
    for (Action a : {ActionViewIcon, ActionViewList, ActionViewReport})
        actions_[a].checked = a == checkedAction;
    UpdateMenuChecks();
}

void TMainForm::ActionViewIconExecute() { SetViewStyle(LVS_ICON, ActionViewIcon); }
void TMainForm::ActionViewListExecute() { SetViewStyle(LVS_LIST, ActionViewList); }
void TMainForm::ActionViewReportExecute() { SetViewStyle(LVS_REPORT, ActionViewReport); }

void TMainForm::ActionGridExecute() {
    SetActionChecked(ActionGrid, !actions_[ActionGrid].checked);
    DWORD grid = actions_[ActionGrid].checked ? LVS_EX_GRIDLINES : 0;
    for (HWND list : {lsvProgramList, lsvStartupList})
        ListView_SetExtendedListViewStyleEx(list, LVS_EX_GRIDLINES, grid);
}

void TMainForm::ActionInfoTipsExecute() {
    SetActionChecked(ActionInfoTips, !actions_[ActionInfoTips].checked);
}

void TMainForm::ActionDeleteScrExecute() {
    try {
        int row = SelectedRow();
        // A program's row never loses a file here, whatever its caption says.
        if (row < 0 || !RowIsScreenSaver(row)) return;
        std::string file = programList_.ScreenSaverFile(RowData(row));
        if (ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_DeleteScr),
                               MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return;
        auto result = cleanup::RemoveScreenSaver(programList_.ScreenSaverFolder(RowData(row)), file,
                                                 AppPaths().ScrBackupDir);
        // The only copy of a screen saver is never deleted: say why it stays.
        if (result.outcome == cleanup::ScrRemoval::NoBackup)
            ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_ScrNotBackedUp),
                               MB_OK | MB_ICONWARNING);
        LoadProgramList();
    } catch (...) {
        // Failures of the removal are not reported; the list shows what is left.
    }
}

void TMainForm::ActionCommentExecute() {
    int row = SelectedRow();
    if (row < 0) return;
    inv::RunCommentEntry(hwnd(), programList_, static_cast<long>(RowData(row)));
}

void TMainForm::ActionExporetListExecute() {
    // From the rows and the count line as loaded, not from the controls showing them.
    std::vector<std::string> captions;
    for (size_t r = 0; r < rows_.Size(); ++r) captions.push_back(rows_.Row(r).caption);
    inv::RunReport(
        hwnd(), inv::BuildReport(inv::CollectReportInput(ProgramCountText, std::move(captions))));
}

std::wstring TMainForm::CleanupBackupRoot() {
    return cleanup::UserCleanupRoot(AnsiToWide(AppPaths().AppDir));
}

void TMainForm::ActionRestoreCleanupExecute() {
    // The restore keeps to the rules of the scan; no other program's folder
    // matters here, since only places a clean-up emptied are written to.
    cleanup::TRestoreForm form(CleanupBackupRoot(),
                               cleanup::SystemSafetyContext(AppPaths().AppDir, {}));
    if (form.LoadCleanups() == 0) {
        ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_NoCleanups),
                           MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (form.ShowModal(hwnd()) != IDOK) return;
    // What came back may be a program's registration.
    LoadProgramList();
}

}  // namespace cx::app

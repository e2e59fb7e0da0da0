// The action table of the main window: which room runs each command, and the
// shell's own commands.
#include "app/MainForm.h"

#include <shellapi.h>
#include <windowsx.h>

#include "app/AppPaths.h"
#include "cleanup/RestoreForm.h"
#include "cleanup/Safety.h"
#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace cx::app {

void TMainForm::SetActionChecked(Action action, bool checked) {
    actions_[action].checked = checked;
    UpdateMenuChecks();
}

// Every item and check box linked to an action shows the action's checked state.
void TMainForm::UpdateMenuChecks() {
    menus_.ShowChecks(actions_);
    programs_.ShowChecks(actions_);
}

void TMainForm::Execute(Action action) {
    switch (action) {
    case ActionAddNew: ActionAddNewExecute(); break;
    case ActionExporetList: programs_.ActionExporetListExecute(); break;
    case ActionExit: ActionExitExecute(); break;
    case ActionViewIcon: SetViewStyle(LVS_ICON, ActionViewIcon); break;
    case ActionViewList: SetViewStyle(LVS_LIST, ActionViewList); break;
    case ActionViewReport: SetViewStyle(LVS_REPORT, ActionViewReport); break;
    case ActionGrid:
        SetActionChecked(ActionGrid, !actions_[ActionGrid].checked);
        programs_.SetGrid(actions_[ActionGrid].checked);
        startup_.SetGrid(actions_[ActionGrid].checked);
        break;
    case ActionInfoTips: SetActionChecked(ActionInfoTips, !actions_[ActionInfoTips].checked); break;
    case ActionRefresh: ActionRefreshExecute(); break;
    case ActionShowDetails: programs_.ActionShowDetailsExecute(); break;
    case ActionDeleteScr: programs_.ActionDeleteScrExecute(); break;
    case ActionUninstall: programs_.ActionUninstallExecute(); break;
    case ActionSearch: programs_.ActionSearchExecute(); break;
    case ActionHideSysPatch:
        SetActionChecked(ActionHideSysPatch, !actions_[ActionHideSysPatch].checked);
        programs_.ActionHideSysPatchExecute();
        break;
    case ActionHideScr:
        SetActionChecked(ActionHideScr, !actions_[ActionHideScr].checked);
        programs_.ActionHideScrExecute();
        break;
    case ActionComment: programs_.ActionCommentExecute(); break;
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
    case ActionApply: startup_.ActionApplyExecute(); break;
    case ActionSelectAll: startup_.ActionSelectAllExecute(); break;
    case ActionDelete: startup_.ActionDeleteExecute(); break;
    case ActionAddItem: startup_.ActionAddItemExecute(); break;
    case ActionRestoreCleanup: ActionRestoreCleanupExecute(); break;
    case ActionFindLeftovers: programs_.ActionFindLeftoversExecute(); break;
    case ActionInstallWatch: programs_.ActionInstallWatchExecute(); break;
    default: break;
    }
}

void TMainForm::OnCommand(int id, int code, HWND control) {
    if (id == IDA_F5) return Execute(ActionRefresh);
    if (id == IDA_F1) return Execute(ActionHelpContent);
    if (programs_.OnCommand(id, code)) return;
    if (id == mItemUninstall) return Execute(programs_.UninstallTarget());
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
    ui::PopupMenu* menu = &button == &btnFile    ? &menus_.pmFile
                          : &button == &btnView  ? &menus_.pmView
                          : &button == &btnTools ? &menus_.pmTools
                          : &button == &btnHelp  ? &menus_.pmHelp
                                                 : nullptr;
    if (menu) ShowMenu(*menu, corner);
    // The button gives up the focus and its pressed look to the hidden edit box.
    PostMessageA(txtHide, WM_LBUTTONDOWN, 0, 0);
    PostMessageA(txtHide, WM_LBUTTONUP, 0, 0);
}

void TMainForm::ActionTabProgramListExecute() {
    PageControl.SetActivePage(0);
    programs_.Activate();
    btnProgramList.SetEnabled(false);
    btnStartupItemList.SetEnabled(true);
    menus_.ShowProgramPageItems(true);
}

void TMainForm::ActionTabStartupItemsExecute() {
    startup_.Activate();
    PageControl.SetActivePage(1);
    btnProgramList.SetEnabled(true);
    btnStartupItemList.SetEnabled(false);
    programs_.Deactivate();
    menus_.ShowProgramPageItems(false);
    menus_.pmTools.SetEnabled(mItemComment, false);
    menus_.pmTools.SetEnabled(mItemRegedit, false);
}

void TMainForm::ActionRefreshExecute() {
    if (PageControl.ActivePage() == 0)
        programs_.LoadProgramList();
    else if (PageControl.ActivePage() == 1)
        startup_.LoadStartupList();
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

void TMainForm::SetViewStyle(DWORD style, Action checkedAction) {
    programs_.SetViewStyle(style);
    for (Action a : {ActionViewIcon, ActionViewList, ActionViewReport})
        actions_[a].checked = a == checkedAction;
    UpdateMenuChecks();
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
    programs_.LoadProgramList();
}

}  // namespace cx::app

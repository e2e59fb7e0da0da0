// Registry export and reload of one program, the full backup, and the commands
// that open the system's tools, the help file and the product's pages. Every
// shell call goes through the seam (ui::ShellOpen); none waits for what it opened.
#include "app/MainForm.h"

#include "app/AppPaths.h"
#include "backup/BackupPlan.h"
#include "backup/Launchers.h"
#include "backup/ProgressForm.h"
#include "i18n/LangText.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace cx::app {

void TMainForm::ActionExportRegExecute() {
    auto item = programs_.SelectedProgram();
    if (!item) return;
    const std::string name = item->RegistryName();
    const backup::Hive hive = backup::HiveFromName(item->Hive());
    auto chosen = backup::AskExportFile(hwnd(), AppPaths().RegBackupDir, name);
    if (!chosen) return;
    ui::ShellOpen(backup::ExportCall(hwnd(), *chosen, hive, name));
}

void TMainForm::ActionReloadRegExecute() {
    auto chosen = backup::AskReloadFile(hwnd(), AppPaths().RegBackupDir);
    if (!chosen) return;
    // regedit asks its own question before it imports.
    ui::ShellOpen(backup::ReloadCall(hwnd(), *chosen));
}

void TMainForm::ActionCreateBackupExecute() {
    if (ui::ShowAppMessage(hwnd(), LangText(IDS_MESSAGEBOX_WARNING_BackupReg),
                           MB_YESNO | MB_ICONINFORMATION) != IDYES)
        return;
    backup::TProgressForm progress(
        {AppPaths().RegBackupDir, AppPaths().ScrBackupDir, AppPaths().SkinDir});
    progress.ShowModal(hwnd());
}

void TMainForm::ActionRegeditExecute() {
    auto item = programs_.SelectedProgram();
    if (!item) return;
    try {
        backup::PointRegeditAt(backup::HiveFromName(item->Hive()), item->RegistryName());
    } catch (const std::exception&) {
        // Without its settings regedit still opens, only not at the key.
    }
    ui::ShellOpen(backup::RegeditCall(hwnd()));
}

void TMainForm::ActionWinServicesExecute() { ui::ShellOpen(backup::ServicesCall(hwnd())); }
void TMainForm::ActionWinComponentsExecute() { ui::ShellOpen(backup::ComponentsCall(hwnd())); }
void TMainForm::ActionWinUpdateExecute() { ui::ShellOpen(backup::UpdateCall(hwnd())); }
void TMainForm::ActionHelpContentExecute() { ui::ShellOpen(backup::HelpCall(AppPaths().HelpPath)); }
void TMainForm::ActionOnlineResExecute() { ui::ShellOpen(backup::OnlineResourcesCall()); }
void TMainForm::ActionContactExecute() { ui::ShellOpen(backup::ContactCall()); }

}  // namespace cx::app

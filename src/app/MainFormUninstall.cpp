// Uninstalling a program: its own uninstaller runs on a waiting thread; when it
// has finished the user is asked about remains and the scan window opens.
#include "app/MainForm.h"

#include "app/AppPaths.h"
#include "cleanup/EvidenceScan.h"
#include "cleanup/Safety.h"
#include "cleanup/ScanForm.h"
#include "cleanup/Uninstall.h"
#include "cleanup/UninstallEntry.h"
#include "i18n/LangText.h"
#include "inventory/ListSystem.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace cx::app {

void TMainForm::ActionUninstallExecute() {
    int row = SelectedRow();
    if (row < 0) return;
    if (RowIsScreenSaver(row)) {
        Execute(ActionDeleteScr);
        return;
    }
    auto item = programList_.GetProgram(RowData(row));
    if (!item) return;
    // The record's own facts are kept with the wait, so the scan that follows
    // is about this program whatever row is selected by then.
    auto target = std::make_shared<cleanup::UninstallTarget>(
        cleanup::UninstallTarget{item->RegistryName(), item->InstallLocation(), item->DisplayName(),
                                 item->Hive(), item->Publisher()});
    // Before the uninstaller takes the registration, and Windows Installer its
    // records, with it: every folder they point at.
    cleanup::GatherFolders(*target);
    const std::string command = cleanup::UninstallCommand(
        item->UninstallString(), target->registryName,
        cleanup::IsWindowsInstallerEntry(target->hive, target->registryName));
    const LPARAM id = cleanup::NewWaitId();
    waits_[id] = target;
    try {
        cleanup::StartWaitingThread(command, hwnd(), id);
    } catch (...) {
        waits_.erase(id);
        throw;
    }
}

void TMainForm::OnUninstallMessage(WPARAM started, LPARAM waitId) {
    auto wait = waits_.find(waitId);
    if (wait == waits_.end()) return;
    // Taken out first: a second message with this id leads nowhere.
    std::shared_ptr<cleanup::UninstallTarget> target = std::move(wait->second);
    waits_.erase(wait);
    OnUninstallDone(started == cleanup::kWaitEnded ? cleanup::kWaitEnded : cleanup::kNothingStarted,
                    *target);
}

void TMainForm::OnUninstallDone(WPARAM started, const cleanup::UninstallTarget& target) {
    Ids question = IDS_MESSAGEBOX_WARNING_UninstallFailed;
    bool stillInstalled = false;
    if (started == cleanup::kWaitEnded) {
        // The list shows what the uninstaller left before anything is asked; a
        // list that cannot be read does not cost the user the clean-up.
        try {
            ReloadOnProgram(target);
        } catch (const std::exception& e) {
            ui::ReportException(e);
        }
        // An entry of its name still registered means a cancelled or failed
        // uninstaller, or another installation in the other hive: its folder
        // and keys belong to a live program.
        stillInstalled = cleanup::UninstallEntryRemains(target.registryName);
        question = stillInstalled ? IDS_MESSAGEBOX_WARNING_StillInstalled
                                  : IDS_MESSAGEBOX_WARNING_ScanRemains;
    }
    if (ui::ShowAppMessage(hwnd(), LangText(question), MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    // The list is reloaded however the scan window ends.
    struct Reload {
        TMainForm& form;
        const cleanup::UninstallTarget& target;
        ~Reload() {
            try {
                form.ReloadOnProgram(target);
            } catch (const std::exception& e) {
                ui::ReportException(e);
            }
        }
    } reload{*this, target};
    RunRemainsScan(target, stillInstalled);
}

void TMainForm::RunRemainsScan(const cleanup::UninstallTarget& target, bool stillInstalled) {
    cleanup::TScanForm scan(target,
                            cleanup::SystemSafetyContext(AppPaths().AppDir, OtherPrograms(target)),
                            stillInstalled ? cleanup::TScanForm::Marks::AllUnchecked
                                           : cleanup::TScanForm::Marks::Checked,
                            CleanupBackupRoot());
    scan.ShowModal(hwnd());
}

void TMainForm::ReloadOnProgram(const cleanup::UninstallTarget& target) {
    LoadProgramList();
    int row = FindProgramRow(target.registryName, target.hive);
    if (row < 0) return;
    SelectRow(row);
    ListView_EnsureVisible(lsvProgramList, row, FALSE);
}

int TMainForm::FindProgramRow(const std::string& registryName, const std::string& hive) {
    for (int r = 0; r < RowCount(); ++r) {
        if (RowIsScreenSaver(r)) continue;
        auto item = programList_.GetProgram(RowData(r));
        if (item && EqualsNoCase(item->RegistryName(), registryName) && item->Hive() == hive)
            return r;
    }
    return -1;
}

std::vector<cleanup::OtherProgram> TMainForm::OtherPrograms(
    const cleanup::UninstallTarget& target) {
    std::vector<cleanup::ListedProgram> listed;
    for (inv::ProgramRecord& r : inv::ReadProgramRecords(programList_).records)
        listed.push_back(cleanup::ListedProgram{
            std::move(r.registryName), std::move(r.installLocation), std::move(r.displayName),
            std::move(r.hive), std::move(r.publisher)});
    return cleanup::OtherListedPrograms(listed, target);
}

}  // namespace cx::app

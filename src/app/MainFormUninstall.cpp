// Uninstalling a program: its own uninstaller runs on a waiting thread; when it
// has finished the user is asked about remains and the scan window opens.
#include "app/MainForm.h"

#include "app/AppPaths.h"
#include "cleanup/Safety.h"
#include "cleanup/ScanForm.h"
#include "cleanup/Uninstall.h"
#include "i18n/LangText.h"
#include "inventory/ListSystem.h"
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
    auto target = std::make_shared<cleanup::UninstallTarget>(cleanup::UninstallTarget{
        item->RegistryName(), item->InstallLocation(), item->DisplayName(), item->Hive()});
    const LPARAM id = cleanup::NewWaitId();
    waits_[id] = target;
    try {
        cleanup::StartWaitingThread(item->UninstallString(), hwnd(), id);
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
    Ids question = started == cleanup::kWaitEnded ? IDS_MESSAGEBOX_WARNING_ScanRemains
                                                  : IDS_MESSAGEBOX_WARNING_UninstallFailed;
    if (ui::ShowAppMessage(hwnd(), LangText(question), MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    // The list is reloaded however the scan window ends.
    struct Reload {
        TMainForm& form;
        ~Reload() {
            try {
                form.LoadProgramList();
            } catch (const std::exception& e) {
                ui::ReportException(e);
            }
        }
    } reload{*this};
    RunRemainsScan(target);
}

void TMainForm::RunRemainsScan(const cleanup::UninstallTarget& target) {
    cleanup::TScanForm scan(target,
                            cleanup::SystemSafetyContext(AppPaths().AppDir, OtherPrograms(target)));
    scan.ShowModal(hwnd());
}

std::vector<cleanup::OtherProgram> TMainForm::OtherPrograms(
    const cleanup::UninstallTarget& target) {
    std::vector<cleanup::ListedProgram> listed;
    for (inv::ProgramRecord& r : inv::ReadProgramRecords(programList_).records)
        listed.push_back(cleanup::ListedProgram{std::move(r.registryName),
                                                std::move(r.installLocation),
                                                std::move(r.displayName), std::move(r.hive)});
    return cleanup::OtherListedPrograms(listed, target);
}

}  // namespace cx::app

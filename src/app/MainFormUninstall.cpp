// Uninstalling a program: its own uninstaller runs on a waiting thread; when it
// has finished the user is asked about remains and the scan window opens.
#include "app/MainForm.h"

#include "cleanup/ScanForm.h"
#include "cleanup/Safety.h"
#include "cleanup/Uninstall.h"
#include "platform/AppPaths.h"
#include "i18n/LangText.h"
#include "inventory/ListLogic.h"
#include "widgets/Seam.h"

namespace cx::app {

void TMainForm::ActionUninstallExecute() {
    int row = SelectedRow();
    if (row < 0) return;
    if (inv::IsScreenSaverCaption(RowCaption(row))) {
        Execute(ActionDeleteScr);
        return;
    }
    auto item = programList_.GetProgram(static_cast<long>(RowData(row)));
    if (!item) return;
    // The record's own facts travel with the wait, so the scan that follows is
    // about this program whatever row is selected by then.
    cleanup::UninstallTarget target{item->RegistryName(), item->InstallLocation(),
                                    item->DisplayName()};
    cleanup::StartWaitingThread(item->UninstallString(), hwnd(), std::move(target));
}

void TMainForm::OnUninstallDone(WPARAM started, const cleanup::UninstallTarget& target) {
    Ids question = started == 1 ? IDS_MESSAGEBOX_WARNING_ScanRemains
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
    cleanup::TScanForm scan(target, cleanup::SystemSafetyContext(
                                        AppPaths().AppDir, OtherInstallLocations(target.registryName)));
    scan.ShowModal(hwnd());
}

std::vector<std::string> TMainForm::OtherInstallLocations(const std::string& registryName) {
    std::vector<std::string> locations;
    unsigned long n = programList_.ProgramCount();
    for (unsigned long i = 0; i < n; ++i) {
        auto item = programList_.GetProgram(static_cast<long>(i));
        if (!item) break;
        if (item->RegistryName() == registryName) continue;
        std::string location = item->InstallLocation();
        if (!location.empty()) locations.push_back(std::move(location));
    }
    return locations;
}

}  // namespace cx::app

// The program page's commands beyond the list itself: the hide switches, the
// view style, the details and comment windows, a screen saver's removal and
// the report.
#include "app/AppPaths.h"
#include "app/Config.h"
#include "app/ProgramPage.h"
#include "cleanup/ScreenSaverRemoval.h"
#include "i18n/LangText.h"
#include "inventory/CommentForm.h"
#include "inventory/DetailsForm.h"
#include "inventory/ListLogic.h"
#include "inventory/PrintListForm.h"
#include "inventory/Report.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace cx::app {

// The window has turned the action's check already; the switch follows it.
void TProgramPage::ActionHideSysPatchExecute() {
    Hide().HideSysPatch = host_.ActionChecked(ActionHideSysPatch);
    config::WriteHideSysPatch(AppPaths().ConfigPath, Hide().HideSysPatch);
    LoadProgramList();
}

void TProgramPage::ActionHideScrExecute() {
    Hide().HideScreenSaver = host_.ActionChecked(ActionHideScr);
    config::WriteHideScreenSaver(AppPaths().ConfigPath, Hide().HideScreenSaver);
    LoadProgramList();
}

void TProgramPage::SetViewStyle(DWORD style) {
    DWORD current = GetWindowLongA(lsvProgramList, GWL_STYLE);
    SetWindowLongA(lsvProgramList, GWL_STYLE, (current & ~LVS_TYPEMASK) | style);
}

void TProgramPage::ActionDeleteScrExecute() {
    try {
        int row = SelectedRow();
        // A program's row never loses a file here, whatever its caption says.
        if (row < 0 || !RowIsScreenSaver(row)) return;
        std::string file = programList_.ScreenSaverFile(RowData(row));
        if (ui::ShowAppMessage(host_.Owner(), LangText(IDS_MESSAGEBOX_WARNING_DeleteScr),
                               MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return;
        auto result = cleanup::RemoveScreenSaver(programList_.ScreenSaverFolder(RowData(row)), file,
                                                 AppPaths().ScrBackupDir);
        // The only copy of a screen saver is never deleted: say why it stays.
        if (result.outcome == cleanup::ScrRemoval::NoBackup)
            ui::ShowAppMessage(host_.Owner(), LangText(IDS_MESSAGEBOX_WARNING_ScrNotBackedUp),
                               MB_OK | MB_ICONWARNING);
        LoadProgramList();
    } catch (...) {
        // Failures of the removal are not reported; the list shows what is left.
    }
}

void TProgramPage::ActionCommentExecute() {
    int row = SelectedRow();
    if (row < 0) return;
    inv::RunCommentEntry(host_.Owner(), programList_, static_cast<long>(RowData(row)));
}

void TProgramPage::ActionExporetListExecute() {
    // From the rows and the count line as loaded, not from the controls showing them.
    std::vector<std::string> captions;
    for (size_t r = 0; r < rows_.Size(); ++r) captions.push_back(rows_.Row(r).caption);
    inv::RunReport(host_.Owner(), inv::BuildReport(inv::CollectReportInput(programCountText_,
                                                                           std::move(captions))));
}

std::optional<ProgramItem> TProgramPage::SelectedProgram() {
    int row = SelectedRow();
    if (row < 0 || RowIsScreenSaver(row)) return std::nullopt;
    return programList_.GetProgram(RowData(row));
}

int TProgramPage::FindProgramRow(const std::string& registryName, const std::string& hive) {
    for (int r = 0; r < RowCount(); ++r) {
        if (RowIsScreenSaver(r)) continue;
        auto item = programList_.GetProgram(RowData(r));
        if (item && EqualsNoCase(item->RegistryName(), registryName) && item->Hive() == hive)
            return r;
    }
    return -1;
}

}  // namespace cx::app

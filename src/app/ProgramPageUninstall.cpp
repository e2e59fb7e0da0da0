// Uninstalling a program: its own uninstaller runs on a waiting thread; when it
// has finished the user is asked about remains and the scan window opens.
#include "app/ProgramPage.h"

#include "app/AppPaths.h"
#include "cleanup/BrokenEntry.h"
#include "cleanup/Leftovers.h"
#include "cleanup/LeftoversForm.h"
#include "cleanup/Safety.h"
#include "cleanup/ScanForm.h"
#include "cleanup/Uninstall.h"
#include "cleanup/EvidenceScan.h"
#include "cleanup/UninstallFlow.h"
#include "cleanup/UninstallEntry.h"
#include "cleanup/UninstallHistory.h"
#include "cleanup/KeptSeal.h"
#include "cleanup/WatchForm.h"
#include "i18n/LangText.h"
#include "inventory/ListSystem.h"
#include "platform/Error.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace cx::app {

std::vector<cleanup::ListedProgram> TProgramPage::ListedNow() {
    std::vector<cleanup::ListedProgram> listed;
    for (inv::ProgramRecord& r : inv::ReadProgramRecords(programList_).records)
        listed.push_back(cleanup::ListedProgram{
            std::move(r.registryName), std::move(r.installLocation), std::move(r.displayName),
            std::move(r.hive), std::move(r.publisher)});
    return listed;
}

void TProgramPage::ReloadReporting(const cleanup::UninstallTarget* target) noexcept {
    try {
        if (target)
            ReloadOnProgram(*target);
        else
            LoadProgramList();
    } catch (const std::exception& e) {
        ui::ReportException(e);
    } catch (...) {
        ui::ReportUnknownException();
    }
}

void TProgramPage::ActionUninstallExecute() {
    if (const std::vector<int> rows = SelectedRows(); rows.size() > 1)
        return UninstallSeveral(rows);
    int row = SelectedRow();
    if (row < 0) return;
    if (RowIsScreenSaver(row)) {
        host_.Execute(ActionDeleteScr);
        return;
    }
    auto item = programList_.GetProgram(RowData(row));
    if (!item) return;
    // Its uninstaller can only fail to start: the registration itself is what is left.
    if (RowIsBroken(row)) return RemoveBrokenEntry(*item);
    cleanup::UninstallRun run = cleanup::PrepareUninstall(
        cleanup::ListedProgram{item->RegistryName(), item->InstallLocation(), item->DisplayName(),
                               item->Hive(), item->Publisher()},
        item->UninstallString());
    // The record's own facts are kept with the wait, so the scan that follows
    // is about this program whatever row is selected by then.
    auto target = std::make_shared<cleanup::UninstallTarget>(std::move(run.target));
    const LPARAM id = cleanup::NewWaitId();
    waits_[id] = target;
    try {
        cleanup::StartWaitingThread(std::move(run.command), host_.Owner(), id);
    } catch (...) {
        waits_.erase(id);
        throw;
    }
}

void TProgramPage::OnUninstallMessage(WPARAM started, LPARAM waitId) {
    auto wait = waits_.find(waitId);
    if (wait == waits_.end()) return;
    // Taken out first: a second message with this id leads nowhere.
    std::shared_ptr<cleanup::UninstallTarget> target = std::move(wait->second);
    waits_.erase(wait);
    OnUninstallDone(started, *target);
}

void TProgramPage::OnUninstallDone(WPARAM started, const cleanup::UninstallTarget& target) {
    const cleanup::WaitEnd wait = cleanup::WaitEndOf(started);
    if (wait == cleanup::WaitEnd::Ended) {
        // The list shows what the uninstaller left before anything is asked; a
        // list that cannot be read does not cost the user the clean-up.
        ReloadReporting(&target);
    }
    // A program still registered keeps its findings unchecked (see JudgeUninstallEnd).
    const cleanup::UninstallEnd end = cleanup::JudgeUninstallEnd(wait, target);
    Ids question = IDS_MESSAGEBOX_WARNING_UninstallFailed;
    if (end.wait == cleanup::WaitEnd::Ended)
        question = end.stillInstalled ? IDS_MESSAGEBOX_WARNING_StillInstalled
                                      : IDS_MESSAGEBOX_WARNING_ScanRemains;
    if (ui::ShowAppMessage(host_.Owner(), LangText(question), MB_YESNO | MB_ICONEXCLAMATION) !=
        IDYES) {
        if (end.wait == cleanup::WaitEnd::Ended && !end.stillInstalled) {
            cleanup::FoundRemains unscanned;
            unscanned.target = target;
            KeepOnRecord(unscanned, false);
        }
        return;
    }
    // The list is reloaded however the scan window ends.
    ReloadAtEnd reload{*this, &target};
    RunRemainsScan(target, end.stillInstalled);
}

void TProgramPage::RunRemainsScan(const cleanup::UninstallTarget& target, bool stillInstalled) {
    cleanup::TScanForm scan(target,
                            cleanup::UninstallSafety(AppPaths().AppDir, ListedNow(), target),
                            stillInstalled ? cleanup::TScanForm::Marks::AllUnchecked
                                           : cleanup::TScanForm::Marks::Checked,
                            CleanupBackupRoot());
    scan.ShowModal(host_.Owner());
    // Only a program that is gone has leftovers to look for again later.
    if (!stillInstalled) KeepOnRecord(scan.Found(), scan.ScanDone());
}

void TProgramPage::RemoveBrokenEntry(const ProgramItem& item) {
    cleanup::UninstallTarget target{item.RegistryName(), item.InstallLocation(), item.DisplayName(),
                                    item.Hive(), item.Publisher()};
    const std::string name = target.displayName.empty() ? target.registryName : target.displayName;
    if (ui::ShowAppMessage(
            host_.Owner(),
            Format(LangFormatText(IDS_MESSAGEBOX_WARNING_RemoveBrokenEntry), name.c_str()),
            MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    // Read while the registration is still there: it is what the scan goes by.
    cleanup::GatherFolders(target);
    ReloadAtEnd reload{*this, &target};
    cleanup::TScanForm scan(target,
                            cleanup::UninstallSafety(AppPaths().AppDir, ListedNow(), target),
                            cleanup::TScanForm::Marks::Checked, CleanupBackupRoot());
    scan.SetBrokenEntry();
    scan.ShowModal(host_.Owner());
    // Gone now: on record like an uninstall, to be looked for again later.
    if (scan.ScanDone() && !cleanup::UninstallEntryRemains(target.registryName))
        KeepOnRecord(scan.Found(), true);
}

void TProgramPage::ActionFindLeftoversExecute() {
    const std::string& appDir = AppPaths().AppDir;
    cleanup::TLeftoversForm ask(cleanup::ReadHistory(cleanup::UserHistoryRoot(AnsiToWide(appDir))));
    ask.ShowModal(host_.Owner());
    const std::optional<cleanup::LeftoversQuery> query = ask.Query();
    if (!query) return;
    const std::vector<cleanup::ListedProgram> listed = ListedNow();
    const cleanup::SafetyContext safety = cleanup::LeftoversSafety(appDir, listed);
    cleanup::LeftoversPlan plan = cleanup::PlanLeftovers(*query, listed, safety);
    if (!plan.problem.empty()) {
        ui::ShowAppMessage(host_.Owner(), plan.problem, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    cleanup::TScanForm scan(std::move(plan.target), safety, cleanup::TScanForm::Marks::Checked,
                            CleanupBackupRoot());
    scan.SetLeftovers(std::move(plan.marks));
    scan.ShowModal(host_.Owner());
}

void TProgramPage::ActionInstallWatchExecute() {
    const std::optional<std::wstring> setup = cleanup::AskSetupFile(host_.Owner());
    if (!setup) return;
    // Run as chosen: a setup's own pages ask what it needs to know.
    cleanup::TWatchForm watch(AnsiToWide(AppPaths().AppDir), *setup, {});
    watch.ShowModal(host_.Owner());
    if (watch.CurrentPhase() == cleanup::TWatchForm::Phase::Before) return;
    // The program that appeared is the row to show.
    const std::vector<cleanup::TracedProgram>& programs = watch.Trace().programs;
    if (programs.empty()) {
        ReloadReporting(nullptr);
        return;
    }
    cleanup::UninstallTarget shown;
    shown.registryName = WideToAnsi(programs.front().registryName);
    shown.hive = HiveName(programs.front().hive);
    ReloadReporting(&shown);
}

void TProgramPage::KeepOnRecord(const cleanup::FoundRemains& found, bool scanned) {
    try {
        cleanup::RecordUninstall(cleanup::UserHistoryRoot(AnsiToWide(AppPaths().AppDir)), found,
                                 scanned);
    } catch (const std::exception& e) {
        // The clean-up is done either way; the user learns it is not on record.
        ui::ReportException(e);
    }
}

void TProgramPage::ReloadOnProgram(const cleanup::UninstallTarget& target) {
    LoadProgramList();
    int row = FindProgramRow(target.registryName, target.hive);
    if (row < 0) return;
    SelectRow(row);
    ListView_EnsureVisible(lsvProgramList, row, FALSE);
}

std::wstring TProgramPage::CleanupBackupRoot() {
    return cleanup::UserCleanupRoot(AnsiToWide(AppPaths().AppDir));
}

std::vector<cleanup::OtherProgram> TProgramPage::OtherPrograms(
    const cleanup::UninstallTarget& target) {
    return cleanup::OtherListedPrograms(ListedNow(), target);
}

}  // namespace cx::app
